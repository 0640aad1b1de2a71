// Farm removal in the farms window: the panel of variants, the window's three states and its
// close box, the choice of the target farm, the archive variants, and what each variant leaves
// in both animal tables (read from the files' bytes); the one-walk release of father links
// against bull-by-bull walks over a generated herd.
#include "cows/cow_card.h"
#include "db/data_module.h"
#include "db/protected_scan.h"
#include "herdgen/herdgen.h"
#include "named.h"
#include "reference/farm_removal.h"
#include "reference/farms_window.h"
#include "modal_answers.h"
#include "reference_support.h"
#include "sires/bull_card.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/real_prompts.h"
#include "work_folder.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <algorithm>

using namespace korvel;
using test::liveRows;
using test::button;
using test::named;
using test::appendRow;
using test::shownButtons;

namespace {

const QString kChooseTarget =
    QStringLiteral("Выберите нужное хозяйство, затем нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!");
const QString kTargetCaption = QStringLiteral("Выбор хозяйства, в которое будут переведены животные.");
const QString kMovedDone = QStringLiteral("Удаление хозяйства с переводом животных ВЫПОЛНЕНО!");
const QString kFreedDone = QStringLiteral("Удаление хозяйства со всеми его животными ВЫПОЛНЕНО!");
const QString kNoFarms = QStringLiteral("В этом регионе нет владельцев! Можно только добавить.");
const QStringList kBrowsing = {"Button1", "Button2", "Button3", "Button4", "Button5", "Button6", "Button9"};

// Two regions that both hold a farm with code 1, bulls and cows on both, daughters of the
// farm's bulls standing in other farms and regions and in a free row.
struct Removal {
  test::WorkFolder folder;
  test::App app{folder.path()};
  FarmsWindow& w = *forms().farmsWindow;
  HerdTables& dm = app.dm();

  Removal() {
    appendRow(dm.region, {{"kodreg", 1}, {"region", "Север"}});
    appendRow(dm.region, {{"kodreg", 2}, {"region", "Юг"}});
    farm(1, 1, "Заря");
    farm(1, 2, "Рассвет");
    farm(2, 1, "Заря");
    farm(2, 3, "Восход");
    bull("Буян 1", 1, 1, "5");
    bull(" Гром  ", 1, 1, "6");
    bull("Чужой", 2, 1, "7");
    bull("Соседский", 1, 2, "8");
    cow("Майка", 1, 1, "+", "5");
    cow("Зорька", 1, 1, "+", "7");
    cow("Ночка", 1, 1, "", "5");  // a father named in free text: no link to release
    cow("Дочь-Рассвет", 1, 2, "+", "6");
    cow("Дочь-Юг", 2, 1, "+", "5");
    cow("Юг-1", 2, 1, "+", "8");
    cow("Старая", 0, 0, "+", "6");  // a free row still linked
    dm.korova.close();
    dm.bik.close();
  }
  ~Removal() { w.hide(); }

  void farm(int region, int code, const char* name) {
    appendRow(dm.vlad, {{"vlad", name}, {"kodvlad", code}, {"kodreg", region}});
  }
  void bull(const char* name, int region, int farm, const char* code) {
    appendRow(dm.bik, {{"nokli", name}, {"kodreg", region}, {"kodvlad", farm}, {"kodbyk", code}});
  }
  void cow(const char* name, int region, int farm, const char* base, const char* father) {
    appendRow(dm.korova, {{"nokli", name}, {"kodreg", region}, {"kodvlad", farm}, {"basekod", base}, {"kodbyk", father}});
  }

