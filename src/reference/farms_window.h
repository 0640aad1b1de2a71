// Farms window: the owners (farms) of one region, the region archive farm and farm removal.
#pragma once

#include "reference/farm_removal.h"
#include "ui/prompts.h"
#include "ui/window_base.h"

#include <memory>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace korvel {

class HerdTables;
class DBGrid;
namespace db { class JournalScope; }

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   FarmsWindow                      farmsWindow
//   regionLabel                      regionLabel
//   farmList                         farmList
//   chooseRegionButton               chooseRegionButton
//   addFarmButton                    addFarmButton
//   createArchiveButton              createArchiveButton
//   renameFarmButton                 renameFarmButton
//   selectButton                     selectButton
//   clearSelectionButton             clearSelectionButton
//   deleteFarmButton                 deleteFarmButton
//   targetChosenButton               targetChosenButton
//   removalPanel                     removalPanel
//   removalPrompt                    removalPrompt
//   cancelRemovalOption              cancelRemovalOption
//   allToFarmOption                  allToFarmOption
//   cowsToFarmBullsFreedOption       cowsToFarmBullsFreedOption
//   allToArchiveOption               allToArchiveOption
//   cowsToArchiveBullsFreedOption    cowsToArchiveBullsFreedOption
//   allFreedOption                   allFreedOption
//   executeRemovalButton             executeRemovalButton
// END OBJECT NAMES

// Farms window: the owners (farms) of one region, the region archive farm and farm removal.
// Opened from the main menu and, as a picker, by the cows and bulls windows and the
// calculation variants, which read the current REGION and VLAD rows when it closes.
class FarmsWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit FarmsWindow(HerdTables& dm, QWidget* parent = nullptr);
  ~FarmsWindow() override;

  // Where a farm removal stands: the list is browsed; the removal panel asks for the variant;
  // the list asks for the farm that takes the animals. The window cannot be closed (it has no
  // close box) while a removal is under way.
  enum class RemovalState { Browsing, ChoosingVariant, ChoosingTarget };
  RemovalState removalState() const { return removalState_; }

  // The regions list the region choice borrows.
  Pickers pickers;

  // The region whose farms the list shows.
  long long regionCode() const { return regionCode_; }
  // Shows the farm buttons that fit the listed farms: with no farm only the region choice and
  // the addition (and a message saying so); the archive button while the region has none.
  // Ends on the first listed farm.
  void refreshFarmButtons();

  QLabel* regionLabel;                // "Регион: " and the region's name
  DBGrid* farmList;                   // the region's farms
  QPushButton* chooseRegionButton;    // "Указать / изменить регион"
  QPushButton* addFarmButton;         // "Добавить владельца (хозяйство)"
  QPushButton* createArchiveButton;   // "Создать архив региона"
  QPushButton* renameFarmButton;      // "Уточнить наименование хозяйства"
  QPushButton* selectButton;          // "Выделить"
  QPushButton* clearSelectionButton;  // "Отменить выделение"
  QPushButton* deleteFarmButton;      // "Удалить хозяйство"
  QPushButton* targetChosenButton;    // "Выбор нового хозяйства для животных ВЫПОЛНЕН!" (red, hidden at first)
  // The farm removal panel, hidden at first.
  QGroupBox* removalPanel;
  QLabel* removalPrompt;
  QRadioButton* cancelRemovalOption;
  QRadioButton* allToFarmOption;
  QRadioButton* cowsToFarmBullsFreedOption;
  QRadioButton* allToArchiveOption;
  QRadioButton* cowsToArchiveBullsFreedOption;
  QRadioButton* allFreedOption;
  QPushButton* executeRemovalButton;  // "ВЫПОЛНИТЬ"

 protected:
  void FormActivate() override;
  void closeEvent(QCloseEvent* e) override;

 public slots:
  void reject() override;
  // Why the window does not close while a removal is under way.
  void tellHowToEndRemoval();

 private:
  void chooseRegionClicked();
  void addFarmClicked();
  void createArchiveClicked();
  void renameFarmClicked();
  void selectClicked();
  void clearSelectionClicked();
  // Farm removal: the panel of variants, carrying out the chosen one, the chosen target farm.
  void deleteFarmClicked();
  void executeRemovalClicked();
  void targetChosenClicked();
  RemovalVariant chosenVariant() const;
  // Moves or frees the animals of the farm being removed and reports it; back to browsing.
  void transferAnimals(const FarmKey& target);
  // Deletes the VLAD row of the farm being removed (it is the current row when asked).
  void deleteFarmRow();
  // Takes the title-bar system menu and its close box away or gives them back, without
  // hiding the window (it may be running modally).
  void setCloseBox(bool shown);
  // The one place a removal state is applied: the panel of variants alone while the variant is
  // chosen; otherwise the list with the buttons showFarmButtons() gives it, the target
  // confirmation while the target is chosen; the close box only while browsing.
  void setRemovalState(RemovalState state);
  // The farm buttons that fit the listed farms and the removal state (refreshFarmButtons()
  // without its message).
  void showFarmButtons();
  // Says so when the region has no farm.
  void tellWhenNoFarms();
  // After a table error in the middle of a removal: the removal is undone (the farm is listed
  // again with its animals), the list and the close box come back.
  void endRemoval();
  // Takes the region of the current REGION row and shows its farms.
  void showCurrentRegion();
  // The region of the current farm, when the list has one.
  void regionFromCurrentFarm();

  HerdTables& dm_;
  long long regionCode_ = 0;
  RemovalState removalState_ = RemovalState::Browsing;
  QString captionBeforeTarget_;  // the caption the target choice replaced
  FarmKey farmToDelete_;
  // A removal is one operation from the deletion of the farm's row to the last transfer, the
  // choice of the target farm included: interrupted anywhere, it is undone as a whole.
  std::unique_ptr<db::JournalScope> removal_;
  RemovalVariant variant_ = RemovalVariant::Cancel;
  bool closeBoxRemoved_ = false;
  Qt::WindowFlags flagsWithCloseBox_;
};

}  // namespace korvel
