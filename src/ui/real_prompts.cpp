#include "ui/real_prompts.h"

#include "ui/common_dialogs.h"
#include "ui/forms.h"
#include "ui/window_base.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace korvel {

namespace {

QWidget* askingWindow() {
  QWidget* parent = QApplication::activeModalWidget();
  return parent ? parent : QApplication::activeWindow();
}

// A dialog shown over the middle of the window that asked, not where it was last.
void placeOverAsker(QWidget& dialog) {
  QWidget* asker = askingWindow();
  if (!asker || asker == &dialog) return;
  dialog.move(asker->frameGeometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}

// The file dialog in Russian where the program draws it itself (the system's own dialog speaks
// the system's language).
QString askFile(QFileDialog::AcceptMode mode, const QString& caption, const QString& start, const QString& filter) {
  QFileDialog dialog(askingWindow(), caption, start, filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Имя файла:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
  dialog.setLabelText(QFileDialog::Accept, mode == QFileDialog::AcceptSave ? QStringLiteral("Сохранить") : QStringLiteral("Открыть"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// A message box no narrower than its title needs beside the title bar's buttons.
void fitTitle(QMessageBox& box) {
  const int title = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(title, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

void RealPrompts::message(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Корвель"), text, QMessageBox::Ok, askingWindow());
  fitTitle(box);
  box.exec();
}

bool RealPrompts::askYesNo(const QString& text) {
  QWidget* parent = askingWindow();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Корвель"), text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole));
  fitTitle(box);
  box.exec();
  return box.clickedButton() == yes;
}

Answer RealPrompts::yesNoCancel(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Корвель"), text, QMessageBox::NoButton, askingWindow());
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
  box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  fitTitle(box);
  box.exec();
  if (box.clickedButton() == yes) return Answer::Yes;
  if (box.clickedButton() == no) return Answer::No;
  return Answer::Cancel;
}

QString RealPrompts::textInput(const QString& caption, const QString& initial) {
  TextInputDialog& d = *forms().textInputDialog;
  d.setWindowTitle(caption);
  d.textEdit->setText(initial);
  placeOverAsker(d);
  d.exec();
  return d.textEdit->text();
}

QString RealPrompts::selectionKey() {
  SelectionKeyDialog& d = *forms().selectionKeyDialog;
  placeOverAsker(d);
  // Escape closes the dialog without a key: nothing is selected by a key not confirmed.
  return d.exec() == QDialog::Accepted ? d.textEdit->text() : QString();
}

bool RealPrompts::confirmDelete(const DeleteQuestion& question) { return forms().deleteConfirmationDialog->ask(question); }

void RealPrompts::showPicker(KorvelDialog& window, const QString& caption, PickerUse use) {
  const KorvelDialog::AsPicker picker(window, use);
  window.setWindowTitle(caption);
  window.exec();
}

int RealPrompts::choose(const QString& text, const QStringList& options) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Корвель"), text, QMessageBox::NoButton, askingWindow());
  std::vector<QPushButton*> buttons;
  for (const QString& option : options) buttons.push_back(box.addButton(option, QMessageBox::AcceptRole));
  box.setDefaultButton(box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole));
  fitTitle(box);
  box.exec();
  const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return chosen == buttons.end() ? -1 : int(chosen - buttons.begin());
}

QString RealPrompts::saveFileName(const QString& caption, const QString& suggested, const QString& filter) {
  return askFile(QFileDialog::AcceptSave, caption, suggested, filter);
}

QString RealPrompts::openFileName(const QString& caption, const QString& filter) {
  return askFile(QFileDialog::AcceptOpen, caption, {}, filter);
}

}  // namespace korvel
