// The progress window of a long piece of work: shown only when the work takes longer than a
// moment, no cancel button, and only the work ends it.
#pragma once

#include <QProgressDialog>

namespace korvel {

// Escape and the close box do nothing: work hidden from view would go on unseen and leave its
// window open to a second start. Window-modal, so that setting its value lets it paint.
class ProgressWindow : public QProgressDialog {
 public:
  // `delayMs`: how long the work goes before the window shows; `steps`: the bar's range.
  ProgressWindow(QWidget* parent, const QString& title, const QString& text, int delayMs, int steps);

 protected:
  void reject() override {}
  void closeEvent(QCloseEvent* e) override;
};

}  // namespace korvel
