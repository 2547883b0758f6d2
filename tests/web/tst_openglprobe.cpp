// How remote pages paint on a real display whose OpenGL is only a software
// rasterizer (Xvfb: Mesa's llvmpipe): what the helper's answer means, that
// asking it loads no driver into the shell, and that a remote page then
// paints in software, its window left a raster one.

#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "shell/AppView.h"
#include "web/OpenGLProbe.h"

#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebView>
#include <QWindow>

using Answer = OpenGLProbe::Answer;
Q_DECLARE_METATYPE(OpenGLProbe::Answer)

namespace
{
// Mesa's drivers and the LLVM its software rasterizer compiles with.
bool driverMapped()
{
    const QByteArray maps = TestUtil::readFile(QStringLiteral("/proc/self/maps"));
    return maps.contains("_dri.so") || maps.contains("libLLVM") || maps.contains("libGLX_mesa");
}
} // namespace

class TestOpenGLProbe : public QObject
{
    Q_OBJECT

private slots:
    void answersFromWhatTheHelperSays_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<Answer>("answer");
        const Answer soft = Answer::Software, hard = Answer::Hardware;
        QTest::newRow("llvmpipe") << 0 << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)\n") << soft;
        QTest::newRow("softpipe") << 0 << QByteArray("softpipe") << soft;
        QTest::newRow("classic swrast") << 0 << QByteArray("Software Rasterizer") << soft;
        QTest::newRow("swr") << 0 << QByteArray("SWR (LLVM 11.0.1, 256 bits)") << soft;
        QTest::newRow("SwiftShader") << 0 << QByteArray("Google SwiftShader") << soft;
        QTest::newRow("Windows, ANGLE on WARP")
            << 0 << QByteArray("ANGLE (Microsoft Basic Render Driver Direct3D11 vs_5_0 ps_5_0)")
            << soft;
        QTest::newRow("Windows' own") << 0 << QByteArray("GDI Generic") << soft;
        QTest::newRow("Intel") << 0 << QByteArray("Mesa Intel(R) UHD Graphics 620 (KBL GT2)")
                               << hard;
        QTest::newRow("AMD names LLVM too")
            << 0 << QByteArray("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)")
            << hard;
        QTest::newRow("NVIDIA") << 0 << QByteArray("NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2") << hard;
        QTest::newRow("VMware's 3D") << 0 << QByteArray("SVGA3D; build: RELEASE;  LLVM;") << hard;
        QTest::newRow("no OpenGL at all") << 1 << QByteArray() << Answer::None;
        QTest::newRow("nothing said") << 0 << QByteArray("\n") << Answer::Unknown;
        QTest::newRow("a failure of its own") << 127 << QByteArray("llvmpipe") << Answer::Unknown;
    }

    void answersFromWhatTheHelperSays()
    {
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(Answer, answer);
        QCOMPARE(OpenGLProbe::read(exitCode, output), answer);
    }

    void aRemotePageOnASoftwareRasterizerPaintsWithoutTheDriver()
    {
        QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on an X display");
        QVERIFY(qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"));
        QVERIFY(!driverMapped());
        // Xvfb has no direct rendering: Mesa's answer is its rasterizer.
        QCOMPARE(OpenGLProbe::answer(), Answer::Software);
        QVERIFY(!driverMapped());

        TestHttpServer server;
        QVERIFY(server.start());
        server.route("/remote", "<html><head><title>Remote</title></head>"
                                "<body style='background:#1e6432'></body></html>");
        MainWindow w;
        QSignalSpy loaded(w.homeView(), SIGNAL(loadFinished(bool)));
        QVERIFY(loaded.wait(20000));
        AppView *remote =
            TestUtil::openFromHome(&w, "Remote", "web", server.url("/remote").toString());
        QVERIFY(remote);
        QCOMPARE(remote->engine(), AppView::Engine::WebEngine);
        // What the display shows in the middle of the app's area, once the
        // slide is over.
        auto shown = [&] {
            const QPoint middle = remote->widget()->mapToGlobal(remote->widget()->rect().center());
            return w.windowHandle()
                ->screen()
                ->grabWindow(0, middle.x(), middle.y(), 1, 1)
                .toImage()
                .pixelColor(0, 0);
        };
        QTRY_COMPARE_WITH_TIMEOUT(shown(), QColor(0x1e, 0x64, 0x32), 20000);
        QCOMPARE(qgetenv("QT_QUICK_BACKEND"), QByteArray("software"));
        QCOMPARE(w.windowHandle()->surfaceType(), QSurface::RasterSurface);
        QVERIFY(!driverMapped());
    }
};

QTEST_MAIN(TestOpenGLProbe)
#include "tst_openglprobe.moc"
