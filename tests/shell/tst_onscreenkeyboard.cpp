// The on-screen keyboard on a real display (Xvfb) with Qt's virtual keyboard
// loaded: when it comes and goes in each mode, in pages of both engines, and
// that the field typed into stays above it.

#include "PageScript.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "shell/KeyboardChoice.h"
#include "shell/OnScreenKeyboard.h"
#include "shell/StackSlide.h"
#include "web/EngineViews.h"
#include "web/WebEngineFactory.h"
#include "web/WebKitAppView.h"

#include <QInputMethod>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebView>
#include <QWindow>
#include <memory>

using Keyboard = ShellSettings::Keyboard;
Q_DECLARE_METATYPE(ShellSettings::Keyboard)

namespace
{
// A page with a field near its foot, where the keyboard comes up, and a
// paragraph to tap away from it.
const QByteArray page = "<html><body style='margin:0'>"
                        "<p id='text' style='height:300px'>Words</p>"
                        "<input id='low' style='position:absolute;top:640px;left:40px'>"
                        "</body></html>";
} // namespace

class TestOnScreenKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void touchScreensAreFoundInTheDeviceList_data();
    void touchScreensAreFoundInTheDeviceList();
    void keyboardFollowsTheModeAndKeepsTheFieldInSight_data();
    void keyboardFollowsTheModeAndKeepsTheFieldInSight();

private:
    bool startShell();
    AppView *openPage(AppView::Engine engine, bool onHome);
    QPoint fieldCentre(AppView *view) const;
    void tap(QWidget *widget, const QPoint &at);

    QTouchDevice *finger = nullptr;
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<OnScreenKeyboard> keyboard;
    TestHttpServer server;
};

void TestOnScreenKeyboard::initTestCase()
{
    QVERIFY2(qgetenv("QT_IM_MODULE") == "qtvirtualkeyboard",
             "runs with Qt's virtual keyboard as the input method");
    finger = QTest::createTouchDevice();
    server.route("/form", page);
    QVERIFY(server.start());
}

bool TestOnScreenKeyboard::startShell()
{
    shell = std::make_unique<TestShell>();
    // No window manager on the test's display hands out focus.
    shell->mainWindow()->activateWindow();
    if (!QTest::qWaitForWindowActive(shell->mainWindow()))
        return false;
    shell->stack()->setGeometry(StackSlide::stackArea(shell->screenArea()));
    shell->stack()->show();
    return true;
}

void TestOnScreenKeyboard::cleanupTestCase()
{
    OnScreenKeyboard::letGoOfPanel();
}

void TestOnScreenKeyboard::cleanup()
{
    QGuiApplication::inputMethod()->hide();
    keyboard.reset();
    shell.reset();
}

