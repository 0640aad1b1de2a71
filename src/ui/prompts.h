// The one seam through which windows ask the user anything or tell him anything.
// The real implementation shows the common dialogs and message boxes; the tests answer from a
// script and record every text. Windows and operations never open a QMessageBox themselves.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace korvel {

class KorvelDialog;

// What a list window borrowed as a picker is asked to choose: any row of its list, or the
// father of the current cow (the bulls window then starts on his farm with him selected).
enum class PickerUse { Row, CowFather };

// The list windows a window borrows as pickers, handed to it where the windows are created; a
// window asks only the ones it needs.
struct Pickers {
  KorvelDialog* regions = nullptr;
  KorvelDialog* farms = nullptr;
  KorvelDialog* breeds = nullptr;
  KorvelDialog* bulls = nullptr;
};

// Texts of the delete confirmation dialog (DeleteConfirmationDialog), all replaced by the caller.
struct DeleteQuestion {
  QString caption;
  QString label1;
  QString label2;
  QString yesText;
  QString noText;
};

// The answer to a question asked with the buttons Да, Нет and Отмена.
enum class Answer { Yes, No, Cancel };

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A modal message box with a fixed Russian text.
  virtual void message(const QString& text) = 0;

  // A question answered "Да" or "Нет" in a message box; true for "Да".
  virtual bool askYesNo(const QString& text) = 0;
  // A modal question box with the buttons Да, Нет and Отмена; closing it is Отмена.
  virtual Answer yesNoCancel(const QString& text) = 0;

  // The text input dialog (TextInputDialog): caption is the instruction, initial the field's text.
  // There is no cancel: whatever is in the field when the dialog closes is returned.
  virtual QString textInput(const QString& caption, const QString& initial) = 0;

  // The selection key dialog (SelectionKeyDialog): returns the field's raw text (a single blank when the
  // user typed nothing, empty when he closed it with Escape). Callers turn it into a key with
  // selectionKeyOf().
  virtual QString selectionKey() = 0;

  // The delete confirmation dialog (DeleteConfirmationDialog); the answer is "no" unless the user pressed yes.
  virtual bool confirmDelete(const DeleteQuestion& question) = 0;

  // Shows a list window modally as a picker, with its caption set to the instruction; the
  // window is in picker mode for `use` while it is shown (KorvelDialog::AsPicker).
  // The choice is whatever row of the list's table is current when it closes.
  virtual void showPicker(KorvelDialog& window, const QString& caption, PickerUse use = PickerUse::Row) = 0;

  // A choice in a message box: one button per option and "Отмена"; the index of the option
  // chosen, -1 for Отмена or the box closed.
  virtual int choose(const QString& text, const QStringList& options) = 0;

  // The file dialogs: the file to write (`suggested` its path to start from) or to read, the
  // kinds of file as the dialog lists them ("Книга Excel (*.xlsx);;CSV (*.csv)"). Empty when
  // the person cancelled. Replacing a file that exists is for the caller to ask about.
  virtual QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) = 0;
  virtual QString openFileName(const QString& caption, const QString& filter) = 0;
};

// The selection key of the selection key dialog's text: upper case, blanks removed at both ends.
QString selectionKeyOf(const QString& raw);

// The prompts in force for the process; the application or a test installs them.
Prompts& prompts();
void setPrompts(Prompts* p);

}  // namespace korvel
