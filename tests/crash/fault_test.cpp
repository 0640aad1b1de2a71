// Writes that fail: the k-th write of an operation fails (a full disk, an I/O error), for every
// k of the operation; the tables are byte for byte as before, the message names the cause and
// the window is left consistent. And once on a real small file system that fills up, as a
// person meets it: cows added until the disk is full, then space comes back and the next cow
// is added; the table stays readable by another reader and holds exactly the cows the person
// was told were saved.
#include "cows/cow_card.h"
#include "crash_operations.h"
#include "crash_support.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "db/schema.h"
#include "evaluation/spreadsheet.h"
#include "herdgen/herdgen.h"
#include "modal_answers.h"
#include "reference/farms_window.h"
#include "named.h"
#include "raw_table.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/real_prompts.h"
#include "work_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace korvel;
using namespace korvel::test;

namespace {

int liveCowsOf(const QString& dir, int r, int f) {
  int n = 0;
  for (const FileRow& row : liveRows(QDir(dir).filePath(QStringLiteral("KOROVA.DBF"))))
    n += row["kodreg"] == QString::number(r) && row["kodvlad"] == QString::number(f);
  return n;
}

// The cows window after a failed write on farm (1, 2): the list shows the farm's cows.
void cowListShowsTheFarm(App& app, const QString& dir) {
  HerdTables& dm = app.dm();
  EXPECT_EQ(dm.korova.state(), db::TableState::Browse);
  EXPECT_EQ(dm.korova.filter(), QStringLiteral("kodreg=1 and kodvlad=2"));
  EXPECT_TRUE(dm.korova.filtered());
  EXPECT_TRUE(dm.cowsSource.enabled());
  EXPECT_GT(dm.korova.recNo(), 0);
  EXPECT_EQ(named<DBGrid>(*forms().cowWindow, "DBGrid1")->model()->rowCount(), liveCowsOf(dir, 1, 2));
}

// The farms window after a failed removal of farm (1, 2): browsing again, the farm listed.
void farmIsBack(App& app, const QString& dir) {
  HerdTables& dm = app.dm();
  EXPECT_EQ(forms().farmsWindow->removalState(), FarmsWindow::RemovalState::Browsing);
  EXPECT_TRUE(dm.cowsSource.enabled());
  EXPECT_TRUE(dm.bullsSource.enabled());
  bool listed = false;
  for (const FileRow& row : liveRows(QDir(dir).filePath(QStringLiteral("VLAD.DBF"))))
    listed = listed || (row["kodreg"] == "1" && row["kodvlad"] == "2");
  EXPECT_TRUE(listed);
}

struct FaultCase {
  uint64_t seed;  // 3: one free cow row; 2: none, so that an addition appends
  QStringList op;
  void (*consistent)(App&, const QString&);
};

}  // namespace

TEST(WriteFailure, EveryFailedWriteLeavesTheTablesAsBeforeAndNamesTheCause) {
  QTemporaryDir tmp;
  const FaultCase cases[] = {
      {3, {"add-cow", "1", "2", "Новая"}, cowListShowsTheFarm},
      {2, {"add-cow", "1", "2", "Новая"}, cowListShowsTheFarm},
      {3, {"correct-cow", "1", "2", "first"}, cowListShowsTheFarm},
      {3, {"remove", "6", "1", "2"}, farmIsBack},
      {3, {"remove", "5", "1", "2", "2", "1"}, farmIsBack},
      {3, {"remove", "3", "1", "2"}, farmIsBack},
  };
  int runs = 0;
  for (const FaultCase& c : cases) {
    const QString pristine = generatedHerd(QDir(tmp.path()).filePath(QStringLiteral("herd%1").arg(c.seed)), c.seed);
    QStringList op = c.op;
    op.replaceInStrings(QStringLiteral("first"), QString::number(firstCowOf(pristine, 1, 2)));
    for (const int err : {ENOSPC, EIO}) {
      const QString cause = db::io::causeText(err);
      for (long k = 1;; ++k) {
        SCOPED_TRACE(op.join(' ').toStdString() + ", write " + std::to_string(k) + " fails: " + cause.toStdString());
        const QString dir = QDir(tmp.path()).filePath(QStringLiteral("run%1").arg(++runs));
        copyFolder(pristine, dir);
        TableBytes before;
        {
          App app(dir);
          runOperation(app, op, [&] {
            before = tableBytes(dir);
            db::io::resetFaults();
            db::io::failWrite(k, err);
          });
          const bool failed = db::io::writesSoFar() >= k;
          db::io::resetFaults();
          if (!failed) {
            // Every write of the operation has been made to fail once; this run went through.
            EXPECT_GT(k, 1);
            EXPECT_NE(tableBytes(dir), before);
            break;
          }
          EXPECT_EQ(tableBytes(dir), before) << "differs in " << differingTables(before, tableBytes(dir)).toStdString();
          const QStringList& shown = app.prompts.messages;
          EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const QString& m) { return m.contains(cause); }))
              << shown.join(" | ").toStdString();
          c.consistent(app, dir);
        }
        QDir(dir).removeRecursively();
      }
    }
  }
}

