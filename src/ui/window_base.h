// What every working window shares: the activation routine run when the window is shown
// (and not again when a dialog it opened closes), the standard place and size, and the way a
// table error ends a handler with the table layer's own text.
#pragma once

#include <QDialog>
#include <functional>

class QShowEvent;

namespace korvel {

class KorvelDialog : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;

 protected:
  void showEvent(QShowEvent* e) override;
  // The window's activation routine.
  virtual void FormActivate() {}
  // Left 0, top 0, width 1024, height 736.
  void placeTopLeft();
};

// Runs a handler; a table error ends it and is shown with its own text. Returns false then.
bool guarded(const std::function<void()>& handler);

}  // namespace korvel
