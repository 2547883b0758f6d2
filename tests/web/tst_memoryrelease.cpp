#include "web/MemoryRelease.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QWebFrame>
#include <QWebView>

class TestMemoryRelease : public QObject
{
    Q_OBJECT

private slots:
    // What arms the release and what only pushes it back, for each way a
    // page comes or goes.
    void armedByClosesOnly_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("armed");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("open") << "o" << false;
        QTest::newRow("switch") << "s" << false;
        QTest::newRow("close") << "c" << true;
        QTest::newRow("close, then open") << "co" << true;
        QTest::newRow("close, then switch") << "cs" << true;
        QTest::newRow("deleted without a close") << "d" << true;
    }
    void armedByClosesOnly()
    {
        QFETCH(QString, steps);
        QFETCH(bool, armed);
        QStackedWidget stack;
        stack.addWidget(new QWidget);
        stack.addWidget(new QWidget);
        QTimer *quiet = MemoryRelease::afterPagesClose(&stack, 60000);
        QCOMPARE(quiet->parent(), &stack);
        for (QChar step : steps) {
            if (step == 'o') {
                auto *page = new QWidget;
                stack.addWidget(page);
                stack.setCurrentWidget(page);
            } else if (step == 's') {
                stack.setCurrentIndex(stack.currentIndex() ? 0 : 1);
            } else if (step == 'c') {
                QWidget *page = stack.widget(stack.count() - 1);
                stack.removeWidget(page);
                delete page;
            } else if (step == 'd') {
                delete stack.widget(0);
            }
        }
        QCOMPARE(quiet->isActive(), armed);
        if (armed)
            QVERIFY(quiet->remainingTime() > 50000);
    }

    // Real pages: closed ones are released once the stack is still, and a
    // page opened afterwards loads and runs its script as before.
    void releaseAfterClosedPages()
    {
        QStackedWidget stack;
        stack.resize(400, 300);
        stack.show();
        MemoryRelease::afterPagesClose(&stack, 50);
        const int before = MemoryRelease::releases();
        for (int i = 0; i < 3; ++i) {
            auto *view = new QWebView;
            stack.addWidget(view);
            stack.setCurrentWidget(view);
            QSignalSpy loaded(view, &QWebView::loadFinished);
            view->setHtml(QStringLiteral("<img src='data:image/png;base64,"
                                         "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlE"
                                         "QVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='>"
                                         "<script>var kept = []; for (var i = 0; i < 5000; ++i)"
                                         " kept.push({n: i});</script>"));
            QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 10000);
        }
        while (stack.count()) {
            QWidget *page = stack.currentWidget();
            stack.removeWidget(page);
            page->deleteLater();
        }
        QTRY_COMPARE_WITH_TIMEOUT(MemoryRelease::releases(), before + 1, 10000);

        QWebView next;
        stack.addWidget(&next);
        stack.setCurrentWidget(&next);
        QSignalSpy loaded(&next, &QWebView::loadFinished);
        next.setHtml(QStringLiteral("<script>var kept = [1, 2, 3];</script>"));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 10000);
        QCOMPARE(next.page()->mainFrame()->evaluateJavaScript("kept.length").toInt(), 3);
        stack.removeWidget(&next);
    }
};

QTEST_MAIN(TestMemoryRelease)
#include "tst_memoryrelease.moc"
