// The bulls window offscreen: its two openings, the card of a bull, the empty farm, line and
// birth editing, and the bull operations with their questions and messages.
#include "herd_writer.h"
#include "messages.h"
#include "modal_closer.h"
#include "named.h"
#include "work_folder.h"

#include "cows/cow_card.h"
#include "cows/trait_catalogue.h"
#include "reference/herd_context.h"
#include "sires/bull_card.h"
#include "sires/daughters_window.h"
#include "sires/string_grid.h"
#include "ui/forms.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;
using korvel::test::fieldAt;
using korvel::test::HerdWriter;
using korvel::test::button;
using korvel::test::edit;
using korvel::test::grid;
using korvel::test::label;
using korvel::test::kBullDeleteGoesOn;
using korvel::test::kNewBullCaption;
using korvel::test::kNoBulls;
using korvel::test::kNoDelete;
using korvel::test::kRenameCaption;
using korvel::test::kYesDelete;

namespace {


struct BullCard : ::testing::Test {
  test::WorkFolder folder;
  test::App app{folder.path()};
  HerdTables& dm = app.dm();
  HerdWriter herd{dm};
  BullWindow& card = *forms().bullWindow;

  // Two regions with three farms, a breed; ZORRO (code 12) in СЕВЕР/ЛУЧ with three daughters
  // in two farms, Borka (code 3) beside him without daughters.
  int zorro = 0, borka = 0, daughterInZarya = 0;
  void fillHerd() {
    herd.region(1, "СЕВЕР");
    herd.region(2, "ЮГ");
    herd.farm(1, 1, "ЛУЧ");
    herd.farm(1, 2, "ЗАРЯ");
    herd.farm(2, 1, "ПОЛЕ");
    herd.breed(3, "Голштинская");
    zorro = herd.bull(1, 1, "12", "ZORRO", 3);
    borka = herd.bull(1, 1, "3", "Borka");
    const std::map<QString, QString> common{{"xxx1", "80"}, {"xxx2", "80"}, {"xxx3", "80"},
                                            {"xxx5", "80"}, {"xxx6", "80"}};
    auto with = [&](std::map<QString, QString> extra) {
      extra.insert(common.begin(), common.end());
      return extra;
    };
    herd.cow(1, 1, "Дочь1", "+", "12", with({{"x1", "5"}, {"xx2", "+"}}));
    daughterInZarya = herd.cow(1, 2, "Дочь2", "+", "12", with({{"x1", "5"}, {"xx2", "++"}}));
    herd.cow(1, 1, "Дочь3", "+", "12", with({{"x1", "6"}}));
    herd.cow(2, 1, "Чужая", "", "Неизвестный");
  }

  // What a picker leaves current: the farm (region, farm) in REGION and VLAD.
  void chooseFarm(long long region, long long farm) {
    dm.region.setFiltered(false);
    dm.region.first();
    while (!dm.region.eof() && dm.region.fieldByName(u"kodreg").asInteger() != region) dm.region.next();
    dm.vlad.setFiltered(false);
    dm.vlad.setFilter(QStringLiteral("kodreg=%1").arg(region));
    dm.vlad.setFiltered(true);
    while (!dm.vlad.eof() && dm.vlad.fieldByName(u"kodvlad").asInteger() != farm) dm.vlad.next();
  }

  void open(const QString& caption = "Быки") {
    card.setWindowTitle(caption);
    card.show();
  }
  // Borrowed by the cow card to choose her father: `inside` runs while it is shown.
  void openAsFatherPicker(std::function<void()> inside) {
    app.prompts.pickerActions.push_back([inside = std::move(inside)](QDialog&) { inside(); });
    prompts().showPicker(card, bullPickerCaption(), PickerUse::CowFather);
  }
  void TearDown() override { card.hide(); }

  int line(TraitKind kind, const QString& id) { return lineForId(catalogueRows(dm.xarakt, kind), id); }
  QString cell(QTableWidget* g, TraitKind kind, const QString& id) { return gridText(g, line(kind, id), 1); }

