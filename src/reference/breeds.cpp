#include "reference/breeds.h"

#include "db/data_module.h"
#include "db/text.h"
#include "reference/name_list.h"

namespace korvel {

NameOutcome addBreed(TDataModule5& dm, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  const auto scan = reference::scanNames(t, u"kodporod", u"poroda", db::nameKey(typed));
  if (scan.duplicate) return NameOutcome::Duplicate;
  t.append();
  t.fieldByName(u"poroda").setString(typed);
  t.fieldByName(u"kodporod").setInteger(scan.largestCode + 1);
  t.post();
  return NameOutcome::Written;
}

NameOutcome renameBreed(TDataModule5& dm, long long code, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  if (reference::scanNames(t, u"kodporod", u"poroda", db::nameKey(typed), code).duplicate)
    return NameOutcome::Duplicate;
  return reference::writeName(t, u"kodporod", code, u"poroda", typed) ? NameOutcome::Written : NameOutcome::NoRow;
}

SelectionScope breedSelection(TDataModule5& dm) {
  return {dm.poroda, dm.DataSource6, QString(), QStringLiteral("poroda"), QStringLiteral("ot"),
          QStringLiteral("ot='+'")};
}

QString breedCalculationCaption(const QString& name) {
  return QStringLiteral("Подготовка расчета характеристик быков-производителей породы \"") + name + QLatin1Char('"');
}

}  // namespace korvel
