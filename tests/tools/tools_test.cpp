// The command-line manners of the program and every tool, and the tools' waiting for the folder
// lock, checked on the real executables.
#include "db/data_module.h"
#include "db/folder_files.h"
#include "db/folder_lock.h"
#include "db/journal.h"
#include "db/text.h"
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
#include <memory>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <unistd.h>
#endif

using namespace korvel;

namespace {

struct Ran {
  int exit = -1;
  QString out, err;
};

// Root without its capabilities (which a program started by root would get back unless its
// bounding set is empty) is kept out of a folder by its permissions like anyone else.
#ifdef Q_OS_LINUX
void dropCapabilities() {
  if (::geteuid() != 0) return;
  for (int capability = 0; capability <= 63; ++capability) ::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
}
#endif

struct How {
  QStringList environment;  // NAME=value added
  bool unprivileged = false;
};

// Runs a program without a display: --help and --version must need none.
Ran run(const QString& program, const QStringList& args, const How& how = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  for (const QString& e : how.environment) env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
  p.setProcessEnvironment(env);
#ifdef Q_OS_LINUX
  if (how.unprivileged) p.setChildProcessModifier(dropCapabilities);
#endif
  // Text: a Windows program ends its lines with "\r\n".
  p.start(program, args, QIODevice::ReadWrite | QIODevice::Text);
  EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

struct Tool {
  const char* program;
  QStringList args;  // "@" stands for the folder
  bool opens;        // opens the folder's tables (rather than writing new ones over them)
};

// A small herd laid out as a working folder in `dir`.
void smallHerd(const QString& dir) {
  herd::HerdOptions o;
  o.cows = 200;
  o.regions = 1;
  o.farmsPerRegion = 2;
  o.breeds = 1;
  herd::generateHerd(dir, o);
  layOutStarterFolder(dir);
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
      {KORVEL_IMPORT_SCORES, {QStringLiteral("папка")}},  // no file
      {KORVEL_EXPORT_FORM, {QStringLiteral("папка"), QStringLiteral("бланк.xlsx")}},     // no --farm or --region
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
    if (QFileInfo(program).completeBaseName() != u"korvel") wrong.append(QStringList{});
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

TEST(CommandLine, AToolStoppedByALibraryFaultSaysSoInRussianAndEndsWithStatusOne) {
  QTemporaryDir dir;
  struct Case {
    const char* bulls;
    const char* words;
  };
  const Case cases[] = {
      {"100000000000000", "Не хватило памяти"},                 // std::bad_alloc
      {"4000000000000000000", "внутренней ошибкой программы"},  // std::length_error
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bulls);
    const Ran r = run(QStringLiteral(KORVEL_GENERATE_HERD), {dir.path(), QStringLiteral("--cows"), QStringLiteral("10"),
                                                             QStringLiteral("--bulls"), QString::fromLatin1(c.bulls)});
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.words))) << r.err.toStdString();
  }
}

