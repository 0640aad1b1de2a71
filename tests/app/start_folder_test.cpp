// The program's command line and working folder: the folder it is started in, a folder named,
// the herd folder of its own (laid out once, remembered when chosen) and the demonstration herd.
#include "app/start_folder.h"
#include "db/data_module.h"
#include "db/dbf_file.h"
#include "db/folder_lock.h"
#include "db/schema.h"
#include "herdgen/herdgen.h"
#include "scripted_prompts.h"
#include "sires/bull_figures.h"
#include "folder_snapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

#ifdef _WIN32
// Windows finds the user's profile, Documents and settings folders from the user's account, not
// from HOME: a test cannot send them to a folder of its own, and would work in the real ones.
const char* const kProfileNotRedirected =
    "the herd, demonstration and settings folders are the account's own on Windows and cannot be "
    "redirected to a test folder";
#endif

int tableFiles(const QString& dir) {
  return int(QDir(dir).entryList({QStringLiteral("*.DBF")}, QDir::Files).size());
}

// A home folder of its own for each test, and the current folder given back afterwards.
class StartFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    savedHome_ = qgetenv("HOME");
    savedConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home_.path()));
    qunsetenv("XDG_CONFIG_HOME");
    savedCurrent_ = QDir::currentPath();
  }
  void TearDown() override {
    QDir::setCurrent(savedCurrent_);
    qputenv("HOME", savedHome_);
    if (savedConfig_.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", savedConfig_);
  }
  QString home(const QString& name) const { return QDir(home_.path()).filePath(name); }

  static StartCommand command(const QStringList& args) { return readStartCommand(QStringList{QStringLiteral("korvel")} + args); }


  QTemporaryDir home_;
  QByteArray savedHome_, savedConfig_;
  QString savedCurrent_;
};

TEST_F(StartFolder, TheCommandLineNamesOneWayOfStartingOrIsAnswered) {
  using W = StartCommand::Where;
  struct Case {
    std::vector<const char*> args;
    std::optional<int> exit;
    W where;
    const char* folder;
  };
  const Case cases[] = {
      {{}, {}, W::Current, ""},
      {{"/srv/стадо"}, {}, W::Folder, "/srv/стадо"},
      {{"--herd"}, {}, W::Herd, ""},
      {{"--herd", "/srv/стадо"}, {}, W::Herd, "/srv/стадо"},
      {{"/srv/стадо", "--herd"}, {}, W::Herd, "/srv/стадо"},
      {{"--demo"}, {}, W::Demo, ""},
      {{"--help"}, 0, W::Current, ""},
      {{"-h"}, 0, W::Current, ""},
      {{"--version"}, 0, W::Current, ""},
      {{"--herd", "--help"}, 0, W::Current, ""},
      {{"--no-such-option"}, 2, W::Current, ""},
      {{"a", "b"}, 2, W::Current, ""},
      {{"--herd", "--demo"}, 2, W::Current, ""},
      {{"--demo", "/srv/стадо"}, 2, W::Current, ""},
      {{"--herd", "--herd"}, 2, W::Current, ""},
      {{""}, 2, W::Current, ""},
      {{"-platform"}, 2, W::Current, ""},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const char* a : c.args) shown += std::string(" [") + a + "]";
    SCOPED_TRACE(shown);
    QStringList args;
    for (const char* a : c.args) args << QString::fromUtf8(a);
    const StartCommand got = command(args);
    EXPECT_EQ(got.exitCode, c.exit);
    if (c.exit) continue;
    EXPECT_EQ(int(got.where), int(c.where));
    EXPECT_EQ(got.folder, QString::fromUtf8(c.folder));
  }
}

