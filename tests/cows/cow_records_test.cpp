// The record buttons of the cows window: adding (with the reuse of free rows), removing,
// renaming, moving a cow, showing another farm, the breed and father pickers, selection by key
// and its cancelling; checked in the messages, the buttons shown, the list and KOROVA's bytes.
#include "cows/cow_card.h"
#include "cows/cow_records.h"
#include "db/data_module.h"
#include "messages.h"
#include "named.h"
#include "raw_table.h"
#include "reference/farms_window.h"
#include "reference/reference_support.h"
#include "sires/bull_records.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace korvel;
using test::appendRow;
using test::liveRows;
using test::button;
using test::edit;
using test::grid;
using test::label;
using test::named;
using test::shownButtons;
using test::kBreedPicker;
using test::kDuplicateAnimal;
using test::kHerdPicker;
using test::kNoMatch;
using test::kBullPicker;
using test::kNewCowCaption;
using test::kNoDelete;
using test::kRenameCaption;
using test::kYesDelete;

namespace {

const QString kEmptyFarm = QStringLiteral("В этом хозяйстве нет записей коров. Можно только ДОБАВИТЬ!");
const QString kMovePicker = QStringLiteral("Выбор НОВОГО владельца КОРОВЫ. Выберите (добавьте) и закройте окно.");
// The scoring form's buttons stand on every card, an empty farm's too.
const QStringList kFullCard = {"Button1", "Button10", "Button11", "Button2", "Button3", "Button4",
                               "Button6", "Button7",  "Button8",  "Button9", "loadScoresButton",
                               "scoresInstructionButton", "scoringFormButton"};
const QStringList kEmptyCard = {"Button1", "Button11", "Button3", "loadScoresButton", "scoresInstructionButton",
                                "scoringFormButton"};
// The full set with "Записать корректировки характеристик" shown.
QStringList withWriteButton() {
  QStringList l = kFullCard;
  l << "Button5";
  l.sort();
  return l;
}

// Region 1 with farms 1 and 2, region 2 with a farm without cows, two breeds, two bulls; a
// free row full of an old cow's data first in KOROVA, then the cows of farm 1 and one of farm 2.
struct Cows {
  test::WorkFolder folder;
  std::unique_ptr<test::App> app;
  CowWindow* w = nullptr;