  QStringList visibleButtons() {
    QStringList out;
    for (QPushButton* b : card.findChildren<QPushButton*>())
      if (b->isVisible()) out << b->objectName();
    out.sort();
    return out;
  }
  QString currentName() { return dm.bik.fieldByName(u"nokli").asString(); }
  // The user's Down key in the bull list.
  void nextInList() { QTest::keyClick(test::named<QTableView>(card, "DBGrid1"), Qt::Key_Down); }
};

TEST_F(BullCard, EmptyDatabaseCreatesTheHerdAndWaitsForAnAdd) {
  open();
  ASSERT_EQ(app.prompts.messages.size(), 3);
  EXPECT_EQ(app.prompts.messages[0], noRegionsMessage());
  EXPECT_EQ(app.prompts.messages[1], noFarmsMessage("ГЛАВНЫЙ РЕГИОН"));
  EXPECT_EQ(app.prompts.messages[2], kNoBulls);
  EXPECT_EQ(visibleButtons(), QStringList({"Button2", "Button3", "Button9"}));
  EXPECT_EQ(label(card, "Label3")->text(), "Регион: ГЛАВНЫЙ РЕГИОН Владелец: ХОЗЯЙСТВО 1");
  EXPECT_EQ(grid(card, "StringGrid1")->rowCount(), 1);
  EXPECT_EQ(gridText(grid(card, "StringGrid2"), 0, 1), "  %#%");
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=1");

  // The first bull added shows every figure 0 and the whole set of buttons.
  app.prompts.texts = {"Первый"};
  button(card, "Button2")->click();
  EXPECT_EQ(currentName(), "Первый");
  EXPECT_EQ(cell(grid(card, "StringGrid1"), TraitKind::Linear, "x1"), QString("0") + QLocale::system().decimalPoint() + "00");
  EXPECT_EQ(cell(grid(card, "StringGrid2"), TraitKind::Defect, "xx2"), "0#0");
  EXPECT_EQ(cell(grid(card, "StringGrid3"), TraitKind::Complex, "xxx1"), "0");
  EXPECT_EQ(label(card, "Label15")->text(), "Общая средняя оценка:  0");
  EXPECT_EQ(label(card, "Label16")->text(), "Средняя категория:  Очень плохой");
  EXPECT_EQ(label(card, "Label14")->text(), "Количество дочек: 0");
  EXPECT_EQ(visibleButtons().size(), 10);
  EXPECT_TRUE(card.lineEditMode());
  EXPECT_FALSE(dm.bullsSource.readOnly()) << "the new bull's name can be typed over";
}

TEST_F(BullCard, ShowsTheBullsFiguresOverHisDaughters) {
  fillHerd();
  open();
  EXPECT_TRUE(app.prompts.messages.isEmpty());
  EXPECT_EQ(label(card, "Label3")->text(), "Регион: СЕВЕР Владелец: ЛУЧ");
  EXPECT_EQ(currentName(), "ZORRO");
  const QString sep = QLocale::system().decimalPoint();
  EXPECT_EQ(cell(grid(card, "StringGrid1"), TraitKind::Linear, "x1"), "5" + sep + "33");
  EXPECT_EQ(cell(grid(card, "StringGrid1"), TraitKind::Linear, "x2"), "0" + sep + "00");
  EXPECT_EQ(cell(grid(card, "StringGrid2"), TraitKind::Defect, "xx2"), "67#33");
  EXPECT_EQ(gridText(grid(card, "StringGrid2"), line(TraitKind::Defect, "xx2"), 0), "Общая недоразвитость");
  EXPECT_EQ(gridText(grid(card, "StringGrid2"), 1, 1), "") << "a heading row has no value";
  EXPECT_EQ(cell(grid(card, "StringGrid3"), TraitKind::Complex, "xxx1"), "80");
  EXPECT_EQ(label(card, "Label15")->text(), "Общая средняя оценка:  80");
  EXPECT_EQ(label(card, "Label16")->text(), "Средняя категория:  Хороший с плюсом");
  EXPECT_EQ(label(card, "Label14")->text(), "Количество дочек: 3");
  EXPECT_EQ(label(card, "Label8")->text(), "Порода (породность): Голштинская");
  EXPECT_EQ(fieldAt(dm.bik, zorro, "kolkorov"), "3");
  EXPECT_FALSE(button(card, "Button6")->isVisible());
  EXPECT_FALSE(label(card, "Label1")->isVisible());
  EXPECT_EQ(visibleButtons().size(), 10);

  // Moving to Borka in the list refreshes the card: no daughters, no breed.
  nextInList();
  EXPECT_EQ(currentName(), "Borka");
  EXPECT_EQ(label(card, "Label14")->text(), "Количество дочек: 0");
  EXPECT_EQ(label(card, "Label8")->text(), "Порода (породность): ");
  EXPECT_EQ(cell(grid(card, "StringGrid2"), TraitKind::Defect, "xx2"), "0#0");

  // Opening from the menu again starts at the first region's first farm.
  card.hide();
  chooseFarm(2, 1);
  open();
  EXPECT_EQ(label(card, "Label3")->text(), "Регион: СЕВЕР Владелец: ЛУЧ");
  EXPECT_EQ(currentName(), "ZORRO");
}

TEST_F(BullCard, AsTheFatherPickerItStartsOnTheFathersFarm) {
  fillHerd();
  herd.bull(1, 2, "20", "ЗАРЯ-1");
  // The cow card stands on Дочь2 (farm ЗАРЯ) under its own filter.
  dm.korova.setFilter("kodreg=1 and kodvlad=2");
  dm.korova.setFiltered(true);
  dm.korova.first();
  ASSERT_EQ(dm.korova.recNo(), daughterInZarya);
  openAsFatherPicker([&] {
    EXPECT_EQ(label(card, "Label3")->text(), "Регион: СЕВЕР Владелец: ЛУЧ");
    EXPECT_EQ(currentName(), "ZORRO");
    // Showing bulls leaves the cow card's cow current, with its own filter.
    dm.bik.next();
    EXPECT_EQ(currentName(), "Borka");
  });
  EXPECT_EQ(dm.korova.recNo(), daughterInZarya);
  EXPECT_EQ(dm.korova.filter(), "kodreg=1 and kodvlad=2");
  EXPECT_TRUE(dm.korova.filtered());

  // A cow without a father in the table: her own farm, its first bull.
  dm.korova.setFilter("kodreg=2 and kodvlad=1");
  dm.korova.first();
  openAsFatherPicker([&] {
    EXPECT_EQ(label(card, "Label3")->text(), "Регион: ЮГ Владелец: ПОЛЕ");
    EXPECT_TRUE(dm.bik.isEmpty());
    EXPECT_EQ(app.prompts.messages.last(), kNoBulls);
  });
}

TEST_F(BullCard, LineAndBirthEditing) {
  fillHerd();
  open();
  // Typing without the correction mode shows nothing.
  edit(card, "Edlin")->setText("ЛИНИЯ");
  EXPECT_FALSE(button(card, "Button6")->isVisible());
  button(card, "Button1")->click();
  EXPECT_FALSE(edit(card, "Edlin")->isReadOnly());
  edit(card, "Edlin")->setText("Вис Айдиал 1"); // 12 characters
  edit(card, "Edrogd")->setText("01.02.2015 Луч");
  EXPECT_TRUE(button(card, "Button6")->isVisible());
  EXPECT_TRUE(label(card, "Label1")->isVisible());
  button(card, "Button6")->click();
  EXPECT_FALSE(button(card, "Button6")->isVisible());
  EXPECT_EQ(fieldAt(dm.bik, zorro, "line"), "Вис Айдиал");
  EXPECT_EQ(edit(card, "Edlin")->text(), "Вис Айдиал") << "the edit takes no more than the field holds";
  EXPECT_EQ(fieldAt(dm.bik, zorro, "mesto"), "01.02.2015 Луч");
  EXPECT_TRUE(card.lineEditMode());

  // Unwritten text is asked about when another bull is selected: Отмена stays on the bull with
  // the text, Нет drops it, Да writes it into him before the card follows the list.
  edit(card, "Edlin")->setText("ДРУГАЯ");
  EXPECT_TRUE(label(card, "Label1")->isVisible());
  app.prompts.answers = {Answer::Cancel};
  nextInList();
  QCoreApplication::processEvents();
  EXPECT_EQ(dm.bik.recNo(), zorro);
  EXPECT_EQ(edit(card, "Edlin")->text(), "ДРУГАЯ");
  EXPECT_TRUE(button(card, "Button6")->isVisible());
  app.prompts.answers = {Answer::No};
  nextInList();
  QCoreApplication::processEvents();
  EXPECT_FALSE(button(card, "Button6")->isVisible());
  EXPECT_FALSE(label(card, "Label1")->isVisible());
  EXPECT_FALSE(card.lineEditMode());
  EXPECT_EQ(edit(card, "Edlin")->text(), "");
  EXPECT_EQ(fieldAt(dm.bik, zorro, "line"), "Вис Айдиал");
  QTest::keyClick(test::named<QTableView>(card, "DBGrid1"), Qt::Key_Up);  // back to ZORRO
  ASSERT_EQ(dm.bik.recNo(), zorro);
  button(card, "Button1")->click();
  edit(card, "Edlin")->setText("ТРЕТЬЯ");
  app.prompts.answers = {Answer::Yes};
  card.reject();
  EXPECT_FALSE(card.isVisible());
  EXPECT_EQ(fieldAt(dm.bik, zorro, "line"), "ТРЕТЬЯ");
  EXPECT_EQ(app.prompts.asked, QStringList(3, "Записать изменения?"));
}

TEST_F(BullCard, AddTakesTheNextCodeAndReusesAFreeRow) {
  herd.region(1, "СЕВЕР");
  herd.farm(1, 1, "ЛУЧ");
  herd.farm(1, 2, "ЗАРЯ");
  herd.bull(1, 1, "3", "ZORRO");
  herd.bull(1, 2, "7", "Б7");
  const int freeRow = herd.bull(0, 0, "12", "Удалённый");
  herd.bull(1, 2, "9", "Б9");
  open();

  // A name already in the farm, typed in lower case with blanks: refused, nothing written.
  app.prompts.texts = {" zorro "};
  button(card, "Button2")->click();
  EXPECT_EQ(app.prompts.textCaptions.last(), kNewBullCaption);
  EXPECT_EQ(app.prompts.messages.last(), test::kDuplicateAnimal);
  EXPECT_EQ(currentName(), "ZORRO");
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "kodreg"), "0");

  // An empty name: nothing at all.
  app.prompts.texts = {"   "};
  button(card, "Button2")->click();
  EXPECT_EQ(dm.bik.file().recordCount(), 4u);

  app.prompts.texts = {" zorro "};
  chooseFarm(1, 2);
  app.prompts.pickerActions = {[&](QDialog&) { chooseFarm(1, 2); }};
  button(card, "Button3")->click();
  ASSERT_EQ(card.herd().farmCode, 2);
  button(card, "Button2")->click();
  EXPECT_EQ(dm.bik.file().recordCount(), 4u) << "the free row is reused";
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "nokli"), " zorro");  // the trailing blank is padding
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "kodbyk"), "10");
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "kodvlad"), "2");
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "x5"), "0");
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "xx60"), "0");
  EXPECT_EQ(fieldAt(dm.bik, freeRow, "kolkorov"), "0");
  EXPECT_EQ(dm.bik.recNo(), freeRow);

  // The next one goes to a new row.
  app.prompts.texts = {"Новый"};
  button(card, "Button2")->click();
  EXPECT_EQ(dm.bik.file().recordCount(), 5u);
  EXPECT_EQ(fieldAt(dm.bik, 5, "kodbyk"), "11");
}

