#pragma once

// What the app benchmarks share: a main window in a throw-away home and
// working folder, with its home page loaded, and apps of their own in the
// Apps folder beside the program (removed again at the end): local apps, or
// web apps whose pages a server on this machine serves.

#include "BenchUtil.h"
#include "app/MainWindow.h"
#include "shell/AppDescriptor.h"
#include "shell/AppView.h"

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebView>
#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

class AppBench
{
public:
    // Call before the application object exists.
    static void isolate(QTemporaryDir &home)
    {
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toLocal8Bit());
        Bench::useDisplayWhenThere();
    }

    // The light page: a list and a little script; the picture page: a grid of
    // 28 picture tiles, as a photo or shop page shows them.
    enum class Page { Light, Pictures };

    // count apps, the same page in each.
    explicit AppBench(int count = 1, Page kind = Page::Light) : AppBench(count, kind, {}, {}) {}
    // count web apps, app i at remoteBase + Bench::remotePath(i); settings is the
    // working folder's settings.xml.
    AppBench(int count, const QString &remoteBase, const QByteArray &settings)
        : AppBench(count, Page::Light, remoteBase, settings)
    {
    }

    // The light page as a server serves it at Bench::remotePath(i): once
    // loaded it asks for loadedPath(i), which tells a program that cannot be
    // asked.
    static QByteArray remotePage(int i)
    {
        QByteArray html = page();
        html.replace("</body>", "<script>onload = function () { new Image().src = '" +
                                    loadedPath(i).toLatin1() + "'; };</script></body>");
        return html;
    }
    static QString loadedPath(int i) { return QStringLiteral("/loaded%1").arg(i); }

    ~AppBench()
    {
        window.reset();
        for (const QString &folder : appFolders)
            QDir(folder).removeRecursively();
    }

    static QString name(int i = 0)
    {
        return i ? QStringLiteral("VantaraBenchApp%1").arg(i) : QStringLiteral("VantaraBenchApp");
    }
    QString pagePath() const { return appFolders.first() + QStringLiteral("/index.html"); }

    // index.html of kind in folder, with its pictures; false when one is not written.
    static bool writePage(const QString &folder, Page kind)
    {
        if (kind == Page::Light)
            return write(folder, QStringLiteral("index.html"), page());
        QByteArray html = "<html><head><title>Benchmark pictures</title><style>"
                          "img { width: 240px; height: 180px; margin: 4px; }</style></head><body>";
        for (int i = 0; i < tileCount; ++i) {
            const QString file = QStringLiteral("tile%1.png").arg(i);
            if (!QFile::exists(folder + QLatin1Char('/') + file) &&
                !tile(i).save(folder + QLatin1Char('/') + file))
                return false;
            html += "<img src='" + file.toLatin1() + "'>";
        }
        return write(folder, QStringLiteral("index.html"), html + "</body></html>");
    }
    static constexpr int tileCount = 28;

    static QByteArray page()
    {
        QByteArray page = "<html><head><title>Benchmark app</title><style>"
                          "li { padding: 4px; } .x { color: #333; }</style></head><body><ul>";
        for (int i = 0; i < 200; ++i)
            page += "<li class='x'>Item " + QByteArray::number(i) + "</li>";
        page += "</ul><script>var n = 0; for (var i = 0; i < 1000; ++i) n += i;</script>"
                "</body></html>";
        return page;
    }

    // Wall-clock and processor time of one measured stretch, in ms.
    struct Cost {
        double wall = -1;
        double cpu = -1;
        double loaded = -1; // when the page had loaded, where measured
    };

    // Times what runs from start() to stop(); the processor time counts every
    // thread of the process, so other programs on the machine count less.
    class Stopwatch
    {
    public:
        void start()
        {
            cpu0 = processCpuMs();
            wall.start();
        }
        Cost stop() const { return {wall.nsecsElapsed() / 1e6, processCpuMs() - cpu0}; }

    private:
        static double processCpuMs()
        {
            timespec ts{};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
            return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
        }
        QElapsedTimer wall;
        double cpu0 = 0;
    };

    // Opens the app as the home page does and waits for its page to load:
    // from the slot call to loadFinished (wall -1 when it never loads), in
    // either engine.
    Cost open(int i = 0)
    {
        Stopwatch watch;
        watch.start();
        window->on_pushButton_clicked(name(i), name(i));
        AppView *view = AppView::of(window->stack()->currentWidget());
        if (!view)
            return {};
        QSignalSpy finished(view, &AppView::loadFinished);
        if (!finished.wait(30000))
            return {};
        return watch.stop();
    }

    // Closes the page on top, lets its deferred deletion happen and waits
    // for the launch's slide to end, so that it does not run into what is
    // measured next.
    void close()
    {
        window->closeapp();
        settle();
        QElapsedTimer waited;
        waited.start();
        const auto sliding = [this] {
            for (auto *a : window->stack()->findChildren<QAbstractAnimation *>())
                if (a->state() == QAbstractAnimation::Running)
                    return true;
            return false;
        };
        while (sliding() && waited.elapsed() < 5000)
            QTest::qWait(10);
    }

    // Lets deferred deletions, paints and timers of what came before run
    // out, so that each measurement starts from a quiet shell.
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(60);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<MainWindow> window;

private:
    AppBench(int count, Page kind, const QString &remoteBase, const QByteArray &settings)
    {
        QStandardPaths::setTestModeEnabled(true);
        QDir::setCurrent(work.path());
        if (!settings.isEmpty())
            write(work.path(), QStringLiteral("settings.xml"), settings);
        for (int i = 0; i < count; ++i) {
            appFolders << QCoreApplication::applicationDirPath() + QStringLiteral("/Apps/") +
                              name(i);
            QDir().mkpath(appFolders.last());
            if (!remoteBase.isEmpty()) {
                write(appFolders.last(), QStringLiteral("app.con"),
                      AppDescriptor::webDescriptor(remoteBase + Bench::remotePath(i)));
                continue;
            }
            write(appFolders.last(), QStringLiteral("app.con"),
                  "<config><apptype>local</apptype><applink>index.html</applink>"
                  "<appcss>body { margin: 0; }</appcss></config>");
            writePage(appFolders.last(), kind);
        }
        window = std::make_unique<MainWindow>();
        QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
        loaded.wait(30000);
    }

    static bool write(const QString &folder, const QString &file, const QByteArray &content)
    {
        QFile f(folder + QLatin1Char('/') + file);
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    }

    // A photo-sized picture of its own for each tile, so that none is shared.
    static QImage tile(int i)
    {
        QImage image(480, 360, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x * (i + 3)) & 255, (y * (i + 5)) & 255, ((x ^ y) + i * 9) & 255);
        }
        return image;
    }

    QTemporaryDir work;
    QStringList appFolders;
};
