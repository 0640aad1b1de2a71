// Restore window.
#pragma once

#include "safety/letter_field.h"

#include <functional>

class QLabel;

namespace korvel {

class TDataModule5;

// Restore window: copies the tables back from the folder "arhivbik" of a medium named by its
// letter, then reopens the reference tables as the main menu does.
class TForm17 : public safety::LetterWindow {
  Q_OBJECT
 public:
  explicit TForm17(TDataModule5& dm, QWidget* parent = nullptr);

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5;

  // "Восстановить данные": the letter, the backup on the medium, the tables closed, the copy.
  void Button1Click() override;

  // Run after the tables were copied back: the application reopens the reference tables
  // there, as the main menu's activation does.
  std::function<void()> afterRestore;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
