// The record buttons of the cows window: adding, removing, renaming and moving a cow, another
// farm, the breed and the father through the borrowed list windows, and the selection by key.
#include "cows/cow_card.h"
#include "cows/cow_card_parts.h"
#include "cows/cow_records.h"
#include "db/data_module.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/schema.h"
#include "reference/name_list.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvel {

using namespace cow_card;

void CowWindow::connectRecordButtons() {
  const std::pair<QPushButton*, void (CowWindow::*)()> handlers[] = {
      {addCowButton, &CowWindow::addCowClicked},  {deleteCowButton, &CowWindow::deleteCowClicked}, {renameCowButton, &CowWindow::renameCowClicked},
      {moveCowButton, &CowWindow::moveCowClicked}, {otherFarmButton, &CowWindow::otherFarmClicked}, {changeBreedButton, &CowWindow::changeBreedClicked},
      {changeFatherButton, &CowWindow::changeFatherClicked},  {selectButton, &CowWindow::selectClicked}, {clearSelectionButton, &CowWindow::clearSelectionClicked}};
  for (const auto& [b, handler] : handlers) onClick(b, [this, handler = handler] { (this->*handler)(); });
}

void CowWindow::addCowClicked() {
  const QString typed = prompts().textInput(QStringLiteral("Введите кличку/идентифик.№ коровы и закройте это окно"), {});
  const CowNameOutcome outcome = addCow(dm_, herd, typed);
  if (outcome == CowNameOutcome::Empty) return;
  refreshCowCard();
  if (outcome == CowNameOutcome::Duplicate) {
    prompts().message(duplicateCowMessage());
    return;
  }
  cowList->setFocus();
  prepareNewCowForEntry();
}

void CowWindow::prepareNewCowForEntry() {
  // The list stays editable until the next refresh makes it read-only again.
  dm_.cowsSource.setReadOnly(false);
  setEditingMode(true);
  setParticularsReadOnly(false);
  lactationEdit->setText(QStringLiteral("0"));
  calvingDateEdit->setText(QStringLiteral("01.04.2001"));
  // The defaults are on the screen only until the corrections are written.
  setButtonState(true, true);
  cowList->setFocus();
}

void CowWindow::deleteCowClicked() {
  db::Table& t = dm_.korova;
  if (!db::hasCurrentRecord(t)) return;
  if (!prompts().confirmDelete(cowRemovalQuestion(t.fieldByName(db::field::nokli).asString()))) return;
  if (removeCurrentCow(dm_, herd)) {
    refreshCowCard();
    return;
  }
  // The grids keep what they showed.
  prompts().message(emptyFarmMessage());
  showEmptyFarm();
}

void CowWindow::renameCowClicked() {
  db::Table& t = dm_.korova;
  if (!db::hasCurrentRecord(t)) return;  // no cow to rename
  const QString typed = prompts().textInput(
      QStringLiteral("Уточните (исправьте) кличку/идентифик.№ и закройте это окно"), t.fieldByName(db::field::nokli).asString());
  const CowNameOutcome outcome = renameCurrentCow(dm_, herd, typed);
  if (outcome == CowNameOutcome::Duplicate) prompts().message(duplicateCowMessage());
  if (outcome == CowNameOutcome::Empty) prompts().message(emptyAnimalNameMessage());
  refreshCowCard();
  cowList->setFocus();
}

void CowWindow::showHerd(const HerdContext& to) {
  herd = to;
  headerLabel->setText(herd.header);
  {
    db::Freeze detach(dm_.cowsSource);
    showFarmCows(dm_, herd);
  }
  if (dm_.korova.isEmpty()) {
    prompts().message(emptyFarmMessage());
    showEmptyFarm();
  } else {
    refreshCowCard();
  }
}

bool CowWindow::cowLost(const db::RowMark& cow) {
  if (!cow.lost()) return false;
  // What the picker did took her out of the list (a bull deleted there with his daughters, her
  // farm removed): nothing meant for her goes into another cow, and the card shows the list's
  // current cow before the message says why.
  if (!herdFarmExists(dm_, herd)) {
    // The window's own farm was removed there: it takes a farm anew, as on opening.
    const HerdOpening opening = establishHerdContext(dm_);
    for (const QString& m : opening.messages) prompts().message(m);
    showHerd(opening.herd);
  } else if (dm_.korova.isOpen() && !dm_.korova.isEmpty()) {
    refreshCowCard();
  } else {
    showEmptyFarm();
  }
  prompts().message(cowGoneMessage());
  return true;
}

void CowWindow::moveCowClicked() {
  if (!db::hasCurrentRecord(dm_.korova)) return;
  const db::RowMark cow(dm_.korova);
  prompts().showPicker(*pickers.farms,
                       QStringLiteral("Выбор НОВОГО владельца КОРОВЫ. Выберите (добавьте) и закройте окно."));
  if (cowLost(cow)) return;
  // With no farm listed there is nowhere to move the cow: she stays where she is.
  const std::optional<HerdContext> to = pickedHerd(dm_);
  if (!to) return;
  moveCurrentCow(dm_, *to);
  showHerd(*to);
}

void CowWindow::otherFarmClicked() {
  prompts().showPicker(*pickers.farms, QStringLiteral("Выбор владельца стада. Выберите (добавьте) и закройте окно."));
  const std::optional<HerdContext> to = pickedHerd(dm_);
  if (!to) return;
  showHerd(*to);
}

void CowWindow::changeBreedClicked() {
  const db::RowMark cow(dm_.korova);
  prompts().showPicker(
      *pickers.breeds,
      QStringLiteral("Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно."));
  if (cowLost(cow)) return;
  if (const std::optional<QString> breed = setBreedOfCurrentCow(dm_)) breedEdit->setText(*breed);
}

QString bullPickerCaption() {
  return QStringLiteral("Выберите (если его нет - добавьте) нужного быка-производителя и закройте это окно.");
}

void CowWindow::changeFatherClicked() {
  const db::RowMark cow(dm_.korova);
  prompts().showPicker(*pickers.bulls, bullPickerCaption(), PickerUse::CowFather);
  if (cowLost(cow)) return;
  const std::optional<QString> bull = setFatherOfCurrentCow(dm_);
  if (!bull) return;
  // A father from the bulls table is changed only with this button.
  fatherIsBull_ = true;
  fatherEdit->setText(*bull);
  fatherEdit->setReadOnly(true);
  setFatherCaption(true);
}

void CowWindow::selectClicked() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  if (key.isEmpty()) return;
  if (selectByKey(cowSelection(dm_, herd), key) == SelectionOutcome::NoMatch) prompts().message(noMatchingRecordsMessage());
  if (dm_.korova.isEmpty()) return;
  refreshCowCard();
  cowList->setFocus();
}

void CowWindow::clearSelectionClicked() {
  showFarmCows(dm_, herd);
  if (dm_.korova.isEmpty()) {
    showEmptyFarm();
    return;
  }
  refreshCowCard();
}

}  // namespace korvel
