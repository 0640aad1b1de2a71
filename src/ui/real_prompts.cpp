#include "ui/real_prompts.h"

#include "ui/common_dialogs.h"
#include "ui/forms.h"
#include "ui/window_base.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace korvel {

void RealPrompts::message(const QString& text) {
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Корвель"), text, QMessageBox::Ok, parent);
  box.exec();
}

bool RealPrompts::askYesNo(const QString& text) {
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Корвель"), text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole));
  box.exec();
  return box.clickedButton() == yes;
}

QString RealPrompts::textInput(const QString& caption, const QString& initial) {
  TForm14& d = *forms().Form14;
  d.setWindowTitle(caption);
  d.Edit1->setText(initial);
  d.exec();
  return d.Edit1->text();
}

QString RealPrompts::selectionKey() {
  TForm7& d = *forms().Form7;
  // Escape closes the dialog without a key: nothing is selected by a key not confirmed.
  return d.exec() == QDialog::Accepted ? d.Edit1->text() : QString();
}

bool RealPrompts::confirmDelete(const DeleteQuestion& question) { return forms().Form11->ask(question); }

void RealPrompts::showPicker(KorvelDialog& window, const QString& caption, PickerUse use) {
  const KorvelDialog::AsPicker picker(window, use);
  window.setWindowTitle(caption);
  window.exec();
}

}  // namespace korvel