TEST(FolderLock, EveryToolThatOpensAFolderWaitsForTheOneWorkingOnIt) {
  const Tool tools[] = {
      {KORVEL_MAKE_WORKDIR, {QStringLiteral("@")}, true},
      {KORVEL_MAKE_WORKDIR, {QStringLiteral("--demo"), QStringLiteral("@")}, true},
      {KORVEL_GENERATE_HERD, {QStringLiteral("@"), QStringLiteral("--cows"), QStringLiteral("30")}, false},
      {KORVEL_RECOMPUTE_BULLS, {QStringLiteral("@")}, true},
      {KORVEL_EVALUATE_SIRES, {QStringLiteral("@"), QStringLiteral("@/профиль.xlsx"), QStringLiteral("--breed"),
                               QStringLiteral("1")}, true},
      {KORVEL_EXPORT_FORM, {QStringLiteral("@"), QStringLiteral("@/бланк.xlsx"), QStringLiteral("--region"),
                            QStringLiteral("1")}, true},
  };
  for (const Tool& t : tools) {
    const QString program = QString::fromUtf8(t.program);
    SCOPED_TRACE((QFileInfo(program).fileName() + u' ' + t.args.join(u' ')).toStdString());
    // A folder named in Cyrillic, as a user's Documents folder is: it reaches every tool whole.
    QTemporaryDir temporary;
    const QDir dir(temporary.filePath(QStringLiteral("Анна/Документы/Корвель")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
    smallHerd(dir.path());
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
      EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(dir.path()))) << r.err.toStdString();
      EXPECT_TRUE(r.err.contains(QString::number(QCoreApplication::applicationPid()))) << r.err.toStdString();
      EXPECT_EQ(test::folderSnapshot(dir.path()), before);
      // Then the program is killed: its journal and its half-done change stay behind.
      const QString region = dm.region.file().path(), journal = QDir(dir.path()).filePath(QString::fromLatin1(db::kJournalFileName));
      const QByteArray killedRegion = test::bytesOf(region), killedJournal = test::bytesOf(journal);
      operation.commit();
      writeAll(region, killedRegion);
      writeAll(journal, killedJournal);
    }
    // The next tool rolls the operation back and says so.
    const Ran r = run(program, args);
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Последняя операция (изменение данных) была прервана и отменена; таблицы "
                                              "возвращены к состоянию до нее.")))
        << r.err.toStdString();
    if (t.opens) {
      EXPECT_FALSE(left.exists());
    }
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("korvel.lock"))));
  }
}

TEST(FolderLock, AFolderWhereTheLockCannotBeMadeIsNotWorkedOn) {
  QTemporaryDir dir, out;
  smallHerd(dir.path());
  const Tool tools[] = {
      {KORVEL_MAKE_WORKDIR, {QStringLiteral("@")}, true},
      {KORVEL_RECOMPUTE_BULLS, {QStringLiteral("@")}, true},
      {KORVEL_EVALUATE_SIRES, {QStringLiteral("@"), out.filePath(QStringLiteral("профиль.xlsx")), QStringLiteral("--breed"),
                               QStringLiteral("1")}, true},
      {KORVEL_EXPORT_FORM, {QStringLiteral("@"), out.filePath(QStringLiteral("бланк.xlsx")), QStringLiteral("--farm"),
                            QStringLiteral("1/1")}, true},
      {KORVEL_GENERATE_HERD, {QStringLiteral("@"), QStringLiteral("--cows"), QStringLiteral("30")}, false},
  };
#ifdef _WIN32
  GTEST_SKIP() << "a folder closed to writing is a matter of its access list on Windows, which Wine does not enforce";
#endif
  // The tables stay writable; only the folder takes no new file.
  QFile::remove(dir.filePath(QStringLiteral("rezerv.txt")));
  const auto before = test::folderSnapshot(dir.path());
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
  for (const Tool& t : tools) {
    const QString program = QString::fromUtf8(t.program);
    SCOPED_TRACE(QFileInfo(program).fileName().toStdString());
    QStringList args = t.args;
    for (QString& a : args) a.replace(u'@', dir.path());
    How unprivileged;
    unprivileged.unprivileged = true;
    const Ran r = run(program, args, unprivileged);
    EXPECT_EQ(r.exit, 1) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"korvel.lock") && r.err.contains(u"нет прав на запись")) << r.err.toStdString();
    EXPECT_EQ(test::folderSnapshot(dir.path()), before);
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("профиль.xlsx"))));
  }
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(EvaluateSires, NeverWritesOverAFileTheHerdLivesIn) {
  QTemporaryDir dir, elsewhere;
  smallHerd(dir.path());
  const QString w = dir.path();
  ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("BIK.DBF")), elsewhere.filePath(QStringLiteral("профиль.xlsx"))));
  // A link to a file that is not there yet: the journal of the next operation.
  ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("korvel.journal")), elsewhere.filePath(QStringLiteral("цифры.csv"))));
  const QString good = elsewhere.filePath(QStringLiteral("хорошо.xlsx"));
  const QStringList breed = {QStringLiteral("--breed"), QStringLiteral("1")};
  const QList<QStringList> outputs = {
      {w + QStringLiteral("/BIK.DBF")},
      {w + QStringLiteral("/bik.dbf")},
      {w + QStringLiteral("/Korvel.Lock")},
      {w + QStringLiteral("/korvel-swap.rec")},
      {w + QStringLiteral("/KOROVA.DBF.bak")},
      {good, QStringLiteral("--figures"), w + QStringLiteral("/KOROVA.DBF")},
      {good, QStringLiteral("--figures"), w + QStringLiteral("/korvel.journal")},
      {good, QStringLiteral("--pdf"), w + QStringLiteral("/KOROVA.DBF")},
#ifndef _WIN32
      // Through a symbolic link (on Windows QFile::link makes a shortcut, which leads nowhere).
      {elsewhere.filePath(QStringLiteral("профиль.xlsx"))},
      {good, QStringLiteral("--figures"), elsewhere.filePath(QStringLiteral("цифры.csv"))},
#endif
  };
  const auto herdBefore = test::folderSnapshot(w);
  for (const QStringList& output : outputs) {
    SCOPED_TRACE(output.join(u' ').toStdString());
    const Ran r = run(QStringLiteral(KORVEL_EVALUATE_SIRES), QStringList{w} + output.mid(0, 1) + breed + output.mid(1));
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"испортила бы стадо")) << r.err.toStdString();
    EXPECT_EQ(test::folderSnapshot(w), herdBefore);
    EXPECT_FALSE(QFile::exists(good));
  }
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), QStringList{w, good} + breed).exit, 0);
}

