#include "app/main_menu.h"
#include "db/data_module.h"
#include "db/journal.h"
#include "db/table.h"
#include "help/instructions_window.h"
#include "modal_answers.h"
#include "modal_closer.h"
#include "named.h"
#include "sires/bull_card.h"
#include "ui/forms.h"
#include "ui/session.h"
#include "work_folder.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QWindow>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace korvel;
using test::button;

namespace {

// Counts the paintings of a window.
struct PaintCount : QObject {
  explicit PaintCount(QWidget& w) { w.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    count += e->type() == QEvent::Paint;
    return false;
  }
  int count = 0;
};

QStringList captionsTopToBottom(const std::vector<QPushButton*>& buttons) {
  std::vector<QPushButton*> sorted = buttons;
  std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->y() < b->y(); });
  QStringList out;
  for (auto* b : sorted) out << b->text();
  return out;
}

}  // namespace

TEST(MainMenu, ShowsFourteenButtonsInTwoColumnsAndOpensTheReferenceTables) {
  test::WorkFolder folder;
  test::App app(folder.path());
  MainMenu& menu = *forms().mainMenu;
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated(); }));

  EXPECT_EQ(menu.windowTitle(), QStringLiteral("Корвель"));
  EXPECT_EQ(menu.findChildren<QPushButton*>().size(), 14);
  EXPECT_TRUE(app.dm().region.isOpen());
  EXPECT_TRUE(app.dm().vlad.isOpen());
  EXPECT_TRUE(app.dm().poroda.isOpen());
  EXPECT_TRUE(app.dm().xarakt.isOpen());
  EXPECT_FALSE(app.dm().korova.isOpen());
  EXPECT_FALSE(app.dm().bik.isOpen());
  EXPECT_TRUE(app.prompts.messages.isEmpty());

  auto column = [&menu](std::initializer_list<const char*> names) {
    std::vector<QPushButton*> out;
    for (const char* name : names) out.push_back(button(menu, name));
    return out;
  };
  const std::vector<QPushButton*> left =
      column({"Button1", "Button3", "Button4", "Button5", "Button6", "Button8", "Button9"});
  const std::vector<QPushButton*> right =
      column({"Button16", "Button13", "Button11", "Button12", "Button14", "Button15", "Button10"});
  for (auto* b : left) EXPECT_EQ(b->x(), button(menu, "Button1")->x());
  for (auto* b : right) EXPECT_GT(b->x(), button(menu, "Button1")->x());
  EXPECT_EQ(captionsTopToBottom(left),
            QStringList({QStringLiteral(" Породы. Отчеты по быкам-производителям "), QStringLiteral("РЕГИОНЫ"),
                         QStringLiteral("Владельцы, Хозяйства"), QStringLiteral("быки"), QStringLiteral("коровы"),
                         QStringLiteral("Создание архива на внешнем носителе"),
                         QStringLiteral("Восстановление данных с внешнего носителя")}));
  EXPECT_EQ(captionsTopToBottom(right),
            QStringList({QStringLiteral("Инструкция по работе с породами "), QStringLiteral("Инструкция по получению отчетов"),
                         QStringLiteral("Инструкция по работе с регионами"),
                         QStringLiteral("Инструкция по работе с владельцами (хозяйствами)"),
                         QStringLiteral("Инструкция по работе с быками-производителями"),
                         QStringLiteral("Инструкция по работе с карточками коров"),
                         QStringLiteral("Инструкция по сохранению / восстановлению данных")}));
  menu.hide();
}

