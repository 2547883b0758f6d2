#pragma once

// Every address the shell knows of outside services, in one place.
// The build fills the same values into the bundled pages, so a change here
// reaches them too. Keep each value on one line in this form.

// Loaded by the Browser item; its jar also serves local apps and new windows.
#define VANTARA_DEFAULT_START_PAGE "https://duckduckgo.com/"
// Words searched for from the home screen go to it as the query item "q".
#define VANTARA_WEB_SEARCH "https://duckduckgo.com/"
// Web apps on this host (or a subdomain), over https, may use the shell's api.
#define VANTARA_TRUSTED_HOST "apps.vantara.app"
// The advertisement server (plain http; its root, /pub2 and /pub1).
#define VANTARA_AD_SERVER "http://ads.vantara.app"
// Where app pages fetch remote messages from by default.
#define VANTARA_REMOTE_MESSAGE_SOURCE "https://apps.vantara.app/message.xml"
// Mobile web-mail sites offered by the mail panel.
#define VANTARA_MAIL_GMAIL "https://mail.google.com/"
#define VANTARA_MAIL_HOTMAIL "https://outlook.live.com/m/?bfv=wm"
#define VANTARA_MAIL_YAHOO "https://mail.yahoo.com/mail"
#define VANTARA_MAIL_FACEBOOK "https://m.facebook.com/messages"
// Web analytics: no host by default, so nothing is sent to third parties.
#define VANTARA_ANALYTICS_HOST ""
#define VANTARA_ANALYTICS_SECURE_HOST ""
#define VANTARA_ANALYTICS_ID "VA-000001-1"
#define VANTARA_ANALYTICS_USAGE_ID "VA-000001-2"