TEST(EvaluateSires, TheFiguresReachTheirFileWholeOrNotAtAll) {
  QTemporaryDir dir, out;
  smallHerd(dir.path());
  const QString figures = out.filePath(QStringLiteral("цифры.csv"));
  const QByteArray old = "прежние цифры\n";
  {
    QFile f(figures);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(old);
  }
  const auto contents = [&] { return test::bytesOf(figures); };
  const QStringList args = {dir.path(), out.filePath(QStringLiteral("профиль.xlsx")), QStringLiteral("--breed"),
                            QStringLiteral("1"), QStringLiteral("--figures"), figures};
  // Killed right after writing the figures' bytes, before they took the file's name.
  How killed;
  killed.environment = {QStringLiteral("KORVEL_KILL_AFTER_WRITE=1")};
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), args, killed).exit, -1);
  EXPECT_EQ(contents(), old);
  // A full disk.
  How full;
  full.environment = {QStringLiteral("KORVEL_FAIL_WRITE=1:ENOSPC")};
  const Ran failed = run(QStringLiteral(KORVEL_EVALUATE_SIRES), args, full);
  EXPECT_EQ(failed.exit, 1);
  EXPECT_TRUE(failed.err.contains(u"нет свободного места")) << failed.err.toStdString();
  EXPECT_EQ(contents(), old);
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), args).exit, 0);
  EXPECT_TRUE(contents().startsWith("sire,kind,position,figure"));
}

}  // namespace

