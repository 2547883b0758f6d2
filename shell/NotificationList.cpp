#include "shell/NotificationList.h"

#include <QRegularExpression>

int NotificationList::add(QWidget *page, const QString &app, const QString &title,
                          const QString &body, const QImage &icon, std::shared_ptr<void> keep,
                          std::function<void()> clicked)
{
    Note note;
    note.id = ++lastId;
    note.app = app;
    note.page = page;
    note.title = plain(title, maxTitle);
    note.body = plain(body, maxBody);
    note.icon = icon;
    note.keep = std::move(keep);
    note.clicked = std::move(clicked);
    note.when = QDateTime::currentDateTime();
    kept.prepend(note);
    while (kept.size() > maxKept)
        kept.removeLast();
    return note.id;
}

const NotificationList::Note *NotificationList::find(int id) const
{
    for (const Note &note : kept)
        if (note.id == id)
            return &note;
    return nullptr;
}

void NotificationList::release(const QWidget *page)
{
    for (Note &note : kept)
        if (note.page == page || !note.page) {
            note.keep.reset();
            note.clicked = nullptr;
        }
}

void NotificationList::markRead(QWidget *page, const QString &app)
{
    for (Note &note : kept)
        if ((page && note.page == page) || (!note.page && !app.isEmpty() && note.app == app))
            note.unread = false;
}

int NotificationList::unread(const QWidget *page, const QString &app) const
{
    int count = 0;
    for (const Note &note : kept)
        if (note.unread &&
            ((page && note.page == page) || (!note.page && !app.isEmpty() && note.app == app)))
            ++count;
    return count;
}

int NotificationList::unreadOfApp(const QString &app) const
{
    int count = 0;
    for (const Note &note : kept)
        if (note.unread && !app.isEmpty() && note.app == app)
            ++count;
    return count;
}

QString NotificationList::plain(const QString &text, int max)
{
    QString line;
    line.reserve(qMin(text.size(), max + 1));
    bool blank = true; // no blank at the start
    for (const QChar c : text) {
        if (line.size() > max)
            break;
        const bool space = c.isSpace() || c.category() == QChar::Other_Control ||
                           c.category() == QChar::Other_Format;
        if (space && blank)
            continue;
        line += space ? QChar(' ') : c;
        blank = space;
    }
    line = line.trimmed();
    if (line.size() > max) {
        line.truncate(max - 1);
        // Never half of a character that takes two.
        if (!line.isEmpty() && line.at(line.size() - 1).isHighSurrogate())
            line.chop(1);
        line += QChar(0x2026);
    }
    return line;
}

int NotificationList::countInTitle(const QString &title)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*\\((\\d{1,9})\\+?\\)"));
    const QRegularExpressionMatch m = leading.match(title);
    return m.hasMatch() ? qMin(m.captured(1).toInt(), maxTitleCount) : 0;
}
