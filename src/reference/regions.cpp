#include "reference/regions.h"

#include "db/data_module.h"
#include "reference/name_list.h"

namespace korvel {

NameOutcome addRegion(HerdTables& dm, const QString& typed) {
  db::Table& t = dm.region;
  t.setFilter(QString());
  t.setFiltered(false);
  return reference::appendName(t, u"kodreg", u"region", typed);
}

NameOutcome renameRegion(HerdTables& dm, long long code, const QString& typed) {
  db::Table& t = dm.region;
  t.setFiltered(false);
  return reference::renameCode(t, u"kodreg", code, u"region", typed);
}

SelectionScope regionSelection(HerdTables& dm) {
  return {dm.region, dm.regionsSource, QString(), QStringLiteral("region"), QStringLiteral("vibor"),
          QStringLiteral("vibor='+'")};
}

}  // namespace korvel