  Cows() {
    const QString d = folder.path();
    appendRow(d, "REGION", {{"kodreg", "1"}, {"region", "Север"}});
    appendRow(d, "REGION", {{"kodreg", "2"}, {"region", "Юг"}});
    appendRow(d, "VLAD", {{"kodreg", "1"}, {"kodvlad", "1"}, {"vlad", "Заря"}});
    appendRow(d, "VLAD", {{"kodreg", "1"}, {"kodvlad", "2"}, {"vlad", "Рассвет"}});
    appendRow(d, "VLAD", {{"kodreg", "2"}, {"kodvlad", "1"}, {"vlad", "Восход"}});
    appendRow(d, "PORODA.DBF", {{"kodporod", "1"}, {"poroda", "Голштинская"}});
    appendRow(d, "PORODA.DBF", {{"kodporod", "2"}, {"poroda", "Черно-пестрая"}});
    appendRow(d, "BIK", {{"kodreg", "1"}, {"kodvlad", "1"}, {"kodbyk", "7"}, {"nokli", "Буян"}});
    appendRow(d, "BIK", {{"kodreg", "1"}, {"kodvlad", "1"}, {"kodbyk", "9"}, {"nokli", "Гром"}});
    appendRow(d, "KOROVA", {{"kodreg", "0"}, {"kodvlad", "1"}, {"nokli", "Старая"}, {"kodporod", "2"}, {"basekod", "+"},
                      {"kodbyk", "7"}, {"matnokli", "М-1"}, {"line", "Вис"}, {"data", "15.03.2021"},
                      {"mesto", "2018"}, {"nlakt", "3"}, {"predoc", "хор"}, {"ot", "+"}, {"x1", "5"},
                      {"xx2", "+"}, {"xxx1", "80"}, {"xxx5", "90"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "AB"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "А-123"}, {"kodbyk", "Неизвестный"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "112"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "1-2"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "Ночка"}, {"ot", "+"}});
    appendRow(d, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "2"}, {"nokli", " ночка  "}, {"ot", "+"}});
    app = std::make_unique<test::App>(d);
    w = forms().cowWindow;
  }
  ~Cows() {
    w->hide();
    app.reset();
  }

  // Shown as the main menu shows it: modal, the active window.
  void open() {
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
  }
  HerdTables& dm() { return app->dm(); }
  test::ScriptedPrompts& prompts() { return app->prompts; }
  QString file() const { return folder.file("KOROVA.DBF"); }

  // Live KOROVA rows as "NOKLI R/F" (with "OT" appended when asked).
  QStringList rows(bool marks = false) const {
    QStringList out;
    for (const auto& r : liveRows(file()))
      out << r["nokli"] + ' ' + r["kodreg"] + '/' + r["kodvlad"] + (marks ? ' ' + r["ot"] : QString());
    return out;
  }
  QStringList listed() const {
    QStringList out;
    const QAbstractItemModel* list = named<DBGrid>(*w, "DBGrid1")->model();
    for (int i = 0; i < list->rowCount(); ++i) out << list->index(i, 0).data().toString();
    return out;
  }
  QString current() { return dm().korova.fieldByName(u"nokli").asString(); }
  void goTo(const QString& name) {
    db::Table& t = dm().korova;
    for (t.first(); !t.eof() && t.fieldByName(u"nokli").asString() != name;) t.next();
    ASSERT_FALSE(t.eof()) << name.toStdString();
  }
  // The farms picker moves to region `region`'s farm `farm` (-1: leaves the region empty-handed).
  void pickFarm(int region, int farm) {
    prompts().pickerActions.push_back([this, region, farm](QDialog&) {
      FarmsWindow& farms = *forms().farmsWindow;
      if (region != 1) {
        prompts().pickerActions.push_front([this, region](QDialog&) {
          db::Table& t = dm().region;
          for (t.first(); !t.eof() && t.fieldByName(u"kodreg").asInteger() != region;) t.next();
        });
        button(farms, "Button1")->click();
      }
      db::Table& v = dm().vlad;
      for (v.first(); !v.eof() && v.fieldByName(u"kodvlad").asInteger() != farm;) v.next();
    });
  }
};

}  // namespace

