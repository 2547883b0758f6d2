#pragma once

#include <QString>

// Claims a name for a new file in folder without replacing anything: name
// itself when free, else "base (1).ext", "base (2).ext"... The file is
// created empty in one step that fails when something (a file, a folder, a
// link) is already there, so two claims never get the same name. Returns
// its path, or an empty string with the reason in why.
QString claimFreeFileName(const QString &folder, const QString &name, QString *why);