// NOKLI holds 20 characters: a longer name is cut before it is compared, on addition and on
// renaming, so that two bulls of a farm never end up stored under one name.
TEST_F(BullCard, NamesAreCutToTheirWidthBeforeTheyAreCompared) {
  herd.region(1, "СЕВЕР");
  herd.farm(1, 1, "ЛУЧ");
  herd.bull(1, 1, "3", "Borka");
  open();
  const QString twenty = QStringLiteral("Длинная-кличка-01234");
  ASSERT_EQ(twenty.size(), 20);
  app.prompts.texts = {twenty, twenty.toLower() + "56789"};
  button(card, "Button2")->click();
  EXPECT_TRUE(app.prompts.messages.isEmpty());
  EXPECT_EQ(currentName(), twenty);
  button(card, "Button2")->click();
  EXPECT_EQ(app.prompts.messages, QStringList{test::kDuplicateAnimal});
  EXPECT_EQ(dm.bik.file().recordCount(), 2u);

  // Renaming Borka to a longer form of that name is refused; to a new long name, it is cut.
  auto goToBorka = [&] {
    for (dm.bik.first(); !dm.bik.eof() && currentName() != "Borka";) dm.bik.next();
  };
  goToBorka();
  app.prompts.texts = {twenty + "XYZ"};
  button(card, "Button9")->click();
  EXPECT_EQ(app.prompts.messages, QStringList({test::kDuplicateAnimal, test::kDuplicateAnimal}));
  goToBorka();
  ASSERT_FALSE(dm.bik.eof());
  app.prompts.texts = {QStringLiteral("Другая-длинная-кличка-00")};
  button(card, "Button9")->click();
  EXPECT_EQ(fieldAt(dm.bik, 1, "nokli"), QStringLiteral("Другая-длинная-кличк"));
}

