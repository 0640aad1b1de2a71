// The farms window: opening on a region, the region choice, adding and correcting farms, the
// archive farm, selection, the farm buttons; and the herd context of the cows and bulls windows.
#include "db/data_module.h"
#include "messages.h"
#include "named.h"
#include "reference/farms_window.h"
#include "reference/herd_context.h"
#include "reference/regions_window.h"
#include "reference_support.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/prompts.h"
#include "work_folder.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace korvel;
using test::liveRows;
using test::button;
using test::label;
using test::named;
using test::appendRow;
using test::shownButtons;
using test::kHerdPicker;
using test::kNoFarms;

namespace {

const QString kDuplicate = QStringLiteral("Такой владелец (хозяйство) уже есть... повтор недопустим.");
const QString kArchiveWord = QStringLiteral(
    "Слово АРХИВ в названии хозяйства недопустимо. Архив региона создается специальной клавишей. Архив в регионе "
    "только один!");
const QString kRegionPicker = QStringLiteral("Выберите (или запишите новый) нужный регион и закройте это окно");
const QStringList kBrowsing = {"Button1", "Button2", "Button3", "Button4", "Button5", "Button6", "Button9"};

struct FarmsFixture {
  test::WorkFolder folder;
  test::App app{folder.path()};
  FarmsWindow& w = *forms().farmsWindow;
  HerdTables& dm = app.dm();
  QString file() const { return folder.file(QStringLiteral("VLAD.DBF")); }
  void region(int code, const QString& name) { appendRow(dm.region, {{"kodreg", code}, {"region", name}}); }
  void farm(int region, int code, const QString& name, const QString& mark = {}) {
    appendRow(dm.vlad, {{"vlad", name}, {"kodvlad", code}, {"kodreg", region}, {"ot", mark}});
  }
  QString currentFarm() { return dm.vlad.fieldByName(u"vlad").asString(); }
  // Rows of VLAD in the file for one region, as "code name".
  QStringList farmsOf(int region) const {
    QStringList out;
    for (const auto& r : liveRows(file()))
      if (r["kodreg"] == QString::number(region)) out << r["kodvlad"] + QLatin1Char(' ') + r["vlad"];
    return out;
  }
  // The region picker moves the regions list to the row with this code, then closes.
  void pickRegion(int code) {
    app.prompts.pickerActions.push_back([this, code](QDialog&) {
      db::Table& t = dm.region;
      for (t.first(); !t.eof() && t.fieldByName(u"kodreg").asInteger() != code;) t.next();
    });
    button(w, "Button1")->click();
  }
  ~FarmsFixture() { w.hide(); }
};

}  // namespace

TEST(FarmsWindow, OpeningOnAnEmptyDatabaseCreatesTheMainRegionAndOffersOnlyAdding) {
  FarmsFixture f;
  f.w.show();
  EXPECT_EQ(f.w.width(), 1024);
  EXPECT_EQ(f.w.height(), 736);
  EXPECT_EQ(f.app.prompts.messages,
            QStringList({QStringLiteral("Вы не завели регионы! Автоматически заведен ГЛАВНЫЙ РЕГИОН. Потом можно "
                                        "переименовать..."),
                         kNoFarms}));
  const auto regions = liveRows(f.folder.file(QStringLiteral("REGION.DBF")));
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(regions[0]["kodreg"], "1");
  EXPECT_EQ(regions[0]["region"], QStringLiteral("ГЛАВНЫЙ РЕГИОН"));
  EXPECT_EQ(label(f.w, "Label1")->text(), QStringLiteral("Регион: ГЛАВНЫЙ РЕГИОН"));
  EXPECT_EQ(shownButtons(f.w), QStringList({"Button1", "Button2"}));
  EXPECT_FALSE(named<QGroupBox>(f.w, "GroupBox1")->isVisible());

  f.app.prompts.texts = {QStringLiteral("Заря")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.textCaptions.last(),
            QStringLiteral("Введите название нового хозяйства (владельца) и закройте это окно"));
  EXPECT_EQ(f.farmsOf(1), QStringList{QStringLiteral("1 Заря")});
  EXPECT_EQ(shownButtons(f.w), kBrowsing);
  EXPECT_EQ(f.app.prompts.messages.size(), 2);

  // The archive: code 0, its button gone for good; the next farm still counts past it.
  button(f.w, "Button9")->click();
  EXPECT_EQ(f.farmsOf(1), QStringList({QStringLiteral("1 Заря"), QStringLiteral("0 Архив региона")}));
  EXPECT_FALSE(button(f.w, "Button9")->isVisible());
  f.app.prompts.texts = {QStringLiteral("Рассвет")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.farmsOf(1).last(), QStringLiteral("2 Рассвет"));
  EXPECT_FALSE(button(f.w, "Button9")->isVisible());
  f.w.hide();
  f.w.show();
  EXPECT_FALSE(button(f.w, "Button9")->isVisible());
  EXPECT_EQ(f.app.prompts.messages.size(), 2);
}

