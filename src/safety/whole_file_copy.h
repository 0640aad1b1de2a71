// Whole-file copies that never leave a half-written file under a file's name: the bytes go to
// a temporary file beside the target, which is put in place only when it is complete. Also the
// folder listings the copies work from, with names matched the way the table layer finds them.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

namespace korvel::safety {

// The entry of `dir` called `name`, of the given kinds (QDir::Files or QDir::Dirs): the exact
// name if present, else the same name in another case; empty when there is none.
QString findEntry(const QDir& dir, const QString& name, QDir::Filters kinds);

// The regular, visible files of `dir` whose names match the wildcard (case ignored), sorted by
// name; the program's own files (lock, journal, temporaries, records, the backup's manifest) are
// left out: a backup never takes a journal, nor a restore brings one in.
QStringList listFiles(const QDir& dir, const QString& wildcard);

// A file's size and the CRC-32 of its bytes.
struct Fingerprint {
  qint64 size = 0;
  quint32 crc = 0;
  bool operator==(const Fingerprint&) const = default;
};

// The outcome of a copy: the temporary file written (empty when the copy failed, and then
// nothing is left behind), the error number of the failure, and the fingerprint of the bytes
// copied.
struct Copied {
  QString path;
  int err = 0;
  Fingerprint print;
};

// Copies `source` into a new temporary file in `targetDir`, with the source's permissions and
// modification time, flushed to the medium. Every byte goes through the file layer's write.
// With `noFollow`, a source that is a symbolic link is not followed (ELOOP).
Copied copyToTemporary(const QString& source, const QString& targetDir, bool noFollow = false);

// Copies `source` to `target` through a temporary beside it: `target` is either the old file or
// the whole new copy. `err` is 0 on success.
Copied copyReplacing(const QString& source, const QString& target);

}  // namespace korvel::safety