TEST_F(BullCard, AddingDuringASelectionLeavesTheLastSelectedBullToWorkOn) {
  fillHerd();
  open();
  app.prompts.keys = {"OR"};
  button(card, "Button4")->click();
  ASSERT_EQ(dm.bik.passingRecords().size(), 2u);
  app.prompts.texts = {"Новый"};
  button(card, "Button2")->click();
  // The new bull is not marked: the selection stays without him, on its last bull.
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=1 and ot='+'");
  EXPECT_EQ(dm.bik.passingRecords().size(), 2u);
  EXPECT_EQ(currentName(), "Borka");
  EXPECT_EQ(fieldAt(dm.bik, int(dm.bik.file().recordCount()), "kodbyk"), "13");
  // Nothing of Borka is opened for typing, as it would be for a new bull the card shows.
  EXPECT_TRUE(dm.bullsSource.readOnly());
  EXPECT_TRUE(edit(card, "Edlin")->isReadOnly());
  EXPECT_TRUE(edit(card, "Edrogd")->isReadOnly());
  edit(card, "Edlin")->setText(QStringLiteral("чужая линия"));
  EXPECT_FALSE(button(card, "Button6")->isVisible());

  // The bull shown is the one the buttons work on.
  app.prompts.pickerActions = {[&](QDialog&) {
    dm.poroda.setFiltered(false);
    dm.poroda.first();
  }};
  button(card, "Button8")->click();
  EXPECT_EQ(fieldAt(dm.bik, borka, "kodporod"), "3");
  EXPECT_EQ(label(card, "Label8")->text(), "Порода (породность): Голштинская");
  app.prompts.confirmations = {false};
  button(card, "Button7")->click();
  ASSERT_EQ(app.prompts.questions.size(), 1u);
  EXPECT_EQ(app.prompts.questions[0].label2, "\"Borka\"? У него 0 коров-дочерей.");
  app.prompts.texts = {"Боря"};
  button(card, "Button9")->click();
  EXPECT_EQ(fieldAt(dm.bik, borka, "nokli"), "Боря");
}

