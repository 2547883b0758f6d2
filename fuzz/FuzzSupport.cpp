#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace
{
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(text));
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(quietMessages);
    static QCoreApplication app(*argc, *argv);
    return 0;
}

void Fuzz::failed(const char *property, const QString &detail)
{
    std::fprintf(stderr, "property violated: %s\n%s\n", property, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

QString Fuzz::workFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}
