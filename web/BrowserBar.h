#pragma once

#include <QUrl>
#include <QWidget>

class AddToHomeScreen;
class AppView;
class ShellHost;
class QLineEdit;
class QToolButton;

// The slim bar over the Browser's page: back, forward, reload or stop, and an
// address field that takes an address or words to search for, and a button
// that adds the site to the home screen. Ctrl+L goes to the field, Alt+Left
// and Alt+Right go back and forward, F5 reloads.
class BrowserBar : public QWidget
{
    Q_OBJECT

public:
    BrowserBar(ShellHost &shell, AppView *view, const QUrl &searchPage, QWidget *parent = nullptr);

    // A page of the stack holding the bar over view, whichever engine shows
    // it: the view stays the view of the page on top (AppView::of).
    static QWidget *wrap(ShellHost &shell, AppView *view, const QUrl &searchPage);

    // What typed text opens: an address as it is (http or https added when
    // it names a host), anything else as a search of searchPage.
    static QUrl addressFor(const QString &typed, const QUrl &searchPage);

    static constexpr int height = 32;

    QLineEdit *addressField() const { return address; }
    QToolButton *addToHomeButton() const { return addToHome; }

private:
    void go();
    void loadingChanged(bool loading);
    void historyChanged();

    AppView *view;
    QUrl searchPage;
    QToolButton *back;
    QToolButton *forward;
    QToolButton *reload;
    QLineEdit *address;
    QToolButton *addToHome;
    AddToHomeScreen *adder;
    bool loading = false;
};
