// Farms window: the owners (farms) of one region, the region archive farm and farm removal.
#pragma once

#include "app/window_base.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace korvel {

class TDataModule5;
class DBGrid;

// Farms window: the owners (farms) of one region, the region archive farm and farm removal.
// Opened from the main menu and, as a picker, by the cows and bulls windows and the
// calculation variants, which read the current REGION and VLAD rows when it closes.
class TForm8 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm8(TDataModule5& dm, QWidget* parent = nullptr);

  // The region whose farms the list shows.
  long long regionCode() const { return regionCode_; }
  // Shows the farm buttons that fit the listed farms: with no farm only the region choice and
  // the addition (and a message saying so); the archive button while the region has none.
  // Ends on the first listed farm.
  void refreshFarmButtons();

  QLabel* Label1;        // "Регион: " and the region's name
  DBGrid* DBGrid1;       // the region's farms
  QPushButton* Button1;  // "Указать / изменить регион"
  QPushButton* Button2;  // "Добавить владельца (хозяйство)"
  QPushButton* Button9;  // "Создать архив региона"
  QPushButton* Button3;  // "Уточнить наименование хозяйства"
  QPushButton* Button5;  // "Выделить"
  QPushButton* Button6;  // "Отменить выделение"
  QPushButton* Button4;  // "Удалить хозяйство"
  QPushButton* Button8;  // "Выбор нового хозяйства для животных ВЫПОЛНЕН!" (red, hidden at first)
  // The farm removal panel, hidden at first.
  QGroupBox* GroupBox1;
  QLabel* Label3;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton5;
  QRadioButton* RadioButton3;
  QRadioButton* RadioButton4;
  QRadioButton* RadioButton6;
  QPushButton* Button7;  // "ВЫПОЛНИТЬ"

 protected:
  void FormActivate() override;

 private:
  void Button1Click();
  void Button2Click();
  void Button9Click();
  void Button3Click();
  void Button5Click();
  void Button6Click();
  // Takes the region of the current REGION row and shows its farms.
  void showCurrentRegion();
  // The region of the current farm, when the list has one.
  void regionFromCurrentFarm();

  TDataModule5& dm_;
  long long regionCode_ = 0;
};

}  // namespace korvel
