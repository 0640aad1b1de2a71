#include "reference/breeds.h"

#include "db/data_module.h"
#include "reference/name_list.h"

namespace korvel {

NameOutcome addBreed(TDataModule5& dm, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  return reference::appendName(t, u"kodporod", u"poroda", typed);
}

NameOutcome renameBreed(TDataModule5& dm, long long code, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  return reference::renameCode(t, u"kodporod", code, u"poroda", typed);
}

SelectionScope breedSelection(TDataModule5& dm) {
  return {dm.poroda, dm.DataSource6, QString(), QStringLiteral("poroda"), QStringLiteral("ot"),
          QStringLiteral("ot='+'")};
}

QString breedCalculationCaption(const QString& name) {
  return QStringLiteral("Подготовка расчета характеристик быков-производителей породы \"") + name + QLatin1Char('"');
}

}  // namespace korvel