TEST(FarmsWindow, TheRemovalControlsAreThereButWaitHidden) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.farm(1, 1, QStringLiteral("Заря"));
  f.w.show();
  EXPECT_FALSE(button(f.w, "Button8")->isVisible());
  EXPECT_FALSE(named<QGroupBox>(f.w, "GroupBox1")->isVisible());
  EXPECT_EQ(button(f.w, "Button4")->text(), QStringLiteral("Удалить хозяйство"));
  EXPECT_EQ(button(f.w, "Button8")->text(), QStringLiteral("Выбор нового хозяйства для животных ВЫПОЛНЕН!"));
  EXPECT_EQ(button(f.w, "Button7")->text(), QStringLiteral("ВЫПОЛНИТЬ"));
  EXPECT_EQ(named<QRadioButton>(f.w, "RadioButton1")->text(), QStringLiteral("Отменить удаление"));
  EXPECT_EQ(named<QRadioButton>(f.w, "RadioButton6")->text(), QStringLiteral("Удалить хозяйство и ВСЕХ его животных"));
  // The options stand in the panel in the order 1, 2, 5, 3, 4, 6.
  named<QGroupBox>(f.w, "GroupBox1")->show();
  named<DBGrid>(f.w, "DBGrid1")->hide();
  const char* order[] = {"RadioButton1", "RadioButton2", "RadioButton5", "RadioButton3", "RadioButton4", "RadioButton6"};
  for (int i = 1; i < 6; ++i)
    EXPECT_GT(named<QRadioButton>(f.w, order[i])->y(), named<QRadioButton>(f.w, order[i - 1])->y());

  // While a target farm is chosen, a region chosen again keeps "Удалить хозяйство" away.
  f.farm(1, 2, QStringLiteral("Луч"));
  f.dm.vlad.first();
  button(f.w, "Button4")->click();
  named<QRadioButton>(f.w, "RadioButton2")->setChecked(true);
  button(f.w, "Button7")->click();
  ASSERT_EQ(f.w.removalState(), FarmsWindow::RemovalState::ChoosingTarget);
  f.pickRegion(1);
  EXPECT_FALSE(named<QGroupBox>(f.w, "GroupBox1")->isVisible());
  EXPECT_TRUE(named<DBGrid>(f.w, "DBGrid1")->isVisible());
  EXPECT_EQ(shownButtons(f.w), QStringList({"Button1", "Button2", "Button3", "Button5", "Button6", "Button8", "Button9"}));
  // The removal is told done over the list as it stands afterwards, the confirmation gone.
  QStringList shownAtDone;
  f.app.prompts.onMessage = [&](const QString&) { shownAtDone = shownButtons(f.w); };
  button(f.w, "Button8")->click();
  f.app.prompts.onMessage = {};
  EXPECT_EQ(shownAtDone, kBrowsing);
  EXPECT_EQ(f.w.removalState(), FarmsWindow::RemovalState::Browsing);
  EXPECT_EQ(shownButtons(f.w), kBrowsing);
  EXPECT_EQ(f.farmsOf(1), QStringList{"2 Луч"});
}

