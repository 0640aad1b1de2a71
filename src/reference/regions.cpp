#include "reference/regions.h"

#include "db/data_module.h"
#include "reference/name_list.h"

namespace korvel {

NameOutcome addRegion(TDataModule5& dm, const QString& typed) {
  db::Table& t = dm.Table1;
  t.setFilter(QString());
  t.setFiltered(false);
  return reference::appendName(t, u"kodreg", u"region", typed);
}

NameOutcome renameRegion(TDataModule5& dm, long long code, const QString& typed) {
  db::Table& t = dm.Table1;
  t.setFiltered(false);
  return reference::renameCode(t, u"kodreg", code, u"region", typed);
}

SelectionScope regionSelection(TDataModule5& dm) {
  return {dm.Table1, dm.DataSource1, QString(), QStringLiteral("region"), QStringLiteral("vibor"),
          QStringLiteral("vibor='+'")};
}

}  // namespace korvel
