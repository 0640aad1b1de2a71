// The operation journal: an operation that changes more than one record or more than one table
// is all or nothing. Before the first byte of a table changes, what the operation will
// overwrite (each record's image, each touched table's header, its length and the bytes after
// its last record) goes to the journal file in the working folder and is flushed to the medium;
// then the tables are written; then they are flushed and the journal is deleted, which is the
// commit. A journal found when the folder's tables are next opened belongs to an operation that
// never finished: its images are written back and each table cut to its old length, so that
// every table is byte for byte as before the operation.
//
// The file: a 16-byte header (magic "KORVJRN2", a random salt, the CRC-32 of both), then
// batches, each flushed before the table writes it covers: "BTCH", the entry count, the payload
// length, the CRC-32 of salt, count and length, the payload, and the CRC-32 of salt, count,
// length and payload. Entries are 'O' (the operation's name, first), 'T' (table number, file
// name, length before the operation, the CRC-32 of its first and last 64 KiB then) and 'R'
// (table number, position, length, the bytes that stood there). A batch cut short by the end of
// the file was being written when the operation stopped, so no table byte it covers had been
// written yet: it is ignored, and a journal without one whole batch is simply deleted. Any other
// damage, a journal whose tables are not the ones it was written for (another herd's, copied
// back by hand, shorter), a journal of the first version, or one that is a symbolic link, is
// refused: nothing is written and the journal stays for the person.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace korvel::db {

class DbfFile;
class Journal;

// One operation on the tables of a working folder. The first scope over a folder starts the
// operation; scopes opened while it runs join it, and only the first one ends it. The journal
// file is made at the first change; an operation that changes nothing leaves no trace.
class JournalScope {
 public:
  // `operation` names it for the notice shown after an interrupted one was rolled back
  // ("удаление хозяйства «Заря»").
  explicit JournalScope(const QString& folder, const QString& operation = {});
  // Without commit() the operation is rolled back (an error ended it): every table it touched
  // is put back as it was. A failing rollback leaves the journal for the next opening.
  ~JournalScope();
  JournalScope(const JournalScope&) = delete;
  JournalScope& operator=(const JournalScope&) = delete;

  // The rows of the table the operation is about to change: their images go to the journal in
  // one write and one flush. A row changed without being declared is journaled on its own
  // (one write and one flush for it), so declaring is a matter of speed, not of safety.
  void declare(const DbfFile& file, const std::vector<uint32_t>& rows);

  // Ends the operation with the tables as they are: they are flushed and the journal deleted.
  // When the flush fails the operation is rolled back and the error thrown. A joined scope's
  // commit leaves the end to the first scope.
  void commit();
  // Ends the operation with the tables as they were before it (throws when that fails).
  void rollback();

 private:
  void end(void (Journal::*how)());

  Journal* journal_;
  bool first_;
  bool ended_ = false;
};

enum class Recovery {
  NoJournal,   // nothing was left behind
  RolledBack,  // an interrupted operation was undone
  Discarded,   // the journal was torn before any table was touched: it was deleted
};

// Rolls back the operation an interrupted run left in `folder`, before its tables are opened
// (the program's data module, every tool). Throws TableError when the journal belongs to a
// copy of the program still running there, or when the tables cannot be put back (the journal
// then stays for the next try).
Recovery recoverInterruptedOperation(const QString& folder);

// The notice of the last interrupted operation this process rolled back, once ("Последняя
// операция (…) была прервана и отменена; …"); empty when there is none or it was taken.
QString takeRecoveryNotice();

// What DbfFile asks of the journal before it writes.
namespace journal_hooks {
// The journal of the operation in progress over `folder` (resolved path), or null.
Journal* covering(const QString& folder);
// Before record `index` is written: its image is in the journal (written and flushed now
// when it was not declared). Rows appended by the operation need none.
void beforeRecordWrite(Journal& j, const DbfFile& file, uint32_t index);
// Before the file grows or its header changes: its length, header and tail are in the journal.
void beforeGrowth(Journal& j, const DbfFile& file);
// Open files are put back in their new state after a rollback.
void fileOpened(DbfFile* file);
void fileClosed(DbfFile* file);
}  // namespace journal_hooks

}  // namespace korvel::db