TEST(CowRecords, AddingRefusesANameOfTheFarmAndReusesTheFreeRowBlank) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;

  // " ab " is "AB" of this farm: refused, and "AB" is shown.
  c.goTo("Ночка");
  c.prompts().texts = {" ab ", "   "};
  button(w, "Button1")->click();
  EXPECT_EQ(c.prompts().textCaptions, QStringList{kNewCowCaption});
  EXPECT_EQ(c.prompts().messages, QStringList{kDuplicateAnimal});
  EXPECT_EQ(c.current(), "AB");
  EXPECT_EQ(named<DBGrid>(w, "DBGrid1")->currentIndex().data().toString(), "AB");
  EXPECT_FALSE(w.editingMode());
  // Only blanks: nothing at all.
  button(w, "Button1")->click();
  EXPECT_EQ(c.prompts().messages.size(), 1);
  EXPECT_EQ(c.rows().first(), "Старая 0/1");

  // A new name takes the free row, cleared of the old cow, and is opened for entry.
  c.prompts().texts = {"Новая"};
  button(w, "Button1")->click();
  const auto reused = liveRows(c.file()).front();
  for (const auto& [field, value] : reused.fields) {
    if (field == "KODREG" || field == "KODVLAD") EXPECT_EQ(value, "1") << field.toStdString();
    else if (field == "NOKLI") EXPECT_EQ(value, QStringLiteral("Новая"));
    else EXPECT_TRUE(value.isEmpty()) << field.toStdString() << " still holds " << value.toStdString();
  }
  EXPECT_EQ(c.current(), QStringLiteral("Новая"));
  EXPECT_EQ(c.listed().first(), QStringLiteral("Новая"));
  for (int line = 1; line <= grid(w, "StringGrid1")->rowCount(); ++line)
    EXPECT_EQ(grid(w, "StringGrid1")->item(line - 1, 1)->text(), "") << line;
  EXPECT_EQ(grid(w, "StringGrid3")->item(0, 1)->text(), "");
  EXPECT_EQ(label(w, "Label19")->text(), QStringLiteral("Общая оценка:  0"));
  EXPECT_EQ(label(w, "Label20")->text(), QStringLiteral("Категория:  Очень плохой"));
  EXPECT_EQ(edit(w, "Edporoda")->text(), "");
  EXPECT_EQ(edit(w, "Edotec")->text(), "");
  EXPECT_EQ(edit(w, "Edmat")->text(), "");
  EXPECT_EQ(label(w, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных не установлен!!!"));
  // The entry defaults are shown, not written.
  EXPECT_EQ(edit(w, "Masklakt")->text().trimmed(), "0");
  EXPECT_EQ(edit(w, "MaskEddata")->text(), "01.04.2001");
  EXPECT_TRUE(w.editingMode());
  EXPECT_TRUE(label(w, "Label9")->isVisible());
  EXPECT_EQ(shownButtons(w), withWriteButton());
  for (const char* e : {"Edotec", "Edmat", "Edlin", "Masklakt", "MaskEddata", "Edpred", "Edrogd"})
    EXPECT_FALSE(edit(w, e)->isReadOnly()) << e;
  EXPECT_TRUE(edit(w, "Edporoda")->isReadOnly());
  EXPECT_FALSE(c.dm().cowsSource.readOnly()) << "the list is editable until the next refresh";
  EXPECT_EQ(liveRows(c.file()).front()["nlakt"], "");
  button(w, "Button5")->click();
  EXPECT_EQ(liveRows(c.file()).front()["nlakt"], "0");
  EXPECT_EQ(liveRows(c.file()).front()["data"], "20010401");

  // No free row left: the next one is appended.
  const size_t before = liveRows(c.file()).size();
  c.prompts().texts = {"Вторая"};
  button(w, "Button1")->click();
  EXPECT_EQ(liveRows(c.file()).size(), before + 1);
  EXPECT_EQ(c.rows().last(), QStringLiteral("Вторая 1/1"));
  EXPECT_EQ(c.current(), QStringLiteral("Вторая"));
  EXPECT_EQ(c.prompts().messages.size(), 1);
}

TEST(CowRecords, TheSameNameInAnotherFarmAndNamesCutToTheirWidth) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  // Farm 2 of region 1 takes " ab ": stored without its trailing blank, it still becomes the
  // card's cow, so the defaults offered for writing go to her and not to another cow.
  c.pickFarm(1, 2);
  button(w, "Button3")->click();
  EXPECT_EQ(c.prompts().pickerCaptions, QStringList{kHerdPicker});
  EXPECT_EQ(label(w, "Label1")->text(), QStringLiteral("Регион: Север Владелец: Рассвет"));
  c.prompts().texts = {" ab "};
  button(w, "Button1")->click();
  EXPECT_TRUE(c.prompts().messages.isEmpty());
  EXPECT_EQ(c.rows().first(), QStringLiteral(" ab 1/2"));
  EXPECT_EQ(c.listed(), QStringList({" ab", QStringLiteral(" ночка")}));
  EXPECT_EQ(c.current(), QStringLiteral(" ab"));
  auto nochka = [&] {
    for (const auto& r : liveRows(c.file()))
      if (r["nokli"] == QStringLiteral(" ночка")) return r.fields;
    ADD_FAILURE() << "no cow \" ночка\"";
    return std::map<QString, QString>{};
  };
  const auto nochkaBefore = nochka();
  ASSERT_TRUE(button(w, "Button5")->isVisible());
  button(w, "Button5")->click();
  EXPECT_EQ(nochka(), nochkaBefore);
  c.goTo(" ab");

  // 25 characters whose first 20 are a name of the farm: cut, then refused.
  const QString twenty = QStringLiteral("Длинная-кличка-01234");
  ASSERT_EQ(twenty.size(), 20);
  c.prompts().texts = {twenty, twenty + "56789"};
  button(w, "Button1")->click();
  EXPECT_TRUE(c.prompts().messages.isEmpty());
  EXPECT_EQ(c.current(), twenty);
  button(w, "Button1")->click();
  EXPECT_EQ(c.prompts().messages, QStringList{kDuplicateAnimal});
  EXPECT_EQ(c.rows().count(twenty + " 1/2"), 1);

  // A rename to a long name is cut as well.
  c.goTo(" ночка");
  c.prompts().texts = {twenty.toLower() + "XYZ"};
  button(w, "Button11")->click();
  EXPECT_EQ(c.prompts().messages, QStringList({kDuplicateAnimal, kDuplicateAnimal}));
  EXPECT_EQ(c.current(), twenty);
  c.goTo(" ночка");
  c.prompts().texts = {QStringLiteral("Другая-длинная-кличка-00")};
  button(w, "Button11")->click();
  EXPECT_TRUE(c.rows().contains(QStringLiteral("Другая-длинная-кличк 1/2")));
}

