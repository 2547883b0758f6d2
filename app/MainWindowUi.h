#pragma once

class QMainWindow;
class QProgressBar;
class QStackedWidget;
class QWebView;
class QWidget;

// The main window's form: the home view, the stack of app pages over it and a
// thin progress bar on top, placed by absolute geometry.
struct MainWindowUi {
    QWidget *centralWidget = nullptr;
    QWebView *webView = nullptr;
    QStackedWidget *springboard = nullptr;
    QProgressBar *progressBar = nullptr;

    void setupUi(QMainWindow *window);
};
