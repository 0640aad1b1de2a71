// The prompts a person answers: the common dialogs, message boxes and borrowed list windows.
#pragma once

#include "ui/prompts.h"

namespace korvel {

class RealPrompts : public Prompts {
 public:
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
};

}  // namespace korvel
