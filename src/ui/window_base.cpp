#include "ui/window_base.h"

#include "base/user_error.h"
#include "ui/prompts.h"

#include <QPointer>
#include <QShowEvent>
#include <new>
#include <optional>

namespace korvel {

void KorvelDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // A spontaneous show is the window coming back from being minimised, not an opening.
  if (!e->spontaneous())
    guarded([this] { FormActivate(); }, QStringLiteral("Открытие окна „%1“").arg(windowTitle()));
}

void KorvelDialog::placeTopLeft() {
  move(0, 0);
  resize(1024, 736);
}

namespace {

// Runs the handler; the text to show when an exception ended it.
std::optional<QString> failureOf(const std::function<void()>& handler, const QString& action) {
  const QString lead = action.isEmpty() ? QStringLiteral("Действие не выполнено")
                                        : QStringLiteral("Не выполнено действие «%1»").arg(action);
  try {
    handler();
    return std::nullopt;
  } catch (const UserError& e) {
    return e.text();
  } catch (const std::bad_alloc&) {
    return lead + QStringLiteral(": не хватило памяти.");
  } catch (const std::exception& e) {
    // A fault of the program: the developers' text at least says what it was.
    return lead + QStringLiteral(": ") + QString::fromUtf8(e.what());
  }
}

}  // namespace

bool guarded(const std::function<void()>& handler, const QString& action) {
  const std::optional<QString> failure = failureOf(handler, action);
  if (failure) prompts().message(*failure);
  return !failure;
}

bool guardedInSignal(QWidget* window, const std::function<void()>& handler, const QString& action) {
  const std::optional<QString> failure = failureOf(handler, action);
  if (failure) messageLater(window, *failure);
  return !failure;
}

void runLater(QWidget* window, std::function<void()> handler, const QString& action) {
  QMetaObject::invokeMethod(
      window,
      [window = QPointer<QWidget>(window), handler = std::move(handler), action] {
        if (window && window->isVisible()) guarded(handler, action);
      },
      Qt::QueuedConnection);
}

void messageLater(QWidget* window, const QString& text) {
  runLater(window, [text] { prompts().message(text); });
}

void onClick(QAbstractButton* button, std::function<void()> handler) {
  QObject::connect(button, &QAbstractButton::clicked, button, [button, handler = std::move(handler)] {
    // The caption as the user reads it, without its shortcut mark.
    guarded(handler, button->text().remove(QLatin1Char('&')));
  });
}

}  // namespace korvel