TEST_F(BullCard, DeleteAsksAndDetachesOrFreesTheDaughters) {
  fillHerd();
  open();
  // "No" to the first question: nothing changes.
  app.prompts.confirmations = {false};
  button(card, "Button7")->click();
  ASSERT_EQ(app.prompts.questions.size(), 1u);
  const DeleteQuestion& q = app.prompts.questions[0];
  EXPECT_EQ(q.caption, "Удаление быка");
  EXPECT_EQ(q.label1, "Вы действительно хотите удалить быка");
  EXPECT_EQ(q.label2, "\"ZORRO\"? У него 3 коровы-дочери.");
  EXPECT_EQ(q.yesText, kYesDelete);
  EXPECT_EQ(q.noText, kNoDelete);
  EXPECT_EQ(fieldAt(dm.bik, zorro, "kodreg"), "1");

  // Yes, then no for the daughters: they keep his name as free text.
  app.prompts.confirmations = {true, false};
  button(card, "Button7")->click();
  ASSERT_EQ(app.prompts.questions.size(), 3u);
  EXPECT_EQ(app.prompts.questions[2].caption, kBullDeleteGoesOn);
  EXPECT_EQ(app.prompts.questions[2].label1, "Вы удаляете быка \"ZORRO\"?");
  EXPECT_EQ(app.prompts.questions[2].label2, "Надо ли удалять его дочерей?");
  EXPECT_EQ(fieldAt(dm.bik, zorro, "kodreg"), "0");
  EXPECT_EQ(fieldAt(dm.bik, zorro, "kodvlad"), "0");
  for (int cow = 1; cow <= 3; ++cow) {
    EXPECT_EQ(fieldAt(dm.korova, cow, "basekod"), "");
    EXPECT_EQ(fieldAt(dm.korova, cow, "kodbyk"), "#ZORRO");
    EXPECT_NE(fieldAt(dm.korova, cow, "kodreg"), "0");
  }
  EXPECT_EQ(currentName(), "Borka");

  // Borka has no daughters: one question; the farm is then empty.
  app.prompts.confirmations = {true};
  button(card, "Button7")->click();
  EXPECT_EQ(app.prompts.questions.size(), 4u);
  EXPECT_EQ(app.prompts.messages.last(), kNoBulls);
  EXPECT_EQ(visibleButtons(), QStringList({"Button2", "Button3", "Button9"}));

  // After the bull with the highest code is gone, the next bull gets his code again.
  app.prompts.texts = {"Новый"};
  button(card, "Button2")->click();
  EXPECT_EQ(fieldAt(dm.bik, zorro, "kodbyk"), "1");
}

