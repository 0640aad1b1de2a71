// Operations killed in the middle: a child process does one operation through the windows over
// a generated herd and is killed (SIGKILL; TerminateProcess on Windows) right after its k-th
// write, for every k from its first write to its last, and at random moments; after the
// folder's next opening (a data module over it) the six tables are byte for byte as before the
// operation or as after an uninterrupted run, and no journal is left.
#include "crash_support.h"
#include "db/data_module.h"
#include "db/table.h"
#include "raw_table.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace korvel;
using namespace korvel::test;

namespace {

QString herdIn(const QTemporaryDir& dir, uint64_t seed, long long cows = 40, long long bulls = 6) {
  return generatedHerd(QDir(dir.path()).filePath(QStringLiteral("herd")), seed, cows, bulls);
}

// The tables as the next opening of the folder leaves them.
TableBytes reopened(const QString& dir) {
  HerdTables dm(dir);
  EXPECT_TRUE(dm.openError().isEmpty()) << dm.openError().toStdString();
  return tableBytes(dir);
}

class CrashTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  int runs = 0;

  QString fresh(const QString& pristine) {
    const QString dir = QDir(tmp.path()).filePath(QStringLiteral("run%1").arg(++runs));
    copyFolder(pristine, dir);
    return dir;
  }

  // Every kill point of the operation: the state before it (the windows open, nothing of the
  // operation written yet) or the state after it, nothing in between. (A kill right after the
  // last write still finds the journal: the operation ends only when it is deleted.)
  void killAtEveryWrite(const QString& pristine, const QStringList& op) {
    SCOPED_TRACE(op.join(' ').toStdString());
    const QString beforeDir = fresh(pristine);
    const DriverRun ready = runDriver(beforeDir, op, 0, true);
    ASSERT_GE(ready.writesAtReady, 0) << ready.messages.toStdString();
    const TableBytes before = tableBytes(beforeDir);
    const QString afterDir = fresh(pristine);
    const DriverRun whole = runDriver(afterDir, op);
    ASSERT_EQ(whole.exitCode, 0) << whole.messages.toStdString();
    ASSERT_GT(whole.writesAtDone, whole.writesAtReady);
    const TableBytes after = tableBytes(afterDir);
    ASSERT_NE(before, after) << "the operation changed nothing";
    for (long k = whole.writesAtReady + 1; k <= whole.writesAtDone; ++k) {
      const QString dir = fresh(pristine);
      const DriverRun run = runDriver(dir, op, k);
      ASSERT_TRUE(run.killed) << "write " << k << " of " << whole.writesAtDone << ": " << run.messages.toStdString();
      const TableBytes now = reopened(dir);
      if (now != before && now != after)
        ADD_FAILURE() << "killed after write " << k << " of " << whole.writesAtDone
                         << ": neither before nor after; differs from before in "
                         << differingTables(before, now).toStdString() << ", from after in "
                         << differingTables(after, now).toStdString();
      QDir(dir).removeRecursively();
    }
  }
};

TEST_F(CrashTest, EveryFarmRemovalVariantIsBeforeOrAfterAtEveryKill) {
  const QString herd = herdIn(tmp, 3);
  const std::vector<QStringList> variants = {
      {"remove", "2", "1", "2", "2", "2"},  // all animals to a farm of another region
      {"remove", "5", "1", "2", "1", "1"},  // cows to a farm, bulls freed, daughters released
      {"remove", "3", "1", "2"},            // all to the region archive, made on the way
      {"remove", "4", "1", "2"},            // cows to the archive, bulls freed
      {"remove", "6", "1", "2"},            // every animal freed
  };
  for (const QStringList& v : variants) killAtEveryWrite(herd, v);
}

TEST_F(CrashTest, BullDeletionWithHisDaughtersIsBeforeOrAfterAtEveryKill) {
  const QString herd = herdIn(tmp, 3);
  killAtEveryWrite(herd, {"delete-bull", "1", "2", "6", "yes"});
  killAtEveryWrite(herd, {"delete-bull", "1", "2", "6", "no"});
}

TEST_F(CrashTest, RecordOperationsAreBeforeOrAfterAtEveryKill) {
  const QString withFreeRow = herdIn(tmp, 3);
  QTemporaryDir other;
  const QString withoutFreeRow = herdIn(other, 2);
  const int cow = firstCowOf(withFreeRow, 1, 2);
  const std::vector<std::pair<QString, QStringList>> cases = {
      {withFreeRow, {"add-cow", "1", "2", "Новая"}},      // into the free row
      {withoutFreeRow, {"add-cow", "1", "2", "Новая"}},   // appended
      {withFreeRow, {"correct-cow", "1", "2", QString::number(cow)}},
      {withFreeRow, {"move-cow", "1", "2", QString::number(cow), "2", "2"}},
      {withFreeRow, {"select-cows", "2", "1", "00001"}},
      {withFreeRow, {"import-scores", "1", "2"}},  // ten cows and their fathers
  };
  for (const auto& [herd, op] : cases) killAtEveryWrite(herd, op);
}

// Kills at moments drawn at random within a longer operation over a bigger herd.
TEST_F(CrashTest, KillsAtRandomMomentsLeaveBeforeOrAfter) {
  const QString herd = herdIn(tmp, 5, 20000, 400);
  const QStringList op = {"remove", "5", "1", "1", "2", "2"};
  const QString beforeDir = fresh(herd);
  ASSERT_GE(runDriver(beforeDir, op, 0, true).writesAtReady, 0);
  const TableBytes before = tableBytes(beforeDir);
  const QString afterDir = fresh(herd);
  ASSERT_EQ(runDriver(afterDir, op).exitCode, 0);
  const TableBytes after = tableBytes(afterDir);
  std::mt19937 rng(20261209);
  std::uniform_int_distribution<int> delay(0, 400000);
  int interrupted = 0;
  for (int i = 0; i < 12; ++i) {
    const QString dir = fresh(herd);
    const int us = delay(rng);
    const DriverRun run = runDriverKilledAfter(dir, op, us);
    interrupted += run.writesAtDone < 0;
    const TableBytes now = reopened(dir);
    EXPECT_TRUE(now == before || now == after)
        << "killed " << us << " µs after ready: differs from before in " << differingTables(before, now).toStdString()
        << ", from after in " << differingTables(after, now).toStdString();
    QDir(dir).removeRecursively();
  }
  EXPECT_GT(interrupted, 0) << "no kill fell inside the operation";
}

}  // namespace
