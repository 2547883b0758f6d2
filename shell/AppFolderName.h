#pragma once

#include <QString>

// Names of app folders as they come from pages, packages and addresses, and
// of the entries of an app package. QtCore only: the archive library and the
// packing tool use it without the shell.
namespace AppFolder
{
// A name that stays one folder inside the Apps folder: not empty, no path
// separator, no drive colon, no control character, no unpaired surrogate, and
// not "." or "..".
bool isSafeName(const QString &name);
} // namespace AppFolder