TEST_F(BullCard, DeleteWithDaughtersFreesThemOnYes) {
  fillHerd();
  open();
  app.prompts.confirmations = {true, true};
  button(card, "Button7")->click();
  for (int cow = 1; cow <= 3; ++cow) {
    EXPECT_EQ(fieldAt(dm.korova, cow, "kodreg"), "0");
    EXPECT_EQ(fieldAt(dm.korova, cow, "kodvlad"), "0");
    EXPECT_EQ(fieldAt(dm.korova, cow, "basekod"), "+");
    EXPECT_EQ(fieldAt(dm.korova, cow, "kodbyk"), "12");
  }
  EXPECT_EQ(fieldAt(dm.korova, 4, "kodreg"), "2");
  EXPECT_TRUE(dm.cowsSource.enabled());

  // The freed daughters still name code 12: a new bull never takes it, nor their figures.
  app.prompts.texts = {"Новичок 1"};
  button(card, "Button2")->click();
  EXPECT_EQ(currentName(), "Новичок 1");
  EXPECT_EQ(dm.bik.fieldByName(u"kodbyk").asString(), "13");
  EXPECT_EQ(dm.bik.fieldByName(u"kolkorov").asInteger(), 0);
  EXPECT_EQ(label(card, "Label14")->text(), "Количество дочек: 0");
}

