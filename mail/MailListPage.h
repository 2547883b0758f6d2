#pragma once

#include "web/QuietPage.h"

// The page of the mail panel's account list. Its alerts ("Email plz!") are the
// shell's own modal messages rather than WebKit's "JavaScript Alert" boxes,
// and its one question (deleting an account) is the shell's own question.
class MailListPage : public QuietPage
{
public:
    MailListPage(QObject *parent, QObject *bridge);

    static QUrl address();

protected:
    void javaScriptAlert(QWebFrame *frame, const QString &msg) override;
    bool javaScriptConfirm(QWebFrame *frame, const QString &msg) override;
};
