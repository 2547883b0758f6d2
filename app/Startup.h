#pragma once

// The process's way in: builds the application and the main window, runs the
// event loop and returns its exit code. main() on every platform calls it.
int runVantara(int &argc, char **argv);
