#include "app/window_to_front.h"

#include "app/startup_guard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace korvel {

void bringToFrontWhenShown(const QString& titlePart, int withinMs, std::function<void(bool shown)> done) {
  constexpr int kLookEveryMs = 250;
  auto* timer = new QTimer(QCoreApplication::instance());
  const QDeadlineTimer deadline(withinMs);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, titlePart, deadline, done = std::move(done)] {
    const bool shown = bringWindowToFront(titlePart);
    if (!shown && !deadline.hasExpired()) return;
    timer->stop();
    timer->deleteLater();
    if (done) done(shown);
  });
  timer->start(kLookEveryMs);
}

}  // namespace korvel
