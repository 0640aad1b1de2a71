// The command-line manners of the program and every tool, and the tools' waiting for the folder
// lock, checked on the real executables.
#include "db/data_module.h"
#include "db/folder_files.h"
#include "db/folder_lock.h"
#include "db/journal.h"
#include "herdgen/herdgen.h"
#include "starter/starter_folder.h"
#include "folder_snapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

struct Ran {
  int exit = -1;
  QString out, err;
};

// Runs a program without a display: --help and --version must need none.
Ran run(const QString& program, const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  p.setProcessEnvironment(env);
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

struct Command {
  const char* program;
  QStringList needsArguments;  // arguments that are wrong for it (empty: it starts without any)
};

TEST(CommandLine, EveryCommandAnswersHelpAndVersionAndRefusesWrongArgumentsWithItsUsage) {
  const Command commands[] = {
      {KORVEL_PROGRAM, {}},
      {KORVEL_MAKE_WORKDIR, {}},
      {KORVEL_GENERATE_HERD, {QStringLiteral("папка")}},  // no --cows
      {KORVEL_RECOMPUTE_BULLS, {}},
      {KORVEL_EVALUATE_SIRES, {QStringLiteral("папка"), QStringLiteral("выход.xlsx")}},  // no --breed
  };
  for (const Command& c : commands) {
    const QString program = QString::fromUtf8(c.program);
    const QString name = QFileInfo(program).fileName();
    SCOPED_TRACE(name.toStdString());
    const QString usage = QStringLiteral("Использование: ") + name;

    for (const char* help : {"--help", "-h"}) {
      const Ran r = run(program, {QString::fromLatin1(help)});
      EXPECT_EQ(r.exit, 0) << r.err.toStdString();
      EXPECT_TRUE(r.out.startsWith(usage)) << r.out.toStdString();
      EXPECT_TRUE(r.out.contains(u"--version") && r.out.contains(u"--help")) << r.out.toStdString();
      EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    const Ran v = run(program, {QStringLiteral("--version")});
    EXPECT_EQ(v.exit, 0);
    EXPECT_EQ(v.out, name + QStringLiteral(" (Корвель) " KORVEL_VERSION "\n"));

    QList<QStringList> wrong = {{QStringLiteral("--no-such-option")}};
    if (name != u"korvel") wrong.append(QStringList{});
    if (!c.needsArguments.isEmpty()) wrong.append(c.needsArguments);
    for (const QStringList& args : wrong) {
      SCOPED_TRACE(args.join(u' ').toStdString());
      const Ran r = run(program, args);
      EXPECT_EQ(r.exit, 2);
      EXPECT_TRUE(r.err.contains(usage)) << r.err.toStdString();
      EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
  }
}

TEST(FolderLock, EveryToolThatOpensAFolderWaitsForTheOneWorkingOnIt) {
  struct Tool {
    const char* program;
    QStringList args;  // "@" stands for the folder
    bool opens;        // opens the folder's tables (rather than writing new ones over them)
  };
  const Tool tools[] = {
      {KORVEL_MAKE_WORKDIR, {QStringLiteral("@")}, true},
      {KORVEL_MAKE_WORKDIR, {QStringLiteral("--demo"), QStringLiteral("@")}, true},
      {KORVEL_GENERATE_HERD, {QStringLiteral("@"), QStringLiteral("--cows"), QStringLiteral("30")}, false},
      {KORVEL_RECOMPUTE_BULLS, {QStringLiteral("@")}, true},
      {KORVEL_EVALUATE_SIRES, {QStringLiteral("@"), QStringLiteral("@/профиль.xlsx"), QStringLiteral("--breed"),
                               QStringLiteral("1")}, true},
  };
  for (const Tool& t : tools) {
    const QString program = QString::fromUtf8(t.program);
    SCOPED_TRACE((QFileInfo(program).fileName() + u' ' + t.args.join(u' ')).toStdString());
    QTemporaryDir dir;
    herd::HerdOptions o;
    o.cows = 200;
    o.regions = 1;
    o.farmsPerRegion = 2;
    o.breeds = 1;
    herd::generateHerd(dir.path(), o);
    layOutStarterFolder(dir.path());
    QStringList args = t.args;
    for (QString& a : args) a.replace(u'@', dir.path());

    // A file of a restore under way: the next opening of the folder, once nobody works on it,
    // takes it for what an interrupted run left behind and removes it.
    QFile left(QDir(dir.path()).filePath(QStringLiteral(".korvel-cut.korvel-tmp")));
    {
      const db::FolderLock program_at_work(dir.path());
      ASSERT_TRUE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("korvel.lock"))));
      // The program is in the middle of an operation: its journal is on the medium and a
      // region already renamed.
      HerdTables dm(dir.path());
      dm.region.open();
      db::JournalScope operation(dm.region.file().folder());
      dm.region.goToRecNo(1);
      dm.region.edit();
      dm.region.fieldByName(u"REGION").setString(QStringLiteral("Переименован"));
      dm.region.post();
      ASSERT_TRUE(QFile::exists(QDir(dir.path()).filePath(QString::fromLatin1(db::kJournalFileName))));
      ASSERT_TRUE(left.open(QIODevice::WriteOnly));
      left.close();
      const auto before = test::folderSnapshot(dir.path());
      const Ran r = run(program, args);
      EXPECT_EQ(r.exit, 1) << r.out.toStdString() << r.err.toStdString();
      EXPECT_TRUE(r.err.contains(u"уже работает Корвель")) << r.err.toStdString();
      EXPECT_TRUE(r.err.contains(QString::number(QCoreApplication::applicationPid()))) << r.err.toStdString();
      EXPECT_EQ(test::folderSnapshot(dir.path()), before);
      operation.commit();
    }
    const Ran r = run(program, args);
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    if (t.opens) {
      EXPECT_FALSE(left.exists());
    }
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("korvel.lock"))));
  }
}

}  // namespace
