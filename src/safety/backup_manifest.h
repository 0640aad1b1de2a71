// The manifest of a backup: the files of a complete backup with their sizes and checksums, kept
// in the backup folder beside them. A backup empties it before its first copy and fills it
// after its last, so that a restore can tell a complete set from one a failed or interrupted
// backup left behind; a backup folder without one (made before manifests, or by hand) has
// nothing to check.
#pragma once

#include "safety/whole_file_copy.h"

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
};

// The manifest of the backup folder: absent, unfinished (empty, torn or not ours), or complete.
Manifest readManifest(const QDir& backup);

// Empties the manifest (creating it where there was none) and flushes it to the medium: from
// here until the manifest is written, the folder is an unfinished backup. 0 or the error number.
int markUnfinished(const QDir& backup);

// Writes the manifest of a complete backup into the emptied one and flushes it. 0 or the error
// number.
int writeManifest(const QDir& backup, const std::vector<ManifestEntry>& files);

}  // namespace korvel::safety
