#include "shell/KeyboardChoice.h"

#include "shell/ShellPaths.h"

#include <QFile>
#include <QList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace
{
const QByteArray virtualKeyboard = QByteArrayLiteral("qtvirtualkeyboard");
const unsigned long evAbs = 1ul << 3;      // EV_ABS
const unsigned long propDirect = 1ul << 1; // INPUT_PROP_DIRECT

// The lowest word of a "B: NAME=hex hex ..." bitmap line (the bits that
// matter here sit in it).
unsigned long lowestWord(const QByteArray &line)
{
    const QList<QByteArray> words = line.mid(line.indexOf('=') + 1).trimmed().split(' ');
    bool ok = false;
    const unsigned long bits = words.last().toULong(&ok, 16);
    return ok ? bits : 0;
}
} // namespace

QByteArray KeyboardChoice::module(ShellSettings::Keyboard mode, bool touchScreen,
                                  const QByteArray &sessionModule)
{
    switch (mode) {
    case ShellSettings::Keyboard::Always:
        return virtualKeyboard;
    case ShellSettings::Keyboard::Touch:
        return touchScreen && sessionModule.isEmpty() ? virtualKeyboard : QByteArray();
    case ShellSettings::Keyboard::Off:
        break;
    }
    return {};
}

bool KeyboardChoice::touchScreenIn(const QByteArray &devices)
{
    unsigned long events = 0;
    unsigned long properties = 0;
    const QList<QByteArray> lines = devices.split('\n');
    for (int i = 0; i <= lines.size(); ++i) {
        const QByteArray line = i < lines.size() ? lines.at(i).trimmed() : QByteArray();
        if (line.isEmpty()) { // a device's block ends
            if ((events & evAbs) && (properties & propDirect))
                return true;
            events = properties = 0;
        } else if (line.startsWith("B: EV=")) {
            events = lowestWord(line);
        } else if (line.startsWith("B: PROP=")) {
            properties = lowestWord(line);
        }
    }
    return false;
}

bool KeyboardChoice::hasTouchScreen()
{
#ifdef Q_OS_WIN
    const int digitizer = GetSystemMetrics(SM_DIGITIZER);
    return (digitizer & NID_READY) && (digitizer & (NID_INTEGRATED_TOUCH | NID_EXTERNAL_TOUCH));
#else
    QFile devices(QStringLiteral("/proc/bus/input/devices"));
    // A procfs file has no size; a machine's list is a few kilobytes.
    return devices.open(QIODevice::ReadOnly) && touchScreenIn(devices.read(1 << 20));
#endif
}

void KeyboardChoice::applyAtStart(const QString &workingFolder)
{
    ShellPaths::Folders folders;
    folders.working = workingFolder;
    const ShellSettings settings = ShellSettings::read(ShellPaths(folders));
    // The device list is read only where its answer counts.
    const bool touchScreen =
        settings.keyboard == ShellSettings::Keyboard::Touch && hasTouchScreen();
    const QByteArray chosen = module(settings.keyboard, touchScreen, qgetenv("QT_IM_MODULE"));
    if (!chosen.isEmpty())
        qputenv("QT_IM_MODULE", chosen);
}