  // Every live row of a file as "NOKLI R/F BASEKOD|KODBYK" (cows) or "NOKLI R/F KODBYK" (bulls).
  QStringList cows() const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("KOROVA.DBF")))
      out << r["nokli"] + ' ' + r["kodreg"] + '/' + r["kodvlad"] + ' ' + r["basekod"] + '|' + r["kodbyk"];
    return out;
  }
  QStringList bulls() const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("BIK.DBF")))
      out << r["nokli"] + ' ' + r["kodreg"] + '/' + r["kodvlad"] + ' ' + r["kodbyk"];
    return out;
  }
  QStringList farmsOf(int region) const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("VLAD.DBF")))
      if (r["kodreg"] == QString::number(region)) out << r["kodvlad"] + ' ' + r["vlad"];
    return out;
  }

  // Moves the farm list to the farm with this code.
  void goToFarm(int code) {
    db::Table& t = dm.vlad;
    for (t.first(); !t.eof() && t.fieldByName(u"kodvlad").asInteger() != code;) t.next();
    ASSERT_FALSE(t.eof()) << "no farm " << code;
  }
  void pickRegion(int code) {
    app.prompts.pickerActions.push_back([this, code](QDialog&) {
      db::Table& t = dm.region;
      for (t.first(); !t.eof() && t.fieldByName(u"kodreg").asInteger() != code;) t.next();
    });
    button(w, "Button1")->click();
  }
  // Opens the window (on region 1) and asks to remove its farm with this code.
  void startRemoval(int code) {
    w.show();
    goToFarm(code);
    button(w, "Button4")->click();
  }
  void carryOut(QRadioButton* option) {
    option->setChecked(true);
    button(w, "Button7")->click();
  }
  bool hasCloseBox() const {
    return w.windowFlags().testFlag(Qt::WindowCloseButtonHint) &&
           (!w.windowHandle() || w.windowHandle()->flags().testFlag(Qt::WindowCloseButtonHint));
  }
  // The window back in browsing: list shown, panel and target button hidden, close box back.
  void expectBrowsing() {
    EXPECT_EQ(w.removalState(), FarmsWindow::RemovalState::Browsing);
    EXPECT_TRUE(named<DBGrid>(w, "DBGrid1")->isVisible());
    EXPECT_FALSE(named<QGroupBox>(w, "GroupBox1")->isVisible());
    EXPECT_FALSE(button(w, "Button8")->isVisible());
    EXPECT_TRUE(hasCloseBox());
    EXPECT_TRUE(dm.cowsSource.enabled());
    EXPECT_TRUE(dm.bullsSource.enabled());
  }

  const QStringList cowsBefore = {
      "Майка 1/1 +|5",        "Зорька 1/1 +|7", "Ночка 1/1 |5",   "Дочь-Рассвет 1/2 +|6",
      "Дочь-Юг 2/1 +|5",      "Юг-1 2/1 +|8",   "Старая 0/0 +|6",
  };
  const QStringList bullsBefore = {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"};
};

}  // namespace

