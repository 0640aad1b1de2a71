// Drive letters: the one-letter name of a backup medium as the user types it, and where that
// medium is on this computer. On Windows a letter is a drive; elsewhere a letter maps to a
// folder: the one named by KORVEL_DRIVE_<LETTER> when that is set, else /mnt/<letter>.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

namespace korvel::safety {

// The drive letter of the field's text: blanks trimmed, one Latin letter (lower case accepted
// and upper-cased). Nothing when the text is empty or its first character is not A to Z.
std::optional<QChar> driveLetterOf(const QString& typed);

// The root folder of the medium named by an upper-case letter ("E:/" on Windows,
// $KORVEL_DRIVE_E or "/mnt/e" elsewhere).
QString driveRoot(QChar letter);

// Whether the medium answers: its root is a folder whose free space can be determined.
bool driveReady(QChar letter);

}  // namespace korvel::safety
