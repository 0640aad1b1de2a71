#include "reference/breeds.h"

#include "db/data_module.h"
#include "reference/name_list.h"

namespace korvel {

NameOutcome addBreed(HerdTables& dm, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  return reference::appendName(t, u"kodporod", u"poroda", typed);
}

NameOutcome renameBreed(HerdTables& dm, long long code, const QString& typed) {
  db::Table& t = dm.poroda;
  t.setFiltered(false);
  return reference::renameCode(t, u"kodporod", code, u"poroda", typed);
}

SelectionScope breedSelection(HerdTables& dm) {
  return {dm.poroda, dm.breedsSource, QString(), QStringLiteral("poroda"), QStringLiteral("ot"),
          QStringLiteral("ot='+'")};
}

QString breedCalculationCaption(const QString& name) {
  return QStringLiteral("Подготовка расчета характеристик быков-производителей породы \"") + name + QLatin1Char('"');
}

}  // namespace korvel
