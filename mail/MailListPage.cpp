#include "mail/MailListPage.h"

#include "shell/Messages.h"

#include <QUrl>

MailListPage::MailListPage(QObject *parent, QObject *bridge) : QuietPage(parent, bridge) {}

QUrl MailListPage::address()
{
    return QUrl(QStringLiteral("qrc:/assets/support/mail.html"));
}

void MailListPage::javaScriptAlert(QWebFrame *, const QString &msg)
{
    Messages::show(msg);
}

bool MailListPage::javaScriptConfirm(QWebFrame *, const QString &msg)
{
    return Messages::ask(msg, QStringLiteral("Delete"), QStringLiteral("Cancel"));
}