// Pasted names: decomposed letters are stored composed, and a name with characters the table's
// code page lacks is refused naming them, instead of being stored with '?' in their place.
TEST(CowRecords, PastedNamesAreStoredComposedAndUnstorableOnesAreRefused) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  auto bytes = [&] {
    QFile f(c.file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const QByteArray before = bytes();
  const QString lacking = QStringLiteral("В кличке есть знаки, которые нельзя сохранить в таблице: ");
  c.prompts().texts = {QStringLiteral("Renée"), QStringLiteral("Бурёнка 🐄"), QStringLiteral("Зои\u0306ка"),
                       QStringLiteral("зойка ")};
  button(w, "Button1")->click();
  button(w, "Button1")->click();
  EXPECT_EQ(c.prompts().messages, QStringList({lacking + QStringLiteral("é"), lacking + QStringLiteral("🐄")}));
  EXPECT_EQ(bytes(), before);
  button(w, "Button1")->click();
  button(w, "Button1")->click();
  EXPECT_EQ(c.prompts().messages.mid(2), QStringList{kDuplicateAnimal});
  EXPECT_EQ(c.current(), QStringLiteral("Зойка"));
  int zoika = 0;
  for (const auto& r : liveRows(c.file())) zoika += r["nokli"] == QStringLiteral("Зойка");
  EXPECT_EQ(zoika, 1);
}

TEST(CowRecords, RemovingAsksFreesTheRowAndEmptiesTheFarm) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  c.goTo("А-123");
  c.prompts().confirmations = {false, true};
  button(w, "Button4")->click();
  ASSERT_EQ(c.prompts().questions.size(), 1u);
  const DeleteQuestion& q = c.prompts().questions[0];
  EXPECT_EQ(q.caption, QStringLiteral("Удаление коровы"));
  EXPECT_EQ(q.label1, QStringLiteral("Вы действительно хотите удалить корову "));
  EXPECT_EQ(q.label2, QStringLiteral("\"А-123\"?"));
  EXPECT_EQ(q.yesText, kYesDelete);
  EXPECT_EQ(q.noText, kNoDelete);
  EXPECT_TRUE(c.rows().contains(QStringLiteral("А-123 1/1")));

  button(w, "Button4")->click();
  // The row keeps its data but leaves the farm; the next cow is shown.
  const auto all = liveRows(c.file());
  EXPECT_EQ(all[2]["nokli"], QStringLiteral("А-123"));
  EXPECT_EQ(all[2]["kodreg"], "0");
  EXPECT_EQ(all[2]["kodvlad"], "1");
  EXPECT_EQ(all[2]["kodbyk"], QStringLiteral("Неизвестный"));
  EXPECT_EQ(c.listed(), QStringList({"AB", "112", "1-2", QStringLiteral("Ночка")}));
  EXPECT_EQ(c.current(), "112");
  EXPECT_EQ(named<DBGrid>(w, "DBGrid1")->currentIndex().data().toString(), "112");
  EXPECT_TRUE(c.prompts().messages.isEmpty());

  // The only cow of farm 2 removed: the farm is empty.
  c.pickFarm(1, 2);
  button(w, "Button3")->click();
  c.prompts().confirmations = {true};
  button(w, "Button4")->click();
  EXPECT_EQ(c.prompts().messages, QStringList{kEmptyFarm});
  EXPECT_EQ(shownButtons(w), kEmptyCard);
  EXPECT_TRUE(c.listed().isEmpty());

  // Renaming in an empty farm asks nothing and writes nothing.
  const QStringList before = c.rows();
  button(w, "Button11")->click();
  EXPECT_TRUE(c.prompts().textCaptions.isEmpty());
  EXPECT_EQ(c.rows(), before);

  // The first free row ("Старая") is reused first, blank; the removed cows follow.
  c.prompts().texts = {"X", "Y"};
  button(w, "Button1")->click();
  button(w, "Button1")->click();
  EXPECT_EQ(c.rows()[0], QStringLiteral("X 1/2"));
  EXPECT_EQ(c.rows()[2], QStringLiteral("Y 1/2"));
  EXPECT_EQ(liveRows(c.file())[2]["kodbyk"], "");
  EXPECT_EQ(shownButtons(w), withWriteButton());
}

