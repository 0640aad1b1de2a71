// Backup window.
#pragma once

#include "app/window_base.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel {

class TDataModule5;

// Backup window: copies the tables to the folder "arhivbik" of a medium named by its letter.
class TForm16 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm16(TDataModule5& dm, QWidget* parent = nullptr);

  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
  QLineEdit* MaskEdit1;
  QPushButton* Button1;
  QPushButton* Button2;

  // "Архивировать": the letter, the medium, the tables closed around the copy.
  void Button1Click();

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
