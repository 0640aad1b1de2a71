// The cows window the way a person meets it: real cell editors, real message boxes and dialogs
// answered by clicking their buttons or pressing keys, over a generated herd. Every check
// message of the card, every question its record buttons ask, and no box opened from inside
// a cell editor's or a grid's own signal.
#include "cows/cow_card.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "messages.h"
#include "qt_print.h"
#include "raw_table.h"
#include "real_windows.h"
#include "ui/forms.h"

#include <QApplication>
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

using namespace korvel;
using test::clickCell;
using test::clickOn;
using test::ModalAnswers;
using test::named;
using test::settle;
using test::typeKeys;
using test::kComplexOnly;
using test::kDefectOnly;
using test::kLinearOnly;

namespace {

const QString kDate = QStringLiteral("Дата отела введена ошибочно!! Пример: 31.01.2001");

}  // namespace

TEST(CowCardRealWindow, EveryCheckMessageAnsweredByMouseOrKeyLeavesTheCellAsTheChecksSay) {
  test::RealApp app;
  ModalAnswers answers;
  CowWindow& f = *forms().cowWindow;
  test::openModal(f, answers);
  ASSERT_TRUE(answers.shown.isEmpty()) << answers.shown.join('|').toStdString();
  const int recNo = app.dm().korova.recNo();
  const QString cowFile = QDir(app.dir()).filePath(QStringLiteral("KOROVA.DBF"));
  const std::vector<test::FileRow> before = test::fileRows(cowFile);
  clickOn(named<QPushButton>(f, "Button2"));

  enum class Answer { ClickOk, Return, Escape };
  struct Case {
    const char* grid;
    int line;
    QString keys;    // typed into the cell; the last key is the refused one
    int finish;      // a key pressed after them, before the message is up
    Answer answer;
    QString message;
    QString correction;  // a valid value typed afterwards
  };
  const Case cases[] = {
      {"StringGrid1", 1, "30", 0, Answer::ClickOk, kLinearOnly, "7"},
      {"StringGrid1", 2, " ", Qt::Key_Tab, Answer::Return, kLinearOnly, "2"},
      {"StringGrid1", 3, "a", 0, Answer::Escape, kLinearOnly, "9"},
      {"StringGrid2", 2, "+++", 0, Answer::ClickOk, kDefectOnly, "++"},
      {"StringGrid2", 3, "-", Qt::Key_Tab, Answer::Escape, kDefectOnly, "+"},
      {"StringGrid3", 1, "0", 0, Answer::ClickOk, kComplexOnly, "64"},
      {"StringGrid3", 2, "101", 0, Answer::Return, kComplexOnly, "100"},
  };
  std::map<QString, QString> expected;  // field -> value written
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.grid) + " line " + std::to_string(c.line) + " \"" + c.keys.toStdString() + "\"");
    auto* grid = named<QTableWidget>(f, c.grid);
    ASSERT_NE(grid, nullptr);
    switch (c.answer) {
      case Answer::ClickOk: answers.click(QStringLiteral("OK")); break;
      case Answer::Return: answers.type({}, Qt::Key_Return); break;
      case Answer::Escape: answers.type({}, Qt::Key_Escape); break;
    }
    const int shownBefore = answers.shown.size();
    clickCell(grid, c.line - 1, 1);
    typeKeys(c.keys, c.finish);
    settle(answers);
    ASSERT_EQ(answers.shown.size(), shownBefore + 1) << "one message for the refused key";
    EXPECT_EQ(answers.shown.last(), c.message);
    EXPECT_EQ(grid->item(c.line - 1, 1)->text(), QString()) << "the refused text is gone";
    ASSERT_TRUE(f.isVisible());

    if (grid->currentIndex() != grid->model()->index(c.line - 1, 1)) clickCell(grid, c.line - 1, 1);
    typeKeys(c.correction, Qt::Key_Return);
    settle(answers);
    EXPECT_EQ(answers.shown.size(), shownBefore + 1) << "the correction is accepted";
    EXPECT_EQ(grid->item(c.line - 1, 1)->text(), c.correction);
    const TraitKind kind = c.grid == std::string("StringGrid1")   ? TraitKind::Linear
                           : c.grid == std::string("StringGrid2") ? TraitKind::Defect
                                                                  : TraitKind::Complex;
    expected[catalogueRows(app.dm().xarakt, kind)[size_t(c.line - 1)].id.toUpper()] = c.correction.trimmed();
  }
  QPushButton* write = named<QPushButton>(f, "Button5");
  QLabel* unsaved = named<QLabel>(f, "Label9");
  ASSERT_TRUE(write && unsaved);
  EXPECT_TRUE(write->isVisible());
  EXPECT_TRUE(unsaved->isVisible());

  // Written: exactly the corrected cells of exactly this cow.
  clickOn(write);
  settle(answers);
  EXPECT_EQ(answers.shown.size(), int(std::size(cases)));
  EXPECT_TRUE(write->isHidden());
  const std::vector<test::FileRow> after = test::fileRows(cowFile);
  ASSERT_EQ(after.size(), before.size());
  for (size_t r = 0; r < after.size(); ++r) {
    std::map<QString, QString> changed;
    for (const auto& [name, value] : after[r].fields)
      if (before[r].fields.at(name) != value) changed[name] = value;
    EXPECT_EQ(changed, (int(r) + 1 == recNo ? expected : std::map<QString, QString>{})) << "record " << r + 1;
  }

  // The calving date: typed wrong into its mask, refused at the write, nothing written.
  auto* date = named<QLineEdit>(f, "MaskEddata");
  clickOn(date);
  QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(date, "31022021");
  EXPECT_TRUE(write->isVisible());
  answers.click(QStringLiteral("OK"));
  clickOn(write);
  settle(answers);
  EXPECT_EQ(answers.shown.last(), kDate);
  EXPECT_TRUE(test::fileRows(cowFile) == after);
  EXPECT_TRUE(write->isVisible());
  EXPECT_TRUE(unsaved->isVisible());

  // The help picture opens from a double click on the linear grid, once the click is handled.
  answers.act([](QWidget& w) { w.close(); });
  auto* linear = named<QTableWidget>(f, "StringGrid1");
  ASSERT_NE(linear, nullptr);
  test::doubleClickCell(linear, 2, 0);
  settle(answers);
  EXPECT_EQ(answers.shown.last(), QStringLiteral("Справка. ") + linear->item(2, 0)->text());
  EXPECT_EQ(answers.pending(), 0u);
  f.hide();
}

