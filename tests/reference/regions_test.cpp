// The regions window: activation, adding, correcting, selection and its cancelling.
#include "db/data_module.h"
#include "messages.h"
#include "named.h"
#include "reference/breeds.h"
#include "reference/farms.h"
#include "reference/regions.h"
#include "reference/regions_window.h"
#include "reference_support.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace korvel;
using test::liveRows;
using test::button;
using test::named;
using test::appendRow;
using test::shownButtons;
using test::kNoMatch;

namespace {

const QString kDuplicate = QStringLiteral("Такой регион уже есть... повтор недопустим.");
const QStringList kAllButtons = {"Button1", "Button2", "Button3", "Button4"};

struct RegionsFixture {
  test::WorkFolder folder;
  test::App app{folder.path()};
  RegionsWindow& w = *forms().regionsWindow;
  QString file() const { return folder.file(QStringLiteral("REGION.DBF")); }
  void region(int code, const QString& name, const QString& mark = {}) {
    appendRow(app.dm().region, {{"kodreg", code}, {"region", name}, {"vibor", mark}});
  }
  long long currentCode() { return app.dm().region.fieldByName(u"kodreg").asInteger(); }
  ~RegionsFixture() { w.hide(); }
};

}  // namespace

TEST(RegionsWindow, AnEmptyTableOffersOnlyAddingUntilTheFirstRegionIsAdded) {
  RegionsFixture f;
  f.w.show();
  EXPECT_EQ(f.w.width(), 1024);
  EXPECT_EQ(f.w.height(), 736);
  EXPECT_EQ(f.app.prompts.messages, QStringList{QStringLiteral("Регионы не заведены. Можно только добавить..")});
  EXPECT_EQ(shownButtons(f.w), QStringList{"Button1"});

  f.app.prompts.texts = {QStringLiteral("  Северный край ")};
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.textCaptions,
            QStringList{QStringLiteral("Введите название нового региона и закройте это окно")});
  EXPECT_EQ(shownButtons(f.w), kAllButtons);
  const auto rows = liveRows(f.file());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["kodreg"], "1");
  EXPECT_EQ(rows[0]["region"], QStringLiteral("  Северный край"));  // stored as typed
  EXPECT_EQ(f.app.prompts.messages.size(), 1);

  // Opened again on a table that has regions: no message, every button.
  f.w.hide();
  f.w.show();
  EXPECT_EQ(f.app.prompts.messages.size(), 1);
  EXPECT_EQ(shownButtons(f.w), kAllButtons);
}

TEST(RegionsWindow, ButtonsHiddenOnAnEmptyTableComeBackOnceRegionsExist) {
  RegionsFixture f;
  f.w.show();
  f.w.hide();
  f.region(1, QStringLiteral("ГЛАВНЫЙ РЕГИОН"));  // made meanwhile by another window
  f.w.show();
  EXPECT_EQ(shownButtons(f.w), kAllButtons);
  EXPECT_EQ(f.app.prompts.messages.size(), 1);
}

TEST(RegionsWindow, ANewRegionTakesTheLargestCodePlusOneAndStaysCurrent) {
  for (const auto& [codes, expected] : std::vector<std::pair<std::vector<int>, int>>{{{1, 2, 7}, 8}, {{1, 4}, 5}, {{7, 2}, 8}}) {
    RegionsFixture f;
    for (int c : codes) f.region(c, QStringLiteral("Регион %1").arg(c));
    f.w.show();
    f.app.prompts.texts = {QStringLiteral("Новый")};
    button(f.w, "Button1")->click();
    const auto rows = liveRows(f.file());
    ASSERT_EQ(rows.size(), codes.size() + 1);
    EXPECT_EQ(rows.back()["kodreg"], QString::number(expected));
    EXPECT_EQ(f.currentCode(), expected);
    EXPECT_TRUE(f.app.prompts.messages.isEmpty());
  }
}

