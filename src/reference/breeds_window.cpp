#include "reference/breeds_window.h"

#include "db/data_module.h"
#include "evaluation/variants_window.h"
#include "reference/breeds.h"
#include "reference/list_window.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
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

TForm10::TForm10(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form10"));
  setWindowTitle(QStringLiteral("Породы"));

  DBGrid1 = new DBGrid(dm.DataSource6, {{QStringLiteral("poroda"), QStringLiteral("Порода")}}, this);
  Button1 = reference::listButton(this, "Button1", QStringLiteral("Добавить"), [this] { Button1Click(); });
  Button2 = reference::listButton(this, "Button2", QStringLiteral("Уточнить"), [this] { Button2Click(); });
  Button3 = reference::listButton(this, "Button3", QStringLiteral("Выделить"), [this] { Button3Click(); });
  Button4 = reference::listButton(this, "Button4", QStringLiteral("Отменить выделение"), [this] { Button4Click(); });
  Button5 = reference::listButton(this, "Button5",
                                  QStringLiteral("Расчет характеристик быков-производителей выбранной породы"),
                                  [this] { Button5Click(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {Button1, Button2, Button3, Button4}) buttons->addWidget(b);
  buttons->addSpacing(24);
  buttons->addWidget(Button5);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(DBGrid1, 3);
  layout->addLayout(buttons, 2);
}

void TForm10::FormActivate() {
  placeTopLeft();
  // Opened as a picker the window only chooses a breed.
  Button5->setVisible(!pickerUse());
  dm_.poroda.open();
  cancelSelection();
  dm_.poroda.first();
}

void TForm10::cancelSelection() {
  showAllRows(dm_.poroda);
  DBGrid1->setFocus();
}

void TForm10::Button1Click() {
  const QString typed = prompts().textInput(QStringLiteral("Введите название новой породы и закройте это окно"), {});
  showOutcome(addBreed(dm_, typed));
  DBGrid1->setFocus();
}

void TForm10::Button2Click() {
  db::Table& t = dm_.poroda;
  // With no breed in the list there is nothing to correct: refused before anything is asked.
  if (t.recNo() == 0) {
    prompts().message(QStringLiteral("Породы не заведены, уточнять нечего. Можно только добавить."));
    return;
  }
  const long long code = t.fieldByName(u"kodporod").asInteger();
  const QString typed = prompts().textInput(QStringLiteral("Уточните (исправьте) название породы и закройте это окно"),
                                            t.fieldByName(u"poroda").asString());
  showOutcome(renameBreed(dm_, code, typed));
  DBGrid1->setFocus();
}

void TForm10::Button3Click() {
  reference::selectOnList(breedSelection(dm_), DBGrid1, [this] { cancelSelection(); });
}

void TForm10::Button4Click() { cancelSelection(); }

void TForm10::Button5Click() {
  // With no breed in the list there is nothing to calculate for, as there is nothing to correct.
  if (dm_.poroda.recNo() == 0) {
    prompts().message(QStringLiteral("Породы не заведены, рассчитывать нечего. Можно только добавить."));
    return;
  }
  TForm12& variants = *forms().Form12;
  variants.setWindowTitle(breedCalculationCaption(dm_.poroda.fieldByName(u"poroda").asString()));
  variants.exec();
}

}  // namespace korvel