// Leaving a cow with an unwritten score asks in a real box: Отмена keeps her in the list and on
// the card with the score typed; Да writes the score into her and the card follows the list.

// The text stored for the trait `id` of the cow in record `recNo` of the folder's KOROVA.
static QString storedScore(const QString& dir, int recNo, const QString& id) {
  return test::fileRows(QDir(dir).filePath(QStringLiteral("KOROVA.DBF")))[size_t(recNo - 1)].fields.at(id.toUpper());
}

TEST(CowCardRealWindow, AnUnwrittenScoreIsAskedAboutBeforeTheCardFollowsTheList) {
  test::RealApp app;
  ModalAnswers answers;
  CowWindow& f = *forms().cowWindow;
  test::openModal(f, answers);
  db::Table& korova = app.dm().korova;
  const int first = korova.recNo();
  auto* list = named<QTableView>(f, "DBGrid1");
  auto* linear = named<QTableWidget>(f, "StringGrid1");
  const QString id = catalogueRows(app.dm().xarakt, TraitKind::Linear)[0].id.toLower();
  const QString score = linear->item(0, 1)->text() == "7" ? "3" : "7";
  clickOn(named<QPushButton>(f, "Button2"));
  clickCell(linear, 0, 1);
  typeKeys(score, Qt::Key_Return);

  answers.click(QStringLiteral("Отмена"));
  clickCell(list, 1, 0);
  settle(answers);
  EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Записать изменения?")});
  EXPECT_EQ(korova.recNo(), first);
  EXPECT_EQ(list->currentIndex().row(), 0);
  EXPECT_EQ(linear->item(0, 1)->text(), score);
  EXPECT_NE(storedScore(app.dir(), first, id), score);

  answers.click(QStringLiteral("Да"));
  clickCell(list, 1, 0);
  settle(answers);
  EXPECT_EQ(answers.shown.size(), 2);
  EXPECT_EQ(storedScore(app.dir(), first, id), score);
  EXPECT_NE(korova.recNo(), first);
  EXPECT_EQ(list->currentIndex().row(), 1);
  EXPECT_TRUE(named<QLabel>(f, "Label9")->isHidden());
  f.hide();
}

// A cow whose row cannot be read (a number field holding letters): once the message is
// answered the list stands on her, and the card shows no other cow's values and offers nothing
// to write into her.
TEST(CowCardRealWindow, ACowThatCannotBeReadLeavesNoOtherCowOnTheCard) {
  test::RealApp app;
  ModalAnswers answers;
  CowWindow& f = *forms().cowWindow;
  test::openModal(f, answers);
  db::Table& korova = app.dm().korova;
  const int broken = int(korova.passingRecords().at(1)) + 1;
  {
    test::RawTable raw(app.dir() + "/KOROVA.DBF");
    const QByteArray& b = raw.bytes();
    const int header = uchar(b[8]) | uchar(b[9]) << 8, length = uchar(b[10]) | uchar(b[11]) << 8;
    for (const test::RawField& field : raw.fields()) {
      if (field.name != "xxx1") continue;
      QFile file(app.dir() + "/KOROVA.DBF");
      ASSERT_TRUE(file.open(QIODevice::ReadWrite));
      file.seek(header + qint64(broken - 1) * length + field.offset);
      file.write(QByteArray(field.width, 'x'));  // a text no program reads as a number
    }
  }
  auto* list = named<QTableView>(f, "DBGrid1");
  auto* mother = named<QLineEdit>(f, "Edmat");
  const QString firstMother = mother->text();
  ASSERT_FALSE(firstMother.isEmpty());
  answers.click(QStringLiteral("OK"));
  clickCell(list, 1, 0);
  settle(answers);
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].startsWith(QStringLiteral("Таблица KOROVA"))) << answers.shown[0].toStdString();
  EXPECT_EQ(list->currentIndex().row(), 1);
  EXPECT_EQ(korova.recNo(), broken);
  EXPECT_EQ(mother->text(), QString());
  for (const char* name : {"StringGrid1", "StringGrid2", "StringGrid3"}) {
    auto* grid = named<QTableWidget>(f, name);
    for (int r = 0; r < grid->rowCount(); ++r) EXPECT_EQ(grid->item(r, 1)->text(), QString()) << name << r;
  }
  EXPECT_TRUE(named<QPushButton>(f, "Button2")->isHidden()) << "nothing to correct";

  clickCell(list, 0, 0);
  settle(answers);
  EXPECT_EQ(mother->text(), firstMother);
  EXPECT_TRUE(named<QPushButton>(f, "Button2")->isVisible());
  f.hide();
}
