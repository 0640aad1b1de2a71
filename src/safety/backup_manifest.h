// The manifest of a backup: the files of a complete backup with their sizes and checksums, and
// when it was made, kept in the backup folder beside them. A backup puts it in place together
// with its copies, so that a restore can tell a complete set from one a failed or interrupted
// backup left behind; a backup folder without one (made before manifests, or by hand) has
// nothing to check.
#pragma once

#include "safety/whole_file_copy.h"

#include <QDateTime>
#include <QDir>
#include <QString>
#include <vector>

namespace korvel::safety {

inline constexpr const char* kManifestName = "korvel-backup.txt";

struct ManifestEntry {
  QString name;  // as stored in the backup folder
  Fingerprint print;
};

struct Manifest {
  enum class State { Absent, Unfinished, Complete };
  State state = State::Absent;
  std::vector<ManifestEntry> files;  // when complete
  QDateTime made;                    // when complete; invalid in a manifest of the first version
};

// The manifest of the backup folder: absent, unfinished (empty, torn, not ours, or a link to
// another file), or complete.
Manifest readManifest(const QDir& backup);

// The manifest's name in the backup folder: the one stored there (in whatever case), else the
// usual one.
QString manifestName(const QDir& backup);

// Writes a new file `path` (which must not exist) holding the manifest of a complete backup,
// flushed to the medium: an empty list of files makes the manifest of an unfinished backup.
// 0 or the error number.
int writeManifestFile(const QString& path, const std::vector<ManifestEntry>& files, const QDateTime& made);

}  // namespace korvel::safety