TEST(FarmRemoval, ThePanelTakesTheWindowAndCancellingChangesNothing) {
  Removal r;
  // A farm name as long as its field: the window still fits the screen.
  r.dm.vlad.setFiltered(false);
  r.goToFarm(2);
  r.dm.vlad.edit();
  r.dm.vlad.fieldByName(u"vlad").setString(QStringLiteral("Рассвет") + QString(200, QChar(u'Ш')));
  r.dm.vlad.post();
  const QString longName = r.dm.vlad.fieldByName(u"vlad").asString();
  const QByteArray cowBytes = [&] {
    QFile f(r.folder.file("KOROVA.DBF"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  r.startRemoval(2);
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingVariant);
  const QString title = named<QGroupBox>(r.w, "GroupBox1")->title();
  EXPECT_TRUE(title.startsWith(QStringLiteral("Удаление хозяйства \"РассветШ"))) << title.toStdString();
  EXPECT_TRUE(title.endsWith(QStringLiteral("\", находящегося в регионе: Север"))) << title.toStdString();
  EXPECT_LE(r.w.width(), 1024);
  EXPECT_LE(r.w.minimumSizeHint().width(), 1024);
  EXPECT_TRUE(named<QGroupBox>(r.w, "GroupBox1")->isVisible());
  EXPECT_FALSE(named<DBGrid>(r.w, "DBGrid1")->isVisible());
  EXPECT_EQ(shownButtons(r.w), QStringList{"Button7"});
  EXPECT_TRUE(named<QRadioButton>(r.w, "RadioButton1")->isChecked());

  // No close box, and no way to close the window meanwhile: each attempt is told why.
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_FALSE(r.w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(r.w.close());
  QTest::keyClick(&r.w, Qt::Key_Escape);
  r.w.reject();
  EXPECT_TRUE(r.w.isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(r.app.prompts.messages, QStringList(3, QStringLiteral("Сначала выберите вариант удаления и нажмите ВЫПОЛНИТЬ.")));
  r.app.prompts.messages.clear();

  r.carryOut(named<QRadioButton>(r.w, "RadioButton1"));
  r.expectBrowsing();
  EXPECT_EQ(shownButtons(r.w), kBrowsing);
  EXPECT_EQ(r.farmsOf(1), QStringList({"1 Заря", "2 " + longName}));
  EXPECT_TRUE(r.app.prompts.messages.isEmpty());
  QFile f(r.folder.file("KOROVA.DBF"));
  f.open(QIODevice::ReadOnly);
  EXPECT_EQ(f.readAll(), cowBytes);
  EXPECT_EQ(r.bulls(), r.bullsBefore);

  // Browsing again: the window closes as usual.
  EXPECT_TRUE(r.w.close());
}

TEST(FarmRemoval, CowsToAChosenFarmOfAnotherRegionWithBullsFreed) {
  Removal r;
  r.w.show();
  const QString caption = r.w.windowTitle();
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton5"));
  // Choosing the target: the farm row is gone, its animals still carry its codes.
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingTarget);
  EXPECT_EQ(r.app.prompts.messages, QStringList{kChooseTarget});
  EXPECT_EQ(r.w.windowTitle(), kTargetCaption);
  EXPECT_EQ(r.farmsOf(1), QStringList{"2 Рассвет"});
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button3", "Button5", "Button6", "Button8", "Button9"}));
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_FALSE(r.w.close());
  QCoreApplication::processEvents();
  EXPECT_EQ(r.app.prompts.messages.value(1),
            QStringLiteral("Сначала выберите хозяйство и нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!"));
  r.app.prompts.messages.removeAt(1);
  EXPECT_EQ(r.cows(), r.cowsBefore);

  // The target is chosen in the other region.
  r.pickRegion(2);
  EXPECT_FALSE(button(r.w, "Button4")->isVisible());
  EXPECT_TRUE(button(r.w, "Button8")->isVisible());
  r.goToFarm(3);
  button(r.w, "Button8")->click();
  EXPECT_EQ(r.app.prompts.messages, QStringList({kChooseTarget, kMovedDone}));
  r.expectBrowsing();
  EXPECT_EQ(shownButtons(r.w), kBrowsing);
  EXPECT_EQ(r.w.windowTitle(), caption) << "the caption asks for a farm only while one is chosen";
  EXPECT_EQ(r.cows(), QStringList({"Майка 2/3 |#Буян 1", "Зорька 2/3 +|7", "Ночка 2/3 |5", "Дочь-Рассвет 1/2 |#Гром",
                                   "Дочь-Юг 2/1 |#Буян 1", "Юг-1 2/1 +|8", "Старая 0/0 |#Гром"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_FALSE(r.dm.korova.isOpen()) << "the cow table is left closed as it was found";
  EXPECT_FALSE(r.dm.bik.isOpen());
}

TEST(FarmRemoval, AllAnimalsToAChosenFarmKeepTheirFatherLinks) {
  Removal r;
  // Tables open under a list filter are given it back.
  r.dm.korova.open();
  r.dm.korova.setFilter("kodreg=2 and kodvlad=1");
  r.dm.korova.setFiltered(true);
  r.dm.bik.open();
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton2"));
  r.goToFarm(2);
  button(r.w, "Button8")->click();
  r.expectBrowsing();
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/2 +|5", "Зорька 1/2 +|7", "Ночка 1/2 |5", "Дочь-Рассвет 1/2 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/2 5", " Гром 1/2 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_EQ(r.dm.korova.filter(), QStringLiteral("kodreg=2 and kodvlad=1"));
  EXPECT_TRUE(r.dm.korova.filtered());
  EXPECT_EQ(r.dm.korova.fieldByName(u"nokli").asString(), QStringLiteral("Дочь-Юг"));
  EXPECT_TRUE(r.dm.bik.isOpen());
  EXPECT_FALSE(r.dm.bik.filtered());
}

TEST(FarmRemoval, ATargetRegionWithoutFarmsIsRefusedAndTheChoiceGoesOn) {
  Removal r;
  appendRow(r.dm.region, {{"kodreg", 3}, {"region", "Пустой"}});
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton2"));
  r.pickRegion(3);
  EXPECT_EQ(r.app.prompts.messages, QStringList({kChooseTarget, kNoFarms}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button8"}));
  button(r.w, "Button8")->click();
  ASSERT_EQ(r.app.prompts.messages.size(), 3);
  EXPECT_TRUE(r.app.prompts.messages[2].startsWith(
      QStringLiteral("В этом регионе нет хозяйства, в которое можно перевести животных!")));
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingTarget);
  EXPECT_TRUE(button(r.w, "Button8")->isVisible());
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_EQ(r.cows(), r.cowsBefore) << "nothing is freed";
  EXPECT_EQ(r.bulls(), r.bullsBefore);

  // A farm added there is a fine target.
  r.app.prompts.texts = {QStringLiteral("Новая")};
  button(r.w, "Button2")->click();
  button(r.w, "Button8")->click();
  EXPECT_EQ(r.app.prompts.messages.last(), kMovedDone);
  r.expectBrowsing();
  EXPECT_EQ(r.cows().first(), QStringLiteral("Майка 3/1 +|5"));
  EXPECT_EQ(r.bulls().first(), QStringLiteral("Буян 1 3/1 5"));
}

TEST(FarmRemoval, ArchiveVariantsCreateTheRegionArchiveOnce) {
  Removal r;
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton3"));
  EXPECT_EQ(r.app.prompts.messages, QStringList{kMovedDone});
  r.expectBrowsing();
  EXPECT_EQ(r.farmsOf(1), QStringList({"2 Рассвет", "0 Архив региона"}));
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button3", "Button4", "Button5", "Button6"}))
      << "the region has its archive now";
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));

  // The second removal finds the archive and frees the bulls.
  r.goToFarm(2);
  button(r.w, "Button4")->click();
  r.carryOut(named<QRadioButton>(r.w, "RadioButton4"));
  EXPECT_EQ(r.app.prompts.messages, QStringList({kMovedDone, kMovedDone}));
  r.expectBrowsing();
  EXPECT_EQ(r.farmsOf(1), QStringList{"0 Архив региона"});
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/0 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 0/0 8"}));
}

TEST(FarmRemoval, AllAnimalsFreedOnlyInTheFarmOfThatRegion) {
  Removal r;
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton6"));
  EXPECT_EQ(r.app.prompts.messages, QStringList{kFreedDone});
  r.expectBrowsing();
  // Farm 1 of region 2 keeps its animals, its daughter of a freed bull loses only the link.
  EXPECT_EQ(r.cows(), QStringList({"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром",
                                   "Дочь-Юг 2/1 |#Буян 1", "Юг-1 2/1 +|8", "Старая 0/0 |#Гром"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));

  // The cows window's next addition takes the first freed row.
  CowWindow& cows = *forms().cowWindow;
  cows.show();
  EXPECT_EQ(cows.herd.farmCode, 2);
  r.app.prompts.texts = {QStringLiteral("Новая")};
  button(cows, "Button1")->click();
  cows.hide();
  EXPECT_EQ(r.cows().first(), QStringLiteral("Новая 1/2 |"));
  r.w.show();

  // Removing the region's last farm leaves the region without farms.
  r.goToFarm(2);
  button(r.w, "Button4")->click();
  r.carryOut(named<QRadioButton>(r.w, "RadioButton6"));
  EXPECT_EQ(r.app.prompts.messages, QStringList({kFreedDone, kFreedDone, kNoFarms}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2"}));
  EXPECT_TRUE(r.farmsOf(1).isEmpty());
  EXPECT_EQ(r.cows()[0], QStringLiteral("Новая 0/0 |"));
  EXPECT_EQ(r.cows()[3], QStringLiteral("Дочь-Рассвет 0/0 |#Гром"));
  EXPECT_EQ(r.bulls()[3], QStringLiteral("Соседский 0/0 8"));
  EXPECT_EQ(r.cows()[5], QStringLiteral("Юг-1 2/1 |#Соседский"));
}

namespace {

// The answer a farms window borrowed as a picker gets: farm `farm` of region `region` removed
// with `option` (no target asked), then the farm (targetRegion, targetFarm) left current.
std::function<void(QDialog&)> removeThenPick(Removal& r, int region, int farm, const char* option,
                                             int targetRegion, int targetFarm) {
  return [&r, region, farm, option, targetRegion, targetFarm](QDialog&) {
    if (region != 1) r.pickRegion(region);
    r.goToFarm(farm);
    button(r.w, "Button4")->click();
    named<QRadioButton>(r.w, option)->setChecked(true);
    button(r.w, "Button7")->click();
    if (targetRegion != region) r.pickRegion(targetRegion);
    r.goToFarm(targetFarm);
  };
}

// Makes the row whose NOKLI reads `name` current, under the table's filter.
void goToAnimal(db::Table& t, const QString& name) {
  for (t.first(); !t.eof() && t.fieldByName(u"nokli").asString() != name;) t.next();
  ASSERT_FALSE(t.eof()) << name.toStdString();
}

// The cows window on farm (region, farm) with the cow `name` on its card.
CowWindow& cowCardOn(Removal& r, int region, int farm, const QString& name) {
  CowWindow& cows = *forms().cowWindow;
  cows.show();
  r.app.prompts.pickerActions.push_back([&r, region, farm](QDialog&) {
    if (region != 1) r.pickRegion(region);
    r.goToFarm(farm);
  });
  button(cows, "Button3")->click();
  goToAnimal(r.dm.korova, name);
  cows.refreshCowCard();
  return cows;
}

}  // namespace

namespace {

// The bulls window with the bull `name` of its list current.
BullWindow& bullCardOn(Removal& r, int farm, const QString& name) {
  BullWindow& bulls = *forms().bullWindow;
  bulls.show();
  r.app.prompts.pickerActions.push_back([&r, farm](QDialog&) { r.goToFarm(farm); });
  button(bulls, "Button3")->click();
  goToAnimal(r.dm.bik, name);
  return bulls;
}

// The bulls window borrowed as the father picker: what the user does there, then the bull left
// current is the father.
std::function<void(QDialog&)> inBullPicker(std::function<void()> steps) {
  return [steps](QDialog&) { steps(); };
}

// Where the callers' cursors stand: KOROVA on the cow `cow`, BIK on the bull `bull` (null: not
// looked at). Checked at the end of a nested operation, before its picker closes.
void expectCursors(Removal& r, const char* cow, const char* bull) {
  for (const auto& [t, name] : {std::pair{&r.dm.korova, cow}, std::pair{&r.dm.bik, bull}})
    if (name) {
      EXPECT_EQ(t->fieldByName(u"nokli").asString().trimmed(), QString::fromUtf8(name).trimmed())
          << "cursor of " << t->tableName().toStdString();
    }
}

// removeThenPick, and the callers' cursors checked after it.
std::function<void(QDialog&)> removeKeeping(Removal& r, int region, int farm, const char* option,
                                            int targetRegion, int targetFarm, const char* cow,
                                            const char* bull = nullptr) {
  auto remove = removeThenPick(r, region, farm, option, targetRegion, targetFarm);
  return [&r, remove, cow, bull](QDialog& w) {
    remove(w);
    expectCursors(r, cow, bull);
  };
}

const QString kCowGone = QStringLiteral("Выбранной коровы больше нет в списке хозяйства. Изменение не записано.");
const QString kBullGone = QStringLiteral("Выбранного быка больше нет в списке хозяйства. Изменение не записано.");

}  // namespace

// Every picker opened by a window that writes into its current cow or bull afterwards, with
// each operation that walks the tables done inside it: the caller's cursor is where it was when
// the picker closes, and what the caller writes goes to the animal it had chosen — or, where the
// operation took that animal out of the caller's list, to no animal at all.
TEST(FarmRemoval, InsidePickersTheCallersCowAndBullStayChosen) {
  enum class Caller { CowCard, BullCard };
  struct Case {
    const char* what;
    Caller caller;
    int region, farm;  // the caller's farm
    const char* animal;
    const char* button;
    std::function<void(Removal&)> script;  // the picker actions and answers
    QStringList cows, bulls;
    QStringList messages;
  };
  const Case cases[] = {
      {"cow card, move: a farm removed with all its animals", Caller::CowCard, 2, 1, "Юг-1", "Button10",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 1, "RadioButton6", 1, 2, "Юг-1"));
       },
       {"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 1/2 +|8", "Старая 0/0 |#Гром"},
       {"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, move: her own farm removed to the archive", Caller::CowCard, 1, 1, "Зорька", "Button10",
       [&](Removal& r) { r.app.prompts.pickerActions.push_back(removeThenPick(r, 1, 1, "RadioButton3", 1, 2)); },
       {"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kMovedDone, kCowGone}},
      {"cow card, another farm: a farm removed", Caller::CowCard, 1, 1, "Зорька", "Button3",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 2, 1, "RadioButton6", 1, 2, "Зорька"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 |#Чужой", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 0/0 +|8", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 0/0 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, father: another farm in the bulls window, a farm removed there", Caller::CowCard, 2, 1, "Юг-1",
       "Button6",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 1, "RadioButton6", 2, 1, "Юг-1"));
           button(*forms().bullWindow, "Button3")->click();
         }));
       },
       {"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 2/1 +|7", "Старая 0/0 |#Гром"},
       {"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, father: a bull added in the bulls window", Caller::CowCard, 1, 1, "Зорька", "Button6",
       [&](Removal& r) {
         r.app.prompts.texts.push_back(QStringLiteral("Новый"));
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           button(*forms().bullWindow, "Button2")->click();
           expectCursors(r, "Зорька", nullptr);
         }));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|9", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8", "Новый 2/1 9"},
       {}},
      {"cow card, father: her father deleted, his daughters released", Caller::CowCard, 1, 1, "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.confirmations = {true, false};
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           button(*forms().bullWindow, "Button7")->click();
           expectCursors(r, "Майка", nullptr);
         }));
       },
       {"Майка 1/1 +|6", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 2/1 +|8", "Старая 0/0 +|6"},
       {"Буян 1 0/0 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {}},
      {"cow card, father: her father deleted with his daughters", Caller::CowCard, 1, 1, "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.confirmations = {true, true};
         r.app.prompts.pickerActions.push_back(inBullPicker([] { button(*forms().bullWindow, "Button7")->click(); }));
       },
       {"Майка 0/0 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 2/1 +|8", "Старая 0/0 +|6"},
       {"Буян 1 0/0 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kCowGone}},
      {"cow card, father: a bull moved in the bulls window, a farm removed in its picker", Caller::CowCard, 1, 1,
       "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           goToAnimal(r.dm.bik, QStringLiteral(" Гром"));
           r.app.prompts.pickerActions.push_back(removeKeeping(r, 2, 1, "RadioButton6", 1, 2, "Майка", " Гром"));
           button(*forms().bullWindow, "Button11")->click();
         }));
       },
       {"Майка 1/1 +|6", "Зорька 1/1 |#Чужой", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 0/0 +|8", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/2 6", "Чужой 0/0 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"bulls window, move: a farm removed to the archive", Caller::BullCard, 1, 1, " Гром", "Button11",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 2, "RadioButton3", 2, 3, nullptr, " Гром"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/0 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 2/3 6", "Чужой 2/1 7", "Соседский 1/0 8"},
       {kMovedDone}},
      {"bulls window, move: his own farm removed to the archive", Caller::BullCard, 1, 1, " Гром", "Button11",
       [&](Removal& r) { r.app.prompts.pickerActions.push_back(removeThenPick(r, 1, 1, "RadioButton3", 1, 2)); },
       {"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kMovedDone, kBullGone, QStringLiteral("В этом хозяйстве нет записей быков. Можно только ДОБАВИТЬ!")}},
      {"bulls window, another farm: a farm removed", Caller::BullCard, 1, 1, "Буян 1", "Button3",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 2, "RadioButton6", 2, 1, nullptr, "Буян 1"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 0/0 +|6", "Дочь-Юг 2/1 +|5",
        "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 0/0 8"},
       {kFreedDone}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Removal r;
    QDialog* window;
    if (c.caller == Caller::CowCard)
      window = &cowCardOn(r, c.region, c.farm, QString::fromUtf8(c.animal));
    else
      window = &bullCardOn(r, c.farm, QString::fromUtf8(c.animal));
    r.app.prompts.messages.clear();
    c.script(r);
    QPushButton* button = window->findChild<QPushButton*>(QString::fromLatin1(c.button));
    ASSERT_TRUE(button) << c.button;
    button->click();
    window->hide();
    if (c.caller == Caller::CowCard) {
      // The cows window shows a farm that is there, never the header of one removed.
      const HerdContext& herd = forms().cowWindow->herd;
      const QStringList farms = r.farmsOf(int(herd.regionCode));
      const QString code = QString::number(herd.farmCode) + ' ';
      EXPECT_TRUE(std::any_of(farms.begin(), farms.end(), [&](const QString& f) { return f.startsWith(code); }))
          << herd.header.toStdString();
      EXPECT_EQ(named<QLabel>(*window, "Label1")->text(), herd.header);
    }
    EXPECT_TRUE(r.app.prompts.pickerActions.empty());
    EXPECT_TRUE(r.app.prompts.confirmations.empty());
    EXPECT_EQ(r.app.prompts.messages, c.messages);
    EXPECT_EQ(r.cows(), c.cows);
    EXPECT_EQ(r.bulls(), c.bulls);
  }
}