TEST_F(StartFolder, TheHerdFolderIsLaidOutOnceRememberedWhenChosenAndTheDemoNeverMixesWithIt) {
#ifdef _WIN32
  GTEST_SKIP() << kProfileNotRedirected;
#endif
  test::ScriptedPrompts prompts;
  const QString herd = home(QStringLiteral("Корвель"));

  // First start from the menu entry: ~/Корвель is made and laid out, locked and current.
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command({"--herd"}), prompts), std::nullopt) << prompts.messages.join(u'\n').toStdString();
    EXPECT_EQ(folder.path(), herd);
    EXPECT_EQ(QDir::currentPath(), herd);
    EXPECT_EQ(tableFiles(herd), 6);
    EXPECT_GT(db::DbfFile(QDir(herd).filePath(QStringLiteral("XARAKT.DBF"))).recordCount(), 50u);
    EXPECT_TRUE(QFile::exists(QDir(herd).filePath(QStringLiteral("kartinki/1.jpg"))));
    EXPECT_TRUE(db::FolderLock(herd).busy());
  }
  EXPECT_FALSE(db::FolderLock(herd).busy());

  // The user's records are there now; the second start finds them and writes nothing.
  herd::HerdOptions small;
  small.cows = 40;
  small.regions = 1;
  small.farmsPerRegion = 2;
  small.breeds = 1;
  herd::generateHerd(herd, small);
  const auto records = test::folderSnapshot(herd);
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command({"--herd"}), prompts), std::nullopt);
    EXPECT_EQ(folder.path(), herd);
  }
  EXPECT_EQ(test::folderSnapshot(herd), records);

  // Another herd folder chosen: made, laid out and remembered for the next plain --herd.
  const QString chosen = home(QStringLiteral("флешка/стадо 2"));
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command(QStringList{QStringLiteral("--herd"), chosen}), prompts), std::nullopt);
    EXPECT_EQ(folder.path(), chosen);
    EXPECT_EQ(tableFiles(chosen), 6);
  }
  EXPECT_EQ(herdFolder(), chosen);
  EXPECT_TRUE(QFile::exists(home(QStringLiteral(".config/korvel/korvel.conf"))));
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command({"--herd"}), prompts), std::nullopt);
    EXPECT_EQ(folder.path(), chosen);
  }
  EXPECT_EQ(test::folderSnapshot(herd), records);

  // The demonstration herd: generated in its own folder with the catalogue and every bull's
  // figures, the herd folders untouched.
  const QString demo = home(QStringLiteral("Корвель-демо"));
  const auto chosenFiles = test::folderSnapshot(chosen);
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command({"--demo"}), prompts), std::nullopt) << prompts.messages.join(u'\n').toStdString();
    EXPECT_EQ(folder.path(), demo);
    EXPECT_EQ(QDir::currentPath(), demo);
  }
  EXPECT_EQ(test::folderSnapshot(herd), records);
  EXPECT_EQ(test::folderSnapshot(chosen), chosenFiles);
  EXPECT_EQ(tableFiles(demo), 6);
  EXPECT_GE(db::DbfFile(QDir(demo).filePath(QStringLiteral("KOROVA.DBF"))).recordCount(), 3000u);
  EXPECT_GT(db::DbfFile(QDir(demo).filePath(QStringLiteral("XARAKT.DBF"))).recordCount(), 50u);
  {
    HerdTables dm(demo);
    int withDaughters = 0;
    dm.bik.open();
    for (dm.bik.first(); !dm.bik.eof(); dm.bik.next()) withDaughters += dm.bik.fieldByName(u"kolkorov").asInteger() > 0;
    EXPECT_GE(withDaughters, 20);
  }
  // The figures stored are the ones the bull card would compute: computing again changes nothing.
  const auto demoFiles = test::folderSnapshot(demo);
  {
    HerdTables dm(demo);
    recomputeEveryLiveBull(dm);
  }
  EXPECT_EQ(test::folderSnapshot(demo), demoFiles);
  // A second demonstration start keeps the herd as the user left it.
  {
    WorkingFolder folder;
    ASSERT_EQ(folder.enter(command({"--demo"}), prompts), std::nullopt);
  }
  EXPECT_EQ(test::folderSnapshot(demo), demoFiles);
  EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'\n').toStdString();
}

