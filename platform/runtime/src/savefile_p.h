#pragma once
// Replacing a file whole: what a record-set save does on disk.
#include <QByteArray>
#include <QString>

namespace plat::files {

// Where a write to `path` lands: `path` made absolute, or for a symbolic
// link the end of its chain (which may not exist yet), its folder's links
// resolved. Empty, with `why` set, when the chain loops or cannot be read.
QString WriteTarget(const QString& path, QString& why);

// Puts `bytes` at `target` (a WriteTarget), replacing a regular file there
// or creating one; anything else by that name is refused. The bytes go to
// an unnamed (or, where the file system has none, a named) temporary file
// in the same folder with the old file's owner, group and mode, are synced,
// swapped into place, and the folder is synced. On any failure the old file
// stays in place and no temporary file is left; the reason comes back, in
// the operator's language. Empty on success.
QString ReplaceWhole(const QString& target, const QByteArray& bytes);

}  // namespace plat::files
