// make-workdir, the tool ./run.sh starts with: it creates tables only in a folder that holds
// none of the six; where all six are there it adds only what else is missing; where some are
// missing it creates nothing, names them and fails, so that a lost table is never replaced by
// an empty one.
#include "db_test_support.h"

#include "db/schema.h"
#include "help/starter_data.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

struct ToolRun {
  int exitCode = -1;
  QString errors;
};

// Runs make-workdir on `dir`; killAfter > 0 kills it right after that write.
ToolRun makeWorkdir(const QString& dir, long killAfter = 0) {
  QProcess p;
  if (killAfter > 0) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEL_KILL_AFTER_WRITE"), QString::number(killAfter));
    p.setProcessEnvironment(env);
  }
  p.start(QStringLiteral(KORVEL_MAKE_WORKDIR), {dir});
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

// Every file of the folder and its bytes, the pictures' folder included.
std::map<QString, QByteArray> filesOf(const QString& dir) {
  std::map<QString, QByteArray> out;
  const QDir d(dir);
  for (const QString& name : d.entryList(QDir::Files)) out[name] = readFile(d.filePath(name));
  const QDir pictures(d.filePath(QStringLiteral("kartinki")));
  for (const QString& name : pictures.entryList(QDir::Files))
    out[QStringLiteral("kartinki/") + name] = readFile(pictures.filePath(name));
  return out;
}

}  // namespace

TEST(MakeWorkdir, TablesOnlyInAFolderWithoutAnyAndNeverInPlaceOfALostOne) {
  QTemporaryDir tmp;
  const QString dir = QDir(tmp.path()).filePath(QStringLiteral("work"));

  // A new folder: the six tables, the catalogue, the texts and the pictures.
  ASSERT_EQ(makeWorkdir(dir).exitCode, 0);
  EXPECT_TRUE(missingTables(dir).isEmpty());
  korvel::initStarterData();
  EXPECT_EQ(DbfFile(QDir(dir).filePath(QStringLiteral("XARAKT.DBF"))).recordCount(), korvel::starterCatalogue().size());
  const auto laidOut = filesOf(dir);
  EXPECT_TRUE(laidOut.count(QStringLiteral("rezerv.txt")));
  EXPECT_TRUE(laidOut.count(QStringLiteral("kartinki/1.jpg")));

  // All six there: only what else is missing comes back, the tables are not touched.
  QFile::remove(QDir(dir).filePath(QStringLiteral("rezerv.txt")));
  QFile::remove(QDir(dir).filePath(QStringLiteral("kartinki/1.jpg")));
  {
    Table cows(QStringLiteral("korova"), QStringLiteral("KOROVA"));
    cows.setDirectory(dir);
    cows.open();
    appendRow(cows, {{"nokli", "Зорька"}});
  }
  auto withCow = filesOf(dir);
  ASSERT_EQ(makeWorkdir(dir).exitCode, 0);
  auto now = filesOf(dir);
  EXPECT_EQ(now.at(QStringLiteral("rezerv.txt")), laidOut.at(QStringLiteral("rezerv.txt")));
  EXPECT_EQ(now.at(QStringLiteral("kartinki/1.jpg")), laidOut.at(QStringLiteral("kartinki/1.jpg")));
  now.erase(QStringLiteral("rezerv.txt"));
  now.erase(QStringLiteral("kartinki/1.jpg"));
  EXPECT_EQ(now, withCow);

  // Some tables lost: nothing is written, the lost ones are named, the tool fails.
  const std::vector<QStringList> lost = {{"KOROVA.DBF"}, {"REGION.DBF", "VLAD.DBF", "KOROVA.DBF", "PORODA.DBF"}};
  for (const QStringList& names : lost) {
    SCOPED_TRACE(names.join(' ').toStdString());
    for (const QString& n : names) QFile::remove(QDir(dir).filePath(n));
    QFile::remove(QDir(dir).filePath(QStringLiteral("bik.txt")));
    const auto before = filesOf(dir);
    const ToolRun run = makeWorkdir(dir);
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& n : names) EXPECT_TRUE(run.errors.contains(n)) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("BIK.DBF"))) << run.errors.toStdString();
    EXPECT_EQ(filesOf(dir), before);
    EXPECT_EQ(missingTables(dir), names);
  }
}

// A first layout cut short, by a kill at any write or by a full disk, leaves a folder without
// tables, which the next run lays out whole: never some tables or an empty catalogue that would
// then be refused or taken for data.
TEST(MakeWorkdir, AFirstLayoutCutShortIsLaidOutWholeByTheNextRun) {
  QTemporaryDir tmp;
  const QString whole = QDir(tmp.path()).filePath(QStringLiteral("whole"));
  ASSERT_EQ(makeWorkdir(whole).exitCode, 0);
  const auto expected = filesOf(whole);
  long k = 1;
  for (;; ++k) {
    const QString dir = QDir(tmp.path()).filePath(QStringLiteral("run%1").arg(k));
    if (makeWorkdir(dir, k).exitCode == 0) break;  // past its last write
    const ToolRun again = makeWorkdir(dir);
    EXPECT_EQ(again.exitCode, 0) << "killed after write " << k << ": " << again.errors.toStdString();
    EXPECT_EQ(filesOf(dir), expected) << "killed after write " << k;
    QDir(dir).removeRecursively();
  }
  EXPECT_GT(k, 7);

#ifndef Q_OS_LINUX
  GTEST_SKIP() << "the full disk needs a small tmpfs, which only Linux mounts; elsewhere the injected failures of "
                  "the fault tests stand for it";
#else
  QTemporaryDir disk;
  if (::mount("tmpfs", QFile::encodeName(disk.path()).constData(), "tmpfs", 0, "size=12k") != 0)
    GTEST_SKIP() << "a small tmpfs cannot be mounted here; the full disk is tried only where mounting is permitted";
  const QString full = QDir(disk.path()).filePath(QStringLiteral("work"));
  for (int run = 1; run <= 2; ++run) {
    const ToolRun r = makeWorkdir(full);
    EXPECT_EQ(r.exitCode, 1) << "run " << run;
    EXPECT_TRUE(r.errors.contains(QStringLiteral("нет свободного места"))) << r.errors.toStdString();
    EXPECT_EQ(missingTables(full).size(), 6) << "run " << run;
  }
  ::umount2(QFile::encodeName(disk.path()).constData(), MNT_DETACH);
#endif
}
