// Breeds window: the list of breeds and the entry to the sire evaluation.
#pragma once

#include "ui/window_base.h"

class QPushButton;

namespace korvel {

class TDataModule5;
class DBGrid;

// Breeds window: the list of breeds and the entry to the sire evaluation. Opened from the main
// menu with the caption "Породы" and, as a picker, by the cows and bulls windows; the
// calculation button shows only when it is not a picker.
class TForm10 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm10(TDataModule5& dm, QWidget* parent = nullptr);

  DBGrid* DBGrid1;
  QPushButton* Button1;  // "Добавить"
  QPushButton* Button2;  // "Уточнить"
  QPushButton* Button3;  // "Выделить"
  QPushButton* Button4;  // "Отменить выделение"
  QPushButton* Button5;  // the sire evaluation of the current breed

 protected:
  void FormActivate() override;

 private:
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void cancelSelection();

  TDataModule5& dm_;
};

}  // namespace korvel
