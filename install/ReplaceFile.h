#pragma once

#include <QString>

// Renames from to to in one step, replacing a file already at to, so that
// readers see either the old file or the whole new one. Both must lie on the
// same file system.
bool replaceFile(const QString &from, const QString &to, QString *error);
