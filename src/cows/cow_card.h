// The cows window: the farm's cow list, the three trait grids with the overall score and
// category, the particulars, editing mode with its input checks and the writing of corrections.
#pragma once

#include "cows/cow_evaluation.h"
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

// The caption the cow card sets when it borrows the bulls window to choose a cow's father.
QString bullPickerCaption();

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   CowWindow                        cowWindow
//   headerLabel                      headerLabel
//   otherFarmButton                  otherFarmButton
//   cowList                          cowList
//   linearTitle                      linearTitle
//   doubleClickHint                  doubleClickHint
//   pictureHint                      pictureHint
//   defectsTitle                     defectsTitle
//   complexTitleTop                  complexTitleTop
//   complexTitleBottom               complexTitleBottom
//   unsavedLabel                     unsavedLabel
//   scoreLabel                       scoreLabel
//   categoryLabel                    categoryLabel
//   dateExampleLabel                 dateExampleLabel
//   linearGrid                       linearGrid
//   defectsGrid                      defectsGrid
//   complexGrid                      complexGrid
//   editTraitsButton                 editTraitsButton
//   writeTraitsButton                writeTraitsButton
//   changeBreedButton                changeBreedButton
//   changeFatherButton               changeFatherButton
//   moveCowButton                    moveCowButton
//   selectButton                     selectButton
//   clearSelectionButton             clearSelectionButton
//   addCowButton                     addCowButton
//   deleteCowButton                  deleteCowButton
//   renameCowButton                  renameCowButton
//   scoringFormButton                scoringFormButton
//   loadScoresButton                 loadScoresButton
//   scoresInstructionButton          scoresInstructionButton
//   fatherStatusLabel                fatherStatusLabel
//   breedEdit                        breedEdit
//   breedLineEdit                    breedLineEdit
//   fatherEdit                       fatherEdit
//   motherEdit                       motherEdit
//   lactationEdit                    lactationEdit
//   calvingDateEdit                  calvingDateEdit
//   previousScoreEdit                previousScoreEdit
//   birthEdit                        birthEdit
// END OBJECT NAMES