TEST(CowRecords, RemovingTheLastSelectedCowListsTheFarmAndAnEmptyFarmCannotBeEdited) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  // The selection "12" holds two cows; removing both leaves the farm with three.
  c.prompts().keys = {"12"};
  button(w, "Button8")->click();
  ASSERT_EQ(c.listed(), QStringList({"А-123", "112"}));
  c.prompts().confirmations = {true, true};
  button(w, "Button4")->click();
  EXPECT_EQ(c.listed(), QStringList{"112"});
  button(w, "Button4")->click();
  EXPECT_TRUE(c.prompts().messages.isEmpty()) << "the farm still has cows";
  EXPECT_EQ(c.listed(), QStringList({"AB", "1-2", QStringLiteral("Ночка")}));
  EXPECT_EQ(c.dm().korova.filter(), QStringLiteral("kodreg=1 and kodvlad=1"));
  EXPECT_EQ(c.current(), "AB");
  EXPECT_EQ(named<DBGrid>(w, "DBGrid1")->currentIndex().data().toString(), "AB");
  EXPECT_EQ(shownButtons(w), kFullCard);

  // The only cow of farm 2 removed while her card is being corrected: the card keeps what it
  // showed but nothing on it can be changed any more, so no write is offered.
  c.pickFarm(1, 2);
  button(w, "Button3")->click();
  button(w, "Button2")->click();
  ASSERT_TRUE(w.editingMode());
  c.prompts().confirmations = {true};
  button(w, "Button4")->click();
  EXPECT_EQ(c.prompts().messages, QStringList{kEmptyFarm});
  EXPECT_EQ(shownButtons(w), kEmptyCard);
  EXPECT_FALSE(w.editingMode());
  for (const char* e : {"Edporoda", "Edotec", "Edmat", "Edlin", "Masklakt", "MaskEddata", "Edpred", "Edrogd"})
    EXPECT_TRUE(edit(w, e)->isReadOnly()) << e;
  EXPECT_FALSE(grid(w, "StringGrid1")->item(0, 1)->flags() & Qt::ItemIsEditable);
  edit(w, "Edmat")->setText(QStringLiteral("М-9"));
  EXPECT_FALSE(button(w, "Button5")->isVisible());
  EXPECT_FALSE(label(w, "Label9")->isVisible());
}

