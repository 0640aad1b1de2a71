#include "scoreform/form_columns.h"

#include "cows/cow_evaluation.h"

namespace korvel::scoreform {

const std::array<KeyColumn, KeyColumnCount>& keyColumns() {
  static const std::array<KeyColumn, KeyColumnCount> columns = {{
      {QStringLiteral("Код региона"), QStringLiteral("KODREG")},
      {QStringLiteral("Код хозяйства"), QStringLiteral("KODVLAD")},
      {QStringLiteral("Идентификационный №, кличка"), QStringLiteral("NOKLI")},
      {QStringLiteral("Порода"), QStringLiteral("KODPOROD")},
      {QStringLiteral("Отец"), QStringLiteral("KODBYK")},
  }};
  return columns;
}

QString columnHeaderId(const QString& id) { return id.trimmed().toUpper(); }

std::vector<FormColumn> formColumns(TraitCatalogue& catalogue) {
  std::vector<FormColumn> columns;
  for (TraitKind kind : {TraitKind::Linear, TraitKind::Defect, TraitKind::Complex}) {
    QString group;
    for (const TraitRow& row : catalogue.rows(kind)) {
      if (row.heading) {
        group = QString(row.xar).remove(QLatin1Char('!')).trimmed();
        continue;
      }
      if (valueCellAccess(kind, true, row.xar) != CellAccess::Editable) continue;
      columns.push_back({kind, row.id, row.xar.trimmed(), group, &row});
    }
  }
  return columns;
}

}  // namespace korvel::scoreform
