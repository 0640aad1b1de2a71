// Regions window: the list of regions, their addition, correction and selection.
#pragma once

#include "ui/window_base.h"

class QPushButton;

namespace korvel {

class TDataModule5;
class DBGrid;

// Regions window: the list of regions, their addition, correction and selection. Opened from
// the main menu and, as a picker, by the farms window and the calculation variants, which read
// the current REGION row when it closes.
class TForm6 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm6(TDataModule5& dm, QWidget* parent = nullptr);

  DBGrid* DBGrid1;
  QPushButton* Button1;  // "Добавить"
  QPushButton* Button2;  // "Уточнить"
  QPushButton* Button3;  // "Выделить"
  QPushButton* Button4;  // "Отменить выделение"

 protected:
  void FormActivate() override;

 private:
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void cancelSelection();
  void showListButtons(bool on);

  TDataModule5& dm_;
};

}  // namespace korvel