TEST(CowRecords, RenamingChecksOtherCowsAndDropsTheSelection) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  c.goTo("112");
  c.prompts().texts = {" ab "};
  button(w, "Button11")->click();
  EXPECT_EQ(c.prompts().textCaptions, QStringList{kRenameCaption});
  EXPECT_EQ(c.prompts().messages, QStringList{kDuplicateAnimal});
  EXPECT_EQ(c.current(), "AB") << "the card shows the cow bearing the name";
  EXPECT_TRUE(c.rows().contains("112 1/1"));

  // Its own name in other letters is no clash.
  c.goTo(QStringLiteral("Ночка"));
  c.prompts().texts = {QStringLiteral(" НОЧКА")};
  button(w, "Button11")->click();
  EXPECT_EQ(c.prompts().messages.size(), 1);
  EXPECT_TRUE(c.rows().contains(QStringLiteral(" НОЧКА 1/1")));

  // A selection in force is dropped.
  c.prompts().keys = {"12"};
  button(w, "Button8")->click();
  c.goTo("112");
  c.prompts().texts = {" 112-б "};
  button(w, "Button11")->click();
  EXPECT_EQ(c.prompts().messages.size(), 1);
  EXPECT_TRUE(c.rows().contains(QStringLiteral(" 112-б 1/1")));
  EXPECT_EQ(c.dm().korova.filter(), QStringLiteral("kodreg=1 and kodvlad=1"));
  EXPECT_EQ(c.listed().size(), 5);
  EXPECT_EQ(c.current(), QStringLiteral(" 112-б"));

  // An emptied name is refused: the stored name stays.
  c.prompts().texts = {"", "   "};
  button(w, "Button11")->click();
  button(w, "Button11")->click();
  EXPECT_EQ(c.prompts().messages.mid(1), QStringList(2, QStringLiteral("Кличка/идентификационный № не введены. Кличка не изменена.")));
  EXPECT_EQ(c.current(), QStringLiteral(" 112-б"));
}

TEST(CowRecords, MovingFollowsTheCowEvenToAFarmWithHerName) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  c.goTo(QStringLiteral("Ночка"));
  c.pickFarm(1, 2);
  button(w, "Button10")->click();
  EXPECT_EQ(c.prompts().pickerCaptions, QStringList{kMovePicker});
  EXPECT_TRUE(c.prompts().messages.isEmpty());
  EXPECT_TRUE(c.rows().contains(QStringLiteral("Ночка 1/2")));
  EXPECT_EQ(w.herd.farmCode, 2);
  EXPECT_EQ(label(w, "Label1")->text(), QStringLiteral("Регион: Север Владелец: Рассвет"));
  EXPECT_EQ(c.listed(), QStringList({QStringLiteral("Ночка"), QStringLiteral(" ночка")}));
  EXPECT_EQ(c.current(), QStringLiteral("Ночка"));

  // The same farm: the cow stays, the farm's first cow is shown.
  c.goTo(QStringLiteral(" ночка"));
  c.pickFarm(1, 2);
  button(w, "Button10")->click();
  EXPECT_EQ(c.listed(), QStringList({QStringLiteral("Ночка"), QStringLiteral(" ночка")}));
  EXPECT_EQ(c.current(), QStringLiteral("Ночка"));

  // A region without farms in the picker: the cow stays where she is.
  test::appendRow(c.dm().region, {{"kodreg", 3}, {"region", "Пустой"}});
  const QStringList before = c.rows();
  c.pickFarm(3, 1);
  button(w, "Button10")->click();
  EXPECT_EQ(c.rows(), before);
  EXPECT_EQ(w.herd.farmCode, 2);
  EXPECT_EQ(label(w, "Label1")->text(), QStringLiteral("Регион: Север Владелец: Рассвет"));

  // Another region's farm without cows shown by "Перейти к другому хозяйству".
  c.prompts().messages.clear();
  c.pickFarm(2, 1);
  button(w, "Button3")->click();
  EXPECT_EQ(c.prompts().messages, QStringList{kEmptyFarm});
  EXPECT_EQ(shownButtons(w), kEmptyCard);
  EXPECT_EQ(label(w, "Label1")->text(), QStringLiteral("Регион: Юг Владелец: Восход"));
  EXPECT_EQ(c.dm().korova.filter(), QStringLiteral("kodreg=2 and kodvlad=1"));
}