TEST(FarmsWindow, FarmCodesCountWithinTheRegion) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.region(2, QStringLiteral("Юг"));
  f.region(3, QStringLiteral("Восток"));
  for (int r : {1, 2})
    for (int c : {1, 2}) f.farm(r, c, QStringLiteral("Ферма %1-%2").arg(r).arg(c));
  f.farm(3, 0, QStringLiteral("Архив региона"));
  f.w.show();
  EXPECT_EQ(f.w.regionCode(), 1);

  f.pickRegion(2);
  EXPECT_EQ(f.app.prompts.pickerCaptions, QStringList{kRegionPicker});
  EXPECT_EQ(f.w.regionCode(), 2);
  EXPECT_EQ(label(f.w, "Label1")->text(), QStringLiteral("Регион: Юг"));
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);
  f.app.prompts.texts = {QStringLiteral("Новая")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.farmsOf(2).last(), QStringLiteral("3 Новая"));
  EXPECT_EQ(f.farmsOf(1).size(), 2);

  // A region whose only farm is its archive: the first farm gets code 1; no archive button.
  f.pickRegion(3);
  EXPECT_EQ(shownButtons(f.w), QStringList({"Button1", "Button2", "Button3", "Button4", "Button5", "Button6"}));
  f.app.prompts.texts = {QStringLiteral("Первая")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.farmsOf(3), QStringList({QStringLiteral("0 Архив региона"), QStringLiteral("1 Первая")}));
  EXPECT_TRUE(f.app.prompts.messages.isEmpty());
}

TEST(FarmsWindow, FarmNamesAreUniqueWithinTheirRegionOnly) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.region(2, QStringLiteral("Юг"));
  f.farm(1, 1, QStringLiteral("ФЕРМА"));
  f.farm(1, 2, QStringLiteral("Луч"));
  f.farm(2, 1, QStringLiteral("Луч"));
  f.w.show();

  f.app.prompts.texts = {QStringLiteral(" ферма ")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{kDuplicate});
  EXPECT_EQ(f.farmsOf(1).size(), 2);

  // Correcting "Луч" of this region to the other farm's name is refused; its own name in
  // another case is accepted, and it stays current.
  f.dm.vlad.next();
  ASSERT_EQ(f.currentFarm(), QStringLiteral("Луч"));
  f.app.prompts.texts = {QStringLiteral("Ферма  ")};
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.app.prompts.textCaptions.last(),
            QStringLiteral("Уточните (исправьте) название хозяйства (владельца) и закройте это окно"));
  EXPECT_EQ(f.app.prompts.messages, QStringList({kDuplicate, kDuplicate}));
  EXPECT_EQ(f.currentFarm(), QStringLiteral("ФЕРМА"));  // the refusal stops on the farm of that name
  f.dm.vlad.next();
  f.app.prompts.texts = {QStringLiteral("ЛУЧ")};
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.farmsOf(1), QStringList({QStringLiteral("1 ФЕРМА"), QStringLiteral("2 ЛУЧ")}));
  EXPECT_EQ(f.currentFarm(), QStringLiteral("ЛУЧ"));

  // In another region the same name is allowed, stored as typed.
  f.pickRegion(2);
  f.app.prompts.texts = {QStringLiteral(" ферма ")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.farmsOf(2), QStringList({QStringLiteral("1 Луч"), QStringLiteral("2  ферма")}));
  EXPECT_EQ(f.farmsOf(1), QStringList({QStringLiteral("1 ФЕРМА"), QStringLiteral("2 ЛУЧ")}));
  EXPECT_EQ(f.app.prompts.messages.size(), 2);
}

TEST(FarmsWindow, TheWordArchiveIsRefusedAndTheArchiveKeepsItsName) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.farm(1, 0, QStringLiteral("Архив региона"));
  f.farm(1, 1, QStringLiteral("Заря"));
  f.w.show();
  const auto before = f.farmsOf(1);

  f.app.prompts.texts = {QStringLiteral("архивное"), QStringLiteral("Новый Архив")};
  button(f.w, "Button2")->click();
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList({kArchiveWord, kArchiveWord}));

  f.dm.vlad.next();  // Заря
  f.app.prompts.texts = {QStringLiteral("Заря (архив)")};
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.app.prompts.messages.last(), kArchiveWord);

  f.dm.vlad.first();  // the archive: refused before anything is asked
  const int asked = f.app.prompts.textCaptions.size();
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.app.prompts.messages.last(), QStringLiteral("Изменять название архива региона НЕЛЬЗЯ!"));
  EXPECT_EQ(f.app.prompts.textCaptions.size(), asked);
  EXPECT_EQ(f.farmsOf(1), before);
}

