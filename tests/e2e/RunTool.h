#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a program to its end with the event loop turning meanwhile, so that
// servers in this process keep answering. False when it cannot start, takes
// longer than timeoutMs (it is then killed) or exits non-zero; out receives
// its standard output.
bool runTool(const QString &program, const QStringList &args, QByteArray *out = nullptr,
             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
             const QString &folder = QString(), int timeoutMs = 15000);
