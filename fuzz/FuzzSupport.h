#pragma once

#include <QString>

// Shared by the harnesses (FuzzSupport.cpp also starts each one: an
// application object for the Qt classes that want one, and Qt's warnings
// about bad input kept quiet).
namespace Fuzz
{
// A failed property: a crash that libFuzzer records with the input.
[[noreturn]] void failed(const char *property, const QString &detail);

// An empty folder of the harness's own, removed when the process ends.
QString workFolder();
} // namespace Fuzz

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            Fuzz::failed(#condition, detail);                                                      \
    } while (false)