TEST(FarmsWindow, SelectionRewritesMarksOfTheRegionOnly) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.region(2, QStringLiteral("Юг"));
  f.farm(1, 1, QStringLiteral("Заря"));
  f.farm(2, 1, QStringLiteral("Заречье"), QStringLiteral("+"));
  f.farm(1, 2, QStringLiteral("Рассвет"), QStringLiteral("+"));
  f.farm(1, 3, QStringLiteral("Светлая заря"));
  f.farm(2, 2, QStringLiteral("Восход"), QStringLiteral("+"));
  f.w.show();
  db::Table& t = f.dm.vlad;
  auto marks = [&] {
    QStringList out;
    for (const auto& r : liveRows(f.file())) out << r["ot"];
    return out;
  };

  f.app.prompts.keys = {QStringLiteral(" ")};
  button(f.w, "Button5")->click();
  EXPECT_EQ(marks(), QStringList({"", "+", "+", "", "+"}));
  EXPECT_TRUE(f.app.prompts.messages.isEmpty());

  f.app.prompts.keys = {QStringLiteral("зар")};
  button(f.w, "Button5")->click();
  EXPECT_EQ(marks(), QStringList({"+", "+", "", "+", "+"}));
  EXPECT_EQ(t.filter(), QStringLiteral("ot='+' and kodreg=1"));
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);
  EXPECT_EQ(f.currentFarm(), QStringLiteral("Заря"));

  f.app.prompts.keys = {QStringLiteral("луч")};
  button(f.w, "Button5")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{test::kNoMatch});
  EXPECT_EQ(marks(), QStringList({"", "+", "", "", "+"}));
  EXPECT_EQ(t.filter(), QStringLiteral("kodreg=1"));
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);

  f.app.prompts.keys = {QStringLiteral("СВЕТ")};
  button(f.w, "Button5")->click();
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);
  button(f.w, "Button6")->click();
  EXPECT_EQ(t.filter(), QStringLiteral("kodreg=1"));
  EXPECT_TRUE(t.filtered());
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);
  EXPECT_EQ(marks(), QStringList({"", "+", "+", "+", "+"}));
}

TEST(FarmsWindow, AsAPickerItDeliversTheRowsCurrentWhenItCloses) {
  FarmsFixture f;
  f.region(1, QStringLiteral("Север"));
  f.farm(1, 1, QStringLiteral("Заря"));
  f.farm(1, 2, QStringLiteral("Рассвет"));

  // Adding a farm returns the list to the region's first farm.
  f.app.prompts.texts = {QStringLiteral("Восход")};
  f.app.prompts.pickerActions.push_back([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), kHerdPicker);
    button(f.w, "Button2")->click();
  });
  prompts().showPicker(f.w, kHerdPicker);
  EXPECT_EQ(f.currentFarm(), QStringLiteral("Заря"));
  EXPECT_EQ(f.farmsOf(1).last(), QStringLiteral("3 Восход"));

  // A corrected farm stays current.
  f.app.prompts.texts = {QStringLiteral("Рассвет-2")};
  f.app.prompts.pickerActions.push_back([&](QDialog&) {
    f.dm.vlad.next();
    button(f.w, "Button3")->click();
  });
  prompts().showPicker(f.w, kHerdPicker);
  EXPECT_EQ(f.currentFarm(), QStringLiteral("Рассвет-2"));
  EXPECT_EQ(f.dm.vlad.fieldByName(u"kodvlad").asInteger(), 2);
  const HerdContext herd = herdOfCurrentRows(f.dm);
  EXPECT_EQ(herd.header, QStringLiteral("Регион: Север Владелец: Рассвет-2"));
  EXPECT_EQ(herd.animalFilter(), QStringLiteral("kodreg=1 and kodvlad=2"));

  // A region added in the region picker is the one chosen, and the farms window shows it.
  f.app.prompts.texts = {QStringLiteral("Новый регион")};
  f.app.prompts.pickerActions.push_back([&](QDialog&) { button(f.w, "Button1")->click(); });
  f.app.prompts.pickerActions.push_back([&](QDialog& regions) {
    EXPECT_EQ(regions.windowTitle(), kRegionPicker);
    button(*forms().regionsWindow, "Button1")->click();
  });
  prompts().showPicker(f.w, kHerdPicker);
  EXPECT_EQ(f.w.regionCode(), 2);
  EXPECT_EQ(label(f.w, "Label1")->text(), QStringLiteral("Регион: Новый регион"));
  EXPECT_EQ(f.app.prompts.messages, QStringList{kNoFarms});
  EXPECT_EQ(f.dm.region.fieldByName(u"kodreg").asInteger(), 2);
  EXPECT_TRUE(f.dm.vlad.isEmpty());
}