// A move says whether it wrote: with a cow (bull) current it writes her farm and nothing else;
// with none current (the table closed, an empty list, a row still being appended) it writes
// nothing and says so.
TEST(CowRecords, AMoveSaysWhetherItWroteAndNeverWritesAnAppendedRow) {
  Cows c;
  HerdTables& dm = c.dm();
  const HerdContext to{1, 2, {}};
  const struct {
    db::Table& table;
    bool (*move)(HerdTables&, const HerdContext&);
  } animals[] = {{dm.korova, moveCurrentCow}, {dm.bik, moveCurrentBull}};
  for (const auto& [t, move] : animals) {
    SCOPED_TRACE(t.tableName().toStdString());
    const QString path = c.folder.file(t.tableName() + ".DBF");
    std::vector<test::FileRow> expected = test::fileRows(path);
    t.close();
    EXPECT_FALSE(move(dm, to)) << "closed";
    t.open();
    t.setFilter("kodreg=9");
    t.setFiltered(true);
    EXPECT_FALSE(move(dm, to)) << "an empty list";
    t.setFiltered(false);
    t.append();
    EXPECT_FALSE(move(dm, to)) << "a row being appended";
    t.cancel();
    EXPECT_EQ(test::fileRows(path), expected);

    t.setFilter("kodreg=1");
    t.setFiltered(true);
    t.first();
    const size_t moved = size_t(t.recNo() - 1);
    EXPECT_TRUE(move(dm, to));
    const std::vector<test::FileRow> after = test::fileRows(path);
    ASSERT_EQ(after.size(), expected.size());
    EXPECT_EQ(after[moved].fields.at("KODREG").trimmed(), "1");
    EXPECT_EQ(after[moved].fields.at("KODVLAD").trimmed(), "2");
    for (const char* field : {"KODREG", "KODVLAD"}) expected[moved].fields[field] = after[moved].fields.at(field);
    EXPECT_EQ(after, expected);
  }
}

