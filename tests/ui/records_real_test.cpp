// The records windows the way a person meets them: every question their buttons ask (the text
// input, the selection key, the delete confirmation, the borrowed list windows and the
// messages) comes up as the real dialog or box and is answered by typing and clicking its
// buttons, over a generated herd. One table of button presses per window family.
#include "cows/cow_card.h"
#include "db/data_module.h"
#include "messages.h"
#include "qt_print.h"
#include "real_windows.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "sires/bull_card.h"
#include "ui/common_dialogs.h"
#include "ui/forms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;
using test::ButtonStep;
using test::fill;
using test::ModalAnswers;
using test::pick;
using test::kBreedPicker;
using test::kDuplicateAnimal;
using test::kHerdPicker;
using test::kNoMatch;
using test::kBullDeleteGoesOn;
using test::kBullPicker;
using test::kNewBullCaption;
using test::kNewCowCaption;
using test::kNoBulls;
using test::kNoDelete;
using test::kRenameCaption;
using test::kYesDelete;

namespace {

const QString kKeyDialog = QStringLiteral("Выделение");
const QString kWrite = QStringLiteral("Записать");
const QString kSelect = QStringLiteral("Выделить");
const QString kOk = QStringLiteral("OK");

QString text(db::Table& t, const char16_t* field) { return t.fieldByName(field).asString(); }
int rows(QWidget& window) { return window.findChild<QTableView*>(QStringLiteral("DBGrid1"))->model()->rowCount(); }
// Whether the window's list shows a row reading `name`.
bool lists(QWidget& window, const QString& name) {
  const QAbstractItemModel* m = window.findChild<QTableView*>(QStringLiteral("DBGrid1"))->model();
  for (int r = 0; r < m->rowCount(); ++r)
    if (m->index(r, 0).data().toString() == name) return true;
  return false;
}

// The answers of one step: `fill` then, when given, a click on the message box's OK.
std::function<void(ModalAnswers&)> typed(const QString& text, const QString& button, bool thenOk = false) {
  return [=](ModalAnswers& a) {
    fill(a, text, button);
    if (thenOk) a.click(kOk);
  };
}
std::function<void(ModalAnswers&)> clicks(QStringList captions) {
  return [=](ModalAnswers& a) {
    for (const QString& c : captions) a.click(c);
  };
}
std::function<void(ModalAnswers&)> picked(int row) {
  return [=](ModalAnswers& a) { pick(a, row); };
}
// The text input dialog's field emptied, closed with Escape, and the refusal's OK clicked.
void emptiedAndEscaped(ModalAnswers& a) {
  a.act([](QWidget& dialog) {
    QLineEdit* field = dialog.findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Escape);
  });
  a.click(kOk);
}

}  // namespace