TEST(HerdContext, AnEmptyDatabaseGetsTheMainRegionAndTheFirstFarmOnce) {
  test::WorkFolder folder;
  test::App app(folder.path());
  HerdOpening first = establishHerdContext(app.dm());
  EXPECT_EQ(first.messages,
            QStringList({QStringLiteral("Вы не завели регионы! Автоматически заведен ГЛАВНЫЙ РЕГИОН. Потом можно "
                                        "переименовать..."),
                         QStringLiteral("В регионе \"ГЛАВНЫЙ РЕГИОН\" нет владельцев! Автоматически заведено "
                                        "ХОЗЯЙСТВО 1. Потом можно переименовать...")}));
  EXPECT_EQ(first.herd.header, QStringLiteral("Регион: ГЛАВНЫЙ РЕГИОН Владелец: ХОЗЯЙСТВО 1"));
  EXPECT_EQ(first.herd.animalFilter(), QStringLiteral("kodreg=1 and kodvlad=1"));
  const auto farms = liveRows(folder.file(QStringLiteral("VLAD.DBF")));
  ASSERT_EQ(farms.size(), 1u);
  EXPECT_EQ(farms[0]["kodreg"], "1");
  EXPECT_EQ(farms[0]["kodvlad"], "1");
  EXPECT_EQ(farms[0]["vlad"], QStringLiteral("ХОЗЯЙСТВО 1"));

  const HerdOpening again = establishHerdContext(app.dm());
  EXPECT_TRUE(again.messages.isEmpty());
  EXPECT_EQ(again.herd.header, first.herd.header);
  EXPECT_EQ(liveRows(folder.file(QStringLiteral("REGION.DBF"))).size(), 1u);
}

TEST(HerdContext, TheFirstRegionWithoutFarmsGetsOneAndFiltersStayOnIt) {
  test::WorkFolder folder;
  test::App app(folder.path());
  HerdTables& dm = app.dm();
  appendRow(dm.region, {{"kodreg", 4}, {"region", QStringLiteral("Озёрный")}});
  appendRow(dm.region, {{"kodreg", 2}, {"region", QStringLiteral("Степной")}});
  appendRow(dm.vlad, {{"vlad", QStringLiteral("Колос")}, {"kodvlad", 3}, {"kodreg", 2}});
  dm.region.setFilter(QStringLiteral("vibor='+'"));
  dm.region.setFiltered(true);
  const HerdOpening o = establishHerdContext(dm);
  EXPECT_EQ(o.messages, QStringList{QStringLiteral("В регионе \"Озёрный\" нет владельцев! Автоматически заведено "
                                                   "ХОЗЯЙСТВО 1. Потом можно переименовать...")});
  EXPECT_EQ(o.herd.regionCode, 4);
  EXPECT_EQ(o.herd.farmCode, 1);
  EXPECT_FALSE(dm.region.filtered());
  EXPECT_EQ(dm.vlad.filter(), QStringLiteral("kodreg=4"));
  EXPECT_TRUE(dm.vlad.filtered());
  EXPECT_EQ(liveRows(folder.file(QStringLiteral("VLAD.DBF"))).size(), 2u);
}
