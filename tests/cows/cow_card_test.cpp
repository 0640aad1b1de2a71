// The cows window over a farm written here: opening with the herd, the card of the current
// cow, editing with the input checks at each keystroke, the writing of corrections (checked
// against the bytes of KOROVA.DBF), the refresh hook and the help picture.
#include "cows/cow_card.h"
#include "cows/cow_evaluation.h"
#include "db/data_module.h"
#include "db/table.h"
#include "help/jpeg.h"
#include "help/picture_window.h"
#include "herd_writer.h"
#include "messages.h"
#include "modal_closer.h"
#include "named.h"
#include "raw_table.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace korvel;

namespace {

using test::appendRow;
using test::button;
using test::edit;
using test::grid;
using test::label;
using test::named;
using test::RawField;
using test::RawTable;
using test::kComplexOnly;
using test::kDefectOnly;
using test::kLinearOnly;

// Rewrites the XAR of the catalogue row whose ID is `id`.
void setCatalogueText(const QString& dir, const QString& id, const QString& xar) {
  db::Table t(QStringLiteral("xarakt"), QStringLiteral("XARAKT"));
  t.setDirectory(dir);
  t.open();
  for (t.first(); !t.eof(); t.next()) {
    if (t.fieldByName(u"id").asString() != id) continue;
    t.edit();
    t.fieldByName(u"xar").setString(xar);
    t.post();
  }
  t.close();
}

// The names of the fields whose bytes differ between two records.
std::set<QString> changedFields(const RawTable& t, const QByteArray& before, const QByteArray& after) {
  std::set<QString> out;
  for (const RawField& f : t.fields())
    if (before.mid(f.offset, f.width) != after.mid(f.offset, f.width)) out.insert(f.name);
  if (before.left(1) != after.left(1)) out.insert(QStringLiteral("<deletion mark>"));
  return out;
}

// A working folder with one region of two farms, a breed, a bull and four cows: three in the
// farm the window opens on (one with a bull father, one whose father code matches no bull, one
// with a free-text father), one in the other farm, and a free row.
class Herd {
 public:
  explicit Herd(const std::function<void(const QString&)>& beforeStart = {}) {
    const QString dir = folder.path();
    appendRow(dir, "REGION", {{"kodreg", "1"}, {"region", "ЮЖНЫЙ"}});
    appendRow(dir, "VLAD", {{"kodreg", "1"}, {"kodvlad", "1"}, {"vlad", "Колхоз Заря"}});
    appendRow(dir, "VLAD", {{"kodreg", "1"}, {"kodvlad", "2"}, {"vlad", "Ферма Луч"}});
    appendRow(dir, "PORODA.DBF", {{"kodporod", "1"}, {"poroda", "Голштинская"}});
    appendRow(dir, "PORODA.DBF", {{"kodporod", "2"}, {"poroda", "Черно-пестрая"}});
    appendRow(dir, "BIK", {{"kodreg", "1"}, {"kodvlad", "1"}, {"kodbyk", "7"}, {"nokli", "Буян 1234"}});
    appendRow(dir, "KOROVA", {{"kodreg", "0"}, {"kodvlad", "1"}, {"nokli", "Свободная"}});
    appendRow(dir, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "Майка 101"}, {"kodporod", "2"},
                              {"basekod", "+"}, {"kodbyk", "7"}, {"matnokli", "Мать 55"}, {"line", "Вис Айдиал"},
                              {"data", "15.03.2021"}, {"mesto", "2018 Заря"}, {"nlakt", "2"}, {"predoc", "хор"},
                              {"ot", "+"}, {"x1", "5"}, {"x2", "9"}, {"x19", "3"}, {"x25", "4"}, {"xx2", "+"},
                              {"xx3", "++"}, {"xx60", "+"}, {"xxx1", "80"}, {"xxx2", "90"}, {"xxx3", "70"},
                              {"xxx4", "60"}, {"xxx5", "85"}, {"xxx6", "75"}, {"xxx15", "33"}});
    appendRow(dir, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "Зорька"}, {"kodporod", "1"},
                              {"kodbyk", "Неизвестный"}, {"matnokli", "М-2"}, {"data", "01.04.2001"}, {"nlakt", "1"},
                              {"x1", "2"}, {"xxx1", "50"}});
    appendRow(dir, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "1"}, {"nokli", "Дочь"}, {"basekod", "+"}, {"kodbyk", "99"},
                              {"data", "02.02.2022"}});
    appendRow(dir, "KOROVA", {{"kodreg", "1"}, {"kodvlad", "2"}, {"nokli", "Чужая"}});
    if (beforeStart) beforeStart(dir);
    app = std::make_unique<test::App>(dir);
    form = forms().cowWindow;
  }
  ~Herd() {
    form->hide();
    app.reset();
  }

  // The window shown as the main menu shows it: modal, so that it is the active window.
  void open() {
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
  }
  RawTable cows() const { return RawTable(folder.file("KOROVA.DBF")); }
  QString cell(QTableWidget* grid, int line) const {
    const QTableWidgetItem* item = grid->item(line - 1, 1);
    return item ? item->text() : QString("<none>");
  }
  QString text(QTableWidget* grid, int line) const { return grid->item(line - 1, 0)->text(); }

  // Types `keys` over the value cell of `line` as the user does, each key through the input
  // check; no keys empties the cell.
  void type(QTableWidget* grid, int line, const QString& keys) {
    grid->setFocus();
    grid->setCurrentCell(line - 1, 1);
    QTableWidgetItem* item = grid->item(line - 1, 1);
    grid->editItem(item);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(line - 1, 1)));
    ASSERT_NE(editor, nullptr) << "the cell did not open an editor";
    editor->selectAll();
    if (keys.isEmpty()) QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, keys);
    // A refusal's message opens once the keystroke is handled, from the event loop.
    QCoreApplication::processEvents();
  }

  HerdTables& dm() { return app->dm(); }
  test::ScriptedPrompts& prompts() { return app->prompts; }

  test::WorkFolder folder;
  std::unique_ptr<test::App> app;
  CowWindow* form = nullptr;
};

}  // namespace

