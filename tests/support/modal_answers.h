// Answers the real modal boxes and dialogs of a window test as a person would: each time a
// modal window comes up or becomes the active one again (a box it opened was closed and it is
// still open), the next answer in the queue is given to it — a mouse click on the button with
// a given caption, keys typed into it, or any action — and the text it showed is recorded. A
// window that comes up while the test's input into a view or an editor is still being
// delivered fails the test (see deliveringInput). A modal window that comes up with no answer
// left fails the test and is closed, and so is one still open 20 s after its answer, so that a
// test never hangs.
#pragma once

#include "ui/real_prompts.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

class QAbstractButton;
class QWidget;

namespace korvel::test {

// Whether a key or click that the test sends into a view or an editor (test::typeKeys,
// test::clickCell) is still being delivered. A modal window that comes up meanwhile was opened
// from inside that view's or editor's own signal, which fails the test.
bool deliveringInput();

// Types the text into the widget key by key, as a keyboard would, Cyrillic included
// (QTest::keyClicks only knows Latin-1 keys).
void typeText(QWidget* widget, const QString& text);

class ModalAnswers : public QObject {
  Q_OBJECT
 public:
  ModalAnswers();
  ~ModalAnswers() override;

  // The next modal window: a left mouse click on its button whose caption, without '&', is
  // `caption` ("OK", "Да", "Выделить").
  ModalAnswers& click(const QString& caption);
  // The next modal window: `keys` typed into its focused widget, then the key `finish`
  // pressed there (Qt::Key_Return, Qt::Key_Escape; 0 for none).
  ModalAnswers& type(const QString& keys, int finish = 0);
  // The next modal window: whatever the test does with it (it is shown and active).
  ModalAnswers& act(std::function<void(QWidget&)> action);

  // A window the test itself shows modally (the window under test): never answered, neither
  // when it opens nor when it is in front again after a box it opened closed.
  ModalAnswers& ignore(QWidget& window);
  // Progress windows are passed over unless a test answers them on purpose: whether one shows
  // at all depends on the machine's speed.
  ModalAnswers& answerProgressWindows(bool on = true) {
    answerProgress_ = on;
    return *this;
  }

  // Every modal window answered, in order: a message box's text, else the window's title.
  QStringList shown;
  // Answers not yet used.
  size_t pending() const { return answers_.size(); }

  // The button of `window` with this caption ('&' ignored), or null.
  static QAbstractButton* button(QWidget& window, const QString& caption);

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void poll();

  QTimer timer_;
  std::deque<std::function<void(QWidget&)>> answers_;
  static constexpr qint64 kStuckMs = 20000;
  QPointer<QWidget> activeAtLastPoll_;
  QPointer<QWidget> returning_;  // in front again since the last poll, not yet counted
  QElapsedTimer activeSince_;
  std::vector<QPointer<QWidget>> shownSinceLastPoll_;
  std::vector<QPointer<QWidget>> ignored_;
  bool answerProgress_ = false;
};

// The real prompts in force while it lives: real message boxes and the real common dialogs, as
// the program shows them; `restore` (a test's scripted prompts) is put back afterwards.
class RealPromptsInForce {
 public:
  explicit RealPromptsInForce(Prompts& restore) : restore_(restore) { setPrompts(&real_); }
  ~RealPromptsInForce() { setPrompts(&restore_); }
  RealPromptsInForce(const RealPromptsInForce&) = delete;
  RealPromptsInForce& operator=(const RealPromptsInForce&) = delete;

 private:
  RealPrompts real_;
  Prompts& restore_;
};

}  // namespace korvel::test
