// Drive letters: the one-letter name of a backup medium as the user types it, and where that
// medium is on this computer. A letter maps to the folder named by KORVEL_DRIVE_<LETTER> when
// that is set; else, on Windows, to the drive; elsewhere to the removable medium the desktop
// mounted (/media/<user>/<label> or /run/media/<user>/<label>) that got the letter, else to
// /mnt/<letter>.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace korvel::safety {

// The drive letter of the field's text: blanks trimmed, one Latin letter (lower case accepted
// and upper-cased). Nothing when the text is empty or its first character is not A to Z.
std::optional<QChar> driveLetterOf(const QString& typed);

// The root folder of the medium named by an upper-case letter ("E:/" on Windows,
// $KORVEL_DRIVE_E, a removable medium's folder or "/mnt/e" elsewhere).
QString driveRoot(QChar letter);

// Whether the medium answers: its root is a folder whose free space can be determined (on
// Windows: a drive with that letter, holding its medium).
bool driveReady(QChar letter);

// A removable medium mounted by the desktop, with the letter it answers to.
struct RemovableMedium {
  QChar letter;
  QString label;  // the last part of its folder, as the desktop named it
  QString root;   // "/media/anna/KINGSTON"
  bool operator==(const RemovableMedium&) const = default;
};

// The removable media of a mount table (the format of /proc/self/mountinfo), in mount order,
// each with the first letter from D on that `taken` does not hold; none once Z is given out.
std::vector<RemovableMedium> removableMediaIn(const QByteArray& mountTable,
                                              const std::function<bool(QChar)>& taken);

// The media mounted now (the table in $KORVEL_MOUNTINFO when set, else this process's), the
// letters of KORVEL_DRIVE_<L> variables and of existing /mnt/<l> folders left to those. On
// Windows: the removable drives holding a medium, with its label.
std::vector<RemovableMedium> removableMedia();

// "E: — KINGSTON (/media/anna/KINGSTON)", one medium a line.
QString mediaListText(const std::vector<RemovableMedium>& media);

}  // namespace korvel::safety
