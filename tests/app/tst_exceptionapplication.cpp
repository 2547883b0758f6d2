#include "app/ExceptionApplication.h"

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {
char message[] = "thrown from a slot";

// Runs as a child process: throws a string literal during event delivery,
// which the application must not swallow.
int throwConstChar(int argc, char **argv)
{
    ExceptionApplication app(argc, argv);
    QTimer::singleShot(0, [] { throw "a string literal"; });
    QTimer::singleShot(200, [] { std::puts("survived"); std::fflush(stdout); QCoreApplication::exit(0); });
    return app.exec();
}
} // namespace

class TestExceptionApplication : public QObject
{
    Q_OBJECT

private slots:
    void charPointerIsSwallowedAndTheLoopGoesOn()
    {
        int afterThrow = 0;
        QTimer::singleShot(0, [] { throw static_cast<char *>(message); });
        QTimer::singleShot(20, [&afterThrow] { ++afterThrow; });
        QTRY_COMPARE(afterThrow, 1);

        // Delivered directly as well: the event counts as not handled.
        QObject receiver;
        QTimer t;
        QObject::connect(&t, &QTimer::timeout, &receiver, [] { throw static_cast<char *>(message); });
        t.start(1000);
        QTimerEvent ev(t.timerId());
        QCOMPARE(QCoreApplication::sendEvent(&t, &ev), false);
        t.stop();
    }

    void constCharPointerLeavesTheLoop()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--throw-const-char")});
        QVERIFY(child.waitForFinished(20000));
        QVERIFY(!child.readAllStandardOutput().contains("survived"));
        QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    }

    void argumentsPassUnchanged()
    {
        const QStringList args = QCoreApplication::arguments();
        QVERIFY(args.contains(QStringLiteral("--extra-word")));
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--throw-const-char") == 0)
        return throwConstChar(argc, argv);
    // An extra word on the command line changes nothing.
    std::vector<char *> args(argv, argv + argc);
    char extra[] = "--extra-word";
    args.push_back(extra);
    int n = int(args.size());
    ExceptionApplication app(n, args.data());
    TestExceptionApplication test;
    // QtTest must not see the extra word.
    return QTest::qExec(&test, argc, argv);
}
#include "tst_exceptionapplication.moc"
