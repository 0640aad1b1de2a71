// Prompts answered from a script: every text shown is recorded, every question takes the next
// scripted answer. A question without a scripted answer fails the test.
#pragma once

#include "ui/window_base.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace korvel::test {

class ScriptedPrompts : public Prompts {
 public:
  ScriptedPrompts();
  ~ScriptedPrompts() override;

  // What the user will answer, in order.
  std::deque<QString> texts;      // text input dialog
  std::deque<QString> keys;       // selection key dialog (raw text)
  std::deque<bool> confirmations; // delete confirmation
  std::deque<Answer> answers;     // questions with Да, Нет and Отмена
  // What the user does inside a borrowed list window before closing it (it is shown in picker
  // mode, so its activation routine has run as a picker's).
  std::deque<std::function<void(QDialog&)>> pickerActions;
  std::deque<int> choices;     // a choice among options: the index, -1 for Отмена
  std::deque<QString> files;   // the file dialogs: the path, empty for Отмена

  // What the program showed and asked.
  QStringList messages;
  QStringList asked;  // the questions asked, in order
  QStringList textCaptions;
  std::vector<DeleteQuestion> questions;
  QStringList pickerCaptions;
  std::vector<PickerUse> pickerUses;
  std::vector<QStringList> choiceOptions;  // the options of each choice offered
  QStringList fileCaptions;

  // Optional: called with each message as it is shown (to look at the windows at that moment).
  std::function<void(const QString&)> onMessage;

  void message(const QString& text) override;
  bool askYesNo(const QString& text) override;
  Answer yesNoCancel(const QString& text) override;
  QString textInput(const QString& caption, const QString& initial) override;
  QString selectionKey() override;
  bool confirmDelete(const DeleteQuestion& question) override;
  void showPicker(KorvelDialog& window, const QString& caption, PickerUse use) override;
  int choose(const QString& text, const QStringList& options) override;
  QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) override;
  QString openFileName(const QString& caption, const QString& filter) override;

 private:
  Prompts* previous_ = nullptr;
};

}  // namespace korvel::test
