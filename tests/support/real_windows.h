// What the real-window tests share: the real prompts in force instead of the scripted ones
// (real message boxes, SelectionKeyDialog, DeleteConfirmationDialog, TextInputDialog and borrowed windows, answered with
// ModalAnswers), a generated herd to open the windows on, widgets found by object name, and
// input sent as a person sends it: keys to whatever widget has the focus, clicks on a widget's
// middle. Every box that comes up while such input is still being delivered fails the test:
// a box opened inside an editor's, a view's or a model's signal.
#pragma once

#include "modal_answers.h"
#include "named.h"
#include "ui/real_prompts.h"
#include "work_folder.h"

#include <QAbstractItemView>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace korvel::test {

// A working folder with the starter catalogue and a generated herd (regions of two farms,
// every farm with cows, four bulls unless told) and the program's windows over it, started in that
// folder as the program is, the real prompts in force for as long as it lives.
class RealApp {
 public:
  explicit RealApp(long long cows = 24, int regions = 2, int farmsPerRegion = 2, long long bulls = 4);
  ~RealApp();
  HerdTables& dm() { return app_->dm(); }
  QString dir() const { return folder_.path(); }

 private:
  WorkFolder folder_;
  QString previousFolder_;
  std::unique_ptr<App> app_;
  RealPrompts real_;
};

// A left click in the middle of `w` (a button: a box its handler opens is welcome).
void clickOn(QWidget* w);
// A left click on the cell of a view, marked as input into a view (see deliveringInput).
void clickCell(QAbstractItemView* view, int row, int column);
// A double click on the cell of a view, marked the same way (the press before it included).
void doubleClickCell(QAbstractItemView* view, int row, int column);
// Keys typed one by one into the widget that has the focus at each key, Cyrillic included,
// as a keyboard types them, marked as input into an editor (see deliveringInput); `finish` (Qt::Key_Tab, Qt::Key_Return...) pressed after them.
void typeKeys(const QString& text, int finish = 0);
// Lets the event loop run until every answer of `answers` is used (at most 10 s); a box that
// opened from inside a signal has shown up by then.
void settle(ModalAnswers& answers);

// Answers for the common dialogs and the borrowed list windows, as a person gives them.
// The next modal window is a dialog with a text field (TextInputDialog, SelectionKeyDialog): its text replaced by
// `text`, typed, then a click on its button `caption` ("Записать", "Выделить").
void fill(ModalAnswers& answers, const QString& text, const QString& caption);
// The next modal window is a borrowed list window: a click on `row` of its list, then its close
// box.
void pick(ModalAnswers& answers, int row);

// One press of a window's button and what it must bring: the answers to its boxes and dialogs,
// the texts they showed (a message box's text, another window's title), and a check of the
// window and tables afterwards.
struct ButtonStep {
  const char* button;
  std::function<void(ModalAnswers&)> answer;
  QStringList shown;
  std::function<void()> check;
};
// Runs the steps in order, each under a trace naming its number and button.
void runSteps(QWidget& window, ModalAnswers& answers, const std::vector<ButtonStep>& steps);

// Opens `window` as the main menu opens it, modal and in front; `answers` leaves it alone.
void openModal(QWidget& window, ModalAnswers& answers);

}  // namespace korvel::test
