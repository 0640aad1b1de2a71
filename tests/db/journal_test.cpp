// Writes that fail and operations that do not finish, at the table layer: a failed write leaves
// the file as it was and names its cause; an operation rolled back (in the process, or from the
// journal an interrupted run left behind) leaves every table byte for byte as before it; a
// journal torn while it was being written, or damaged, is told apart from a whole one.
#include "db_test_support.h"

#include "db/crc32.h"
#include "db/dbf_writer.h"
#include "db/file_io.h"
#include "db/folder_files.h"
#include "db/folder_lock.h"
#include "db/journal.h"
#include "db/table_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

const std::vector<RawDbf::Field> kFields = {{"NAME", 'C', 12}, {"KOD", 'N', 4}};

// Four rows; `stale` dates the header in 1999, so that the first change also rewrites the date.
QString tableIn(const QString& dir, bool stale = false) {
  RawDbf raw;
  raw.fields = kFields;
  for (int i = 1; i <= 4; ++i) raw.records.push_back(record(kFields, {"Корова " + std::to_string(i), std::to_string(i)}));
  if (!stale) {
    const QByteArray today = todayBytes();
    for (int i = 0; i < 3; ++i) raw.date[i] = uint8_t(today[i]);
  }
  const QString path = QDir(dir).filePath(QStringLiteral("T.DBF"));
  writeFile(path, raw.bytes());
  return path;
}

QString journalIn(const QString& dir) { return QDir(dir).filePath(QString::fromLatin1(kJournalFileName)); }

void rename(Table& t, int recNo, const QString& name) {
  t.goToRecNo(recNo);
  t.edit();
  t.fieldByName(u"name").setString(name);
  t.post();
}

}  // namespace

// Each way a table changes, with each of its writes made to fail in turn: the file is as before
// (bytes and length), the message names the cause, the table is browsing again on the row it
// stood on, and nothing of the failed change reaches the file later.
TEST(TableWriteFailure, EveryFailedWriteLeavesTheFileAsBeforeAndNamesTheCause) {
  struct Change {
    const char* what;
    bool stale;
    std::function<void(Table&)> run;
  };
  const Change changes[] = {
      {"a row rewritten", false, [](Table& t) { rename(t, 2, QStringLiteral("Изменена")); }},
      {"a row rewritten on a new day (row and date)", true, [](Table& t) { rename(t, 2, QStringLiteral("Изменена")); }},
      {"a row appended", false, [](Table& t) { appendRow(t, {{"name", "Новая"}}); }},
      {"a row appended on a new day", true, [](Table& t) { appendRow(t, {{"name", "Новая"}}); }},
      {"rows declared, rewritten and appended in one operation", true,
       [](Table& t) {
         JournalScope op(t.file().folder());
         op.declare(t.file(), {0, 2});
         rename(t, 1, QStringLiteral("Первая"));
         rename(t, 3, QStringLiteral("Третья"));
         appendRow(t, {{"name", "Новая"}});
         op.commit();
       }},
      {"rows rewritten without being declared", false,
       [](Table& t) {
         JournalScope op(t.file().folder());
         rename(t, 4, QStringLiteral("Четвёртая"));
         rename(t, 2, QStringLiteral("Вторая"));
         op.commit();
       }},
  };
  for (const Change& c : changes) {
    for (const int err : {ENOSPC, EIO}) {
      for (long k = 1;; ++k) {
        SCOPED_TRACE(std::string(c.what) + ", write " + std::to_string(k) + " fails with " + std::to_string(err));
        QTemporaryDir dir;
        const QString path = tableIn(dir.path(), c.stale);
        const QByteArray before = readFile(path);
        Table t(QStringLiteral("t"), QStringLiteral("T"));
        t.setDirectory(dir.path());
        t.open();
        t.goToRecNo(3);
        io::resetFaults();
        io::failWrite(k, err);
        QString message;
        try {
          c.run(t);
        } catch (const TableError& e) {
          message = e.text();
        }
        io::resetFaults();
        if (message.isEmpty()) {
          EXPECT_GT(k, 1) << "no write was made to fail";
          EXPECT_NE(readFile(path), before);
          break;
        }
        EXPECT_TRUE(message.contains(io::causeText(err))) << message.toStdString();
        EXPECT_EQ(readFile(path), before);
        EXPECT_FALSE(QFile::exists(journalIn(dir.path())));
        EXPECT_EQ(t.state(), TableState::Browse);
        EXPECT_EQ(t.file().recordCount(), 4u);
        EXPECT_GT(t.recNo(), 0);
        // Moving on posts nothing that was refused.
        t.first();
        t.next();
        EXPECT_EQ(readFile(path), before);
      }
    }
  }
  // The bulk writer of new tables says why it failed and leaves no half table.
  for (const int err : {ENOSPC, EIO}) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("NEW.DBF"));
    QString message;
    try {
      DbfWriter w(path, {C("NAME", 12)});
      io::resetFaults();
      io::failWrite(1, err);
      w.setText(0, QStringLiteral("Зорька"));
      w.append();
      w.finish();
    } catch (const TableError& e) {
      message = e.text();
    }
    io::resetFaults();
    EXPECT_TRUE(message.contains(io::causeText(err))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(path));
  }
}

