// Backup of the table files to the folder "arhivbik" of a medium named by a drive letter, and
// restore from it; the closing and reopening of the tables around the copies. The operations
// return the messages to show; they ask nothing of the user.
#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
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
// A file of the backup that a restore does not take.
QString notATable(const QString& name, const QString& table, const QString& reason);
QString linkInBackup(const QString& name);
inline const QString kBackupFolderIsLink =
    QStringLiteral("Папка arhivbik на носителе — символическая ссылка на другую папку. Копия в ней не создается и из "
                   "нее не восстанавливается: удалите ссылку или возьмите другой носитель.");
// The questions asked before something is replaced; `made` is when the backup was made.
QString replaceOldBackup(const QDateTime& made);
QString replaceWorkingData(const QDateTime& made, long long cows, long long bulls);
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

// A question put to the person before something is replaced: true when he answers "Да". An
// empty one is answered "Да" (a caller that asks nothing).
using Question = std::function<bool(const QString& text)>;

// Copies every table file of the working folder (names containing ".dbf", case ignored) into
// the backup folder of the medium, creating the folder when needed and replacing earlier
// copies. The copies and their manifest are written beside the old backup and replace it all
// at once, so that the old backup stays whole until the new one is; a failed or interrupted
// backup leaves the old one (its swap is undone by the next backup or restore). A file that
// fails is reported and the others are still tried. Where the medium has no room for both,
// the person is asked before the old backup goes. A backup folder that is a symbolic link is
// refused.
CopyOutcome backupToDrive(const QString& workDir, QChar letter, const Question& ask = {});

// Whether the medium holds a backup: the BIK table's file in its backup folder, the names of
// both found whatever their case.
bool backupPresent(QChar letter);

// Copies the backup into the working folder: with a manifest, exactly the files it lists (any
// other herd table there is a mismatch); without one, the six tables and their companions
// (the names that begin with a table's file name), found by name. A folder whose manifest is
// unfinished or does not match its files, a file that is a symbolic link, and a table that
// does not open as a table of its layout are refused before anything changes. All files are
// first copied beside their targets and checked; the person is asked, with the backup's date
// and its numbers of cows and bulls, before they replace the working files, all or none (a
// restore cut short is undone when the folder is next opened), so a failed or declined restore
// leaves the working folder as it was.
CopyOutcome restoreFromDrive(const QString& workDir, QChar letter, const Question& ask = {});

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
