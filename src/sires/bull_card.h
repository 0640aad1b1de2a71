// The bulls window (BullWindow): a farm's bull list, the figures of the selected bull over his
// daughters, his breed, line and birth, and the bull operations. Opened from the main menu
// (caption "Быки") or by the cow card as the father picker (the cow card's bullPickerCaption(),
// picker use PickerUse::CowFather): then it starts on the farm of the cow's father, with him
// selected, and the cow card takes BIK's current record when it closes.
#pragma once

#include "reference/herd_context.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"
#include "ui/window_base.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace korvel {
namespace db {
class RowMark;
}

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   BullWindow                       bullWindow
//   editLineButton                   editLineButton
//   addBullButton                    addBullButton
//   otherFarmButton                  otherFarmButton
//   selectButton                     selectButton
//   clearSelectionButton             clearSelectionButton
//   writeLineButton                  writeLineButton
//   deleteBullButton                 deleteBullButton
//   changeBreedButton                changeBreedButton
//   renameBullButton                 renameBullButton
//   daughtersButton                  daughtersButton
//   moveBullButton                   moveBullButton
//   unsavedLabel                     unsavedLabel
//   headerLabel                      headerLabel
//   linearTitle                      linearTitle
//   defectsTitle                     defectsTitle
//   complexTitleTop                  complexTitleTop
//   complexTitleBottom               complexTitleBottom
//   breedLabel                       breedLabel
//   breedLineCaption                 breedLineCaption
//   birthCaption                     birthCaption
//   daughterCountLabel               daughterCountLabel
//   scoreLabel                       scoreLabel
//   categoryLabel                    categoryLabel
//   bullList                         bullList
//   linearGrid                       linearGrid
//   defectsGrid                      defectsGrid
//   complexGrid                      complexGrid
//   breedLineEdit                    breedLineEdit
//   birthEdit                        birthEdit
// END OBJECT NAMES

// Bulls window: the farm's bull list with each bull's figures over his daughters.
class BullWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit BullWindow(HerdTables& dm, QWidget* parent = nullptr);

  // Refreshes the card for BIK's current bull: recomputes and writes his figures, fills the
  // three grids, the score, category, breed, daughter count, line and birth.
  void showBull();
  // Runs when another bull is chosen in the list: with unwritten line and birth edits the card first asks whether to write them into the
  // bull it shows (Отмена brings the list back to him), then shows the list's bull.
  void followCurrentBull();

  const HerdContext& herd() const { return herd_; }
  bool lineEditMode() const { return lineEditMode_; }

  // The farms and breeds lists the buttons borrow, and the daughters list of the current bull.
  Pickers pickers;
  std::function<void()> showDaughters;

  QPushButton *editLineButton, *addBullButton, *otherFarmButton, *selectButton,
      *clearSelectionButton, *writeLineButton, *deleteBullButton, *changeBreedButton,
      *renameBullButton, *daughtersButton, *moveBullButton;
  QLabel *unsavedLabel, *headerLabel, *linearTitle, *defectsTitle, *complexTitleTop,
      *complexTitleBottom, *breedLabel, *breedLineCaption, *birthCaption, *daughterCountLabel,
      *scoreLabel, *categoryLabel;
  DBGrid* bullList;
  QTableWidget *linearGrid, *defectsGrid, *complexGrid;
  QLineEdit *breedLineEdit, *birthEdit;

 protected:
  void FormActivate() override;
  // Closing the window with unwritten line and birth edits asks first.
  void done(int result) override;

 private:
  void editLineClicked();
  void addBullClicked();
  void otherFarmClicked();
  void selectClicked();
  void clearSelectionClicked();
  void writeLineClicked();
  void deleteBullClicked();
  void changeBreedClicked();
  void renameBullClicked();
  void daughtersClicked();
  void moveBullClicked();
  void lineOrBirthEdited();

  void resetGrids();
  void emptyState();
  void showFarmOrEmpty();
  // After a picker: true (and the message shown, the card back on the list) when the bull the
  // card stood on before it is no longer the current one.
  bool bullLost(const db::RowMark& bull);
  void setHeaderFromTables();
  void placeFigureLabels();
  void focusList();
  // Whether line and birth edits wait for "Записать" (its button and the red warning are up).
  bool unsaved() const;
  // Asks "Записать изменения?" about the bull the card shows, the list standing on `next`;
  // true when the card may leave him (Нет, or Да and the edits written).
  bool settleUnsaved(int next);

  HerdTables& dm_;
  HerdContext herd_;
  bool lineEditMode_ = false;
  int shownRecNo_ = 0;      // the record of the bull the card shows
  bool following_ = false;  // a followCurrentBull is queued
};

}  // namespace korvel
