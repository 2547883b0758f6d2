#include "app/MainWindowUi.h"

#include "app/FirstFrame.h"
#include "web/ConsoleErrors.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMainWindow>
#include <QProgressBar>
#include <QStackedWidget>
#include <QUrl>
#include <QWebView>

void MainWindowUi::setupUi(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(776, 466);
    QIcon icon;
    icon.addFile(QStringLiteral(":/happy.ico"), QSize(), QIcon::Normal, QIcon::Off);
    window->setWindowIcon(icon);
    window->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    window->setDocumentMode(false);

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    centralWidget->setStyleSheet(QString());

    webView = new QWebView(centralWidget);
    webView->setObjectName(QStringLiteral("webView"));
    webView->setGeometry(QRect(0, 0, 800, 600));
    ConsoleErrors::logFrom(webView->page());

    springboard = new QStackedWidget(centralWidget);
    springboard->setObjectName(QStringLiteral("springboard"));
    springboard->setGeometry(QRect(90, 10, 0, 0));
    springboard->setContextMenuPolicy(Qt::NoContextMenu);
    springboard->setFrameShape(QFrame::NoFrame);
    // Opaque, in the white its pages start with: the home page beneath is
    // not drawn again under it at every step of a slide.
    springboard->setBackgroundRole(QPalette::Base);
    springboard->setAutoFillBackground(true);

    progressBar = new QProgressBar(centralWidget);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setGeometry(QRect(0, 20, 961, 20));
    progressBar->setStyleSheet(QStringLiteral(
        "border: 0px solid gray;\nbackground: black;\ncolor:white;\nmargin:0px;\n\n"));
    progressBar->setValue(0);
    FirstFrame::apply(window, webView, progressBar);

    window->setCentralWidget(centralWidget);
    window->setWindowTitle(QCoreApplication::translate("MainWindow", "Vantara", nullptr));
    // Only this slot by name: the window's other on_..._clicked slots are
    // page calls that match no widget, and connectSlotsByName warns of each.
    QObject::connect(webView, SIGNAL(loadFinished(bool)), window,
                     SLOT(on_webView_loadFinished(bool)));
}
