#include "ui/real_prompts.h"

#include "ui/common_dialogs.h"
#include "ui/forms.h"
#include "ui/window_base.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

namespace korvel {

void RealPrompts::message(const QString& text) {
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Корвель"), text, QMessageBox::Ok, parent);
  box.exec();
}

QString RealPrompts::textInput(const QString& caption, const QString& initial) {
  TextInputDialog& d = *forms().textInputDialog;
  d.setWindowTitle(caption);
  d.textEdit->setText(initial);
  d.exec();
  return d.textEdit->text();
}

QString RealPrompts::selectionKey() {
  SelectionKeyDialog& d = *forms().selectionKeyDialog;
  // Escape closes the dialog without a key: nothing is selected by a key not confirmed.
  return d.exec() == QDialog::Accepted ? d.textEdit->text() : QString();
}

bool RealPrompts::confirmDelete(const DeleteQuestion& question) { return forms().deleteConfirmationDialog->ask(question); }

void RealPrompts::showPicker(KorvelDialog& window, const QString& caption, PickerUse use) {
  const KorvelDialog::AsPicker picker(window, use);
  window.setWindowTitle(caption);
  window.exec();
}

}  // namespace korvel
