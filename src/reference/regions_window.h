// Regions window: the list of regions, their addition, correction and selection.
#pragma once

#include "ui/window_base.h"

class QPushButton;

namespace korvel {

class HerdTables;
class DBGrid;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   RegionsWindow                    regionsWindow
//   regionList                       regionList
//   addRegionButton                  addRegionButton
//   renameRegionButton               renameRegionButton
//   selectButton                     selectButton
//   clearSelectionButton             clearSelectionButton
// END OBJECT NAMES

// Regions window: the list of regions, their addition, correction and selection. Opened from
// the main menu and, as a picker, by the farms window and the calculation variants, which read
// the current REGION row when it closes.
class RegionsWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit RegionsWindow(HerdTables& dm, QWidget* parent = nullptr);

  DBGrid* regionList;
  QPushButton* addRegionButton;       // "Добавить"
  QPushButton* renameRegionButton;    // "Уточнить"
  QPushButton* selectButton;          // "Выделить"
  QPushButton* clearSelectionButton;  // "Отменить выделение"

 protected:
  void FormActivate() override;

 private:
  void addRegionClicked();
  void renameRegionClicked();
  void selectClicked();
  void clearSelectionClicked();
  void cancelSelection();
  void showListButtons(bool on);

  HerdTables& dm_;
};

}  // namespace korvel
