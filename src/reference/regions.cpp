#include "reference/regions.h"

#include "db/data_module.h"
#include "db/text.h"
#include "reference/name_list.h"

namespace korvel {

using reference::scanNames;

NameOutcome addRegion(TDataModule5& dm, const QString& typed) {
  db::Table& t = dm.Table1;
  t.setFilter(QString());
  t.setFiltered(false);
  const auto scan = scanNames(t, u"kodreg", u"region", db::nameKey(typed));
  if (scan.duplicate) return NameOutcome::Duplicate;
  t.append();
  t.fieldByName(u"region").setString(typed);
  t.fieldByName(u"kodreg").setInteger(scan.largestCode + 1);
  t.post();
  return NameOutcome::Written;
}

NameOutcome renameRegion(TDataModule5& dm, long long code, const QString& typed) {
  db::Table& t = dm.Table1;
  t.setFiltered(false);
  if (scanNames(t, u"kodreg", u"region", db::nameKey(typed), code).duplicate) return NameOutcome::Duplicate;
  return reference::writeName(t, u"kodreg", code, u"region", typed) ? NameOutcome::Written : NameOutcome::NoRow;
}

SelectionScope regionSelection(TDataModule5& dm) {
  return {dm.Table1, dm.DataSource1, QString(), QStringLiteral("region"), QStringLiteral("vibor"),
          QStringLiteral("vibor='+'")};
}

}  // namespace korvel