TEST(CowCardOperations, InputChecksOfTheThreeGrids) {
  for (const QString t : {"", "1", "5", "9"}) EXPECT_FALSE(cellInputRefusal(TraitKind::Linear, t)) << t.toStdString();
  for (const QString t : {"0", "10", "a", " ", " 5", "5 "})
    EXPECT_EQ(cellInputRefusal(TraitKind::Linear, t), kLinearOnly) << t.toStdString();
  for (const QString t : {"", " ", "+", "++"}) EXPECT_FALSE(cellInputRefusal(TraitKind::Defect, t)) << t.toStdString();
  for (const QString t : {"+++", "  ", "-", "+ ", "1"})
    EXPECT_EQ(cellInputRefusal(TraitKind::Defect, t), kDefectOnly) << t.toStdString();
  for (const QString t : {"", "1", "10", "100", "  55", "007"})
    EXPECT_FALSE(cellInputRefusal(TraitKind::Complex, t)) << t.toStdString();
  for (const QString t : {"0", "101", "1000", "5 ", " ", "-5", "+5", "1.5", "99999999999"})
    EXPECT_EQ(cellInputRefusal(TraitKind::Complex, t), kComplexOnly) << t.toStdString();
}

TEST(CowCardOperations, CalvingDateAndCellAccess) {
  EXPECT_EQ(calvingDateOf("31.01.2001"), QDate(2001, 1, 31));
  EXPECT_EQ(calvingDateOf("29.02.2024"), QDate(2024, 2, 29));
  for (const QString t : {"", "__.__.____", "31.02.2001", "29.02.2023", "1_.04.2001", "01.04.200_", "00.04.2001",
                          "01.13.2001", "01.04.0000", "01/04/2001", " 1.04.2001"})
    EXPECT_FALSE(calvingDateOf(t)) << t.toStdString();

  EXPECT_EQ(valueCellAccess(TraitKind::Linear, false, "Рост"), CellAccess::ReadOnly);
  EXPECT_EQ(valueCellAccess(TraitKind::Linear, true, "Вымя!"), CellAccess::Editable);
  EXPECT_EQ(valueCellAccess(TraitKind::Defect, true, "Зад!"), CellAccess::ReadOnly);
  EXPECT_EQ(valueCellAccess(TraitKind::Defect, true, "Зад узкий"), CellAccess::Editable);
  EXPECT_EQ(valueCellAccess(TraitKind::Defect, false, "Зад узкий"), CellAccess::ReadOnly);
  EXPECT_EQ(valueCellAccess(TraitKind::Complex, true, "Вымя"), CellAccess::Editable);
  EXPECT_EQ(valueCellAccess(TraitKind::Complex, false, "Вымя"), CellAccess::Unselectable);
  EXPECT_EQ(valueCellAccess(TraitKind::Complex, true, " в т.ч. копыта"), CellAccess::Unselectable);
  EXPECT_EQ(valueCellAccess(TraitKind::Complex, true, "Итог!"), CellAccess::Unselectable);
  EXPECT_EQ(valueCellAccess(TraitKind::Complex, true, "   "), CellAccess::Unselectable);
}

