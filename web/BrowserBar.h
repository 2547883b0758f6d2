#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;
class QToolButton;
class QWebView;

// The slim bar over the Browser's page: back, forward, reload or stop, and an
// address field that takes an address or words to search for. Ctrl+L goes
// to the field, Alt+Left and Alt+Right go back and forward, F5 reloads.
class BrowserBar : public QWidget
{
    Q_OBJECT

public:
    BrowserBar(QWebView *view, const QUrl &searchPage, QWidget *parent = nullptr);

    // A page of the stack holding the bar over view: the view stays the web
    // view of the page on top (ShellHost::webViewIn).
    static QWidget *wrap(QWebView *view, const QUrl &searchPage);

    // What typed text opens: an address as it is (http or https added when
    // it names a host), anything else as a search of searchPage.
    static QUrl addressFor(const QString &typed, const QUrl &searchPage);

    static constexpr int height = 32;

    QLineEdit *addressField() const { return address; }

private:
    void go();
    void loadingChanged(bool loading);
    void historyChanged();

    QWebView *view;
    QUrl searchPage;
    QToolButton *back;
    QToolButton *forward;
    QToolButton *reload;
    QLineEdit *address;
    bool loading = false;
};
