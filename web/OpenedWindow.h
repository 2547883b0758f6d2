#pragma once

class AppView;
class ShellHost;

// A window that a page opened becomes a page of the shell's stack, whichever
// engine shows it: it comes on top (without showing a hidden stack), its
// loads drive the progress bar and name its tab, and the home page gets a
// "New..." tab for it.
namespace OpenedWindow
{
void show(ShellHost &shell, AppView *view);
}