TEST_F(StartFolder, AFolderThatMustNotBeUsedIsRefusedWithAMessageAndLeftAlone) {
#ifdef _WIN32
  GTEST_SKIP() << kProfileNotRedirected;
#endif
  struct Case {
    const char* name;
    QStringList args;  // "~" stands for the home folder
    std::function<void(const QString& home)> before;
    QString message;
    const char* untouched;  // under home: the folder whose tables must stay as they were
    int tables = 0;         // how many it holds
  };
  // A folder that lost tables: only REGION is left.
  const auto oneTable = [](const QString& folder) {
    QDir().mkpath(folder);
    const db::TableLayout region = db::regionLayout();
    db::DbfFile::create(QDir(folder).filePath(region.fileName), region.fields);
  };
  // Another copy works on the folder, in the middle of a restore: the file it is writing would
  // pass for what an interrupted run left behind, were the folder recovered without its lock.
  std::unique_ptr<db::FolderLock> held;
  const QString restoring = QStringLiteral(".korvel-cut.korvel-tmp");
  const auto heldByAnother = [&](const QString& folder) {
    QDir().mkpath(folder);
    held = std::make_unique<db::FolderLock>(folder);
    QFile file(QDir(folder).filePath(restoring));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  };
  // The refusal names the process that holds the folder, not a window that is not there.
  const QString holder = QStringLiteral("процесс %1)").arg(QCoreApplication::applicationPid());
  const Case cases[] = {
      {"a named folder that does not exist", {QStringLiteral("~/нет такой")}, {}, "не найдена", "нет такой"},
      {"a chosen herd folder that has gone",
       {QStringLiteral("--herd")},
       [&](const QString& h) {
         QDir().mkpath(h + QStringLiteral("/флешка"));
         QFile conf(h + QStringLiteral("/.config/korvel/korvel.conf"));
         QDir().mkpath(h + QStringLiteral("/.config/korvel"));
         ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
         conf.write(("[General]\nherd=" + h + QStringLiteral("/флешка/стадо") + u'\n').toUtf8());
       },
       "подключите",
       "флешка/стадо"},
      {"the demonstration folder chosen as the herd folder", {QStringLiteral("--herd"), QStringLiteral("~/Корвель-демо")}, {}, "демонстрационного",
       "Корвель-демо"},
      {"a herd folder another copy works on",
       {QStringLiteral("--herd")},
       [&](const QString& h) { heldByAnother(h + QStringLiteral("/Корвель")); },
       holder,
       "Корвель"},
      {"a herd folder that lost some of its tables",
       {QStringLiteral("--herd")},
       [&](const QString& h) { oneTable(h + QStringLiteral("/Корвель")); },
       "нет таблиц: VLAD.DBF",
       "Корвель",
       1},
      {"a demonstration folder that holds some tables",
       {QStringLiteral("--demo")},
       [&](const QString& h) { oneTable(h + QStringLiteral("/Корвель-демо")); },
       "нет таблиц: VLAD.DBF",
       "Корвель-демо",
       1},
      {"a demonstration folder another copy works on",
       {QStringLiteral("--demo")},
       [&](const QString& h) { heldByAnother(h + QStringLiteral("/Корвель-демо")); },
       holder,
       "Корвель-демо"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir caseHome;
    qputenv("HOME", QFile::encodeName(caseHome.path()));
    if (c.before) c.before(caseHome.path());
    test::ScriptedPrompts prompts;
    const QString current = QDir::currentPath();
    QStringList args;
    for (const QString& a : c.args) args << QString(a).replace(u'~', caseHome.path());
    WorkingFolder folder;
    EXPECT_EQ(folder.enter(command(args), prompts), 1);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(c.message)) << prompts.messages[0].toStdString();
    const QString untouched = QDir(caseHome.path()).filePath(QString::fromUtf8(c.untouched));
    EXPECT_EQ(tableFiles(untouched), c.tables);
    EXPECT_FALSE(QFile::exists(QDir(untouched).filePath(QStringLiteral("rezerv.txt"))));
    EXPECT_EQ(QDir::currentPath(), current);
    if (held) {
      EXPECT_TRUE(QFile::exists(QDir(untouched).filePath(restoring)));
    }
    held.reset();
  }
}

}  // namespace