TEST(RegionsWindow, NamesAreComparedTrimmedAndInUpperCase) {
  RegionsFixture f;
  f.region(1, QStringLiteral("ЮГ"));
  f.region(2, QStringLiteral("Поволжье"));
  f.region(3, QStringLiteral("Восток"));
  f.w.show();
  QFile beforeFile(f.file());
  ASSERT_TRUE(beforeFile.open(QIODevice::ReadOnly));
  const QByteArray before = beforeFile.readAll();

  f.app.prompts.texts = {QStringLiteral(" поволжье  ")};
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{kDuplicate});
  EXPECT_EQ(f.currentCode(), 2);  // the cursor stays on the region of that name
  QFile after(f.file());
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);

  // Correcting: the region's own name in another case is accepted, another region's refused.
  f.app.dm().region.goToRecNo(1);
  f.app.prompts.texts = {QStringLiteral("Юг")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.textCaptions.last(),
            QStringLiteral("Уточните (исправьте) название региона и закройте это окно"));
  EXPECT_EQ(liveRows(f.file())[0]["region"], QStringLiteral("Юг"));
  EXPECT_EQ(f.currentCode(), 1);

  f.app.prompts.texts = {QStringLiteral("  ВОСТОК")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList({kDuplicate, kDuplicate}));
  const auto rows = liveRows(f.file());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["region"], QStringLiteral("Юг"));
  EXPECT_EQ(rows[2]["region"], QStringLiteral("Восток"));
}

// A REGION that GDAL re-saved in UTF-8 (with its .cpg): names compare as the user reads them,
// composed or not, and new names are written in UTF-8, even those Windows-1251 lacks; the
// program's own Windows-1251 REGION refuses such a name, naming what it cannot store.
TEST(RegionsWindow, AUtf8TableTakesAnyNameAndAWindows1251OneRefusesWhatItCannotStore) {
  {
    test::WorkFolder folder;
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("REGION.DBF"))));
    for (const char* name : {"REGION.dbf", "REGION.cpg"}) {
      const QString to = folder.file(QString::fromLatin1(name));
      ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEL_FIXTURES "/gdal_region_utf8/") + name, to));
      QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    test::App app(folder.path());
    RegionsWindow& w = *forms().regionsWindow;
    w.show();
    app.prompts.texts = {QStringLiteral(" вологодская ОБЛАСТЬ"), QStringLiteral("Café Élan"),
                         QStringLiteral("Cafe\u0301 E\u0301lan ")};
    for (int i = 0; i < 3; ++i) button(w, "Button1")->click();
    EXPECT_EQ(app.prompts.messages, QStringList({kDuplicate, kDuplicate}));
    w.hide();
    const auto rows = liveRows(folder.file(QStringLiteral("REGION.dbf")));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2]["kodreg"], QStringLiteral("3"));
    QFile file(folder.file(QStringLiteral("REGION.dbf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QStringLiteral("Café Élan      ").toUtf8()));  // composed, in UTF-8
  }
  RegionsFixture f;
  f.w.show();
  f.app.prompts.texts = {QStringLiteral("Café Élan")};
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.messages.last(),
            QStringLiteral("В названии есть знаки, которые нельзя сохранить в таблице: é, É"));
  EXPECT_TRUE(liveRows(f.file()).empty());
}

TEST(RegionsWindow, CorrectingShowsTheWholeListAgainAndRewritesTheRightRegion) {
  RegionsFixture f;
  f.region(1, QStringLiteral("Северный"));
  f.region(2, QStringLiteral("Южный"));
  f.region(3, QStringLiteral("Северо-Запад"));
  f.w.show();
  f.app.prompts.keys = {QStringLiteral("север")};
  button(f.w, "Button3")->click();
  ASSERT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);
  f.app.dm().region.next();  // Северо-Запад, the second listed
  f.app.prompts.texts = {QStringLiteral("Северо-Западный")};
  button(f.w, "Button2")->click();
  EXPECT_FALSE(f.app.dm().region.filtered());
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);
  const auto rows = liveRows(f.file());
  EXPECT_EQ(rows[0]["region"], QStringLiteral("Северный"));
  EXPECT_EQ(rows[2]["region"], QStringLiteral("Северо-Западный"));
  EXPECT_EQ(f.currentCode(), 3);
}