// An operation rolled back in the process: appended rows and rewritten rows are gone, the file
// is as before and the open table sees it so.
TEST(Journal, ARolledBackOperationLeavesTheFileAsBeforeAndTheTableSeesIt) {
  QTemporaryDir dir;
  const QString path = tableIn(dir.path(), true);
  const QByteArray before = readFile(path);
  Table t(QStringLiteral("t"), QStringLiteral("T"));
  t.setDirectory(dir.path());
  t.open();
  {
    JournalScope op(dir.path());
    rename(t, 1, QStringLiteral("Первая"));
    {
      JournalScope joined(dir.path());  // a nested operation is part of this one
      appendRow(t, {{"name", "Пятая"}});
      joined.commit();
    }
    EXPECT_TRUE(QFile::exists(journalIn(dir.path()))) << "a joined scope does not end the operation";
    appendRow(t, {{"name", "Шестая"}});
    EXPECT_EQ(t.file().recordCount(), 6u);
    op.rollback();
  }
  EXPECT_EQ(readFile(path), before);
  EXPECT_FALSE(QFile::exists(journalIn(dir.path())));
  EXPECT_EQ(t.file().recordCount(), 4u);
  EXPECT_EQ(walk(t), (std::vector<int>{1, 2, 3, 4}));
  t.first();
  EXPECT_EQ(t.fieldByName(u"name").asString(), QStringLiteral("Корова 1"));
  // A scope that ends by an error rolls back as well.
  try {
    JournalScope op(dir.path());
    rename(t, 2, QStringLiteral("Вторая"));
    throw TableError(QStringLiteral("ошибка посреди операции"));
  } catch (const TableError&) {
  }
  EXPECT_EQ(readFile(path), before);
}

namespace {

// A folder as an interrupted run leaves it: the table and the journal copied at some moment.
struct Snapshot {
  QByteArray table, journal;
};

Snapshot snapshot(const QString& dir) { return {readFile(QDir(dir).filePath("T.DBF")), readFile(journalIn(dir))}; }

QByteArray flipped(QByteArray b, qsizetype at) {
  b[at] = char(b[at] ^ 0x5A);
  return b;
}

}  // namespace

