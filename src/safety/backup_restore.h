// Backup of the table files to the folder "arhivbik" of a medium named by a drive letter, and
// restore from it; the closing and reopening of the tables around the copies. The operations
// return the messages to show; they ask nothing of the user.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

namespace korvel {
class HerdTables;
namespace db {
class Table;
}
}  // namespace korvel

namespace korvel::safety {

// The messages of the backup and restore windows.
namespace msg {
inline const QString kTypeOneLetter = QStringLiteral("Введите одну латинскую букву...");
inline const QString kNoDrive = QStringLiteral("Резервный носитель не установлен или не исправен...");
inline const QString kNoBackup =
    QStringLiteral("Резервный носитель не установлен или не исправен или не содержит резервной копии...");
inline const QString kFolderNotCreated = QStringLiteral("Папка резервной копии не создается...");
inline const QString kBackupDone = QStringLiteral("Резервная копия создана!");
inline const QString kBackupNotDone = QStringLiteral("Резервная копия НЕ создана!!");
inline const QString kRestoreDone = QStringLiteral("Данные восстановлены!");
inline const QString kRestoreNotDone = QStringLiteral("Даные НЕ ВОССТАНОВЛЕНЫ!!");
QString copyNotMade(const QString& name);   // "Копия <name> не создана"
QString fileNotCopied(const QString& name); // "<name> не скопирован"
// Why a backup or a restore failed, from the error number of the failure.
QString backupCause(int err);
QString restoreCause(int err);
// A restore refused because the backup's manifest does not vouch for these files.
QString manifestMismatch(const QStringList& names);
inline const QString kBackupUnfinished =
    QStringLiteral("Резервная копия на носителе не закончена: её создание было прервано или не удалось. "
                   "Такую копию восстанавливать нельзя. Рабочая папка осталась без изменений.");
}  // namespace msg

// The folder of the backups at the root of every medium.
inline const QString kBackupFolderName = QStringLiteral("arhivbik");

struct CopyOutcome {
  bool ok = false;
  QStringList messages;  // in the order they are shown
};

// Copies every table file of the working folder (names containing ".dbf", case ignored) into
// the backup folder of the medium, creating the folder when needed and replacing earlier
// copies. A file that fails is reported and the others are still copied. The folder's manifest
// is emptied first and written last, only when every copy is in place; where the medium has no
// room for a new copy beside the old one, the old one is removed first.
CopyOutcome backupToDrive(const QString& workDir, QChar letter);

// Whether the medium holds a backup: the BIK table's file in its backup folder, the names of
// both found whatever their case.
bool backupPresent(QChar letter);

// Copies every file of the backup folder into the working folder. A folder whose manifest is
// unfinished, or does not match its files, is refused before anything changes. All files are
// first copied beside their targets; only when every copy succeeded do they replace the working
// files, all or none (a restore cut short is undone when the folder is next opened), so a
// failed restore leaves the working folder as it was.
CopyOutcome restoreFromDrive(const QString& workDir, QChar letter);

// A table as it was before it was closed for a copy.
struct ClosedTable {
  db::Table* table = nullptr;
  bool wasOpen = false;
  bool filtered = false;
  QString filter;
};

// The tables closed around a backup, in order: REGION, VLAD, BIK, KOROVA, PORODA, XARAKT.
std::vector<db::Table*> backupOrder(HerdTables& dm);
// The tables closed before a restore, in order: REGION, VLAD, KOROVA, XARAKT, BIK, PORODA.
std::vector<db::Table*> restoreOrder(HerdTables& dm);

// Notes each table's state and closes it. When one cannot be closed, the ones already closed
// are opened again and the table error goes on.
std::vector<ClosedTable> closeTables(const std::vector<db::Table*>& order);

// Opens again, in order, the tables that were open, each with its filter and filtered switch,
// at its first record. A table that cannot be opened does not keep the others closed: the
// table layer's texts of the failures are returned.
QStringList reopenTables(const std::vector<ClosedTable>& closed);

}  // namespace korvel::safety