TEST(RegionsWindow, SelectionMarksMatchesAndANoMatchClearsEveryMarkAndShowsAll) {
  RegionsFixture f;
  f.region(1, QStringLiteral("Северный"), QStringLiteral("+"));
  f.region(2, QStringLiteral("Южный"), QStringLiteral("+"));
  f.region(3, QStringLiteral("Приполярный север"));
  f.w.show();
  db::Table& t = f.app.dm().region;

  // An empty key: nothing happens and nothing is said.
  f.app.prompts.keys = {QStringLiteral(" ")};
  button(f.w, "Button3")->click();
  EXPECT_TRUE(f.app.prompts.messages.isEmpty());
  EXPECT_EQ(liveRows(f.file())[1]["vibor"], "+");
  EXPECT_FALSE(t.filtered());

  f.app.prompts.keys = {QStringLiteral("  СеВеР ")};
  button(f.w, "Button3")->click();
  auto rows = liveRows(f.file());
  EXPECT_EQ(rows[0]["vibor"], "+");
  EXPECT_EQ(rows[1]["vibor"], "");
  EXPECT_EQ(rows[2]["vibor"], "+");
  EXPECT_TRUE(t.filtered());
  EXPECT_EQ(t.filter(), QStringLiteral("vibor='+'"));
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);

  // Cancelling shows everything; the marks stay in the file.
  button(f.w, "Button4")->click();
  EXPECT_FALSE(t.filtered());
  EXPECT_TRUE(t.filter().isEmpty());
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);
  EXPECT_EQ(liveRows(f.file())[2]["vibor"], "+");

  f.app.prompts.keys = {QStringLiteral("запад")};
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.app.prompts.messages.back(), kNoMatch);
  rows = liveRows(f.file());
  for (const auto& r : rows) EXPECT_EQ(r["vibor"], "");
  EXPECT_FALSE(t.filtered());
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);
}

// Closing the text input dialog is its "Записать", so an emptied field reaches the lists: a
// name of nothing but blanks is never added nor written over a stored one, in any list.
TEST(NameLists, ABlankNameIsNeitherAddedNorWritten) {
  RegionsFixture f;
  HerdTables& dm = f.app.dm();
  f.region(1, QStringLiteral("ЮГ"));
  appendRow(dm.vlad, {{"kodreg", 1}, {"kodvlad", 1}, {"vlad", QStringLiteral("ЛУЧ")}});
  appendRow(dm.poroda, {{"kodporod", 1}, {"poroda", QStringLiteral("Айрширская")}});
  const QStringList files = {"REGION.DBF", "VLAD.DBF", "PORODA.DBF"};
  auto bytes = [&] {
    QList<QByteArray> out;
    for (const QString& name : files) {
      QFile file(f.folder.file(name));
      EXPECT_TRUE(file.open(QIODevice::ReadOnly));
      out << file.readAll();
    }
    return out;
  };
  const auto before = bytes();
  for (const QString& blank : {QString(), QStringLiteral("   ")}) {
    EXPECT_EQ(addRegion(dm, blank), NameOutcome::Empty);
    EXPECT_EQ(renameRegion(dm, 1, blank), NameOutcome::Empty);
    EXPECT_EQ(addFarm(dm, 1, blank), NameOutcome::Empty);
    EXPECT_EQ(renameFarm(dm, 1, 1, blank), NameOutcome::Empty);
    EXPECT_EQ(addBreed(dm, blank), NameOutcome::Empty);
    EXPECT_EQ(renameBreed(dm, 1, blank), NameOutcome::Empty);
  }
  EXPECT_EQ(bytes(), before);
}