// What the next opening does with a journal left behind: a whole one is rolled back; one torn
// by the end of the file where no table byte depends on it yet is ignored and deleted, and the
// part of a journal written before a torn batch still counts. Any other damage is refused: no
// table byte changes, and the journal stays for the person. A journal another running copy
// holds is left alone.
TEST(Journal, TheNextOpeningRollsBackAWholeJournalAndTellsATornOneFromADamagedOne) {
  QTemporaryDir origin;
  const QString path = tableIn(origin.path(), true);
  const QByteArray before = readFile(path);
  Snapshot untouched, touched, secondBatchWritten;
  {
    Table t(QStringLiteral("t"), QStringLiteral("T"));
    t.setDirectory(origin.path());
    t.open();
    JournalScope op(origin.path());
    op.declare(t.file(), {0, 1});
    rename(t, 1, QStringLiteral("Первая"));  // the declared rows go to the journal first
    rename(t, 2, QStringLiteral("Вторая"));
    appendRow(t, {{"name", "Пятая"}});
    touched = snapshot(origin.path());
    op.declare(t.file(), {2});
    rename(t, 3, QStringLiteral("Третья"));
    secondBatchWritten = snapshot(origin.path());
    op.rollback();
  }
  // The moment the journal's first batch was flushed, before the first table byte changed.
  untouched = {before, touched.journal};
  ASSERT_EQ(readFile(path), before);
  ASSERT_NE(touched.table, before);
  const qsizetype firstBatchEnd = touched.journal.size();
  ASSERT_GT(secondBatchWritten.journal.size(), firstBatchEnd + 16);

  enum Outcome { RolledBack, Discarded, Refused };
  struct Case {
    QString what;
    QByteArray table, journal;
    Outcome expected;
  };
  std::vector<Case> cases = {
      {"whole journal, tables touched", touched.table, touched.journal, RolledBack},
      {"whole journal, tables not yet touched", untouched.table, untouched.journal, RolledBack},
      {"a second batch cut short after its head", touched.table, secondBatchWritten.journal.left(firstBatchEnd + 16),
       RolledBack},
      {"a second batch cut short", touched.table, secondBatchWritten.journal.left(secondBatchWritten.journal.size() - 3),
       RolledBack},
      {"empty journal", untouched.table, QByteArray(), Discarded},
      {"a second batch's head changed", touched.table, flipped(secondBatchWritten.journal, firstBatchEnd + 9), Refused},
      {"a second batch's payload changed", touched.table, flipped(secondBatchWritten.journal, firstBatchEnd + 20),
       Refused},
      {"garbage after the last batch", touched.table, touched.journal + QByteArray(40, 'x'), Refused},
      {"wrong magic", untouched.table, flipped(untouched.journal, 2), Refused},
      {"header checksum wrong", untouched.table, flipped(untouched.journal, 13), Refused},
      {"batch count changed", untouched.table, flipped(untouched.journal, 20), Refused},
      {"payload changed", untouched.table, flipped(untouched.journal, 40), Refused},
      {"checksum changed", untouched.table, flipped(untouched.journal, untouched.journal.size() - 1), Refused},
  };
  // Cut at every length: the batch's checksum is written last, so any cut is a torn batch.
  for (qsizetype n = 1; n < untouched.journal.size(); ++n)
    cases.push_back({QStringLiteral("cut after %1 bytes").arg(n), untouched.table, untouched.journal.left(n), Discarded});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what.toStdString());
    QTemporaryDir dir;
    writeFile(QDir(dir.path()).filePath("T.DBF"), c.table);
    writeFile(journalIn(dir.path()), c.journal);
    if (c.expected == Refused) {
      try {
        recoverInterruptedOperation(dir.path());
        ADD_FAILURE() << "a damaged journal was taken";
      } catch (const TableError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("поврежден"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(journalIn(dir.path())))) << e.text().toStdString();
      }
      EXPECT_EQ(readFile(QDir(dir.path()).filePath("T.DBF")), c.table);
      EXPECT_EQ(readFile(journalIn(dir.path())), c.journal);
      continue;
    }
    EXPECT_EQ(recoverInterruptedOperation(dir.path()), c.expected == RolledBack ? Recovery::RolledBack : Recovery::Discarded);
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("T.DBF")), before);
    EXPECT_FALSE(QFile::exists(journalIn(dir.path())));
    EXPECT_EQ(recoverInterruptedOperation(dir.path()), Recovery::NoJournal);
  }

  // A journal held by a copy of the program still at work is not its to roll back.
  QTemporaryDir busy;
  writeFile(QDir(busy.path()).filePath("T.DBF"), touched.table);
  writeFile(journalIn(busy.path()), touched.journal);
  QFile held(journalIn(busy.path()));
  ASSERT_TRUE(held.open(QIODevice::ReadWrite));
  ASSERT_EQ(io::lock(held.handle(), io::LockKind::Exclusive), 0);
  try {
    recoverInterruptedOperation(busy.path());
    ADD_FAILURE() << "a journal in use was rolled back";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("занята"))) << e.text().toStdString();
  }
  EXPECT_EQ(readFile(QDir(busy.path()).filePath("T.DBF")), touched.table);
  EXPECT_TRUE(QFile::exists(journalIn(busy.path())));
}

