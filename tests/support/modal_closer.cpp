#include "modal_closer.h"

#include <QApplication>
#include <QWidget>

namespace korvel::test {

ModalCloser::ModalCloser(std::function<void(QWidget&)> action) : action_(std::move(action)) {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, [this] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) return;
    titles << w->windowTitle();
    if (action_) action_(*w);
    w->close();
  });
  timer_.start();
}

}  // namespace korvel::test
