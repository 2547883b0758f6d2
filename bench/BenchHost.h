#pragma once

#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QNetworkAccessManager>
#include <QStackedWidget>
#include <QWebView>

// Just enough of a shell for the benchmarks of one subsystem: a stack with
// one app page on top, and the folders it is given.
class BenchHost : public ShellHost
{
public:
    explicit BenchHost(const ShellPaths &paths) : shellPaths(paths) { pages.addWidget(&page); }
    QWebView *homeView() const override { return nullptr; }
    QStackedWidget *stack() const override { return const_cast<QStackedWidget *>(&pages); }
    QProgressBar *progressBar() const override { return nullptr; }
    QWidget *mainWindow() const override { return nullptr; }
    QObject *bridge() const override { return nullptr; }
    const ShellPaths &paths() const override { return shellPaths; }
    QRect screenArea() const override { return QRect(0, 0, 1280, 800); }
    QNetworkAccessManager *newNetworkManager(QObject *parent) const override
    {
        return new QNetworkAccessManager(parent);
    }
    int showIndex() const override { return 0; }
    void setShowIndex(int) override {}

    ShellPaths shellPaths;
    // The stack first: the page leaves it before it goes.
    QStackedWidget pages;
    QWebView page;
};