// A journal is applied only to the tables it was written for, found as opening finds them (case
// ignored): another herd's table, one copied back by hand from an older copy, a missing one, a
// journal of the first version or one that is a symbolic link is refused, with no table byte
// changed, nothing extended, the journal kept and its place named.
TEST(Journal, AJournalIsAppliedOnlyToTheTablesItWasWrittenFor) {
  QTemporaryDir origin;
  const QString path = tableIn(origin.path(), true);
  const QByteArray before = readFile(path);
  Snapshot touched;
  {
    Table t(QStringLiteral("t"), QStringLiteral("T"));
    t.setDirectory(origin.path());
    t.open();
    JournalScope op(origin.path(), QStringLiteral("удаление хозяйства \"Заря\""));
    rename(t, 1, QStringLiteral("Первая"));
    appendRow(t, {{"name", "Пятая"}});
    touched = snapshot(origin.path());
    op.rollback();
  }
  QTemporaryDir otherHerd;
  {
    tableIn(otherHerd.path(), true);
    Table t(QStringLiteral("t"), QStringLiteral("T"));
    t.setDirectory(otherHerd.path());
    t.open();
    rename(t, 3, QStringLiteral("Чужая"));
  }
  const QByteArray other = readFile(QDir(otherHerd.path()).filePath("T.DBF"));
  const int recordLength = 1 + 12 + 4;

  struct Case {
    const char* what;
    QString tableName;
    QByteArray table;
    const char* found;  // the words of the refusal; null: rolled back
  };
  const Case cases[] = {
      {"the table stored in lower case", "t.dbf", touched.table, nullptr},
      {"another herd's table", "T.DBF", other, "таблица T.DBF — не та, что была в начале операции"},
      {"an older copy, one row shorter", "T.DBF", before.left(before.size() - recordLength - 1),
       "таблица T.DBF короче, чем была в начале операции"},
      {"no table", "OTHER.DBF", before, "таблицы T.DBF в папке нет"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    const QString table = QDir(dir.path()).filePath(c.tableName);
    writeFile(table, c.table);
    writeFile(journalIn(dir.path()), touched.journal);
    if (!c.found) {
      EXPECT_EQ(recoverInterruptedOperation(dir.path()), Recovery::RolledBack);
      EXPECT_EQ(readFile(table), before);
      EXPECT_FALSE(QFile::exists(journalIn(dir.path())));
      EXPECT_EQ(takeRecoveryNotice(), QStringLiteral("Последняя операция (удаление хозяйства \"Заря\") была прервана и "
                                                     "отменена; таблицы возвращены к состоянию до нее."));
      EXPECT_EQ(takeRecoveryNotice(), QString()) << "told once";
      continue;
    }
    try {
      recoverInterruptedOperation(dir.path());
      ADD_FAILURE() << "applied";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.found))) << e.text().toStdString();
      EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(journalIn(dir.path())))) << e.text().toStdString();
    }
    EXPECT_EQ(readFile(table), c.table) << "a refused journal changed a table";
    EXPECT_EQ(readFile(journalIn(dir.path())), touched.journal);
    EXPECT_EQ(takeRecoveryNotice(), QString());
  }

  // A journal of the first version is refused as such.
  {
    QTemporaryDir dir;
    writeFile(QDir(dir.path()).filePath("T.DBF"), touched.table);
    QByteArray v1 = touched.journal;
    v1[7] = '1';
    writeFile(journalIn(dir.path()), v1);
    EXPECT_THROW(recoverInterruptedOperation(dir.path()), TableError);
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("T.DBF")), touched.table);
    EXPECT_EQ(readFile(journalIn(dir.path())), v1);
  }
  // A journal that is a symbolic link is neither read nor emptied, even where it cannot be removed.
  // (Windows makes symbolic links only for an administrator; QFile::link makes a shortcut there.)
