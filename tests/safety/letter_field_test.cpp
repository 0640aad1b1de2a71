// The drive letter field of the backup and restore windows, typed into as a person does: a
// click anywhere in it, a letter, the button; the real boxes answered by clicking OK.
#include "drive_fixture.h"
#include "modal_answers.h"
#include "named.h"
#include "work_folder.h"

#include "safety/backup_restore.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "ui/forms.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::button;
using test::edit;

// Wherever a click puts the cursor, the letter typed next is the field's letter; a second
// letter replaces the first. The button then takes it (the medium's answer, not a request for
// a letter).
TEST(LetterField, TheLetterTypedAfterAnyClickIsTaken) {
  test::WorkFolder folder;
  test::TestDrive e('E');
  test::TestDrive f('F');
  test::TestDrive g('G');
  test::App app(folder.path());
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  struct Case {
    const char* name;
    safety::LetterWindow* window;
    char letter;     // the second letter typed
    QString answer;  // what the window says about that medium
  };
  const Case cases[] = {{"backup", forms().backupWindow, 'f', QStringLiteral("Резервная копия создана!")},
                        {"restore", forms().restoreWindow, 'g', safety::msg::kNoBackup}};
  for (const Case& c : cases) {
    QLineEdit& field = *edit(*c.window, "MaskEdit1");
    for (const int x : {2, field.width() / 2, field.width() - 3}) {
      c.window->show();
      QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(x, field.height() / 2));
      QTest::keyClick(&field, 'e');
      EXPECT_EQ(field.text().toUpper(), QStringLiteral("E")) << c.name << ", click at " << x;
      QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(x, field.height() / 2));
      QTest::keyClick(&field, c.letter);
      EXPECT_EQ(field.text(), QString(QLatin1Char(c.letter))) << c.name << ", click at " << x;
      answers.click(QStringLiteral("OK"));
      answers.shown.clear();
      QTest::mouseClick(button(*c.window, "Button1"), Qt::LeftButton);
      EXPECT_EQ(answers.pending(), 0u);
      EXPECT_EQ(answers.shown, QStringList{c.answer}) << c.name << ", click at " << x;
      c.window->hide();
    }
  }
}

}  // namespace
}  // namespace korvel