TEST(CowCard, OpensOnTheFirstFarmWithTheCardOfItsFirstCow) {
  Herd h;
  h.dm().bik.close();
  h.open();
  CowWindow& f = *h.form;
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
  EXPECT_EQ(f.pos(), QPoint(0, 0));
  EXPECT_EQ(f.size(), QSize(1024, 736));
  EXPECT_EQ(label(f, "Label1")->text(), QStringLiteral("Регион: ЮЖНЫЙ Владелец: Колхоз Заря"));
  EXPECT_EQ(f.herd.regionCode, 1);
  EXPECT_EQ(f.herd.farmCode, 1);
  EXPECT_EQ(h.dm().korova.filter(), QStringLiteral("kodreg=1 and kodvlad=1"));
  EXPECT_TRUE(h.dm().korova.filtered());
  ASSERT_EQ(named<DBGrid>(f, "DBGrid1")->model()->rowCount(), 3);
  EXPECT_EQ(named<DBGrid>(f, "DBGrid1")->model()->index(0, 0).data().toString(), QStringLiteral("Майка 101"));
  EXPECT_EQ(named<DBGrid>(f, "DBGrid1")->model()->index(2, 0).data().toString(), QStringLiteral("Дочь"));
  EXPECT_EQ(named<DBGrid>(f, "DBGrid1")->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Идентификацион. № , кличка"));

  // The card of "Майка 101".
  EXPECT_EQ(grid(f, "StringGrid1")->rowCount(), 19);
  EXPECT_EQ(grid(f, "StringGrid2")->rowCount(), 48);
  EXPECT_EQ(grid(f, "StringGrid3")->rowCount(), 6);
  EXPECT_EQ(grid(f, "StringGrid2")->horizontalHeaderItem(1)->text(), QStringLiteral("Оценка"));
  EXPECT_EQ(grid(f, "StringGrid1")->columnWidth(0), 180);
  EXPECT_EQ(h.text(grid(f, "StringGrid1"), 1), QStringLiteral("Рост (высота в крестце)"));
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 1), "5");
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 2), "9");
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 3), "");
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 19), "3");
  EXPECT_EQ(h.cell(grid(f, "StringGrid2"), 1), "");  // a heading shows empty
  EXPECT_EQ(h.cell(grid(f, "StringGrid2"), 2), "+");
  EXPECT_EQ(h.cell(grid(f, "StringGrid2"), 3), "++");
  EXPECT_EQ(h.cell(grid(f, "StringGrid3"), 4), "60");
  // 0.1*80 + 0.2*90 + 0.15*70 + 0*60 + 0.4*85 + 0.15*75 = 81.75
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  82"));
  EXPECT_EQ(label(f, "Label20")->text(), QStringLiteral("Категория:  Хороший с плюсом"));
  EXPECT_EQ(edit(f, "Edporoda")->text(), QStringLiteral("Черно-пестрая"));
  EXPECT_EQ(h.dm().poroda.filter(), QStringLiteral("kodporod=2"));
  EXPECT_EQ(edit(f, "Edotec")->text(), QStringLiteral("Буян 1234"));
  EXPECT_EQ(label(f, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных"));
  EXPECT_FALSE(h.dm().bik.isOpen()) << "the bull lookup leaves the bull table as it found it";
  EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("Мать 55"));
  EXPECT_EQ(edit(f, "Edlin")->text(), QStringLiteral("Вис Айдиал"));
  EXPECT_EQ(edit(f, "Masklakt")->text().trimmed(), "2");
  EXPECT_EQ(edit(f, "MaskEddata")->text(), "15.03.2021");
  EXPECT_EQ(edit(f, "Edpred")->text(), QStringLiteral("хор"));
  EXPECT_EQ(edit(f, "Edrogd")->text(), QStringLiteral("2018 Заря"));

  // Browsing: nothing editable, the write button and the warning hidden, all record buttons.
  EXPECT_FALSE(f.editingMode());
  EXPECT_TRUE(button(f, "Button5")->isHidden());
  EXPECT_TRUE(label(f, "Label9")->isHidden());
  for (const char* e : {"Edporoda", "Edotec", "Edmat", "Edlin", "Masklakt", "MaskEddata", "Edpred", "Edrogd"})
    EXPECT_TRUE(edit(f, e)->isReadOnly()) << e;
  for (const char* b :
       {"Button1", "Button2", "Button3", "Button4", "Button6", "Button7", "Button8", "Button9", "Button10", "Button11"})
    EXPECT_TRUE(button(f, b)->isVisible()) << b;
  EXPECT_FALSE(grid(f, "StringGrid1")->item(0, 1)->flags() & Qt::ItemIsEditable);
  EXPECT_FALSE(grid(f, "StringGrid3")->item(0, 1)->flags() & Qt::ItemIsSelectable);
}

