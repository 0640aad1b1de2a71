#include "reference/regions_window.h"

#include "db/data_module.h"
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

TForm6::TForm6(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Работа с регионами"));

  DBGrid1 = new DBGrid(dm.DataSource1, {{QStringLiteral("region"), QStringLiteral("Регион")}}, this);
  Button1 = reference::listButton(this, "Button1", QStringLiteral("Добавить"), [this] { Button1Click(); });
  Button2 = reference::listButton(this, "Button2", QStringLiteral("Уточнить"), [this] { Button2Click(); });
  Button3 = reference::listButton(this, "Button3", QStringLiteral("Выделить"), [this] { Button3Click(); });
  Button4 = reference::listButton(this, "Button4", QStringLiteral("Отменить выделение"), [this] { Button4Click(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button3, Button4}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(DBGrid1, 3);
  layout->addLayout(buttons, 1);
}

void TForm6::FormActivate() {
  placeTopLeft();
  dm_.Table1.open();
  cancelSelection();
  dm_.Table1.first();
  const bool empty = dm_.Table1.isEmpty();
  if (empty) prompts().message(QStringLiteral("Регионы не заведены. Можно только добавить.."));
  // Shown again when regions have appeared since an opening on an empty table.
  showListButtons(!empty);
  Button1->setFocus();
}

void TForm6::showListButtons(bool on) {
  for (QPushButton* b : {Button2, Button3, Button4}) b->setVisible(on);
}

void TForm6::cancelSelection() {
  showAllRows(dm_.Table1);
  DBGrid1->setFocus();
}

void TForm6::Button1Click() {
  const QString typed = prompts().textInput(QStringLiteral("Введите название нового региона и закройте это окно"), {});
  if (refused(addRegion(dm_, typed))) return;
  showListButtons(true);
  DBGrid1->setFocus();
}

void TForm6::Button2Click() {
  db::Table& t = dm_.Table1;
  if (t.recNo() == 0) return;  // no region to correct
  const long long code = t.fieldByName(u"kodreg").asInteger();
  const QString typed = prompts().textInput(QStringLiteral("Уточните (исправьте) название региона и закройте это окно"),
                                            t.fieldByName(u"region").asString());
  if (refused(renameRegion(dm_, code, typed))) return;
  DBGrid1->setFocus();
}

void TForm6::Button3Click() {
  reference::selectOnList(regionSelection(dm_), DBGrid1, [this] { cancelSelection(); });
}

void TForm6::Button4Click() { cancelSelection(); }

}  // namespace korvel
