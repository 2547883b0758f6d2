#include "webengine/PermissionAnswers.h"

#include "shell/Messages.h"

namespace
{
struct FeatureName {
    QWebEnginePage::Feature feature;
    const char *stored; // as PermissionFile names it
    const char *asked;  // "... asks to <asked>"
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
} // namespace

PermissionAnswers::PermissionAnswers(const QString &file, QObject *parent)
    : QObject(parent), kept(file)
{
}

void PermissionAnswers::request(QWebEnginePage *page, const QUrl &origin,
                                QWebEnginePage::Feature feature, const QString &appName)
{
    const FeatureName *name = named(feature);
    const QString site = PermissionFile::originOf(origin);
    // What the user is never asked about (the pointer locked) is refused.
    if (!name || site.isEmpty()) {
        page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
        return;
    }
    const QString stored = QLatin1String(name->stored);
    if (const std::optional<bool> known = kept.answer(stored, site)) {
        page->setFeaturePermission(origin, feature,
                                   *known ? QWebEnginePage::PermissionGrantedByUser
                                          : QWebEnginePage::PermissionDeniedByUser);
        return;
    }
    const QString key = stored + QLatin1Char(' ') + site;
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
    kept.remember(stored, site, allowed);
    for (const Waiting &w : questions.take(key))
        if (w.page)
            w.page->setFeaturePermission(w.origin, feature,
                                         allowed ? QWebEnginePage::PermissionGrantedByUser
                                                 : QWebEnginePage::PermissionDeniedByUser);
}