TEST(CowCard, OpeningReadsTheCatalogueAsItNowStands) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  ASSERT_EQ(h.text(grid(f, "StringGrid1"), 1), QStringLiteral("Рост (высота в крестце)"));
  f.hide();
  // The catalogue replaced while the window is closed, as a restore replaces it: the linear
  // section now ends after its first line.
  h.dm().xarakt.close();
  setCatalogueText(h.folder.path(), "x1", QStringLiteral("Рост в холке"));
  setCatalogueText(h.folder.path(), "x2", QStringLiteral(" "));
  h.dm().xarakt.open();
  h.open();
  ASSERT_EQ(grid(f, "StringGrid1")->rowCount(), 1);
  EXPECT_EQ(h.text(grid(f, "StringGrid1"), 1), QStringLiteral("Рост в холке"));
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 1), "5");
  // Writing follows the lines shown: X2, no longer shown, keeps its 9.
  button(f, "Button2")->click();
  h.type(grid(f, "StringGrid1"), 1, "7");
  button(f, "Button5")->click();
  const RawTable cows = h.cows();
  const QByteArray maika = cows.record(2);
  EXPECT_EQ(cows.field(maika, "x1").trimmed(), "7");
  EXPECT_EQ(cows.field(maika, "x2").trimmed(), "9");
}

TEST(CowCard, EmptyDatabaseCreatesTheHerdAndOffersOnlyAdding) {
  test::WorkFolder folder;
  test::App app(folder.path());
  CowWindow& f = *forms().cowWindow;
  f.show();
  EXPECT_EQ(app.prompts.messages,
            QStringList({QStringLiteral("Вы не завели регионы! Автоматически заведен ГЛАВНЫЙ РЕГИОН. Потом можно переименовать..."),
                         QStringLiteral("В регионе \"ГЛАВНЫЙ РЕГИОН\" нет владельцев! Автоматически заведено ХОЗЯЙСТВО 1. "
                                        "Потом можно переименовать..."),
                         QStringLiteral("В этом хозяйстве нет записей коров. Можно только ДОБАВИТЬ!")}));
  EXPECT_EQ(label(f, "Label1")->text(), QStringLiteral("Регион: ГЛАВНЫЙ РЕГИОН Владелец: ХОЗЯЙСТВО 1"));
  EXPECT_EQ(app.dm().korova.filter(), QStringLiteral("kodreg=1 and kodvlad=1"));
  for (const char* b : {"Button2", "Button9", "Button6", "Button5", "Button8", "Button7", "Button4", "Button10"})
    EXPECT_FALSE(button(f, b)->isVisible()) << b;
  for (const char* b : {"Button1", "Button3", "Button11"}) EXPECT_TRUE(button(f, b)->isVisible()) << b;
  f.hide();
}

