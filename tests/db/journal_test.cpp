// Writes that fail and operations that do not finish, at the table layer: a failed write leaves
// the file as it was and names its cause; an operation rolled back (in the process, or from the
// journal an interrupted run left behind) leaves every table byte for byte as before it; a
// journal torn while it was being written, or damaged, is told apart from a whole one.
#include "db_test_support.h"

#include "db/dbf_writer.h"
#include "db/file_io.h"
#include "db/folder_files.h"
#include "db/journal.h"
#include "db/table_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/file.h>

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
         op.declare(t, {0, 2});
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
// or damaged where no table byte depends on it yet is ignored and deleted; the part of a
// journal written before a torn batch still counts. A journal another running copy holds is
// left alone.
TEST(Journal, TheNextOpeningRollsBackAWholeJournalAndTellsATornOneApart) {
  QTemporaryDir origin;
  const QString path = tableIn(origin.path(), true);
  const QByteArray before = readFile(path);
  Snapshot untouched, touched, secondBatchWritten;
  {
    Table t(QStringLiteral("t"), QStringLiteral("T"));
    t.setDirectory(origin.path());
    t.open();
    JournalScope op(origin.path());
    op.declare(t, {0, 1});
    rename(t, 1, QStringLiteral("Первая"));  // the declared rows go to the journal first
    rename(t, 2, QStringLiteral("Вторая"));
    appendRow(t, {{"name", "Пятая"}});
    touched = snapshot(origin.path());
    op.declare(t, {2});
    rename(t, 3, QStringLiteral("Третья"));
    secondBatchWritten = snapshot(origin.path());
    op.rollback();
  }
  // The moment the journal's first batch was flushed, before the first table byte changed.
  untouched = {before, touched.journal};
  ASSERT_EQ(readFile(path), before);
  ASSERT_NE(touched.table, before);
  const qsizetype firstBatchEnd = touched.journal.size();
  ASSERT_GT(secondBatchWritten.journal.size(), firstBatchEnd);

  struct Case {
    QString what;
    QByteArray table, journal;
    Recovery expected;
  };
  std::vector<Case> cases = {
      {"whole journal, tables touched", touched.table, touched.journal, Recovery::RolledBack},
      {"whole journal, tables not yet touched", untouched.table, untouched.journal, Recovery::RolledBack},
      {"garbage after the last batch", touched.table, touched.journal + QByteArray("BTCH\x01\0\0\0\x05\0\0\0junk!", 17),
       Recovery::RolledBack},
      {"a second batch cut short", touched.table, secondBatchWritten.journal.left(secondBatchWritten.journal.size() - 3),
       Recovery::RolledBack},
      {"a second batch with a wrong checksum", touched.table, flipped(secondBatchWritten.journal, firstBatchEnd + 14),
       Recovery::RolledBack},
      {"empty journal", untouched.table, QByteArray(), Recovery::Discarded},
      {"wrong magic", untouched.table, flipped(untouched.journal, 2), Recovery::Discarded},
      {"header checksum wrong", untouched.table, flipped(untouched.journal, 13), Recovery::Discarded},
      {"batch count changed", untouched.table, flipped(untouched.journal, 20), Recovery::Discarded},
      {"payload changed", untouched.table, flipped(untouched.journal, 40), Recovery::Discarded},
      {"checksum changed", untouched.table, flipped(untouched.journal, untouched.journal.size() - 1),
       Recovery::Discarded},
  };
  // Cut at every length: the batch's checksum is written last, so any cut is a torn batch.
  for (qsizetype n = 1; n < untouched.journal.size(); ++n)
    cases.push_back({QStringLiteral("cut after %1 bytes").arg(n), untouched.table, untouched.journal.left(n),
                     Recovery::Discarded});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what.toStdString());
    QTemporaryDir dir;
    writeFile(QDir(dir.path()).filePath("T.DBF"), c.table);
    writeFile(journalIn(dir.path()), c.journal);
    EXPECT_EQ(recoverInterruptedOperation(dir.path()), c.expected);
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
  ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
  try {
    recoverInterruptedOperation(busy.path());
    ADD_FAILURE() << "a journal in use was rolled back";
  } catch (const TableError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("занята"))) << e.text().toStdString();
  }
  EXPECT_EQ(readFile(QDir(busy.path()).filePath("T.DBF")), touched.table);
  EXPECT_TRUE(QFile::exists(journalIn(busy.path())));
}