namespace {

// A tmpfs of `kb` kilobytes mounted on a temporary folder for the test's life. Windows has no
// such small disk to make without rights of an administrator (a virtual disk): there the
// full disk is met through the injected failures of the test above.
class SmallDisk {
 public:
  explicit SmallDisk(int kb) {
#ifdef Q_OS_LINUX
    const QByteArray path = QFile::encodeName(dir_.path());
    const QByteArray options = "size=" + QByteArray::number(kb) + "k";
    mounted_ = ::mount("tmpfs", path.constData(), "tmpfs", 0, options.constData()) == 0;
    if (!mounted_) why_ = QString::fromLocal8Bit(std::strerror(errno));
#else
    Q_UNUSED(kb);
    why_ = QStringLiteral("no tmpfs to mount outside Linux");
#endif
  }
  ~SmallDisk() {
#ifdef Q_OS_LINUX
    if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
#endif
  }
  bool mounted() const { return mounted_; }
  const QString& why() const { return why_; }
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
  QString why_;
};

bool hasLatinLetter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter() && c.script() == QChar::Script_Latin; });
}

}  // namespace

TEST(WriteFailure, EveryCauseAPersonReadsIsToldInRussian) {
  for (int err = 1; err < 134; ++err) EXPECT_FALSE(hasLatinLetter(db::io::causeText(err))) << err;
  QFile nowhere(QStringLiteral("/нет такой папки/файл"));
  ASSERT_FALSE(nowhere.open(QIODevice::WriteOnly));
  EXPECT_EQ(db::io::causeText(nowhere), db::io::causeText(ENOENT));
#ifdef Q_OS_WIN
  // Windows words its failures in its own codes; each way a medium fails reads as it does on
  // Linux, whether it comes as a code or as Qt's words for a failed file.
  struct WordedFailure : QFile {
    explicit WordedFailure(DWORD code) { setErrorString(qt_error_string(int(code))); }
  };
  const std::pair<DWORD, int> windows[] = {{ERROR_DISK_FULL, ENOSPC},         {ERROR_HANDLE_DISK_FULL, ENOSPC},
                                           {ERROR_NOT_READY, ENODEV},         {ERROR_DEV_NOT_EXIST, ENODEV},
                                           {ERROR_WRITE_PROTECT, EROFS},      {ERROR_ACCESS_DENIED, EACCES},
                                           {ERROR_SHARING_VIOLATION, EBUSY},  {ERROR_PATH_NOT_FOUND, ENOENT},
                                           {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG}};
  for (const auto& [code, err] : windows) EXPECT_EQ(db::io::causeText(WordedFailure(code)), db::io::causeText(err)) << code;
#endif

  // A workbook on a disk that fills up while it is written says so, and leaves no file.
  SmallDisk disk(64);
  if (!disk.mounted()) GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << disk.why().toStdString() << ")";
  xlsx::Workbook book(1);
  std::mt19937_64 rng(19);
  for (int row = 1; row <= 4000; ++row)
    for (int column = 1; column <= 5; ++column)
      book.sheet(0).setValue(xlsx::Range::cell(row, column), QString::number(rng()));
  const QString path = QDir(disk.path()).filePath(QStringLiteral("книга.xlsx"));
  try {
    book.save(path);
    ADD_FAILURE() << "a workbook larger than the disk was saved";
  } catch (const xlsx::WriteError& e) {
    EXPECT_TRUE(e.text().contains(db::io::causeText(ENOSPC))) << e.text().toStdString() << " / " << e.what();
  }
  EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

namespace {

// Fills the disk with a file, then gives `keep` bytes of it back.
void fillLeaving(const QString& filler, qint64 keep) {
  QFile f(filler);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  const QByteArray block(4096, 'x');
  while (db::io::writeAt(f.handle(), f.size(), block.constData(), size_t(block.size())) == 0) {
  }
  ASSERT_TRUE(f.resize(std::max<qint64>(0, f.size() - keep)));
}

// The NOKLI of every row another DBF reader returns, in order.
QStringList namesByOtherReader(const QString& table) {
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"),
          {QStringLiteral("-c"),
           QStringLiteral("import sys, dbfread\n"
                          "for r in dbfread.DBF(sys.argv[1], encoding='cp1251'):\n"
                          "    print(r['NOKLI'].rstrip())\n"),
           table});
  if (!p.waitForFinished(30000) || p.exitCode() != 0) {
    ADD_FAILURE() << "dbfread could not read " << table.toStdString() << ": " << p.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(WriteFailure, AFullDiskMetAsAPersonWouldLosesNoCowAndAddsNoGhost) {
  if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) GTEST_SKIP() << "no /usr/bin/python3 for dbfread";
  SmallDisk disk(512);
  if (!disk.mounted())
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << disk.why().toStdString()
                 << "); the full disk is tried only where mounting is permitted";
  const QString work = QDir(disk.path()).filePath(QStringLiteral("work"));
  QDir().mkpath(work);
  db::createTables(work);
  herd::writeStarterCatalogue(QDir(work).filePath(QStringLiteral("XARAKT.DBF")));

  App app(work);
  RealPrompts real;
  setPrompts(&real);
  struct Scripted {
    Prompts* p;
    ~Scripted() { setPrompts(p); }
  } scriptedAgainAtEnd{&app.prompts};
  CowWindow& w = *forms().cowWindow;
  {
    // The first start makes the first region and farm and says so.
    ModalAnswers answers;
    for (int i = 0; i < 3; ++i) answers.click(QStringLiteral("OK"));
    w.show();
    QTest::qWait(50);
  }
  const QString filler = QDir(disk.path()).filePath(QStringLiteral("filler"));
  fillLeaving(filler, 24 * 1024);

  // Cows added one after the other, each typed in the input dialog and written, until the disk
  // is full; a cow is saved when no message follows her entry.
  QStringList saved;
  QString refusal;
  for (int i = 1; i <= 200 && refusal.isEmpty(); ++i) {
    const QString name = QStringLiteral("Корова %1").arg(i);
    ModalAnswers answers;
    answers.type(name, Qt::Key_Return);
    answers.click(QStringLiteral("OK"));  // used only when a message comes
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    if (answers.shown.size() > 1) refusal = answers.shown[1];
    else saved << name;
  }
  ASSERT_FALSE(refusal.isEmpty()) << "the disk never filled";
  EXPECT_TRUE(refusal.contains(QStringLiteral("Проверьте свободное место на диске"))) << refusal.toStdString();
  EXPECT_GT(saved.size(), 0);
  // The list shows the farm's cows, as saved.
  EXPECT_EQ(named<DBGrid>(w, "DBGrid1")->model()->rowCount(), saved.size());

  // Space comes back; the next cow is added.
  QFile::remove(filler);
  {
    ModalAnswers answers;
    answers.type(QStringLiteral("После"), Qt::Key_Return);
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
  }
  saved << QStringLiteral("После");
  w.hide();

  const QString korova = QDir(work).filePath(QStringLiteral("KOROVA.DBF"));
  EXPECT_EQ(namesByOtherReader(korova), saved);
  QStringList ours;
  for (const FileRow& row : liveRows(korova)) ours << row["nokli"];
  EXPECT_EQ(ours, saved);
  EXPECT_FALSE(QFile::exists(QDir(work).filePath(QStringLiteral("korvel.journal"))));
}
