// The list windows over a generated herd, driven as a person drives them: real keystrokes into
// the lists and the selection key dialog, the delete question answered by a click on its button.
#include "messages.h"
#include "qt_print.h"
#include "real_windows.h"
#include "safety/drive_fixture.h"

#include "db/data_module.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "sires/bull_card.h"
#include "ui/common_dialogs.h"
#include "ui/db_grid.h"
#include "ui/forms.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>


namespace korvel {
namespace {

using test::kNoDelete;
using test::ModalAnswers;

// A generated herd with several bulls a farm, every window created, the real prompts in force.
struct RealWindows : ::testing::Test {
  test::RealApp app{400, 2, 2, 40};
  ModalAnswers answers;
};

struct ListWindow {
  const char* name;
  QDialog* window;
  QString caption;
  QPushButton* selectButton;
};

std::vector<ListWindow> listWindows() {
  Forms& f = forms();
  using test::named;
  return {{"regions", f.regionsWindow, QStringLiteral("Работа с регионами"), named<QPushButton>(*f.regionsWindow, "Button3")},
          {"farms", f.farmsWindow, QStringLiteral("Работа с владельцами (хозяйствами)"), named<QPushButton>(*f.farmsWindow, "Button5")},
          {"breeds", f.breedsWindow, QStringLiteral("Породы"), named<QPushButton>(*f.breedsWindow, "Button3")},
          {"bulls", f.bullWindow, QStringLiteral("Быки"), named<QPushButton>(*f.bullWindow, "Button4")}};
}

QWidget* listOf(QDialog* window) { return window->findChild<DBGrid*>(); }

// The files of the folder that differ between two snapshots.
QString changedFiles(const std::map<QString, QByteArray>& before, const std::map<QString, QByteArray>& after) {
  QStringList names;
  for (const auto& [name, bytes] : after) {
    const auto was = before.find(name);
    if (was == before.end() || was->second != bytes) names << name;
  }
  for (const auto& [name, bytes] : before)
    if (!after.count(name)) names << name;
  return names.join(u' ');
}

// Enter in a list is the key a person presses to "take" a row: it must press no button, in any
// window, so that no dialog opens and nothing is written.
TEST_F(RealWindows, EnterInAListPressesNoButton) {
  for (QWidget* w : QApplication::topLevelWidgets())
    for (QPushButton* b : w->findChildren<QPushButton*>()) {
      if (w->inherits("QMessageBox")) continue;
      EXPECT_FALSE(b->autoDefault()) << w->objectName().toStdString() << "." << b->objectName().toStdString();
      EXPECT_FALSE(b->isDefault()) << w->objectName().toStdString() << "." << b->objectName().toStdString();
    }

  for (const ListWindow& l : listWindows()) {
    l.window->setWindowTitle(l.caption);
    l.window->show();
    QWidget* list = listOf(l.window);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);  // the bull card shows (and writes) the next bull's figures
    const auto before = test::snapshot(app.dir());
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(50);
    EXPECT_TRUE(answers.shown.isEmpty()) << l.name << ": " << answers.shown.join(u'|').toStdString();
    EXPECT_TRUE(l.window->isVisible()) << l.name;
    EXPECT_EQ(changedFiles(before, test::snapshot(app.dir())), QString()) << l.name;
    l.window->hide();
    answers.shown.clear();
  }
}

// Escape in the selection key dialog takes back the half-typed key: no mark is written and no
// message shown, on every list that selects.
TEST_F(RealWindows, EscapeInTheKeyDialogSelectsNothing) {
  for (const ListWindow& l : listWindows()) {
    l.window->setWindowTitle(l.caption);
    l.window->show();
    const auto before = test::snapshot(app.dir());
    const QString filter = l.window == forms().regionsWindow ? app.dm().region.filter() : QString();
    answers.type(QStringLiteral("А"), Qt::Key_Escape);
    QTest::mouseClick(l.selectButton, Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u) << l.name;
    EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Выделение")}) << l.name;
    EXPECT_FALSE(forms().selectionKeyDialog->isVisible()) << l.name;
    EXPECT_EQ(changedFiles(before, test::snapshot(app.dir())), QString()) << l.name;
    if (l.window == forms().regionsWindow) {
      EXPECT_EQ(app.dm().region.filter(), filter);
    }
    l.window->hide();
    answers.shown.clear();
  }

  // The same key confirmed with Enter does select: the dialog itself still works.
  RegionsWindow& regions = *forms().regionsWindow;
  regions.show();
  answers.type(QStringLiteral("А"), Qt::Key_Return);
  test::clickOn(test::named<QPushButton>(regions, "Button3"));
  EXPECT_EQ(app.dm().region.filter(), QStringLiteral("vibor='+'"));
  regions.hide();
}

// The delete question is as high as its two lines and its buttons need, not the height of a
// window never shown before.
TEST_F(RealWindows, DeleteQuestionFitsItsLinesAndButtons) {
  BullWindow& bulls = *forms().bullWindow;
  bulls.setWindowTitle(QStringLiteral("Быки"));
  bulls.show();
  const auto before = test::snapshot(app.dir());
  answers.act([](QWidget& w) {
    auto& d = static_cast<DeleteConfirmationDialog&>(w);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Удаление быка"));
    EXPECT_EQ(d.width(), d.widthForLabels());
    EXPECT_LE(d.height(), d.sizeHint().height());
    QLabel* question = test::named<QLabel>(d, "Label2");
    QPushButton* yes = test::named<QPushButton>(d, "Button1");
    ASSERT_TRUE(question && yes);
    const int labelsEnd = question->geometry().bottom();
    EXPECT_LT(yes->geometry().top() - labelsEnd, 3 * d.fontMetrics().height())
        << "the buttons stand far below the question";
    QTest::mouseClick(ModalAnswers::button(d, kNoDelete), Qt::LeftButton);
  });
  test::clickOn(test::named<QPushButton>(bulls, "Button7"));
  EXPECT_EQ(answers.pending(), 0u);
  EXPECT_EQ(changedFiles(before, test::snapshot(app.dir())), QString());
  bulls.hide();
}

}  // namespace
}  // namespace korvel
