// What every working window shares: the activation routine run when the window is shown
// (and not again when a dialog it opened closes), the standard place and size, the guard that
// turns an exception ending a handler into a message, the one road from a widget's signal into
// the program's code, the picker mode of a borrowed list window, and the way a handler that
// runs inside an editor's, a view's or a model's signal leaves its boxes for later.
#pragma once

#include "ui/prompts.h"

#include <QAbstractButton>
#include <QDialog>
#include <functional>
#include <optional>
#include <type_traits>

class QShowEvent;

namespace korvel {

class KorvelDialog : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;

  // How the window is shown now: borrowed as a picker (and for what), or not. Set by the prompt
  // seam's picker for as long as the picker is shown, so that any other opening is an ordinary
  // one, whatever caption the window last had.
  std::optional<PickerUse> pickerUse() const { return pickerUse_; }

  // Marks the window as borrowed as a picker for as long as it lives.
  class AsPicker {
   public:
    AsPicker(KorvelDialog& window, PickerUse use) : window_(window) { window_.pickerUse_ = use; }
    ~AsPicker() { window_.pickerUse_.reset(); }
    AsPicker(const AsPicker&) = delete;
    AsPicker& operator=(const AsPicker&) = delete;

   private:
    KorvelDialog& window_;
  };

 protected:
  void showEvent(QShowEvent* e) override;
  // The window's activation routine.
  virtual void FormActivate() {}
  // Left 0, top 0, width 1024, height 736.
  void placeTopLeft();

 private:
  std::optional<PickerUse> pickerUse_;
};

// Runs a handler; an exception ends it and is shown in a message box: a table error with the
// table layer's own text, any other with a Russian text naming `action` (the button or step
// that failed) when it is given. Returns false then.
bool guarded(const std::function<void()>& handler, const QString& action = {});

// The same for a handler that runs inside an editor's, a view's or a model's signal (a
// keystroke, a change of the current row, a commit of an edited cell): its failure message is
// shown only once the event loop is back, never from inside the signal, whose sender a box's
// own event loop could destroy while its handler is still on the stack.
bool guardedInSignal(QWidget* window, const std::function<void()>& handler, const QString& action = {});

// Runs `handler`, guarded, once the event loop is back, and only if `window` still exists and
// is shown then: a modal box or dialog asked for from inside a signal opens from there. The
// handler re-checks whatever else it relies on, since anything may have happened meanwhile.
void runLater(QWidget* window, std::function<void()> handler, const QString& action = {});

// A message box shown once the event loop is back (while `window` is still shown).
void messageLater(QWidget* window, const QString& text);

// The one road from a widget's signal into the program's code: windows connect their buttons,
// editors, views and models only through these, so that an exception ending a handler is shown
// as a message and never reaches the event loop, which would end the program.

// A click of `button` runs `handler` guarded; a failure names the button by its caption.
void onClick(QAbstractButton* button, std::function<void()> handler);

// A signal of an editor, a view or a model runs `handler` (with the signal's arguments, when it
// takes them) guarded inside the signal: a failure naming `action` is told once the event loop
// is back, while `receiver` is shown. A box the handler needs opens through runLater.
template <class Sender, class Signal, class Handler>
QMetaObject::Connection onSignal(Sender* sender, Signal signal, QWidget* receiver, const QString& action,
                                 Handler handler) {
  return QObject::connect(sender, signal, receiver, [receiver, action, handler = std::move(handler)](const auto&... args) {
    guardedInSignal(receiver, [&] {
      if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>)
        handler(args...);
      else
        handler();
    }, action);
  });
}

}  // namespace korvel