TEST(CowCard, KeystrokeChecksInTheThreeGridsAndTheScoreWhileEditing) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  // Browsing: a key typed into a cell opens no editor.
  grid(f, "StringGrid1")->setCurrentCell(0, 1);
  QTest::keyClick(grid(f, "StringGrid1"), Qt::Key_7);
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 1), "5");

  button(f, "Button2")->click();
  ASSERT_TRUE(f.editingMode());
  h.type(grid(f, "StringGrid1"), 3, "10");
  EXPECT_EQ(h.prompts().messages, QStringList({kLinearOnly}));
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 3), "");
  EXPECT_TRUE(button(f, "Button5")->isVisible());
  EXPECT_TRUE(label(f, "Label9")->isVisible());
  h.type(grid(f, "StringGrid1"), 4, "7");
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 4), "7");
  EXPECT_EQ(h.prompts().messages.size(), 1);

  // Complex: 100 accepted and scored at once; 0 typed first refused; 101 loses the 10 too.
  h.prompts().messages.clear();
  h.type(grid(f, "StringGrid3"), 5, "100");  // Вымя, weight 0.40: 81.75 - 34 + 40 = 87.75
  EXPECT_EQ(h.cell(grid(f, "StringGrid3"), 5), "100");
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  88"));
  EXPECT_EQ(label(f, "Label20")->text(), QStringLiteral("Категория:  Отличный"));
  EXPECT_TRUE(h.prompts().messages.isEmpty());
  h.type(grid(f, "StringGrid3"), 1, "0");
  EXPECT_EQ(h.cell(grid(f, "StringGrid3"), 1), "");
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  80"));  // 87.75 - 8
  h.type(grid(f, "StringGrid3"), 2, "101");
  EXPECT_EQ(h.cell(grid(f, "StringGrid3"), 2), "");
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  62"));  // 79.75 - 18
  EXPECT_EQ(label(f, "Label20")->text(), QStringLiteral("Категория:  Плохой"));
  EXPECT_EQ(h.prompts().messages, QStringList({kComplexOnly, kComplexOnly}));

  // Defects: a blank stays without a message; the third plus is refused.
  h.prompts().messages.clear();
  h.type(grid(f, "StringGrid2"), 4, " ");
  EXPECT_EQ(h.cell(grid(f, "StringGrid2"), 4), " ");
  EXPECT_TRUE(h.prompts().messages.isEmpty());
  h.type(grid(f, "StringGrid2"), 6, "+++");
  EXPECT_EQ(h.cell(grid(f, "StringGrid2"), 6), "");
  EXPECT_EQ(h.prompts().messages, QStringList({kDefectOnly}));
  // Changes in the defects and linear traits leave the score alone.
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  62"));
}

TEST(CowCard, EditabilityOfHeadingsAndSubRowsAndTheirColours) {
  Herd h([](const QString& dir) {
    setCatalogueText(dir, "x3", QStringLiteral("Туловище!"));
    setCatalogueText(dir, "xxx6", QStringLiteral("Итог!"));
  });
  h.open();
  CowWindow& f = *h.form;
  button(f, "Button2")->click();
  auto flags = [](QTableWidget* g, int line) { return g->item(line - 1, 1)->flags(); };
  EXPECT_TRUE(flags(grid(f, "StringGrid1"), 3) & Qt::ItemIsEditable) << "linear headings are editable";
  EXPECT_FALSE(flags(grid(f, "StringGrid2"), 1) & Qt::ItemIsEditable);
  EXPECT_TRUE(flags(grid(f, "StringGrid2"), 1) & Qt::ItemIsSelectable);
  EXPECT_TRUE(flags(grid(f, "StringGrid2"), 2) & Qt::ItemIsEditable);
  EXPECT_TRUE(flags(grid(f, "StringGrid3"), 1) & Qt::ItemIsEditable);
  EXPECT_FALSE(flags(grid(f, "StringGrid3"), 4) & (Qt::ItemIsSelectable | Qt::ItemIsEditable)) << "sub-row";
  EXPECT_FALSE(flags(grid(f, "StringGrid3"), 6) & (Qt::ItemIsSelectable | Qt::ItemIsEditable)) << "heading";
  for (const char* g : {"StringGrid1", "StringGrid2", "StringGrid3"})
    EXPECT_FALSE(grid(f, g)->item(0, 0)->flags() & (Qt::ItemIsSelectable | Qt::ItemIsEditable)) << "trait texts are fixed";
  // The heading's weight no longer counts: (81.75 - 11.25) = 70.5 -> 70.
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  70"));

  // Headings red in the defect and complex grids, sub-rows green; the linear grid uncoloured
  // (text is antialiased: near the colour is enough).
  auto hasColour = [](QTableWidget* g, int line, const QColor& c) {
    const QRect r = g->visualRect(g->model()->index(line - 1, 0));
    const QImage image = g->viewport()->grab(r).toImage();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (const QColor p = image.pixelColor(x, y);
            std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 && std::abs(p.blue() - c.blue()) < 40)
          return true;
    return false;
  };
  const QColor red(255, 0, 0), green(0, 128, 0);
  EXPECT_TRUE(hasColour(grid(f, "StringGrid2"), 1, red));
  EXPECT_FALSE(hasColour(grid(f, "StringGrid2"), 2, red));
  EXPECT_TRUE(hasColour(grid(f, "StringGrid3"), 4, green));
  EXPECT_TRUE(hasColour(grid(f, "StringGrid3"), 6, red));
  EXPECT_FALSE(hasColour(grid(f, "StringGrid1"), 3, red));
}

