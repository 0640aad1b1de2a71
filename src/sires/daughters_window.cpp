#include "sires/daughters_window.h"

#include "db/data_module.h"
#include "db/rows.h"
#include "sires/daughters.h"
#include "sires/string_grid.h"

namespace korvel {

DaughtersWindow::DaughtersWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form13"));
  resize(1024, 736);
  daughterGrid = new QTableWidget(this);
  daughterGrid->setObjectName(QStringLiteral("StringGrid1"));
  daughterGrid->setGeometry(8, 12, 997, 445);
}

void DaughtersWindow::FormActivate() {
  placeTopLeft();
  // The name columns give a little of their width to the score and category, so that those
  // show whole in this system's font; the columns together fit the grid beside its scroll bar,
  // so the fixed first column never scrolls away sideways.
  resetStringGrid(daughterGrid,
                  {QStringLiteral("Регион"), QStringLiteral("Хозяйство"), QStringLiteral("Порода"),
                   QStringLiteral("Кличка (инв.№)"), QStringLiteral("Оценка"), QStringLiteral("Категория")},
                  {205, 190, 140, 205, 60, 175}, 21);
  db::Table& bik = dm_.bik;
  const QString name = db::currentRow(bik) ? bik.fieldByName(u"nokli").asString() : QString();
  setWindowTitle(QStringLiteral("Дочери быка ") + QLatin1Char('"') + name + QLatin1Char('"'));
  const std::vector<DaughterRow> rows = daughtersOfCurrentBull(dm_);
  for (const DaughterRow& d : rows)
    appendGridRow(daughterGrid, {d.region, d.farm, d.breed, d.name, QString::number(d.score), d.category});
  fixGridCells(daughterGrid, !rows.empty(), true);
}

}  // namespace korvel
