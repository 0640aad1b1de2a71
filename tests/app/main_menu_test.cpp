#include "app/main_menu.h"
#include "db/data_module.h"
#include "help/instructions_window.h"
#include "modal_answers.h"
#include "modal_closer.h"
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
  TForm1& menu = *forms().Form1;
  // Flags left set, as by a handler that never ended: the menu's activation clears them.
  auto leftSet = std::make_unique<db::Freeze>(std::initializer_list<db::DataSource*>{},
                                              std::initializer_list<db::RefreshFlag*>{&app.dm().cowRefreshSuppressed,
                                                                                      &app.dm().bullRefreshSuppressed});
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated(); }));

  EXPECT_EQ(menu.windowTitle(), QStringLiteral("Корвель"));
  EXPECT_EQ(menu.findChildren<QPushButton*>().size(), 14);
  EXPECT_FALSE(app.dm().cowRefreshSuppressed);
  EXPECT_FALSE(app.dm().bullRefreshSuppressed);
  EXPECT_TRUE(app.dm().Table1.isOpen());
  EXPECT_TRUE(app.dm().vlad2.isOpen());
  EXPECT_TRUE(app.dm().poroda.isOpen());
  EXPECT_TRUE(app.dm().xarakt.isOpen());
  EXPECT_FALSE(app.dm().korova.isOpen());
  EXPECT_FALSE(app.dm().bik.isOpen());
  EXPECT_TRUE(app.prompts.messages.isEmpty());

  const std::vector<QPushButton*> left = {menu.Button1, menu.Button3, menu.Button4, menu.Button5,
                                          menu.Button6, menu.Button8, menu.Button9};
  const std::vector<QPushButton*> right = {menu.Button16, menu.Button13, menu.Button11, menu.Button12,
                                           menu.Button14, menu.Button15, menu.Button10};
  for (auto* b : left) EXPECT_EQ(b->x(), menu.Button1->x());
  for (auto* b : right) EXPECT_GT(b->x(), menu.Button1->x());
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
TEST(MainMenu, AMissingTableIsToldOverTheDrawnMenuAndTheOthersStillOpen) {
  test::WorkFolder folder;
  ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("REGION.DBF"))));
  test::App app(folder.path());
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  TForm1& menu = *forms().Form1;
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
  EXPECT_FALSE(app.dm().Table1.isOpen());
  EXPECT_TRUE(app.dm().vlad2.isOpen());
  EXPECT_TRUE(app.dm().poroda.isOpen());
  menu.hide();
}

TEST(MainMenu, ButtonsSetTheCaptionsAndTheInstructionSelector) {
  test::WorkFolder folder;
  test::App app(folder.path());
  TForm1& menu = *forms().Form1;
  menu.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu.activated(); }));
  test::ModalCloser closer;

  forms().Form4->setWindowTitle(QStringLiteral("Выберите (если его нет - добавьте) нужного быка-производителя и закройте это окно."));
  menu.Button5->click();
  ASSERT_FALSE(closer.titles.isEmpty());
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Быки"));

  menu.Button3->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Работа с регионами"));
  menu.Button4->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Работа с владельцами (хозяйствами)"));
  menu.Button1->click();
  EXPECT_EQ(closer.titles.last(), QStringLiteral("Породы"));

  const std::pair<QPushButton*, int> instructions[] = {{menu.Button10, 1}, {menu.Button16, 2}, {menu.Button11, 3},
                                                       {menu.Button12, 4}, {menu.Button14, 5}, {menu.Button15, 6},
                                                       {menu.Button13, 7}};
  for (const auto& [button, selector] : instructions) {
    button->click();
    EXPECT_EQ(instructionSelector, selector) << button->objectName().toStdString();
  }
  menu.hide();
}