TEST(CowCard, WritingChangesExactlyTheShownFields) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  const int recNo = h.dm().korova.recNo();
  ASSERT_EQ(recNo, 2);
  const RawTable before = h.cows();

  // A write without changes leaves the row byte for byte as it was.
  button(f, "Button2")->click();
  button(f, "Button5")->click();
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
  EXPECT_EQ(h.cows().record(recNo), before.record(recNo));

  h.type(grid(f, "StringGrid1"), 1, "6");
  h.type(grid(f, "StringGrid1"), 2, "");
  h.type(grid(f, "StringGrid2"), 2, " ");
  h.type(grid(f, "StringGrid2"), 6, "++");
  h.type(grid(f, "StringGrid3"), 6, "");
  edit(f, "Edmat")->setText(QStringLiteral("Мать 56 с очень длинным номером"));
  edit(f, "Edlin")->setText(QStringLiteral("Силинг"));
  edit(f, "Edotec")->setText(QStringLiteral("не пишется"));  // a database father is not written from the edit
  edit(f, "MaskEddata")->setText("20.05.2022");
  edit(f, "Edpred")->setText("отл");
  edit(f, "Edrogd")->setText("2019");
  EXPECT_TRUE(button(f, "Button5")->isVisible());
  button(f, "Button5")->click();
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
  EXPECT_TRUE(button(f, "Button5")->isHidden());
  EXPECT_TRUE(label(f, "Label9")->isHidden());
  EXPECT_TRUE(f.editingMode()) << "editing stays on after a write";

  const RawTable after = h.cows();
  EXPECT_EQ(after.bytes().size(), before.bytes().size());
  const QByteArray a = after.record(recNo), b = before.record(recNo);
  EXPECT_EQ(changedFields(after, b, a),
            (std::set<QString>{"x1", "x2", "xx2", "xx6", "xxx6", "matnokli", "line", "data", "predoc", "mesto"}));
  EXPECT_EQ(after.field(a, "x1").trimmed(), "6");
  EXPECT_EQ(after.field(a, "x2").trimmed(), "");
  EXPECT_EQ(after.field(a, "xx2"), "  ");
  EXPECT_EQ(after.field(a, "xx6"), "++");
  EXPECT_EQ(after.field(a, "xxx6").trimmed(), "");
  EXPECT_EQ(after.field(a, "data"), "20220520");
  EXPECT_EQ(QString::fromLocal8Bit(after.field(a, "mesto")).trimmed(), "2019");
  EXPECT_EQ(after.field(a, "matnokli").size(), 20) << "cut to the field's width";
  // Every other row untouched.
  for (int r = 1; r <= 5; ++r)
    if (r != recNo) {
      EXPECT_EQ(after.record(r), before.record(r)) << r;
    }
}

TEST(CowCard, WrongCalvingDateWritesNothing) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  const int recNo = h.dm().korova.recNo();
  const QByteArray before = h.cows().record(recNo);
  button(f, "Button2")->click();
  h.type(grid(f, "StringGrid1"), 1, "8");
  for (const QString date : {"31.02.2021", "1", ""}) {
    h.prompts().messages.clear();
    edit(f, "MaskEddata")->setText(date);
    button(f, "Button5")->click();
    EXPECT_EQ(h.prompts().messages, QStringList({QStringLiteral("Дата отела введена ошибочно!! Пример: 31.01.2001")}))
        << date.toStdString();
    EXPECT_EQ(h.cows().record(recNo), before);
    EXPECT_TRUE(button(f, "Button5")->isVisible());
    EXPECT_TRUE(label(f, "Label9")->isVisible());
  }
  EXPECT_EQ(h.dm().korova.state(), db::TableState::Browse);
}

