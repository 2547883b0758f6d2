#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <memory>

// What pages announced, newest first, and how many of them each app has not
// been seen since. Texts come from pages and are made plain and short here;
// a flood keeps only the newest.
class NotificationList
{
public:
    static constexpr int maxKept = 50;
    static constexpr int maxTitle = 100;
    static constexpr int maxBody = 300;
    // The most a page title's "(n)" can say.
    static constexpr int maxTitleCount = 9999;

    struct Note {
        int id = 0;
        QString app;            // the home screen's name of the app, empty for a window
        QPointer<QWidget> page; // the stack page that sent it, while it is open
        QString title;
        QString body;
        QImage icon;
        QDateTime when;
        bool unread = true;
        // What the page's engine keeps of it while it is listed and the
        // page is open, and how it hears of a tap.
        std::shared_ptr<void> keep;
        std::function<void()> clicked;
    };

    // Adds a note (its text made plain and bounded) and returns its id.
    int add(QWidget *page, const QString &app, const QString &title, const QString &body,
            const QImage &icon, std::shared_ptr<void> keep = {},
            std::function<void()> clicked = {});
    const QList<Note> &notes() const { return kept; }
    const Note *find(int id) const;
    // Marks every note of page (or, for a closed page, of its app) as seen.
    void markRead(QWidget *page, const QString &app);
    void clear() { kept.clear(); }
    // Lets go of what the engine of page keeps of its notifications.
    void release(const QWidget *page);

    // Unread notes of page: those it sent, and its app's from pages now closed.
    int unread(const QWidget *page, const QString &app) const;
    // Unread notes of app, whichever of its pages sent them.
    int unreadOfApp(const QString &app) const;

    // Text a page hands in, as one line of at most max characters: control
    // characters and line breaks become spaces, runs of blanks one.
    static QString plain(const QString &text, int max);
    // The count a title leads with, as in "(3) Inbox"; 0 when it has none.
    static int countInTitle(const QString &title);

private:
    QList<Note> kept;
    int lastId = 0;
};
