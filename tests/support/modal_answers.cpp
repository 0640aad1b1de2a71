#include "modal_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace korvel::test {

void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    const char latin = c.toLatin1();
    if (c.unicode() < 0x80 && latin != 0) {
      QTest::keyClick(widget, latin);
    } else {
      QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
      QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

ModalAnswers::ModalAnswers() {
  qApp->installEventFilter(this);
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &ModalAnswers::poll);
  timer_.start();
}

ModalAnswers::~ModalAnswers() { qApp->removeEventFilter(this); }

bool ModalAnswers::eventFilter(QObject* o, QEvent* e) {
  // A dialog shown again between two polls (closed and reopened by one handler) is a new
  // appearance although the active modal window looks the same at both polls.
  if (e->type() == QEvent::Show && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() &&
      (answerProgress_ || !qobject_cast<QProgressDialog*>(o)))
    shownSinceLastPoll_.emplace_back(static_cast<QWidget*>(o));
  return false;
}

QAbstractButton* ModalAnswers::button(QWidget& window, const QString& caption) {
  for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    QString text = b->text();
    text.remove(QLatin1Char('&'));
    if (text == caption && b->isVisible()) return b;
  }
  return nullptr;
}

ModalAnswers& ModalAnswers::click(const QString& caption) {
  return act([caption](QWidget& w) {
    QAbstractButton* b = button(w, caption);
    if (!b) {
      ADD_FAILURE() << "no button \"" << caption.toStdString() << "\" in the modal window \""
                    << w.windowTitle().toStdString() << "\"";
      w.close();
      return;
    }
    QTest::mouseClick(b, Qt::LeftButton);
  });
}

ModalAnswers& ModalAnswers::type(const QString& keys, int finish) {
  return act([keys, finish](QWidget& w) {
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != &w) target = &w;
    if (!keys.isEmpty()) typeText(target, keys);
    if (finish) QTest::keyClick(target, Qt::Key(finish));
  });
}

ModalAnswers& ModalAnswers::ignore(QWidget& window) {
  ignored_.emplace_back(&window);
  return *this;
}

ModalAnswers& ModalAnswers::act(std::function<void(QWidget&)> action) {
  answers_.push_back(std::move(action));
  return *this;
}

void ModalAnswers::poll() {
  QWidget* w = QApplication::activeModalWidget();
  // A progress window asks nothing and closes itself; whether it shows at all depends on how
  // fast the machine is, so it is neither answered nor counted (unless asked for), and the
  // window under it is not new again when it closes.
  if (!answerProgress_ && qobject_cast<QProgressDialog*>(w)) return;
  for (const QPointer<QWidget>& i : ignored_)
    if (i == w) w = nullptr;
  bool shownAnew = false;
  for (const QPointer<QWidget>& shown : shownSinceLastPoll_) shownAnew = shownAnew || shown == w;
  shownSinceLastPoll_.clear();
  // A window in front again because a box it opened has closed counts only once it is still in
  // front at the next poll: a dialog that closes itself right after its box (a message, then
  // accept()) may be caught in between on a slow machine, and was never there to answer.
  if (w && w != activeAtLastPoll_ && !shownAnew && returning_ != w) {
    returning_ = w;
    return;
  }
  returning_ = nullptr;
  const bool fresh = w != activeAtLastPoll_ || shownAnew;
  activeAtLastPoll_ = w;
  if (fresh) activeSince_.start();
  if (w && w->isVisible() && !fresh && activeSince_.elapsed() > kStuckMs) {
    // The answer did not close it and nothing else happened: a hang, not a test.
    ADD_FAILURE() << "modal window \"" << w->windowTitle().toStdString() << "\" still open "
                  << kStuckMs / 1000 << " s after its answer";
    w->close();
    activeSince_.start();
    return;
  }
  if (!w || !w->isVisible() || !fresh) return;
  // A message box reports its text; any other window its title.
  const auto* box = qobject_cast<QMessageBox*>(w);
  shown << (box ? box->text() : w->windowTitle());
  if (deliveringInput())
    ADD_FAILURE() << "modal window \"" << shown.back().toStdString()
                  << "\" opened inside the handling of a key or click into a view or an editor";
  if (answers_.empty()) {
    ADD_FAILURE() << "unexpected modal window: \"" << shown.back().toStdString() << "\"";
    w->close();
    return;
  }
  auto answer = std::move(answers_.front());
  answers_.pop_front();
  // Given from the event loop, not from this timer's slot: the answer may open another modal
  // window, and Qt does not fire a timer again while its own slot is still running.
  QMetaObject::invokeMethod(
      this, [answer = std::move(answer), window = QPointer<QWidget>(w)] {
        if (window && window->isVisible()) answer(*window);
      },
      Qt::QueuedConnection);
}

}  // namespace korvel::test
