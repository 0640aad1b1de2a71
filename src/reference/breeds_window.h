// Breeds window: the list of breeds and the entry to the sire evaluation.
#pragma once

#include "ui/window_base.h"

class QPushButton;

namespace korvel {

class HerdTables;
class DBGrid;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   BreedsWindow                     breedsWindow
//   breedList                        breedList
//   addBreedButton                   addBreedButton
//   renameBreedButton                renameBreedButton
//   selectButton                     selectButton
//   clearSelectionButton             clearSelectionButton
//   evaluateSiresButton              evaluateSiresButton
// END OBJECT NAMES

// Breeds window: the list of breeds and the entry to the sire evaluation. Opened from the main
// menu with the caption "Породы" and, as a picker, by the cows and bulls windows; the
// calculation button shows only when it is not a picker.
class BreedsWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit BreedsWindow(HerdTables& dm, QWidget* parent = nullptr);

  DBGrid* breedList;
  QPushButton* addBreedButton;        // "Добавить"
  QPushButton* renameBreedButton;     // "Уточнить"
  QPushButton* selectButton;          // "Выделить"
  QPushButton* clearSelectionButton;  // "Отменить выделение"
  QPushButton* evaluateSiresButton;   // the sire evaluation of the current breed

 protected:
  void FormActivate() override;

 private:
  void addBreedClicked();
  void renameBreedClicked();
  void selectClicked();
  void clearSelectionClicked();
  void evaluateSiresClicked();
  void cancelSelection();

  HerdTables& dm_;
};

}  // namespace korvel