TEST(CowRecordsRealWindow, EveryQuestionOfTheRecordButtonsAnsweredByClicking) {
  test::RealApp app;
  HerdTables& dm = app.dm();
  db::Table& cow = dm.korova;
  ModalAnswers answers;
  CowWindow& f = *forms().cowWindow;
  test::openModal(f, answers);
  const int farmCows = rows(f);
  ASSERT_GT(farmCows, 1);
  test::runSteps(f, answers, {
      {"Button1", typed(QStringLiteral("Новая 1"), kWrite), {kNewCowCaption},
       [&] {
         EXPECT_EQ(text(cow, u"nokli"), QStringLiteral("Новая 1"));
         EXPECT_TRUE(test::named<QPushButton>(f, "Button5")->isVisible()) << "the new cow is open for entry";
         EXPECT_EQ(rows(f), farmCows + 1);
       }},
      {"Button1", typed(QStringLiteral(" новая 1 "), kWrite, true),
       {kNewCowCaption, kDuplicateAnimal},
       [&] { EXPECT_EQ(rows(f), farmCows + 1); }},
      {"Button11", typed(QStringLiteral("Новая 2"), kWrite),
       {kRenameCaption},
       [&] { EXPECT_EQ(text(cow, u"nokli"), QStringLiteral("Новая 2")); }},
      {"Button8", typed(QStringLiteral("нова"), kSelect), {kKeyDialog}, [&] { EXPECT_EQ(rows(f), 1); }},
      {"Button7", {}, {}, [&] { EXPECT_EQ(rows(f), farmCows + 1); }},
      {"Button8", typed(QStringLiteral("ЖЖЖ"), kSelect, true), {kKeyDialog, kNoMatch},
       [&] { EXPECT_EQ(rows(f), farmCows + 1); }},
      {"Button9", picked(1), {kBreedPicker},
       [&] {
         EXPECT_EQ(test::named<QLineEdit>(f, "Edporoda")->text(), text(dm.poroda, u"poroda"));
         EXPECT_EQ(text(cow, u"kodporod"), text(dm.poroda, u"kodporod"));
       }},
      {"Button6", picked(0),
       {kBullPicker},
       [&] {
         EXPECT_EQ(test::named<QLabel>(f, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных"));
         EXPECT_EQ(test::named<QLineEdit>(f, "Edotec")->text(), text(dm.bik, u"nokli"));
         EXPECT_EQ(text(cow, u"basekod"), QStringLiteral("+"));
       }},
      {"Button4", clicks({kNoDelete}), {QStringLiteral("Удаление коровы")},
       [&] { EXPECT_EQ(rows(f), farmCows + 1); }},
      {"Button10", picked(1), {QStringLiteral("Выбор НОВОГО владельца КОРОВЫ. Выберите (добавьте) и закройте окно.")},
       [&] {
         EXPECT_EQ(f.herd.farmCode, dm.vlad.fieldByName(u"kodvlad").asInteger());
         EXPECT_TRUE(test::named<QLabel>(f, "Label1")->text().endsWith(text(dm.vlad, u"vlad")));
       }},
      {"Button3", picked(0), {kHerdPicker},
       [&] {
         EXPECT_EQ(f.herd.farmCode, dm.vlad.fieldByName(u"kodvlad").asInteger());
         EXPECT_EQ(rows(f), farmCows);
       }},
      {"Button4", clicks({kYesDelete}), {QStringLiteral("Удаление коровы")},
       [&] { EXPECT_EQ(rows(f), farmCows - 1); }},
  });
  f.hide();
}

TEST(BullRecordsRealWindow, EveryQuestionOfTheBullButtonsAnsweredByClicking) {
  test::RealApp app;
  HerdTables& dm = app.dm();
  db::Table& bull = dm.bik;
  ModalAnswers answers;
  BullWindow& f = *forms().bullWindow;
  f.setWindowTitle(QStringLiteral("Быки"));
  test::openModal(f, answers);
  QString deleted;  // the name of the bull deleted with his daughters kept
  int daughters = 0;
  const QString selected = QStringLiteral(" and ot='+'");
  test::runSteps(f, answers, {
      // The farm's bull with daughters: both questions, his daughters kept.
      {"Button7",
       [&](ModalAnswers& a) {
         auto* list = f.findChild<QTableView*>(QStringLiteral("DBGrid1"));
         for (int r = 0; r < list->model()->rowCount() && !daughters; ++r) {
           test::clickCell(list, r, 0);
           daughters = int(bull.fieldByName(u"kolkorov").asInteger());
         }
         ASSERT_GT(daughters, 0) << "no bull with daughters in the farm";
         deleted = text(bull, u"nokli");
         clicks({kYesDelete, kOk, kNoDelete})(a);
       },
       // He was the farm's only bull: the empty farm is said before the second question.
       {QStringLiteral("Удаление быка"), kNoBulls, kBullDeleteGoesOn},
       [&] {
         int kept = 0;
         db::Table& cows = dm.korova;
         cows.open();
         cows.setFiltered(false);
         for (cows.first(); !cows.eof(); cows.next()) kept += text(cows, u"kodbyk") == (QLatin1Char('#') + deleted).left(20);
         EXPECT_EQ(kept, daughters);
       }},
      {"Button2", typed(QStringLiteral("Буян 1"), kWrite), {kNewBullCaption},
       [&] {
         EXPECT_EQ(text(bull, u"nokli"), QStringLiteral("Буян 1"));
         EXPECT_FALSE(test::named<QLineEdit>(f, "Edlin")->isReadOnly()) << "line and birth can be typed at once";
       }},
      {"Button2", typed(QStringLiteral(" буян 1"), kWrite, true),
       {kNewBullCaption, kDuplicateAnimal},
       [&] { EXPECT_EQ(rows(f), 1); }},
      {"Button9", typed(QStringLiteral("Буян 2"), kWrite),
       {kRenameCaption},
       [&] { EXPECT_EQ(text(bull, u"nokli"), QStringLiteral("Буян 2")); }},
      {"Button10", clicks({kOk}), {QStringLiteral("Потомство этого быка не зафиксировано...")}, {}},
      {"Button4", typed(QStringLiteral("буян"), kSelect), {kKeyDialog},
       [&] { EXPECT_TRUE(bull.filter().endsWith(selected)) << bull.filter().toStdString(); }},
      {"Button5", {}, {}, [&] { EXPECT_FALSE(bull.filter().endsWith(selected)); }},
      {"Button4", typed(QStringLiteral("ЖЖЖ"), kSelect, true), {kKeyDialog, kNoMatch},
       [&] { EXPECT_FALSE(bull.filter().endsWith(selected)); }},
      {"Button8", picked(0), {kBreedPicker},
       [&] { EXPECT_EQ(test::named<QLabel>(f, "Label8")->text(), QStringLiteral("Порода (породность): ") + text(dm.poroda, u"poroda")); }},
      {"Button11", picked(1), {QStringLiteral("Выбор НОВОГО владельца БЫКА. Выберите (добавьте) и закройте окно.")},
       [&] { EXPECT_TRUE(test::named<QLabel>(f, "Label3")->text().endsWith(text(dm.vlad, u"vlad"))); }},
      // Back to the farm he left, empty since its only bull was deleted.
      {"Button3",
       [&](ModalAnswers& a) {
         pick(a, 0);
         a.click(kOk);
       },
       {kHerdPicker, kNoBulls},
       [&] {
         EXPECT_TRUE(test::named<QLabel>(f, "Label3")->text().endsWith(text(dm.vlad, u"vlad")));
         EXPECT_TRUE(test::named<QPushButton>(f, "Button2")->isVisible());
         EXPECT_FALSE(test::named<QPushButton>(f, "Button7")->isVisible());
       }},
  });
  f.hide();
}

// A name emptied and the dialog closed is refused, and the bull of the highest code deleted with
// his daughters keeps them: the next bull added takes neither his code nor his figures.
TEST(BullRecordsRealWindow, AnEmptiedNameIsRefusedAndANewBullNeverTakesAFreedFatherCode) {
  test::RealApp app(24, 1, 1);  // one farm: every bull in one list
  db::Table& bull = app.dm().bik;
  ModalAnswers answers;
  BullWindow& f = *forms().bullWindow;
  f.setWindowTitle(QStringLiteral("Быки"));
  test::openModal(f, answers);
  QString name, code;
  test::runSteps(f, answers, {
      {"Button9",
       [&](ModalAnswers& a) {
         auto* list = f.findChild<QTableView*>(QStringLiteral("DBGrid1"));
         int highest = 0;
         long long highestCode = 0;
         for (int r = 0; r < list->model()->rowCount(); ++r) {
           test::clickCell(list, r, 0);
           if (bull.fieldByName(u"kodbyk").asInteger() > highestCode) {
             highestCode = bull.fieldByName(u"kodbyk").asInteger();
             highest = r;
           }
         }
         test::clickCell(list, highest, 0);
         ASSERT_GT(bull.fieldByName(u"kolkorov").asInteger(), 0) << "the bull of the highest code has no daughters";
         name = text(bull, u"nokli");
         code = text(bull, u"kodbyk");
         emptiedAndEscaped(a);
       },
       {kRenameCaption,
        QStringLiteral("Кличка/идентификационный № не введены. Кличка не изменена.")},
       [&] { EXPECT_EQ(text(bull, u"nokli"), name); }},
      {"Button7", clicks({kYesDelete, kYesDelete}),
       {QStringLiteral("Удаление быка"), kBullDeleteGoesOn}, {}},
      {"Button2", typed(QStringLiteral("Новичок 1"), kWrite), {kNewBullCaption},
       [&] {
         EXPECT_EQ(text(bull, u"nokli"), QStringLiteral("Новичок 1"));
         EXPECT_NE(text(bull, u"kodbyk"), code);
         EXPECT_EQ(test::named<QLabel>(f, "Label14")->text(), QStringLiteral("Количество дочек: 0"));
       }},
  });
  f.hide();
}

TEST(ReferenceRealWindows, EveryQuestionOfRegionsFarmsAndBreedsAnsweredByClicking) {
  test::RealApp app;
  HerdTables& dm = app.dm();
  const QString kEnterRegion = QStringLiteral("Введите название нового региона и закройте это окно");
  const QString kEnterFarm = QStringLiteral("Введите название нового хозяйства (владельца) и закройте это окно");
  const QString kEnterBreed = QStringLiteral("Введите название новой породы и закройте это окно");
  struct Window {
    QWidget* window;
    QString title;
    std::vector<ButtonStep> steps;
  };
  RegionsWindow& regions = *forms().regionsWindow;
  FarmsWindow& farms = *forms().farmsWindow;
  BreedsWindow& breeds = *forms().breedsWindow;
  const std::vector<Window> windows = {
      {&regions, QStringLiteral("Работа с регионами"),
       {{"Button1", typed(QStringLiteral("Новый край"), kWrite), {kEnterRegion},
         [&] { EXPECT_EQ(text(dm.region, u"region"), QStringLiteral("Новый край")); }},
        {"Button1", typed(QStringLiteral(" новый КРАЙ"), kWrite, true),
         {kEnterRegion, QStringLiteral("Такой регион уже есть... повтор недопустим.")}, {}},
        {"Button1", emptiedAndEscaped, {kEnterRegion, QStringLiteral("Название не введено. Ничего не записано.")},
         [&] { EXPECT_EQ(text(dm.region, u"region"), QStringLiteral("Новый край")); }},
        {"Button2", typed(QStringLiteral("Новый край 2"), kWrite),
         {QStringLiteral("Уточните (исправьте) название региона и закройте это окно")},
         [&] { EXPECT_EQ(text(dm.region, u"region"), QStringLiteral("Новый край 2")); }},
        {"Button3", typed(QStringLiteral("край 2"), kSelect), {kKeyDialog}, [&] { EXPECT_EQ(rows(regions), 1); }},
        {"Button4", {}, {}, [&] { EXPECT_GT(rows(regions), 1); }},
        {"Button3", typed(QStringLiteral("ЖЖЖ"), kSelect, true), {kKeyDialog, kNoMatch}, {}}}},
      {&farms, QStringLiteral("Работа с владельцами (хозяйствами)"),
       {{"Button2", typed(QStringLiteral("Новое хозяйство"), kWrite), {kEnterFarm},
         [&] { EXPECT_TRUE(lists(farms, QStringLiteral("Новое хозяйство"))); }},
        {"Button2", typed(QStringLiteral("новое хозяйство "), kWrite, true),
         {kEnterFarm, QStringLiteral("Такой владелец (хозяйство) уже есть... повтор недопустим.")}, {}},
        {"Button3", typed(QStringLiteral("Новое хозяйство 2"), kWrite),
         {QStringLiteral("Уточните (исправьте) название хозяйства (владельца) и закройте это окно")},
         [&] { EXPECT_TRUE(lists(farms, QStringLiteral("Новое хозяйство 2"))); }},
        {"Button5", typed(QStringLiteral("хозяйство 2"), kSelect), {kKeyDialog}, [&] { EXPECT_EQ(rows(farms), 1); }},
        {"Button6", {}, {}, [&] { EXPECT_GT(rows(farms), 1); }},
        {"Button5", typed(QStringLiteral("ЖЖЖ"), kSelect, true), {kKeyDialog, kNoMatch}, {}},
        {"Button1", picked(1), {QStringLiteral("Выберите (или запишите новый) нужный регион и закройте это окно")},
         [&] { EXPECT_EQ(dm.vlad.filter(), QStringLiteral("kodreg=") + text(dm.region, u"kodreg")); }}}},
      {&breeds, QStringLiteral("Породы"),
       {{"Button1", typed(QStringLiteral("Тагильская новая"), kWrite), {kEnterBreed},
         [&] { EXPECT_EQ(text(dm.poroda, u"poroda"), QStringLiteral("Тагильская новая")); }},
        {"Button1", typed(QStringLiteral("тагильская НОВАЯ"), kWrite, true),
         {kEnterBreed, QStringLiteral("Такая порода уже есть... повтор недопустим.")}, {}},
        {"Button2", typed(QStringLiteral("Тагильская 2"), kWrite),
         {QStringLiteral("Уточните (исправьте) название породы и закройте это окно")},
         [&] { EXPECT_EQ(text(dm.poroda, u"poroda"), QStringLiteral("Тагильская 2")); }},
        {"Button3", typed(QStringLiteral("ская 2"), kSelect), {kKeyDialog}, [&] { EXPECT_EQ(rows(breeds), 1); }},
        {"Button4", {}, {}, [&] { EXPECT_GT(rows(breeds), 1); }},
        {"Button3", typed(QStringLiteral("ЖЖЖ"), kSelect, true), {kKeyDialog, kNoMatch}, {}}}},
  };
  for (const Window& w : windows) {
    SCOPED_TRACE(w.title.toStdString());
    // Each window its own answers: the regions window answered as a picker in the farms
    // window's steps is not left alone as the window under test.
    ModalAnswers answers;
    w.window->setWindowTitle(w.title);
    test::openModal(*w.window, answers);
    test::runSteps(*w.window, answers, w.steps);
    w.window->hide();
  }
}

// A failure while the card follows a click in its list (here a catalogue row naming no field)
// is told in a box that opens once the click is handled, never inside the list's own signal.
TEST(ListRowChangeRealWindow, AFailingRefreshIsToldAfterTheClickInTheList) {
  test::RealApp app(24, 1, 1);  // one farm: every bull in one list
  HerdTables& dm = app.dm();
  db::Table& xarakt = dm.xarakt;
  xarakt.first();
  xarakt.edit();
  xarakt.fieldByName(u"id").setString(QStringLiteral("x99"));
  xarakt.post();
  const QString failure = QStringLiteral("Таблица KOROVA: поле «x99» не найдено.");
  forms().bullWindow->setWindowTitle(QStringLiteral("Быки"));
  for (QDialog* window : std::initializer_list<QDialog*>{forms().cowWindow, forms().bullWindow}) {
    SCOPED_TRACE(window->windowTitle().toStdString());
    ModalAnswers answers;
    answers.click(kOk);  // the card of the first animal, on opening
    test::openModal(*window, answers);
    test::settle(answers);
    ASSERT_EQ(answers.shown, QStringList{failure});
    auto* list = window->findChild<QTableView*>(QStringLiteral("DBGrid1"));
    ASSERT_GT(list->model()->rowCount(), 1);
    answers.click(kOk);
    test::clickCell(list, 1, 0);
    test::settle(answers);
    EXPECT_EQ(answers.shown, (QStringList{failure, failure}));
    EXPECT_EQ(list->currentIndex().row(), 1);
    window->hide();
  }
}

// The text input dialog opens over the middle of the window that asked, wherever it was shown
// before, and a message box, however short its text, is wide enough for its title.
TEST(DialogsRealWindow, TheTextInputOpensOverItsWindowAndABoxFitsItsTitle) {
  test::RealApp app;
  RegionsWindow& regions = *forms().regionsWindow;
  forms().textInputDialog->move(300, 350);
  ModalAnswers answers;
  test::openModal(regions, answers);
  QRect dialog, box;
  QString title;
  answers.act([&](QWidget& d) {
    dialog = d.frameGeometry();
    QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
  });
  answers.act([&](QWidget& b) {
    box = b.frameGeometry();
    title = b.windowTitle();
    QTest::mouseClick(ModalAnswers::button(b, kOk), Qt::LeftButton);
  });
  test::clickOn(test::named<QPushButton>(regions, "Button1"));
  test::settle(answers);
  ASSERT_EQ(answers.shown.size(), 2);
  const QPoint middle = regions.frameGeometry().center();
  EXPECT_LE((dialog.center() - middle).manhattanLength(), 4) << dialog.center().x() << "," << dialog.center().y();
  EXPECT_GE(box.width(), regions.fontMetrics().horizontalAdvance(title) + 120);
  regions.hide();
}