// Cows window: the farm's cow list, the trait card and its editing.
class CowWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit CowWindow(HerdTables& dm, QWidget* parent = nullptr);

  // Fills the card from the current cow and leaves editing mode; drops unwritten changes.
  // Record operations call it themselves. Table errors are thrown to the caller, the card then
  // showing no cow (nothing of the cow before stays on it, and nothing can be edited).
  void refreshCowCard();
  // Runs when another cow is chosen in the list: with unwritten changes the card first asks whether to write them (Да writes them into the
  // cow it shows, Отмена brings the list back to her), then follows the list.
  void followCurrentCow();

  // Editing mode ("Исправлять характеристики"): trait cells and particulars become editable.
  void editTraitsClicked();
  // Writing the corrections ("Записать корректировки характеристик").
  void writeTraitsClicked();

  bool editingMode() const { return editing_; }
  void setEditingMode(bool on);  // the flag and the cells' editability; the edits are untouched

  // The text typed in a value cell changed (at each keystroke): the input check of its grid,
  // and for the complex traits the score while editing. `line` is the grid line (1-based).
  // It runs inside the cell editor's signal: a refusal empties the cell at once, and its
  // message opens once the keystroke has been handled.
  void cellTextEdited(QTableWidget* grid, int line, const QString& text);
  // The double click on the linear grid: the help picture of `line`.
  void linearGridDoubleClicked(int line);

  // The farms, breeds and bulls lists the record buttons borrow, and the help picture of a
  // linear trait (its grid line, 1-based, and the line's text).
  Pickers pickers;
  std::function<void(int line, const QString& text)> showPicture;

  // The record buttons.
  void addCowClicked();          // "Добавить": a new cow, prepared for entry
  void deleteCowClicked();       // "Удалить": the current cow, after the confirmation
  void renameCowClicked();       // "Исправить кличку/идентификационный №"
  void moveCowClicked();         // "Перевод коровы в другое хозяйство": the farms window as picker
  void otherFarmClicked();       // "Перейти к другому хозяйству": the farms window as picker
  void changeBreedClicked();     // "Изменить породу": the breeds window as picker
  void changeFatherClicked();    // "Изменить отца": the bulls window as picker
  void selectClicked();          // "Выделить": the farm's cows whose name holds a key
  void clearSelectionClicked();  // "Отменить выделение"

  // The scoring form, wired by the application (its operations stand on a floor above):
  // writing a blank form for this window's herd, told whether the list shows a selection, and
  // loading a filled form, true when it wrote scores.
  std::function<void(const HerdContext& herd, bool selectionShown)> writeScoringForm;
  std::function<bool()> loadScores;
  void scoringFormClicked();        // "Бланк оценки…": the card's unwritten changes settled first
  void loadScoresClicked();         // "Загрузить оценки…": then the card shows the stored values
  void scoresInstructionClicked();  // "Инструкция по загрузке оценок"

  // The herd this window shows: region and farm codes and the header text of headerLabel.
  HerdContext herd;

  QLabel* headerLabel;
  QPushButton* otherFarmButton;
  DBGrid* cowList;
  QLabel *linearTitle, *doubleClickHint, *pictureHint, *defectsTitle, *complexTitleTop,
      *complexTitleBottom, *unsavedLabel, *scoreLabel, *categoryLabel, *dateExampleLabel;
  QTableWidget *linearGrid, *defectsGrid, *complexGrid;
  QPushButton *editTraitsButton, *writeTraitsButton;
  QPushButton *changeBreedButton, *changeFatherButton, *moveCowButton, *selectButton,
      *clearSelectionButton, *addCowButton, *deleteCowButton, *renameCowButton;
  QPushButton *scoringFormButton, *loadScoresButton, *scoresInstructionButton;
  QLabel* fatherStatusLabel;
  QLineEdit *breedEdit, *breedLineEdit, *fatherEdit, *motherEdit, *lactationEdit, *calvingDateEdit,
      *previousScoreEdit, *birthEdit;

 protected:
  void FormActivate() override;
  // Closing the window with unwritten changes asks first, as leaving the cow does.
  void done(int result) override;

 private:
  class CellDelegate;

  // Built once: the controls and their connections (cow_card.cpp), the three grids
  // (cow_card_grids.cpp).
  void buildLayout();
  QTableWidget* makeGrid(const char* name, TraitKind kind, int x, int y, int w, int h);
  void connectRecordButtons();

  // The button set: one state, applied in one place. With a cow on the card every record
  // button is offered; on an empty farm only "Добавить", "Перейти к другому хозяйству" and
  // "Исправить кличку/идентификационный №". Unwritten changes show the write button and the
  // red warning.
  void setButtonState(bool cowShown, bool unsaved);
  // Shows the write button and the red unsaved-changes label.
  void markUnsaved() { setButtonState(cowShown_, true); }
  // The empty-farm state: the grids keep what they showed, nothing can be edited; the focus
  // goes to "Добавить".
  void showEmptyFarm();
  // Shows the farm of `herd`: the header, the list filtered on it while detached, then the
  // card, or the empty-farm state and its message.
  void showHerd(const HerdContext& to);
  // After a picker: true (and the message shown, the card back on the list) when the cow the
  // card stood on before it is no longer the current one.
  bool cowLost(const db::RowMark& cow);
  // The new cow's card opened for entry, with the lactation "0" and the date "01.04.2001"
  // shown as not yet written.
  void prepareNewCowForEntry();
  // Asks "Записать изменения?" about the cow the card shows, the list standing on `next` (her
  // own record when the window closes). True when the card may leave her: Нет, or Да and the
  // write done; false on Отмена or a refused write, the list then back on her.
  bool settleUnsaved(int next);
  // Runs work over the cow table beyond the card (the scoring form) once the card's unwritten
  // changes are settled; the list comes back as it stood, and when the work says it wrote, the
  // card shows the stored values. False when nothing was written.
  bool workOnOtherCows(const std::function<bool()>& work);
  // Writes the corrections through their checks; false (the refusal shown) when refused.
  bool writeCorrections();
  // The card after a failed read: no cow's values, nothing to edit or write.
  void showNoCow();
  // The particulars of `card`, each edit taking no more than its field holds.
  void showParticulars(const CowCardData& card);

  // The grids (cow_card_grids.cpp).
  TraitKind kindOf(const QTableWidget* grid) const;
  void setTitles();
  void fillGrid(QTableWidget* grid, const TraitGridLines& lines);
  void applyCellAccess();
  void recomputeEditingScore();
  QString cellText(const QTableWidget* grid, int line) const;

  void showScore(int score);
  void setFatherCaption(bool isBull);
  void setParticularsReadOnly(bool readOnly);
  CowCorrections corrections() const;

  HerdTables& dm_;
  TraitCatalogue catalogue_;
  bool editing_ = false;
  bool fatherIsBull_ = false;
  bool filling_ = false;   // texts set by the refresh are no changes
  bool cowShown_ = false;  // the button state: a cow on the card, or an empty farm
  bool unsaved_ = false;   // the write button and the red warning are up
  int shownRecNo_ = 0;     // the record of the cow the card shows; 0 for none
  bool following_ = false; // a followCurrentCow is queued
};

}  // namespace korvel
