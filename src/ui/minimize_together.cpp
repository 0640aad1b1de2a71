#include "ui/minimize_together.h"

#include <QApplication>
#include <QWindowStateChangeEvent>
#include <QWidget>

namespace korvel {
namespace {

class MinimizeTogether : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::WindowStateChange || following_) return false;
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || !w->isWindow() || !w->isVisible()) return false;
    const bool minimized = w->isMinimized();
    const bool restored = !minimized && (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized);
    if (!minimized && !restored) return false;
    following_ = true;
    for (QWidget* other : QApplication::topLevelWidgets()) {
      if (other == w || !other->isVisible() || other->isMinimized() == minimized) continue;
      if (minimized) other->showMinimized();
      else other->showNormal();
    }
    if (restored)
      if (QWidget* front = QApplication::activeModalWidget()) {
        front->raise();
        front->activateWindow();
      }
    following_ = false;
    return false;
  }

 private:
  bool following_ = false;
};

}  // namespace

void minimizeWindowsTogether() {
  static MinimizeTogether* filter = nullptr;
  if (filter) return;
  filter = new MinimizeTogether(qApp);
  qApp->installEventFilter(filter);
}

}  // namespace korvel