#ifndef Q_OS_WIN
  {
    QTemporaryDir dir, outside;
    const QString victim = QDir(outside.path()).filePath("victim");
    writeFile(victim, touched.journal);
    writeFile(QDir(dir.path()).filePath("T.DBF"), touched.table);
    ASSERT_TRUE(QFile::link(victim, journalIn(dir.path())));
    try {
      recoverInterruptedOperation(dir.path());
      ADD_FAILURE() << "a link was taken for the journal";
    } catch (const TableError& e) {
      EXPECT_TRUE(e.text().contains(QStringLiteral("символическая ссылка"))) << e.text().toStdString();
    }
    EXPECT_EQ(readFile(victim), touched.journal);
    EXPECT_TRUE(QFileInfo(journalIn(dir.path())).isSymLink());
    EXPECT_EQ(readFile(QDir(dir.path()).filePath("T.DBF")), touched.table);
  }
#endif
}

// The herd's folder may have any name a person's documents have: Cyrillic, and deep enough to
// pass the classic limit of 260 characters. There every step of a durable write holds: the
// folder's lock, an operation rolled back and one committed, a file replaced whole, a rename
// over an existing file, a second name, a removal, and the locks of two handles of one file.
TEST(FileSteps, HoldInAFolderOfAnyName) {
  QTemporaryDir root;
  QString deep = QStringLiteral("Users/Анна/Documents");
  while (deep.size() < 280) deep += QStringLiteral("/Очень длинное имя папки стада");
  for (const QString& name : {QStringLiteral("Users/Анна/Documents/Корвель"), deep + QStringLiteral("/Корвель")}) {
    SCOPED_TRACE(name.size());
    const QString dir = QDir(root.path()).filePath(name);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString path = tableIn(dir, true);
    const QByteArray before = readFile(path);
    {
      const std::unique_ptr<FolderLock> lock = enterWorkFolder(dir);
      ASSERT_TRUE(lock->held());
      EXPECT_TRUE(FolderLock(dir).busy());
      Table t(QStringLiteral("t"), QStringLiteral("T"));
      t.setDirectory(dir);
      t.open();
      {
        JournalScope op(dir);
        rename(t, 1, QStringLiteral("Первая"));
        op.rollback();
      }
      EXPECT_EQ(readFile(path), before);
      {
        JournalScope op(dir);
        rename(t, 2, QStringLiteral("Вторая"));
        op.commit();
      }
      EXPECT_FALSE(QFile::exists(journalIn(dir)));
      EXPECT_NE(readFile(path), before);
    }
    EXPECT_FALSE(FolderLock(dir).busy());

    const QString a = QDir(dir).filePath(QStringLiteral("Опись.txt")), b = QDir(dir).filePath(QStringLiteral("Копия.txt"));
    // A file marked read-only is replaced and removed as any other: the folder decides.
    const auto markReadOnly = [](const QString& file) {
      ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    };
    ASSERT_EQ(io::replaceWholeFile(a, "первая"), 0);
    markReadOnly(a);
    ASSERT_EQ(io::replaceWholeFile(a, "вторая запись"), 0);
    EXPECT_EQ(readFile(a), QByteArray("вторая запись"));
    writeFile(b, "старое");
    markReadOnly(b);
    ASSERT_EQ(io::link(a, QDir(dir).filePath(QStringLiteral("Вторая.txt"))), 0);
    ASSERT_EQ(io::rename(a, b), 0);
    EXPECT_EQ(readFile(b), QByteArray("вторая запись"));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(io::remove(QDir(dir).filePath(QStringLiteral("Вторая.txt"))), 0);
    const QString marked = QDir(dir).filePath(QStringLiteral("Только чтение.txt"));
    writeFile(marked, "старое");
    markReadOnly(marked);
    EXPECT_EQ(io::remove(marked), 0);
    EXPECT_FALSE(QFile::exists(marked));
    EXPECT_EQ(io::remove(QDir(dir).filePath(QStringLiteral("Вторая.txt"))), 0) << "a missing file is no error";
    EXPECT_EQ(io::rename(a, b), ENOENT);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 2) << QDir(dir).entryList(QDir::Files).join(' ').toStdString();

    // Two handles of one file: an exclusive lock keeps out every other, shared ones go together;
    // the locks do not fence the bytes, which another handle still writes and reads.
    QFile first(b), second(b);
    ASSERT_TRUE(first.open(QIODevice::ReadWrite) && second.open(QIODevice::ReadWrite));
    ASSERT_EQ(io::lock(first.handle(), io::LockKind::Exclusive), 0);
    EXPECT_EQ(io::lock(second.handle(), io::LockKind::Shared), EWOULDBLOCK);
    EXPECT_EQ(io::writeAt(second.handle(), 0, "В", 2), 0);
    EXPECT_EQ(io::sync(second.handle()), 0);
    EXPECT_EQ(io::truncate(second.handle(), 6), 0);
    ASSERT_TRUE(second.seek(0));
    EXPECT_EQ(second.readAll(), QByteArray("Вторая").left(6));
    first.close();
    ASSERT_EQ(io::lock(second.handle(), io::LockKind::Shared), 0);
    ASSERT_TRUE(first.open(QIODevice::ReadWrite));
    EXPECT_EQ(io::lock(first.handle(), io::LockKind::Shared), 0);
  }
}

