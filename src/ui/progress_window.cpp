#include "ui/progress_window.h"

#include <QCloseEvent>

namespace korvel {

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title, const QString& text, int delayMs, int steps)
    : QProgressDialog(parent) {
  setWindowTitle(title);
  setMinimumWidth(480);  // room for the title in the window's frame
  setCancelButton(nullptr);
  setWindowModality(Qt::WindowModal);
  setMinimumDuration(delayMs);
  setAutoClose(false);
  setAutoReset(false);
  setLabelText(text);
  setRange(0, steps);
  setValue(0);
}

void ProgressWindow::closeEvent(QCloseEvent* e) { e->ignore(); }

}  // namespace korvel
