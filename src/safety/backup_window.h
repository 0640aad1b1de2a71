// Backup window.
#pragma once

#include "safety/letter_field.h"

class QLabel;

namespace korvel {

class TDataModule5;

// Backup window: copies the tables to the folder "arhivbik" of a medium named by its letter.
class TForm16 : public safety::LetterWindow {
  Q_OBJECT
 public:
  explicit TForm16(TDataModule5& dm, QWidget* parent = nullptr);

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;

  // "Архивировать": the letter, the medium, the tables closed around the copy.
  void Button1Click() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