// The catalogue alone, or beside the workbook: written whole (0), never over a file it had no
// business with, and not at all when the run is killed or the disk is full (1, told why).
TEST(EvaluateSires, TheCatalogueIsWrittenWholeOrNotAtAll) {
  QTemporaryDir dir, out;
  smallHerd(dir.path());
  const QString pdf = out.filePath(QStringLiteral("профили.pdf"));
  const QByteArray old = "прежний каталог\n";
  {
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(old);
  }
  const QStringList args = {dir.path(), QStringLiteral("--breed"), QStringLiteral("1"), QStringLiteral("--pdf"), pdf};
  How killed;
  killed.environment = {QStringLiteral("KORVEL_KILL_AFTER_WRITE=1")};
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), args, killed).exit, -1);
  EXPECT_EQ(test::bytesOf(pdf), old);
  How full;
  full.environment = {QStringLiteral("KORVEL_FAIL_WRITE=1:ENOSPC")};
  const Ran failed = run(QStringLiteral(KORVEL_EVALUATE_SIRES), args, full);
  EXPECT_EQ(failed.exit, 1);
  EXPECT_TRUE(failed.err.contains(u"нет свободного места")) << failed.err.toStdString();
  EXPECT_EQ(test::bytesOf(pdf), old);

  const Ran written = run(QStringLiteral(KORVEL_EVALUATE_SIRES), args);
  EXPECT_EQ(written.exit, 0) << written.err.toStdString();
  EXPECT_TRUE(test::bytesOf(pdf).startsWith("%PDF-"));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("профили.pdf")});
  const QString book = out.filePath(QStringLiteral("профиль.xlsx"));
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), QStringList{dir.path(), book} + args.mid(1)).exit, 0);
  EXPECT_TRUE(QFile::exists(book));
  // Neither the workbook nor the catalogue asked for.
  EXPECT_EQ(run(QStringLiteral(KORVEL_EVALUATE_SIRES), args.mid(0, 3)).exit, 2);
}

