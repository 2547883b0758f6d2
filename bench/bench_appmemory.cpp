// Memory: open and close the same local app 50 times through the main
// window's slots; resident memory after the 50th close against after the 5th.
// Growth per app shows as a ratio above 1.

#include "AppBench.h"
#include "ProcessMemory.h"

#include <QApplication>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace
{
long measure()
{
    AppBench::settle();
#ifdef __GLIBC__
    malloc_trim(0); // free heap pages back, so RSS follows what is held
#endif
    return ProcessMemory::residentKiB();
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    AppBench::isolate(home);
    QApplication app(argc, argv);
    AppBench bench;
    long afterFifth = 0, afterLast = 0;
    for (int i = 1; i <= 50; ++i) {
        if (bench.open().wall < 0) {
            std::printf("app %d did not load\n", i);
            return 1;
        }
        bench.close();
        if (i == 5)
            afterFifth = measure();
    }
    afterLast = measure();
    if (afterFifth <= 0 || afterLast <= 0) {
        std::printf("resident memory unreadable\n");
        return 1;
    }
    std::printf(
        "resident memory: after 5 apps %ld KiB, after 50 apps %ld KiB (%+.1f KiB per app)\n",
        afterFifth, afterLast, double(afterLast - afterFifth) / 45);
    std::printf("ratio: %.3f (goal <= 1.05)\n", double(afterLast) / afterFifth);
    return 0;
}
