#include "webengine/PermissionAnswers.h"

#include "shell/Messages.h"

#include <QFile>
#include <QSaveFile>

namespace
{
struct FeatureName {
    QWebEnginePage::Feature feature;
    const char *stored;
    const char *asked; // "... asks to <asked>"
};

const FeatureName features[] = {
    {QWebEnginePage::Notifications, "notifications", "show you notifications"},
    {QWebEnginePage::Geolocation, "location", "know your location"},
    {QWebEnginePage::MediaAudioCapture, "microphone", "use your microphone"},
    {QWebEnginePage::MediaVideoCapture, "camera", "use your camera"},
    {QWebEnginePage::MediaAudioVideoCapture, "camera+microphone", "use your camera and microphone"},
    {QWebEnginePage::DesktopVideoCapture, "screen", "see your screen"},
    {QWebEnginePage::DesktopAudioVideoCapture, "screen+sound",
     "see your screen and hear its sound"},
};

const FeatureName *named(QWebEnginePage::Feature feature)
{
    for (const FeatureName &f : features)
        if (f.feature == feature)
            return &f;
    return nullptr;
}

bool isStoredName(const QString &name)
{
    for (const FeatureName &f : features)
        if (name == QLatin1String(f.stored))
            return true;
    return false;
}

QString originOf(const QUrl &url)
{
    return url
        .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                  QUrl::RemoveUserInfo)
        .toString();
}

const QString allowWord = QStringLiteral("allow");
const QString denyWord = QStringLiteral("deny");
constexpr int maxAnswers = 1000;
} // namespace

PermissionAnswers::PermissionAnswers(const QString &file, QObject *parent)
    : QObject(parent), file(file)
{
    read();
}

void PermissionAnswers::read()
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() > maxFileBytes)
        return;
    QHash<QString, bool> found;
    const QList<QByteArray> lines = in.read(maxFileBytes).split('\n');
    for (const QByteArray &raw : lines) {
        if (raw.isEmpty())
            continue;
        // "allow|deny <feature> <origin>"
        const QStringList parts = QString::fromUtf8(raw).split(QLatin1Char(' '));
        const QUrl origin(parts.value(2), QUrl::StrictMode);
        if (parts.size() != 3 || (parts[0] != allowWord && parts[0] != denyWord) ||
            !isStoredName(parts[1]) || !origin.isValid() || origin.host().isEmpty() ||
            originOf(origin) != parts[2] || found.size() >= maxAnswers)
            return; // damaged: nothing of it counts
        found.insert(parts[1] + QLatin1Char(' ') + parts[2], parts[0] == allowWord);
    }
    answers = found;
}

void PermissionAnswers::write() const
{
    QByteArray text;
    for (auto it = answers.cbegin(); it != answers.cend(); ++it)
        text += ((it.value() ? allowWord : denyWord) + QLatin1Char(' ') + it.key()).toUtf8() + '\n';
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write(text);
    out.commit();
}

void PermissionAnswers::request(QWebEnginePage *page, const QUrl &origin,
                                QWebEnginePage::Feature feature, const QString &appName)
{
    const FeatureName *name = named(feature);
    const QString site = originOf(origin);
    // What the user is never asked about (the pointer locked) is refused.
    if (!name || QUrl(site).host().isEmpty()) {
        page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
        return;
    }
    const QString key = QLatin1String(name->stored) + QLatin1Char(' ') + site;
    if (answers.contains(key)) {
        page->setFeaturePermission(origin, feature,
                                   answers.value(key) ? QWebEnginePage::PermissionGrantedByUser
                                                      : QWebEnginePage::PermissionDeniedByUser);
        return;
    }
    QList<Waiting> &waiting = questions[key];
    waiting.append({page, origin});
    if (waiting.size() > 1)
        return; // the open question answers it too
    QString question = QStringLiteral("%1 asks to %2. Allow it?")
                           .arg(QUrl(site).host(), QLatin1String(name->asked));
    if (!appName.isEmpty())
        question = appName + QStringLiteral(": ") + question;
    QPointer<PermissionAnswers> alive(this);
    const bool allowed =
        Messages::ask(question, QStringLiteral("Allow"), QStringLiteral("Don't allow"));
    if (!alive)
        return;
    if (answers.size() < maxAnswers) {
        answers.insert(key, allowed);
        write();
    }
    for (const Waiting &w : questions.take(key))
        if (w.page)
            w.page->setFeaturePermission(w.origin, feature,
                                         allowed ? QWebEnginePage::PermissionGrantedByUser
                                                 : QWebEnginePage::PermissionDeniedByUser);
}