TEST(CowCard, BlankLactationIsWrittenAsZeroAndFreeTextFatherIsEditable) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  named<DBGrid>(f, "DBGrid1")->setCurrentIndex(named<DBGrid>(f, "DBGrid1")->model()->index(1, 0));
  ASSERT_EQ(h.dm().korova.fieldByName(u"nokli").asString(), QStringLiteral("Зорька"));
  EXPECT_EQ(edit(f, "Edotec")->text(), QStringLiteral("Неизвестный"));
  EXPECT_EQ(label(f, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных не установлен!!!"));
  EXPECT_EQ(edit(f, "Edporoda")->text(), QStringLiteral("Голштинская"));
  EXPECT_EQ(label(f, "Label19")->text(), QStringLiteral("Общая оценка:  5"));  // 0.1 * 50
  EXPECT_EQ(label(f, "Label20")->text(), QStringLiteral("Категория:  Очень плохой"));

  button(f, "Button2")->click();
  EXPECT_FALSE(edit(f, "Edotec")->isReadOnly());
  EXPECT_TRUE(edit(f, "Edporoda")->isReadOnly());
  edit(f, "Masklakt")->setText("");
  EXPECT_TRUE(button(f, "Button5")->isVisible()) << "a particular's change in editing mode is a change";
  edit(f, "Edotec")->setText(QStringLiteral("Отец-2"));
  button(f, "Button5")->click();
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
  EXPECT_EQ(h.dm().korova.fieldByName(u"nlakt").asString(), "0");
  EXPECT_EQ(h.dm().korova.fieldByName(u"kodbyk").asString(), QStringLiteral("Отец-2"));
  EXPECT_EQ(edit(f, "Masklakt")->text().trimmed(), "0") << "the card shows what was stored";
}

// Every particular takes no more than its field holds, so the card shows what is stored.
TEST(CowCard, ParticularsTakeNoMoreThanTheirFieldsHold) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  named<DBGrid>(f, "DBGrid1")->setCurrentIndex(named<DBGrid>(f, "DBGrid1")->model()->index(1, 0));
  ASSERT_EQ(h.dm().korova.fieldByName(u"basekod").asString(), "") << "a free-text father";
  button(f, "Button2")->click();
  const std::pair<const char*, const char16_t*> particulars[] = {
      {"Edmat", u"matnokli"}, {"Edlin", u"line"}, {"Edpred", u"predoc"}, {"Edrogd", u"mesto"}, {"Edotec", u"kodbyk"}};
  for (const auto& [name, field] : particulars) edit(f, name)->setText(QString(300, QChar(u'Ж')));
  button(f, "Button5")->click();
  for (const auto& [name, field] : particulars) {
    SCOPED_TRACE(name);
    const QString stored = h.dm().korova.fieldByName(field).asString();
    EXPECT_EQ(stored.size(), h.dm().korova.fieldByName(field).def().width);
    EXPECT_EQ(edit(f, name)->text(), stored);
  }
}

TEST(CowCard, FatherCodeMatchingNoBullShowsTheTealCaptionAndAnEmptyFather) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  h.dm().bik.open();
  h.dm().bik.setFilter("kodreg=1");
  h.dm().bik.setFiltered(true);
  named<DBGrid>(f, "DBGrid1")->setCurrentIndex(named<DBGrid>(f, "DBGrid1")->model()->index(2, 0));
  ASSERT_EQ(h.dm().korova.fieldByName(u"nokli").asString(), QStringLiteral("Дочь"));
  EXPECT_EQ(edit(f, "Edotec")->text(), "");
  EXPECT_EQ(label(f, "bikreg")->text(), QStringLiteral("Бык-отец по базе данных"));
  EXPECT_EQ(label(f, "bikreg")->palette().color(QPalette::Window), QColor(0, 128, 128));
  EXPECT_EQ(edit(f, "Edporoda")->text(), "") << "no breed 0";
  EXPECT_EQ(h.dm().bik.filter(), "kodreg=1");
  EXPECT_TRUE(h.dm().bik.filtered());
  EXPECT_TRUE(h.dm().bik.isOpen());
  button(f, "Button2")->click();
  EXPECT_TRUE(edit(f, "Edotec")->isReadOnly()) << "a database father is changed only through the bulls";
  EXPECT_FALSE(edit(f, "Edmat")->isReadOnly());
}

TEST(CowCard, NumberOnALinearHeadingIsStoredThenHiddenThenEmptied) {
  Herd h([](const QString& dir) { setCatalogueText(dir, "x3", QStringLiteral("Туловище!")); });
  h.open();
  CowWindow& f = *h.form;
  button(f, "Button2")->click();
  h.type(grid(f, "StringGrid1"), 3, "4");
  button(f, "Button5")->click();
  EXPECT_EQ(h.dm().korova.fieldByName(u"x3").asString(), "4");
  f.refreshCowCard();
  EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 3), "") << "headings show empty";
  button(f, "Button2")->click();
  button(f, "Button5")->click();
  EXPECT_EQ(h.dm().korova.fieldByName(u"x3").asString(), "");
}