TEST(CowRecords, BreedAndFatherFromThePickers) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  c.goTo("А-123");
  button(w, "Button2")->click();
  EXPECT_FALSE(edit(w, "Edotec")->isReadOnly()) << "a free-text father is edited in place";
  ASSERT_FALSE(label(w, "Label9")->isVisible());

  c.prompts().pickerActions.push_back([&](QDialog&) {
    db::Table& t = c.dm().poroda;
    for (t.first(); !t.eof() && t.fieldByName(u"kodporod").asInteger() != 2;) t.next();
  });
  button(w, "Button9")->click();
  EXPECT_EQ(c.prompts().pickerCaptions.last(), kBreedPicker);
  EXPECT_EQ(c.prompts().pickerUses.back(), PickerUse::Row);
  EXPECT_EQ(edit(w, "Edporoda")->text(), QStringLiteral("Черно-пестрая"));
  EXPECT_EQ(liveRows(c.file())[2]["kodporod"], "2");
  EXPECT_TRUE(label(w, "Label9")->isVisible()) << "in editing mode the change shows as unsaved";

  c.prompts().pickerActions.push_back([&](QDialog&) {
    db::Table& t = c.dm().bik;
    t.open();
    for (t.first(); !t.eof() && t.fieldByName(u"kodbyk").asString() != "9";) t.next();
  });
  button(w, "Button6")->click();
  EXPECT_EQ(c.prompts().pickerCaptions.last(), kBullPicker);
  // The bulls window is asked for the cow's father, so that it starts on his farm.
  EXPECT_EQ(c.prompts().pickerUses.back(), PickerUse::CowFather);
  EXPECT_EQ(edit(w, "Edotec")->text(), QStringLiteral("Гром"));
  EXPECT_TRUE(edit(w, "Edotec")->isReadOnly());
  EXPECT_EQ(label(w, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных"));
  EXPECT_EQ(liveRows(c.file())[2]["basekod"], "+");
  EXPECT_EQ(liveRows(c.file())[2]["kodbyk"], "9");
  // Writing the corrections keeps the link.
  edit(w, "MaskEddata")->setText("01.04.2001");
  button(w, "Button5")->click();
  EXPECT_EQ(liveRows(c.file())[2]["kodbyk"], "9");
  c.goTo("AB");
  c.goTo("А-123");
  EXPECT_EQ(edit(w, "Edotec")->text(), QStringLiteral("Гром"));

  // Pickers closed on tables without a current row write nothing.
  const QStringList before = c.rows(true);
  const QString breedBefore = liveRows(c.file())[2]["kodporod"];
  c.prompts().pickerActions.push_back([&](QDialog&) {
    c.dm().poroda.setFilter("kodporod=99");
    c.dm().poroda.setFiltered(true);
  });
  button(w, "Button9")->click();
  c.prompts().pickerActions.push_back([&](QDialog&) {
    c.dm().bik.setFilter("kodbyk=99");
    c.dm().bik.setFiltered(true);
  });
  button(w, "Button6")->click();
  EXPECT_EQ(liveRows(c.file())[2]["kodporod"], breedBefore);
  EXPECT_EQ(liveRows(c.file())[2]["kodbyk"], "9");
  EXPECT_EQ(edit(w, "Edporoda")->text(), QStringLiteral("Черно-пестрая"));
  EXPECT_EQ(edit(w, "Edotec")->text(), QStringLiteral("Гром"));
  EXPECT_TRUE(c.prompts().messages.isEmpty());
}

TEST(CowRecords, SelectionByKeyMarksTheFarmOnlyAndCancellingKeepsTheMarks) {
  Cows c;
  c.open();
  CowWindow& w = *c.w;
  c.prompts().keys = {"12"};
  button(w, "Button8")->click();
  EXPECT_EQ(c.listed(), QStringList({"А-123", "112"}));
  EXPECT_EQ(c.dm().korova.filter(), QStringLiteral("kodreg=1 and kodvlad=1 and ot='+'"));
  EXPECT_EQ(c.current(), QStringLiteral("А-123"));
  EXPECT_EQ(c.rows(true), QStringList({QStringLiteral("Старая 0/1 +"), "AB 1/1 ", QStringLiteral("А-123 1/1 +"),
                                       "112 1/1 +", "1-2 1/1 ", QStringLiteral("Ночка 1/1 "),
                                       QStringLiteral(" ночка 1/2 +")}));
  EXPECT_TRUE(c.prompts().messages.isEmpty());

  button(w, "Button7")->click();
  EXPECT_EQ(c.listed().size(), 5);
  EXPECT_EQ(c.current(), "AB");
  EXPECT_EQ(c.rows(true)[2], QStringLiteral("А-123 1/1 +")) << "the marks stay in the file";

  // Lower-case Cyrillic keys find upper-case names; the blank key does nothing.
  c.prompts().keys = {QStringLiteral(" ноч "), " "};
  button(w, "Button8")->click();
  EXPECT_EQ(c.listed(), QStringList{QStringLiteral("Ночка")});
  button(w, "Button8")->click();
  EXPECT_EQ(c.listed(), QStringList{QStringLiteral("Ночка")});

  // No match: every mark of the farm blank, the whole farm listed.
  c.prompts().keys = {"XYZ"};
  button(w, "Button8")->click();
  EXPECT_EQ(c.prompts().messages, QStringList{kNoMatch});
  EXPECT_EQ(c.listed().size(), 5);
  EXPECT_EQ(c.rows(true), QStringList({QStringLiteral("Старая 0/1 +"), "AB 1/1 ", QStringLiteral("А-123 1/1 "),
                                       "112 1/1 ", "1-2 1/1 ", QStringLiteral("Ночка 1/1 "),
                                       QStringLiteral(" ночка 1/2 +")}));
  EXPECT_EQ(shownButtons(w), kFullCard);
}
