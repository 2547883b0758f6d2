#include "app/Startup.h"

// On Windows Qt's own entry point splits the command line and calls main.
int main(int argc, char **argv)
{
    return runVantara(argc, argv);
}