// A journal an earlier build left behind (tests/fixtures/journal_before_one_crc: rows 1 and 3
// rewritten and a row appended, the run killed before the commit) is read and rolled back: its
// checksums are the ones this build computes.
TEST(Journal, AJournalOfAnEarlierBuildIsStillRolledBack) {
  QTemporaryDir dir;
  copyFixture(QStringLiteral("journal_before_one_crc"), dir.path());
  const QString table = QDir(dir.path()).filePath("T.DBF");
  ASSERT_NE(readFile(table), readFile(QDir(dir.path()).filePath("T.before")));
  EXPECT_EQ(recoverInterruptedOperation(dir.path()), Recovery::RolledBack);
  EXPECT_EQ(readFile(table), readFile(QDir(dir.path()).filePath("T.before")));
  EXPECT_FALSE(QFileInfo::exists(journalIn(dir.path())));
  EXPECT_TRUE(takeRecoveryNotice().contains(QStringLiteral("проба")));
}

// The one CRC-32 of the program is the one of zip and PNG (journals, backup manifests and zip
// entries written before keep their checksums), whole or continued piece by piece.
TEST(Crc32, IsTheChecksumOfZipWholeOrContinued) {
  const std::pair<QByteArray, uint32_t> known[] = {
      {"", 0}, {"123456789", 0xCBF43926u}, {"The quick brown fox jumps over the lazy dog", 0x414FA339u}};
  for (const auto& [bytes, crc] : known) {
    EXPECT_EQ(crc32(0, bytes.constData(), size_t(bytes.size())), crc) << bytes.constData();
    const size_t half = size_t(bytes.size()) / 2;
    EXPECT_EQ(crc32(crc32(0, bytes.constData(), half), bytes.constData() + half, size_t(bytes.size()) - half), crc);
  }
}