// The same through the real windows: the farms window run modally by the cow card, its boxes
// and its text input answered by clicks and keys.
TEST(FarmRemoval, InsideARealPickerTheMoveGoesToTheChosenCow) {
  Removal r;
  CowWindow& cows = cowCardOn(r, 1, 1, QStringLiteral("Зорька"));
  RealPrompts real;
  setPrompts(&real);
  {
    test::ModalAnswers answers;
    answers.act([&](QWidget&) {
      r.goToFarm(2);
      QTest::mouseClick(button(r.w, "Button4"), Qt::LeftButton);
      // On the option's circle: the button is wider than its text.
      auto* option = named<QRadioButton>(r.w, "RadioButton6");
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
      QTest::mouseClick(button(r.w, "Button7"), Qt::LeftButton);
    });
    answers.click(QStringLiteral("OK"));
    answers.act([&](QWidget&) { QTest::mouseClick(button(r.w, "Button2"), Qt::LeftButton); });
    answers.type(QStringLiteral("Новая"), Qt::Key_Return);
    answers.act([&](QWidget& w) {
      r.goToFarm(2);  // the new farm takes the freed code
      w.close();
    });
    QTest::mouseClick(button(cows, "Button10"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown.value(1), kFreedDone);
  }
  setPrompts(&r.app.prompts);
  cows.hide();
  EXPECT_EQ(r.farmsOf(1), QStringList({"1 Заря", "2 Новая"}));
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/1 +|5", "Зорька 1/2 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 0/0 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"}));
}

// The animal taken out of the caller's list inside a picker, through the real windows: the bulls
// window run modally by the cow card, a bull deleted there with his daughters; the farms window
// run by the bulls window, the bull's own farm removed there. The caller says so and writes
// nothing.
TEST(FarmRemoval, InsideRealPickersAnAnimalTakenOutOfTheListGetsNothing) {
  {
    SCOPED_TRACE("the cow card's father");
    // Her father is the only bull of his farm: the bulls window says the farm is empty between
    // its two questions.
    Removal r;
    CowWindow& cows = cowCardOn(r, 2, 1, QStringLiteral("Юг-1"));
    BullWindow& bulls = *forms().bullWindow;
    test::RealPromptsInForce real(r.app.prompts);
    // The bulls window is worked by hand once it is up (its boxes come one after another, and
    // it is in front between them): the answers go to the boxes only.
    test::ModalAnswers answers;
    answers.ignore(bulls);
    answers.click(QStringLiteral("Да. Удаляем."));
    answers.click(QStringLiteral("OK"));
    answers.click(QStringLiteral("Да. Удаляем."));
    answers.click(QStringLiteral("OK"));
    QTimer work;
    work.setInterval(50);
    QObject::connect(&work, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() != &bulls) return;
      work.stop();
      QTest::mouseClick(button(bulls, "Button7"), Qt::LeftButton);
      bulls.close();
    });
    work.start();
    QTest::mouseClick(button(cows, "Button6"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown, QStringList({QStringLiteral("Удаление быка"),
                                          QStringLiteral("В этом хозяйстве нет записей быков. Можно только ДОБАВИТЬ!"),
                                          QStringLiteral("Удаление быка. Продолжение."), kCowGone}));
    cows.hide();
    EXPECT_EQ(r.cows(), QStringList({"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6",
                                     "Дочь-Юг 2/1 +|5", "Юг-1 0/0 +|8", "Старая 0/0 +|6"}));
  }
  {
    SCOPED_TRACE("the bulls window's move");
    Removal r;
    BullWindow& bulls = bullCardOn(r, 1, QStringLiteral(" Гром"));
    test::RealPromptsInForce real(r.app.prompts);
    test::ModalAnswers answers;
    answers.act([&](QWidget&) {
      r.goToFarm(1);
      QTest::mouseClick(button(r.w, "Button4"), Qt::LeftButton);
      auto* option = named<QRadioButton>(r.w, "RadioButton3");
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
      QTest::mouseClick(button(r.w, "Button7"), Qt::LeftButton);
    });
    answers.click(QStringLiteral("OK"));
    answers.act([&](QWidget& w) { w.close(); });
    answers.click(QStringLiteral("OK"));
    answers.click(QStringLiteral("OK"));
    QTest::mouseClick(button(bulls, "Button11"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown.value(1), kMovedDone);
    EXPECT_EQ(answers.shown.value(3), kBullGone);
    EXPECT_EQ(answers.shown.value(4), QStringLiteral("В этом хозяйстве нет записей быков. Можно только ДОБАВИТЬ!"));
    bulls.hide();
    EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  }
}

namespace {

// The release as walking the cows once per freed bull, in the bulls' order, freeing each bull
// after his daughters: what the single walk must come to.
void removeBullByBull(const QString& dir, const FarmKey& farm) {
  db::Table korova(QStringLiteral("korova"), QStringLiteral("KOROVA"));
  db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
  korova.setDirectory(dir);
  bik.setDirectory(dir);
  korova.open();
  bik.open();
  for (bik.first(); !bik.eof(); bik.next()) {
    if (bik.fieldByName(u"kodreg").asInteger() != farm.region || bik.fieldByName(u"kodvlad").asInteger() != farm.farm)
      continue;
    const QString code = bik.fieldByName(u"kodbyk").asString();
    const QString name = QStringLiteral("#") + bik.fieldByName(u"nokli").asString().trimmed();
    for (korova.first(); !korova.eof(); korova.next()) {
      if (korova.fieldByName(u"basekod").asString() != QStringLiteral("+") ||
          korova.fieldByName(u"kodbyk").asString() != code)
        continue;
      korova.edit();
      korova.fieldByName(u"basekod").setString(QString());
      korova.fieldByName(u"kodbyk").setString(name);
      korova.post();
    }
    bik.edit();
    bik.fieldByName(u"kodreg").setInteger(0);
    bik.fieldByName(u"kodvlad").setInteger(0);
    bik.post();
  }
  // The cows of the farm, freed as well.
  for (korova.first(); !korova.eof(); korova.next()) {
    if (korova.fieldByName(u"kodreg").asInteger() != farm.region ||
        korova.fieldByName(u"kodvlad").asInteger() != farm.farm)
      continue;
    korova.edit();
    korova.fieldByName(u"kodreg").setInteger(0);
    korova.fieldByName(u"kodvlad").setInteger(0);
    korova.post();
  }
}

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

}  // namespace

TEST(FatherLinkRelease, OneWalkEqualsOneWalkPerBullEvenWhenTwoFreedBullsShareACode) {
  QTemporaryDir one, perBull;
  herd::HerdOptions o;
  o.cows = 12000;
  o.bulls = 400;
  o.regions = 2;
  o.farmsPerRegion = 4;
  herd::generateHerd(one.path(), o);
  const FarmKey farm{2, 1};

  // The farm's second bull takes the code of its first: the first one names their daughters.
  QString firstName;
  int bullsOfFarm = 0;
  {
    db::Table bik(QStringLiteral("bik"), QStringLiteral("BIK"));
    bik.setDirectory(one.path());
    bik.open();
    QString firstCode;
    for (bik.first(); !bik.eof(); bik.next()) {
      if (bik.fieldByName(u"kodreg").asInteger() != 2 || bik.fieldByName(u"kodvlad").asInteger() != 1) continue;
      if (++bullsOfFarm == 1) {
        firstCode = bik.fieldByName(u"kodbyk").asString();
        firstName = QStringLiteral("#") + bik.fieldByName(u"nokli").asString().trimmed();
      } else if (bullsOfFarm == 2) {
        bik.edit();
        bik.fieldByName(u"kodbyk").setString(firstCode);
        bik.post();
      }
    }
  }
  ASSERT_GE(bullsOfFarm, 10);
  for (const char* name : {"KOROVA.DBF", "BIK.DBF", "REGION.DBF", "VLAD.DBF", "PORODA.DBF"})
    ASSERT_TRUE(QFile::copy(QDir(one.path()).filePath(name), QDir(perBull.path()).filePath(name)));
  removeBullByBull(perBull.path(), farm);

  HerdTables dm(one.path());
  const TransferCount n = transferFarmAnimals(dm, farm, RemovalVariant::AllFreed, {});
  EXPECT_EQ(n.bullsFreed, bullsOfFarm);
  EXPECT_GT(n.cowsFreed, 100);
  EXPECT_GT(n.daughtersReleased, 100);
  EXPECT_FALSE(dm.korova.isOpen());

  EXPECT_EQ(bytesOf(QDir(one.path()).filePath("KOROVA.DBF")), bytesOf(QDir(perBull.path()).filePath("KOROVA.DBF")));
  EXPECT_EQ(bytesOf(QDir(one.path()).filePath("BIK.DBF")), bytesOf(QDir(perBull.path()).filePath("BIK.DBF")));
  int namedByFirst = 0;
  for (const auto& row : liveRows(QDir(one.path()).filePath("KOROVA.DBF")))
    namedByFirst += row["kodbyk"] == firstName.left(20);
  EXPECT_GT(namedByFirst, 0) << "the shared code's daughters carry the first bull's name";
}

TEST(FatherLinkRelease, CodesAreComparedAsStoredAndTheTableStateComesBack) {
  test::WorkFolder folder;
  HerdTables dm(folder.path());
  appendRow(dm.korova, {{"nokli", "a"}, {"basekod", "+"}, {"kodbyk", "12"}});
  appendRow(dm.korova, {{"nokli", "b"}, {"basekod", "+"}, {"kodbyk", "012"}});
  appendRow(dm.korova, {{"nokli", "c"}, {"basekod", "+"}, {"kodbyk", " 12"}});
  appendRow(dm.korova, {{"nokli", "d"}, {"basekod", " "}, {"kodbyk", "12"}});
  appendRow(dm.korova, {{"nokli", "e"}, {"basekod", "+"}, {"kodbyk", "1"}});
  appendRow(dm.korova, {{"nokli", "f"}, {"basekod", "+"}, {"kodbyk", "12"}, {"kodreg", 4}});
  dm.korova.first();
  dm.korova.deleteRecord();  // a deleted row is not seen
  dm.korova.setFilter("kodreg=4");
  dm.korova.setFiltered(true);
  {
    db::ProtectedScan scan(dm.korova, dm.cowsSource);
    EXPECT_EQ(releaseFatherLinks(dm.korova, {{"12", "#Первый"}, {"12", "#Второй"}, {"Ж", "#Ж"}}), 1);
  }
  EXPECT_EQ(dm.korova.filter(), QStringLiteral("kodreg=4"));
  QStringList out;
  for (const auto& row : test::fileRows(folder.file("KOROVA.DBF")))
    out << (row.deleted ? "*" : "") + row["nokli"] + ' ' + row["basekod"] + '|' + row["kodbyk"];
  EXPECT_EQ(out, QStringList({"*a +|12", "b +|012", "c +| 12", "d |12", "e +|1", "f |#Первый"}));
}
