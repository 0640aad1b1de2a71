#include "reference/regions_window.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "reference/list_window.h"
#include "reference/regions.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

QString duplicateRegion() { return QStringLiteral("Такой регион уже есть... повтор недопустим."); }

// Tells why nothing was written; true when nothing was.
bool refused(NameOutcome outcome) {
  if (outcome == NameOutcome::Duplicate) prompts().message(duplicateRegion());
  if (outcome == NameOutcome::Empty) prompts().message(emptyNameMessage());
  return outcome == NameOutcome::Duplicate || outcome == NameOutcome::Empty;
}

}  // namespace

RegionsWindow::RegionsWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Работа с регионами"));

  regionList = new DBGrid(dm.regionsSource, {{QStringLiteral("region"), QStringLiteral("Регион")}}, this);
  addRegionButton = reference::listButton(this, "Button1", QStringLiteral("Добавить"), [this] { addRegionClicked(); });
  renameRegionButton = reference::listButton(this, "Button2", QStringLiteral("Уточнить"), [this] { renameRegionClicked(); });
  selectButton = reference::listButton(this, "Button3", QStringLiteral("Выделить"), [this] { selectClicked(); });
  clearSelectionButton = reference::listButton(this, "Button4", QStringLiteral("Отменить выделение"), [this] { clearSelectionClicked(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {addRegionButton, renameRegionButton, selectButton, clearSelectionButton}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(regionList, 3);
  layout->addLayout(buttons, 1);
}

void RegionsWindow::FormActivate() {
  placeTopLeft();
  dm_.region.open();
  cancelSelection();
  dm_.region.first();
  const bool empty = dm_.region.isEmpty();
  if (empty) prompts().message(QStringLiteral("Регионы не заведены. Можно только добавить.."));
  // Shown again when regions have appeared since an opening on an empty table.
  showListButtons(!empty);
  addRegionButton->setFocus();
}

void RegionsWindow::showListButtons(bool on) {
  for (QPushButton* b : {renameRegionButton, selectButton, clearSelectionButton}) b->setVisible(on);
}

void RegionsWindow::cancelSelection() {
  showAllRows(dm_.region);
  regionList->setFocus();
}

void RegionsWindow::addRegionClicked() {
  const QString typed = prompts().textInput(QStringLiteral("Введите название нового региона и закройте это окно"), {});
  if (refused(addRegion(dm_, typed))) return;
  showListButtons(true);
  regionList->setFocus();
}

void RegionsWindow::renameRegionClicked() {
  db::Table& t = dm_.region;
  if (t.recNo() == 0) return;  // no region to correct
  const long long code = t.fieldByName(db::field::kodreg).asInteger();
  const QString typed = prompts().textInput(QStringLiteral("Уточните (исправьте) название региона и закройте это окно"),
                                            t.fieldByName(db::field::region).asString());
  if (refused(renameRegion(dm_, code, typed))) return;
  regionList->setFocus();
}

void RegionsWindow::selectClicked() {
  reference::selectOnList(regionSelection(dm_), regionList, [this] { cancelSelection(); });
}

void RegionsWindow::clearSelectionClicked() { cancelSelection(); }

}  // namespace korvel
