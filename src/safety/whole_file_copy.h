// Whole-file copies that never leave a half-written file under a table's name: the bytes go to
// a temporary file beside the target, which is put in place only when it is complete. Also the
// folder listings the copies work from, with names matched the way the table layer finds them.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

namespace korvel::safety {

// Temporary copies end in this suffix and start with a dot: they are hidden where dot names
// are, never contain ".dbf" and are never listed for a copy.
inline constexpr const char* kTemporarySuffix = ".korvel-tmp";

// The entry of `dir` called `name`, of the given kinds (QDir::Files or QDir::Dirs): the exact
// name if present, else the same name in another case; empty when there is none.
QString findEntry(const QDir& dir, const QString& name, QDir::Filters kinds);

// The regular, visible files of `dir` whose names match the wildcard (case ignored), sorted by
// name; temporary copies, the program's lock file and the journal of an operation are left
// out (a backup must never take a journal, nor a restore bring one in).
QStringList listFiles(const QDir& dir, const QString& wildcard);

// Copies `source` into a new temporary file in `targetDir`, with the source's permissions and
// modification time, flushed to the medium. Returns its path; empty when the copy failed, and
// then nothing is left behind.
QString copyToTemporary(const QString& source, const QString& targetDir);

// Puts a finished temporary file in place of `target`, replacing it. On failure the temporary
// is removed and the target is untouched.
bool putInPlace(const QString& temporary, const QString& target);

// The two steps together: `target` is either the old file or the whole new copy.
bool copyReplacing(const QString& source, const QString& target);

}  // namespace korvel::safety
