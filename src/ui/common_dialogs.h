// The three small dialogs every screen uses: the selection key (SelectionKeyDialog), the text input
// (TextInputDialog) and the delete confirmation (DeleteConfirmationDialog).
#pragma once

#include "ui/prompts.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel {

// Closing a dialog by releasing Enter in its edit field: only a key pressed there counts.
class EnterInEdit {
 public:
  void reset() { pressedHere_ = false; }
  // True for the release of an Enter pressed in `edit` while its text is not empty.
  bool released(QLineEdit* edit, QObject* o, QEvent* e);

 private:
  bool pressedHere_ = false;
};

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   SelectionKeyDialog               selectionKeyDialog
//   TextInputDialog                  textInputDialog
//   DeleteConfirmationDialog         deleteConfirmationDialog
//   promptLabel                      promptLabel
//   textEdit                         textEdit
//   acceptButton                     acceptButton
//   detailLabel                      detailLabel
//   refuseButton                     refuseButton
// END OBJECT NAMES

// Selection key dialog: the key that selects rows by a part of their name.
class SelectionKeyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SelectionKeyDialog(QWidget* parent = nullptr);
  QLabel* promptLabel;
  QLineEdit* textEdit;
  QPushButton* acceptButton;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  EnterInEdit enter_;
};

// Text input dialog: the caller's caption says what to type; there is no cancel.
class TextInputDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TextInputDialog(QWidget* parent = nullptr);
  QLineEdit* textEdit;
  QPushButton* acceptButton;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  EnterInEdit enter_;
};

// Delete confirmation dialog: the callers replace its caption, labels and button texts.
class DeleteConfirmationDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DeleteConfirmationDialog(QWidget* parent = nullptr);
  QLabel* promptLabel;
  QLabel* detailLabel;
  QPushButton* acceptButton;
  QPushButton* refuseButton;
  bool confirmed = false;  // the confirmation result

  // The shared confirmation routine: the texts, the width rule, the modal show, the answer.
  // The answer is reset to "no" first, so closing the dialog without a button means no.
  bool ask(const DeleteQuestion& q);
  // The width the routine gives the dialog for its current label texts.
  int widthForLabels() const;
};

}  // namespace korvel
