#include "reference/breeds_window.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "reference/breeds.h"
#include "reference/list_window.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

QString duplicateBreed() { return QStringLiteral("Такая порода уже есть... повтор недопустим."); }

void showOutcome(NameOutcome outcome) {
  if (outcome == NameOutcome::Duplicate) prompts().message(duplicateBreed());
  if (outcome == NameOutcome::Empty) prompts().message(emptyNameMessage());
}

}  // namespace

BreedsWindow::BreedsWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form10"));
  setWindowTitle(QStringLiteral("Породы"));

  breedList = new DBGrid(dm.breedsSource, {{QStringLiteral("poroda"), QStringLiteral("Порода")}}, this);
  addBreedButton = reference::listButton(this, "Button1", QStringLiteral("Добавить"), [this] { addBreedClicked(); });
  renameBreedButton = reference::listButton(this, "Button2", QStringLiteral("Уточнить"), [this] { renameBreedClicked(); });
  selectButton = reference::listButton(this, "Button3", QStringLiteral("Выделить"), [this] { selectClicked(); });
  clearSelectionButton = reference::listButton(this, "Button4", QStringLiteral("Отменить выделение"), [this] { clearSelectionClicked(); });
  evaluateSiresButton = reference::listButton(this, "Button5",
                                  QStringLiteral("Расчет характеристик быков-производителей выбранной породы"),
                                  [this] { evaluateSiresClicked(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {addBreedButton, renameBreedButton, selectButton, clearSelectionButton}) buttons->addWidget(b);
  buttons->addSpacing(24);
  buttons->addWidget(evaluateSiresButton);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(breedList, 3);
  layout->addLayout(buttons, 2);
}

void BreedsWindow::FormActivate() {
  placeTopLeft();
  // Opened as a picker the window only chooses a breed.
  evaluateSiresButton->setVisible(!pickerUse());
  dm_.poroda.open();
  cancelSelection();
  dm_.poroda.first();
}

void BreedsWindow::cancelSelection() {
  showAllRows(dm_.poroda);
  breedList->setFocus();
}

void BreedsWindow::addBreedClicked() {
  const QString typed = prompts().textInput(QStringLiteral("Введите название новой породы и закройте это окно"), {});
  showOutcome(addBreed(dm_, typed));
  breedList->setFocus();
}

void BreedsWindow::renameBreedClicked() {
  db::Table& t = dm_.poroda;
  // With no breed in the list there is nothing to correct: refused before anything is asked.
  if (t.recNo() == 0) {
    prompts().message(QStringLiteral("Породы не заведены, уточнять нечего. Можно только добавить."));
    return;
  }
  const long long code = t.fieldByName(db::field::kodporod).asInteger();
  const QString typed = prompts().textInput(QStringLiteral("Уточните (исправьте) название породы и закройте это окно"),
                                            t.fieldByName(db::field::poroda).asString());
  showOutcome(renameBreed(dm_, code, typed));
  breedList->setFocus();
}

void BreedsWindow::selectClicked() {
  reference::selectOnList(breedSelection(dm_), breedList, [this] { cancelSelection(); });
}

void BreedsWindow::clearSelectionClicked() { cancelSelection(); }

void BreedsWindow::evaluateSiresClicked() {
  // With no breed in the list there is nothing to calculate for, as there is nothing to correct.
  if (dm_.poroda.recNo() == 0) {
    prompts().message(QStringLiteral("Породы не заведены, рассчитывать нечего. Можно только добавить."));
    return;
  }
  if (evaluateSires) evaluateSires(breedCalculationCaption(dm_.poroda.fieldByName(db::field::poroda).asString()));
}

}  // namespace korvel
