#include "reference/regions_window.h"

#include "app/db_grid.h"
#include "app/prompts.h"
#include "db/data_module.h"
#include "reference/regions.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

QString duplicateRegion() { return QStringLiteral("Такой регион уже есть... повтор недопустим."); }

}  // namespace

TForm6::TForm6(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Работа с регионами"));

  DBGrid1 = new DBGrid(dm.DataSource1, {{QStringLiteral("region"), QStringLiteral("Регион")}}, this);
  auto makeButton = [this](const char* name, const QString& caption, void (TForm6::*handler)()) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(36);
    connect(b, &QPushButton::clicked, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    return b;
  };
  Button1 = makeButton("Button1", QStringLiteral("Добавить"), &TForm6::Button1Click);
  Button2 = makeButton("Button2", QStringLiteral("Уточнить"), &TForm6::Button2Click);
  Button3 = makeButton("Button3", QStringLiteral("Выделить"), &TForm6::Button3Click);
  Button4 = makeButton("Button4", QStringLiteral("Отменить выделение"), &TForm6::Button4Click);

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
  if (addRegion(dm_, typed) == NameOutcome::Duplicate) {
    prompts().message(duplicateRegion());
    return;
  }
  showListButtons(true);
  DBGrid1->setFocus();
}

void TForm6::Button2Click() {
  db::Table& t = dm_.Table1;
  if (t.recNo() == 0) return;  // no region to correct
  const long long code = t.fieldByName(u"kodreg").asInteger();
  const QString typed = prompts().textInput(QStringLiteral("Уточните (исправьте) название региона и закройте это окно"),
                                            t.fieldByName(u"region").asString());
  if (renameRegion(dm_, code, typed) == NameOutcome::Duplicate) {
    prompts().message(duplicateRegion());
    return;
  }
  DBGrid1->setFocus();
}

void TForm6::Button3Click() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  switch (selectByKey(regionSelection(dm_), key)) {
    case SelectionOutcome::NoKey: break;
    case SelectionOutcome::Selected: DBGrid1->setFocus(); break;
    case SelectionOutcome::NoMatch:
      prompts().message(noMatchingRecordsMessage());
      cancelSelection();
      break;
  }
}

void TForm6::Button4Click() { cancelSelection(); }

}  // namespace korvel