TEST(ImportScores, WritesOnlyAWholeAcceptableFormAndSaysSoByItsStatus) {
  QTemporaryDir dir, files;
  smallHerd(dir.path());
  // The first cow of farm 1/1 as the table names her, and a score she does not hold yet.
  QString name, score;
  {
    HerdTables dm(dir.path());
    dm.korova.open();
    for (dm.korova.first(); !dm.korova.eof() && name.isEmpty(); dm.korova.next())
      if (dm.korova.fieldByName(u"kodreg").asInteger() == 1 && dm.korova.fieldByName(u"kodvlad").asInteger() == 1) {
        name = dm.korova.fieldByName(u"nokli").asString();
        score = QString::number(dm.korova.fieldByName(u"x1").asInteger() % 9 + 1);
      }
  }
  ASSERT_FALSE(name.isEmpty());
  // CSV as a Russian spreadsheet saves it: Windows-1251, ";", CR LF.
  const auto csv = [&](const QString& file, const QString& rows) {
    writeAll(files.filePath(file), db::encode(QStringLiteral("KODREG;KODVLAD;NOKLI;X1\r\n") + rows));
    return files.filePath(file);
  };
  const QString good = csv(QStringLiteral("хороший.csv"), QStringLiteral("1;1;%1;%2\r\n").arg(name, score));
  const QString refused = csv(QStringLiteral("с отказом.csv"), QStringLiteral("1;1;%1;%2\r\n1;1;Нет такой;5\r\n").arg(name, score));
  const QString garbage = files.filePath(QStringLiteral("не книга.xlsx"));
  writeAll(garbage, "PK\x03\x04 not a workbook");

  struct Case {
    const char* what;
    QStringList args;  // "@" stands for the folder
    int exit;
    bool writes;
    const char* says;  // on standard output or error
    bool locked = false;
  };
  const Case cases[] = {
      {"a refused row", {"@", refused}, 1, false, "нет такой коровы в хозяйстве 1/1"},
      {"a refused row, only looked at", {"@", refused, "--dry-run"}, 1, false, "--skip-refused"},
      {"looked at", {"@", good, "--dry-run"}, 0, false, "ничего не записано"},
      {"not a form", {"@", garbage}, 1, false, "не книга.xlsx"},
      {"no such file", {"@", files.filePath(QStringLiteral("нет.csv"))}, 1, false, "нет.csv"},
      {"no such folder", {files.filePath(QStringLiteral("нет")), good}, 1, false, "не найдена"},
      {"the folder in use", {"@", good}, 1, false, "уже работает Корвель", true},
      {"the refused row skipped", {"@", refused, "--skip-refused"}, 0, true, "Записано коров: 1"},
      {"nothing left to change", {"@", good}, 0, false, "Записывать нечего"},
      {"an unknown option", {"@", good, "--force"}, 2, false, "--force"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QStringList args = c.args;
    for (QString& a : args) a.replace(u'@', dir.path());
    const auto before = test::folderSnapshot(dir.path());
    std::unique_ptr<db::FolderLock> lock;
    if (c.locked) lock = std::make_unique<db::FolderLock>(dir.path());
    const Ran r = run(QStringLiteral(KORVEL_IMPORT_SCORES), args);
    lock.reset();
    EXPECT_EQ(r.exit, c.exit) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE((r.out + r.err).contains(QString::fromUtf8(c.says))) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(test::folderSnapshot(dir.path()) != before, c.writes);
  }
}

// The form of a farm or a region as CSV or a workbook (0); refused (1) for a folder that is not
// there, a farm without cows, a file the herd lives in, a killed run or a full disk, a file
// already there then staying as it was; a wrong command line (2).
TEST(ExportForm, WritesTheFormOrRefusesWithAReasonLeavingAnOlderFileAsItWas) {
  QTemporaryDir dir, out;
  smallHerd(dir.path());
  const QString program = QStringLiteral(KORVEL_EXPORT_FORM), csv = out.filePath(QStringLiteral("бланк.csv"));
  const QByteArray old = "прежний бланк\n";
  writeAll(csv, old);
  const QStringList farm = {QStringLiteral("--farm"), QStringLiteral("1/1")};
  How killed, full;
  killed.environment = {QStringLiteral("KORVEL_KILL_AFTER_WRITE=1")};
  full.environment = {QStringLiteral("KORVEL_FAIL_WRITE=1:ENOSPC")};
  const struct {
    QStringList args;  // "@" the folder
    How how;
    int exit;
    const char* says;  // on standard error
  } cases[] = {
      {QStringList{QStringLiteral("@/нет"), csv} + farm, {}, 1, "не найдена"},
      {{QStringLiteral("@"), csv, QStringLiteral("--farm"), QStringLiteral("1/77")}, {}, 1, "нет коров"},
      {QStringList{QStringLiteral("@"), QStringLiteral("@/KOROVA.DBF")} + farm, {}, 1, "испортила бы стадо"},
      {QStringList{QStringLiteral("@"), csv} + farm, killed, -1, ""},
      {QStringList{QStringLiteral("@"), csv} + farm, full, 1, "нет свободного места"},
      {{QStringLiteral("@"), csv, QStringLiteral("--farm"), QStringLiteral("1")}, {}, 2, "R/F"},
      {{QStringLiteral("@"), csv, QStringLiteral("--region"), QStringLiteral("один")}, {}, 2, "числом"},
      {QStringList{QStringLiteral("@"), csv, QStringLiteral("--region"), QStringLiteral("1")} + farm, {}, 2, "--farm"},
  };
  const auto herdBefore = test::folderSnapshot(dir.path());
  for (const auto& c : cases) {
    QStringList args = c.args;
    for (QString& a : args) a.replace(u'@', dir.path());
    SCOPED_TRACE(args.join(u' ').toStdString());
    const Ran r = run(program, args, c.how);
    EXPECT_EQ(r.exit, c.exit) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    EXPECT_EQ(test::bytesOf(csv), old);
    EXPECT_EQ(test::folderSnapshot(dir.path()), herdBefore);
  }

  const Ran written = run(program, QStringList{dir.path(), csv} + farm);
  EXPECT_EQ(written.exit, 0) << written.err.toStdString();
  EXPECT_TRUE(test::bytesOf(csv).startsWith(QStringLiteral("\uFEFFКод региона;").toUtf8()));
  const QString book = out.filePath(QStringLiteral("бланк.xlsx"));
  EXPECT_EQ(run(program, {dir.path(), book, QStringLiteral("--region"), QStringLiteral("1")}).exit, 0);
  EXPECT_TRUE(test::bytesOf(book).startsWith("PK"));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList({QStringLiteral("бланк.csv"), QStringLiteral("бланк.xlsx")}));
}