// The message of a table that cannot be opened comes over the menu as drawn on the screen, in
// a real box answered by a click; the other tables still open.
// An operation a killed run left unfinished is rolled back when the folder is opened, and the
// person is told so once, over the first window.
TEST(MainMenu, AnInterruptedOperationUndoneAtOpeningIsToldOnce) {
  test::WorkFolder folder;
  const QString region = folder.file(QStringLiteral("REGION.DBF"));
  const QString journal = folder.file(QStringLiteral("korvel.journal"));
  auto bytesOf = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  };
  const QByteArray before = bytesOf(region);
  QByteArray killedRegion, killedJournal;  // as a kill midway leaves them
  {
    db::Table t(QStringLiteral("t"), QStringLiteral("REGION"));
    t.setDirectory(folder.path());
    t.open();
    db::JournalScope op(folder.path(), QStringLiteral("удаление хозяйства \"Заря\""));
    t.append();
    t.fieldByName(u"kodreg").setInteger(5);
    t.fieldByName(u"region").setString(QStringLiteral("Новый"));
    t.post();
    killedRegion = bytesOf(region);
    killedJournal = bytesOf(journal);
    op.rollback();
  }
  ASSERT_FALSE(killedJournal.isEmpty());
  write(region, killedRegion);
  write(journal, killedJournal);

  test::App app(folder.path());
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  answers.click(QStringLiteral("OK"));
  MainMenu& menu = *forms().mainMenu;
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated() && answers.pending() == 0 && !QApplication::activeModalWidget(); }));
  EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Последняя операция (удаление хозяйства \"Заря\") была прервана и "
                                                      "отменена; таблицы возвращены к состоянию до нее.")});
  EXPECT_EQ(bytesOf(region), before);
  EXPECT_FALSE(QFile::exists(journal));
  // The menu's later activations say nothing more.
  menu.FormActivate();
  QTest::qWait(50);
  EXPECT_EQ(answers.shown.size(), 1);
  menu.hide();
}

TEST(MainMenu, AMissingTableIsToldOverTheDrawnMenuAndTheOthersStillOpen) {
  test::WorkFolder folder;
  ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("REGION.DBF"))));
  test::App app(folder.path());
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  MainMenu& menu = *forms().mainMenu;
  PaintCount painted(menu);
  bool exposed = false;
  int paintsBefore = 0;
  answers.act([&](QWidget& box) {
    exposed = menu.windowHandle() && menu.windowHandle()->isExposed();
    paintsBefore = painted.count;
    QTest::mouseClick(test::ModalAnswers::button(box, QStringLiteral("OK")), Qt::LeftButton);
  });
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated() && answers.pending() == 0 && !QApplication::activeModalWidget(); }));
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].contains(QStringLiteral("REGION.DBF")));
  EXPECT_TRUE(exposed) << "the message came before the menu was on the screen";
  EXPECT_GT(paintsBefore, 0) << "the message came over a menu not yet drawn";
  EXPECT_FALSE(app.dm().region.isOpen());
  EXPECT_TRUE(app.dm().vlad.isOpen());
  EXPECT_TRUE(app.dm().poroda.isOpen());
  menu.hide();
}

TEST(MainMenu, ButtonsSetTheCaptionsAndTheInstructionSelector) {
  test::WorkFolder folder;
  test::App app(folder.path());
  MainMenu& menu = *forms().mainMenu;
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated(); }));
  test::ModalCloser closer;

  forms().bullWindow->setWindowTitle(QStringLiteral("Выберите (если его нет - добавьте) нужного быка-производителя и закройте это окно."));
  button(menu, "Button5")->click();
  ASSERT_FALSE(closer.titles.isEmpty());
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Быки"));

  button(menu, "Button3")->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Работа с регионами"));
  button(menu, "Button4")->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Работа с владельцами (хозяйствами)"));
  button(menu, "Button1")->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Породы"));

  const std::pair<const char*, int> instructions[] = {{"Button10", 1}, {"Button16", 2}, {"Button11", 3}, {"Button12", 4},
                                                      {"Button14", 5}, {"Button15", 6}, {"Button13", 7}};
  for (const auto& [name, selector] : instructions) {
    button(menu, name)->click();
    EXPECT_EQ(instructionSelector, selector) << name;
  }
  menu.hide();
}
