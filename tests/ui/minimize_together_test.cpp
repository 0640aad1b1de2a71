// Minimising one window of the program minimises them all, and restoring one restores them all
// with the modal window in front: a working window minimised by its title-bar button must not
// leave the main menu on the screen, blocked by a window no one sees.
#include "modal_answers.h"
#include "real_windows.h"

#include "app/main_menu.h"
#include "cows/cow_card.h"
#include "ui/common_dialogs.h"
#include "ui/forms.h"
#include "ui/minimize_together.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(WindowsMinimizedTogether, AnyShownWindowMinimizedTakesTheOthersAndAnyRestoredBringsThemBack) {
  minimizeWindowsTogether();
  test::RealApp app;
  test::ModalAnswers answers;
  QWidget& menu = *forms().mainMenu;
  QWidget& cows = *forms().cowWindow;
  QWidget& key = *forms().selectionKeyDialog;
  menu.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
  test::openModal(cows, answers);
  test::settle(answers);

  struct Case {
    const char* what;
    QWidget* minimized;
    QWidget* restored;
  };
  const Case cases[] = {{"the cows window by its button, the menu from the task bar", &cows, &menu},
                        {"the menu, then the cows window", &menu, &cows},
                        {"the key dialog over the cows window, then the menu", &key, &menu}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool keyDialog = c.minimized == &key;
    if (keyDialog) {
      key.setWindowModality(Qt::ApplicationModal);
      key.show();
    }
    QWidget* front = QApplication::activeModalWidget();
    c.minimized->setWindowState(c.minimized->windowState() | Qt::WindowMinimized);
    for (QWidget* w : {&menu, &cows, &key}) {
      if (w->isVisible()) {
        EXPECT_TRUE(w->isMinimized()) << w->objectName().toStdString();
      }
    }
    c.restored->setWindowState(c.restored->windowState() & ~Qt::WindowMinimized);
    for (QWidget* w : {&menu, &cows, &key}) EXPECT_FALSE(w->isMinimized()) << w->objectName().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), front);
    if (keyDialog) key.hide();
  }
  cows.hide();
  menu.hide();
}

}  // namespace
}  // namespace korvel
