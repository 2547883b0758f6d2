#pragma once

#include <QString>
#include <QStringList>

// The power control's question: quitting closes every open app and cancels
// every download, so with any of them it asks first; the default answer
// keeps the shell running.
namespace QuitQuestion
{
// What the question lists: how many apps are open and downloads under way.
QStringList details(int openApps, int downloads);
// True when nothing is open or running, or the user chose to quit.
bool agreed(int openApps, int downloads);
} // namespace QuitQuestion
