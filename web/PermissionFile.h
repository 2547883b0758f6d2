#pragma once

#include <QHash>
#include <QString>
#include <optional>

class QUrl;

// What the user answered when an app's pages asked for a feature, by site:
// a small private file beside the app's storage folder, one line
// "allow|deny <feature> <origin>" each. Both engines keep an app's answers
// in it, so they follow the app from one engine to the other. A file that
// cannot be read whole remembers nothing (nothing is allowed by it).
class PermissionFile
{
public:
    // Files larger than this are not read.
    static constexpr qint64 maxFileBytes = 64 * 1024;
    static constexpr int maxAnswers = 1000;

    explicit PermissionFile(const QString &path);

    // What a feature is called in the file: "notifications", "location",
    // "microphone", "camera", "camera+microphone", "screen", "screen+sound".
    static bool isFeatureName(const QString &name);
    // The site of url as the file names it ("https://host[:port]"); empty
    // when it has no host (nothing of such a page is kept).
    static QString originOf(const QUrl &url);

    std::optional<bool> answer(const QString &feature, const QString &origin) const;
    // Written at once, beside what was written meanwhile by another page of
    // the app; nothing once the file holds maxAnswers.
    void remember(const QString &feature, const QString &origin, bool allowed);

private:
    QHash<QString, bool> read() const; // by "feature origin"
    void write() const;

    QString path;
    QHash<QString, bool> answers;
};