// Unwritten changes are never dropped without a question: leaving the cow in the list or
// closing the window asks first. Да writes them into the cow the card showed, through the
// write's checks; Нет drops them; Отмена keeps the card, the list and the window on her.
TEST(CowCard, LeavingTheCowOrTheWindowWithUnwrittenChangesAsksFirst) {
  struct Case {
    const char* name;
    bool close;        // the window closed instead of another cow chosen
    Answer answer;
    QString date;      // the calving date typed
    bool written;
    bool stays;        // the card (and the window) still on her with the changes
  };
  const Case cases[] = {
      {"another cow, Да", false, Answer::Yes, "15.03.2021", true, false},
      {"another cow, Нет", false, Answer::No, "15.03.2021", false, false},
      {"another cow, Отмена", false, Answer::Cancel, "15.03.2021", false, true},
      {"another cow, Да with a wrong date", false, Answer::Yes, "31.02.2021", false, true},
      {"closing, Да", true, Answer::Yes, "15.03.2021", true, false},
      {"closing, Отмена", true, Answer::Cancel, "15.03.2021", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Herd h;
    h.open();
    CowWindow& f = *h.form;
    auto* list = named<DBGrid>(f, "DBGrid1");
    const QByteArray before = h.cows().bytes();
    button(f, "Button2")->click();
    h.type(grid(f, "StringGrid1"), 1, "1");
    edit(f, "Edmat")->setText("X");
    edit(f, "MaskEddata")->setText(c.date);
    h.prompts().answers = {c.answer};
    if (c.close) {
      f.reject();
    } else {
      list->setCurrentIndex(list->model()->index(1, 0));
      QCoreApplication::processEvents();
    }
    EXPECT_EQ(h.prompts().asked, QStringList{QStringLiteral("Записать изменения?")});
    const int mayka = 2;  // the record after the free row
    EXPECT_EQ(test::fieldAt(h.dm().korova, mayka, "x1"), c.written ? "1" : "5");
    EXPECT_EQ(test::fieldAt(h.dm().korova, mayka, "matnokli"), c.written ? "X" : QStringLiteral("Мать 55"));
    if (!c.written) EXPECT_EQ(h.cows().bytes(), before);
    if (c.stays) {
      EXPECT_TRUE(f.isVisible());
      EXPECT_EQ(list->currentIndex().row(), 0);
      EXPECT_EQ(h.dm().korova.recNo(), mayka);
      EXPECT_EQ(edit(f, "Edmat")->text(), "X");
      EXPECT_EQ(h.cell(grid(f, "StringGrid1"), 1), "1");
      EXPECT_TRUE(label(f, "Label9")->isVisible());
    } else if (c.close) {
      EXPECT_FALSE(f.isVisible());
    } else {
      EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("М-2"));
      EXPECT_TRUE(label(f, "Label9")->isHidden());
    }
  }
}

// The card is redrawn by the window, never by a move of the cursor: code that walks KOROVA
// leaves it on the cow it shows (the list follows the cursor all the same), while the user's
// keys and clicks in the list take it to the cow they choose.
TEST(CowCard, TheCardFollowsTheUsersListNotTheCursor) {
  Herd h;
  h.open();
  CowWindow& f = *h.form;
  auto* list = named<DBGrid>(f, "DBGrid1");
  db::Table& korova = h.dm().korova;

  korova.next();
  EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("Мать 55"));
  EXPECT_EQ(list->currentIndex().row(), 1) << "the list follows the cursor";
  korova.first();

  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("М-2"));
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("Мать 55"));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
  EXPECT_EQ(korova.recNo(), int(korova.passingRecords().at(1)) + 1);
  EXPECT_EQ(edit(f, "Edmat")->text(), QStringLiteral("М-2"));
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
}

TEST(CowCard, DoubleClickOnTheThirdLinearLineShowsPictureThreeEvenOnAHeading) {
  Herd h([](const QString& dir) { setCatalogueText(dir, "x3", QStringLiteral("Туловище!")); });
  // The pictures are found from the working folder, the program's current folder.
  struct InFolder {
    QString previous = QDir::currentPath();
    ~InFolder() { QDir::setCurrent(previous); }
  } inFolder;
  QDir::setCurrent(h.folder.path());
  h.open();
  CowWindow& f = *h.form;
  test::ModalCloser closer;
  const QRect r = grid(f, "StringGrid1")->visualRect(grid(f, "StringGrid1")->model()->index(2, 0));
  // The user's first click lands before the double click (the view needs the press).
  QTest::mouseClick(grid(f, "StringGrid1")->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(grid(f, "StringGrid1")->viewport(), Qt::LeftButton, {}, r.center());
  QCoreApplication::processEvents();  // the picture opens once the double click is handled
  EXPECT_EQ(closer.titles, QStringList({QStringLiteral("Справка. Туловище!")}));
  const QImage expected = decodeJpeg(h.folder.file("kartinki/3.jpg"));
  ASSERT_FALSE(expected.isNull());
  EXPECT_EQ(forms().pictureWindow->picture(), expected);
  EXPECT_TRUE(h.prompts().messages.isEmpty()) << h.prompts().messages.join('|').toStdString();
}