TEST_F(BullCard, MoveRenameBreedAndSwitchOfFarm) {
  fillHerd();
  herd.breed(5, "Черно-пестрая");
  open();

  // Rename to a name another bull of the farm has: refused, the other bull shown.
  app.prompts.texts = {"borka "};
  button(card, "Button9")->click();
  EXPECT_EQ(app.prompts.textCaptions.last(), kRenameCaption);
  EXPECT_EQ(app.prompts.messages.last(), test::kDuplicateAnimal);
  EXPECT_EQ(currentName(), "Borka");
  EXPECT_EQ(fieldAt(dm.bik, zorro, "nokli"), "ZORRO");
  app.prompts.texts = {"Борька"};
  button(card, "Button9")->click();
  EXPECT_EQ(fieldAt(dm.bik, borka, "nokli"), "Борька");

  // Breed from the breeds window.
  app.prompts.pickerActions = {[&](QDialog&) {
    dm.poroda.setFiltered(false);
    dm.poroda.first();
    dm.poroda.next();
  }};
  button(card, "Button8")->click();
  EXPECT_EQ(app.prompts.pickerCaptions.last(),
            "Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно.");
  EXPECT_EQ(label(card, "Label8")->text(), "Порода (породность): Черно-пестрая");
  EXPECT_EQ(fieldAt(dm.bik, borka, "kodporod"), "5");

  // Move Борька to ПОЛЕ: the card follows him there.
  app.prompts.pickerActions = {[&](QDialog&) { chooseFarm(2, 1); }};
  button(card, "Button11")->click();
  EXPECT_EQ(app.prompts.pickerCaptions.last(), "Выбор НОВОГО владельца БЫКА. Выберите (добавьте) и закройте окно.");
  EXPECT_EQ(fieldAt(dm.bik, borka, "kodreg"), "2");
  EXPECT_EQ(fieldAt(dm.bik, borka, "kodvlad"), "1");
  EXPECT_EQ(label(card, "Label3")->text(), "Регион: ЮГ Владелец: ПОЛЕ");
  EXPECT_EQ(currentName(), "Борька");
  EXPECT_EQ(card.herd().regionCode, 2);

  // Switch to ЗАРЯ, which has no bulls.
  app.prompts.pickerActions = {[&](QDialog&) { chooseFarm(1, 2); }};
  button(card, "Button3")->click();
  EXPECT_EQ(app.prompts.pickerCaptions.last(), "Выбор владельца стада. Выберите (добавьте) и закройте окно.");
  EXPECT_EQ(app.prompts.messages.last(), kNoBulls);
  EXPECT_EQ(label(card, "Label3")->text(), "Регион: СЕВЕР Владелец: ЗАРЯ");
  EXPECT_FALSE(button(card, "Button7")->isVisible());
}

TEST_F(BullCard, SelectionCancelAndDaughters) {
  fillHerd();
  herd.bull(1, 1, "14", "Вася");
  herd.bull(1, 2, "15", "ORLIK");  // another farm: not in scope
  open();
  app.prompts.keys = {" or "};
  button(card, "Button4")->click();
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=1 and ot='+'");
  EXPECT_EQ(dm.bik.passingRecords().size(), 2u);
  EXPECT_EQ(fieldAt(dm.bik, 5, "ot"), "") << "another farm's bull is left alone";

  app.prompts.keys = {"ЯЯЯ"};
  button(card, "Button4")->click();
  EXPECT_EQ(app.prompts.messages.last(), test::kNoMatch);
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=1");
  EXPECT_EQ(dm.bik.passingRecords().size(), 3u);

  app.prompts.keys = {"вас"};
  button(card, "Button4")->click();
  EXPECT_EQ(currentName(), "Вася");
  button(card, "Button5")->click();
  EXPECT_EQ(dm.bik.filter(), "kodreg=1 and kodvlad=1");
  EXPECT_EQ(currentName(), "ZORRO");

  // Daughters: the list opens for ZORRO, a message for a bull without any.
  QStringList names;
  test::ModalCloser closer([&](QWidget& w) {
    if (auto* list = qobject_cast<DaughtersWindow*>(&w)) {
      QTableWidget* daughters = grid(*list, "StringGrid1");
      for (int r = 1; r < daughters->rowCount(); ++r) names << gridText(daughters, r, 3);
    }
  });
  button(card, "Button10")->click();
  EXPECT_EQ(closer.titles, QStringList({"Дочери быка \"ZORRO\""}));
  EXPECT_EQ(names, QStringList({"Дочь1", "Дочь2", "Дочь3"}));
  dm.bik.next();
  button(card, "Button10")->click();
  EXPECT_EQ(app.prompts.messages.last(), "Потомство этого быка не зафиксировано...");
}