void TestOnScreenKeyboard::touchScreensAreFoundInTheDeviceList_data()
{
    QTest::addColumn<QByteArray>("devices");
    QTest::addColumn<bool>("found");
    const QByteArray keyboard = "I: Bus=0011 Vendor=0001 Product=0001 Version=ab41\n"
                                "N: Name=\"AT Translated Set 2 keyboard\"\n"
                                "B: PROP=0\nB: EV=120013\nB: KEY=402000000 3803078f800d001\n\n";
    const QByteArray touchpad = "N: Name=\"SynPS/2 Synaptics TouchPad\"\n"
                                "B: PROP=5\nB: EV=b\nB: ABS=660800011000003\n\n";
    const QByteArray screen = "N: Name=\"ELAN Touchscreen\"\n"
                              "B: PROP=2\nB: EV=1b\nB: ABS=3273800000000003\n";
    QTest::newRow("keyboard and touchpad") << keyboard + touchpad << false;
    QTest::newRow("touch screen last, no blank line") << keyboard + touchpad + screen << true;
    QTest::newRow("touch screen first") << screen + "\n" + keyboard << true;
    QTest::newRow("direct but no axes")
        << QByteArray("N: Name=\"Buttons\"\nB: PROP=2\nB: EV=3\n\n") << false;
    QTest::newRow("wide bitmaps") << QByteArray("B: PROP=0 2\nB: EV=0 1b\n") << true;
    QTest::newRow("damaged") << QByteArray("B: PROP=\nB: EV=zz\n\x01\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestOnScreenKeyboard::touchScreensAreFoundInTheDeviceList()
{
    QFETCH(QByteArray, devices);
    QFETCH(bool, found);
    QCOMPARE(KeyboardChoice::touchScreenIn(devices), found);
}

// The form in an app page of engine, or in the home screen's own view.
AppView *TestOnScreenKeyboard::openPage(AppView::Engine engine, bool onHome)
{
    AppView *view = nullptr;
    if (onHome) {
        shell->stack()->hide();
        view = new WebKitAppView(shell->homeView());
    } else if (engine == AppView::Engine::WebKit) {
        view = new WebKitAppView(new QWebView);
    } else {
        EngineViewSetup setup;
        setup.appName = QStringLiteral("Form");
        setup.storageFolder = EngineViews::storageFolder(shell->paths(), "App", "Form");
        view = EngineViews::create(*shell, setup);
    }
    if (!view)
        return nullptr;
    if (!onHome) {
        shell->stack()->addWidget(view->widget());
        shell->stack()->setCurrentWidget(view->widget());
    }
    QSignalSpy loaded(view, &AppView::loadFinished);
    view->load(server.url("/form"));
    if (!loaded.wait(20000))
        return nullptr;
    return view;
}

// The field's centre in the view's coordinates.
QPoint TestOnScreenKeyboard::fieldCentre(AppView *view) const
{
    const QVariant box = PageScript::run(
        view, "(function(){var r=document.getElementById('low').getBoundingClientRect();"
              "return [r.left + r.width / 2, r.top + r.height / 2];})()");
    const QVariantList xy = box.toList();
    return xy.size() == 2 ? QPoint(xy.at(0).toInt(), xy.at(1).toInt()) : QPoint();
}

// A tap of one finger at a point of widget (whatever child takes it).
void TestOnScreenKeyboard::tap(QWidget *widget, const QPoint &at)
{
    QWidget *window = widget->window();
    const QPoint point = widget->mapTo(window, at);
    QTest::touchEvent(window, finger).press(0, point, window);
    QTest::touchEvent(window, finger).release(0, point, window);
}

void TestOnScreenKeyboard::keyboardFollowsTheModeAndKeepsTheFieldInSight_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<Keyboard>("mode");
    QTest::addColumn<bool>("byTouch");
    QTest::addColumn<bool>("shows");
    QTest::addColumn<bool>("onHome"); // the field in the home screen, not an app page
    QTest::newRow("home screen, touch: a finger")
        << AppView::Engine::WebKit << Keyboard::Touch << true << true << true;
    for (auto engine : {AppView::Engine::WebKit, AppView::Engine::WebEngine}) {
        const char *name = engine == AppView::Engine::WebKit ? "QtWebKit" : "QtWebEngine";
        QTest::addRow("%s, touch: a finger", name)
            << engine << Keyboard::Touch << true << true << false;
        QTest::addRow("%s, touch: the mouse", name)
            << engine << Keyboard::Touch << false << false << false;
        QTest::addRow("%s, always: the mouse", name)
            << engine << Keyboard::Always << false << true << false;
        QTest::addRow("%s, off: a finger", name)
            << engine << Keyboard::Off << true << false << false;
    }
}

void TestOnScreenKeyboard::keyboardFollowsTheModeAndKeepsTheFieldInSight()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(Keyboard, mode);
    QFETCH(bool, byTouch);
    QFETCH(bool, shows);
    QFETCH(bool, onHome);
    QVERIFY(startShell());
    keyboard = std::make_unique<OnScreenKeyboard>(*shell, mode);
    AppView *view = openPage(engine, onHome);
    QVERIFY(view);
    // The part of the window that holds the field.
    QWidget *stack = onHome ? static_cast<QWidget *>(shell->homeView()) : shell->stack();
    const int stackTop = stack->y();
    const QPoint field = fieldCentre(view);
    QVERIFY(!field.isNull());
    QInputMethod *input = QGuiApplication::inputMethod();
    if (byTouch) {
        tap(view->widget(), field);
    } else {
        QTest::mouseClick(PageScript::keyTarget(view), Qt::LeftButton, {}, field);
    }
    // The field has focus either way.
    QTRY_VERIFY_WITH_TIMEOUT(PageScript::run(view, "document.activeElement.id").toString() == "low",
                             10000);
    if (!shows) {
        // Typed text has come back from the page: what the page asked for
        // on focus has come and been refused by then.
        QTest::keyClicks(PageScript::keyTarget(view), "abc");
        QTRY_COMPARE(PageScript::run(view, "document.getElementById('low').value").toString(),
                     QStringLiteral("abc"));
        QVERIFY(!input->isVisible());
        QCOMPARE(keyboard->lift(), 0);
        QCOMPARE(stack->y(), stackTop);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(input->isVisible() && !input->keyboardRectangle().isEmpty(), 10000);
    // The field stands above the keyboard: the part holding it moved up.
    QTRY_VERIFY(keyboard->lift() > 0);
    QCOMPARE(stack->y(), stackTop - keyboard->lift());
    // Where the field stands in the window, from the page itself.
    const auto fieldInWindow = [view] {
        const QVariantList box =
            PageScript::run(view, "(function(){var r=document.getElementById('low')"
                                  ".getBoundingClientRect();return [r.top, r.bottom];})()")
                .toList();
        const int offset = view->widget()->mapTo(view->widget()->window(), QPoint()).y();
        return box.size() == 2
                   ? QPair<int, int>(box.at(0).toInt() + offset, box.at(1).toInt() + offset)
                   : QPair<int, int>(-1, -1);
    };
    QTRY_VERIFY2(fieldInWindow().second <= input->keyboardRectangle().top(),
                 qPrintable(QStringLiteral("field ends at %1, keyboard top %2, lift %3")
                                .arg(fieldInWindow().second)
                                .arg(input->keyboardRectangle().top())
                                .arg(keyboard->lift())));
    QVERIFY(fieldInWindow().first >= 0);
    // The keyboard's window shows only its keys: the page above stays seen.
    const auto keysOnly = [input] {
        for (QWindow *window : QGuiApplication::allWindows()) {
            if (window->inherits("QQuickView") && window->isVisible())
                return window->mask().boundingRect().size() == input->keyboardRectangle().size() &&
                       window->mask().boundingRect().height() < window->height();
        }
        return false;
    };
    QTRY_VERIFY(keysOnly());

    // Typing on it reaches the field.
    QTest::keyClicks(PageScript::keyTarget(view), "abc");
    QTRY_COMPARE(PageScript::run(view, "document.getElementById('low').value").toString(),
                 QStringLiteral("abc"));

    // Focus leaves the field: the keyboard goes and the page comes back down.
    PageScript::run(view, "document.getElementById('low').blur()");
    tap(view->widget(), QPoint(field.x(), 40));
    QTRY_VERIFY_WITH_TIMEOUT(!input->isVisible(), 10000);
    QTRY_COMPARE(keyboard->lift(), 0);
    QCOMPARE(stack->y(), stackTop);
}

QTEST_MAIN(TestOnScreenKeyboard)
#include "tst_onscreenkeyboard.moc"