// What a person sees at the top of a grid's column: the header's text where a header is shown
// there, else the text of the cell scrolled to the top.
QString topText(QTableWidget* g, int column) {
  const QPoint p(g->frameWidth() + g->columnViewportPosition(column) + 4, g->frameWidth() + 3);
  QWidget* at = g->childAt(p);
  QHeaderView* header = g->horizontalHeader();
  if (at && (at == header || header->isAncestorOf(at)))
    return header->model()->headerData(column, Qt::Horizontal).toString();
  const QTableWidgetItem* item = g->itemAt(g->viewport()->mapFrom(g, p));
  return item ? item->text() : QString();
}

// The width a cell gives its text.
int textRoom(QTableWidget* g, int column) {
  return g->columnWidth(column) - 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1);
}

// The card and the daughters list read whole: the category under its caption, the complex means
// short with the locale's decimal separator, and the title rows in view however far the grids
// scroll.
TEST_F(BullCard, FiguresShowWholeAndTitlesStayInView) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  struct LocaleBack {
    ~LocaleBack() { QLocale::setDefault(QLocale::system()); }
  } localeBack;
  herd.region(1, "СЕВЕР");
  herd.farm(1, 1, "ЛУЧ");
  herd.breed(3, "Голштинская");
  herd.bull(1, 1, "7", "Удалой");
  // Thirty daughters scoring 70, 71 and 80 in turn: means of 73.67, the category "Удовлетворительный".
  for (int i = 0; i < 30; ++i) {
    const QString v = QString::number(i % 3 == 0 ? 70 : i % 3 == 1 ? 71 : 80);
    herd.cow(1, 1, QStringLiteral("Дочь %1").arg(i), "+", "7",
             {{"x1", "5"}, {"xxx1", v}, {"xxx2", v}, {"xxx3", v}, {"xxx5", v}, {"xxx6", v}});
  }
  open();
  QApplication::processEvents();

  EXPECT_EQ(label(card, "Label16")->text(), "Средняя категория:  Удовлетворительный");
  EXPECT_EQ(cell(grid(card, "StringGrid1"), TraitKind::Linear, "x1"), "5,00");
  EXPECT_EQ(cell(grid(card, "StringGrid3"), TraitKind::Complex, "xxx1"), "73,67");
  for (int r = 1; r < grid(card, "StringGrid3")->rowCount(); ++r) {
    const QString text = gridText(grid(card, "StringGrid3"), r, 1);
    EXPECT_LE(grid(card, "StringGrid3")->fontMetrics().horizontalAdvance(text), textRoom(grid(card, "StringGrid3"), 1)) << text.toStdString();
  }
  for (QLabel* l : {label(card, "Label15"), label(card, "Label16"), label(card, "Label14")}) {
    const QRect need = l->fontMetrics().boundingRect(l->contentsRect(), int(l->alignment()) | Qt::TextWordWrap, l->text());
    EXPECT_LE(need.height(), l->contentsRect().height()) << l->text().toStdString();
    EXPECT_LE(need.width(), l->contentsRect().width()) << l->text().toStdString();
  }
  EXPECT_LE(label(card, "Label16")->geometry().bottom(), label(card, "Label14")->geometry().top());
  EXPECT_LT(label(card, "Label14")->geometry().bottom(), button(card, "Button8")->geometry().top());

  const auto titlesStay = [](QTableWidget* g, const char* name) {
    g->setFocus();
    QTest::keyClick(g, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    for (int c = 0; c < g->columnCount(); ++c)
      EXPECT_EQ(topText(g, c), gridText(g, 0, c)) << name << ", column " << c;
  };
  titlesStay(grid(card, "StringGrid1"), "linear");
  titlesStay(grid(card, "StringGrid2"), "defects");
  titlesStay(grid(card, "StringGrid3"), "complex");
  DaughtersWindow& daughters = *forms().daughtersWindow;
  daughters.show();
  ASSERT_EQ(grid(daughters, "StringGrid1")->rowCount(), 31);
  titlesStay(grid(daughters, "StringGrid1"), "daughters");
  daughters.hide();
}

}  // namespace
