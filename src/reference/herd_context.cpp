#include "reference/herd_context.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "db/rows.h"

namespace korvel {

QString HerdContext::animalFilter() const {
  return QStringLiteral("kodreg=%1 and kodvlad=%2").arg(regionCode).arg(farmCode);
}

QString herdHeader(const QString& region, const QString& farm) {
  return QStringLiteral("Регион: ") + region + QStringLiteral(" Владелец: ") + farm;
}

QString noRegionsMessage() {
  return QStringLiteral("Вы не завели регионы! Автоматически заведен ГЛАВНЫЙ РЕГИОН. Потом можно переименовать...");
}

QString noFarmsMessage(const QString& regionName) {
  return QStringLiteral("В регионе") + QLatin1Char(' ') + QLatin1Char('"') + regionName + QLatin1Char('"') +
         QStringLiteral(" нет владельцев! Автоматически заведено ХОЗЯЙСТВО 1. Потом можно переименовать...");
}

bool ensureFirstRegion(HerdTables& dm) {
  db::Table& region = dm.region;
  region.open();
  region.setFiltered(false);
  region.first();
  if (!region.isEmpty()) return false;
  region.append();
  region.fieldByName(db::field::kodreg).setInteger(1);
  region.fieldByName(db::field::region).setString(QStringLiteral("ГЛАВНЫЙ РЕГИОН"));
  region.post();
  return true;
}

HerdOpening establishHerdContext(HerdTables& dm) {
  HerdOpening out;
  db::Table& region = dm.region;
  db::Table& vlad = dm.vlad;
  region.open();
  vlad.open();
  if (ensureFirstRegion(dm)) out.messages << noRegionsMessage();
  out.herd.regionCode = region.fieldByName(db::field::kodreg).asInteger();
  const QString regionName = region.fieldByName(db::field::region).asString();

  vlad.setFiltered(false);
  vlad.setFilter(QStringLiteral("kodreg=%1").arg(out.herd.regionCode));
  vlad.setFiltered(true);
  if (vlad.isEmpty()) {
    out.messages << noFarmsMessage(regionName);
    vlad.append();
    vlad.fieldByName(db::field::kodvlad).setInteger(1);
    vlad.fieldByName(db::field::kodreg).setInteger(out.herd.regionCode);
    vlad.fieldByName(db::field::vlad).setString(QStringLiteral("ХОЗЯЙСТВО 1"));
    vlad.post();
  }
  vlad.first();
  out.herd.farmCode = vlad.fieldByName(db::field::kodvlad).asInteger();
  out.herd.header = herdHeader(regionName, vlad.fieldByName(db::field::vlad).asString());
  return out;
}

bool herdFarmExists(HerdTables& dm, const HerdContext& herd) {
  const db::WholeView kodreg(dm.vlad.file(), db::field::kodreg), kodvlad(dm.vlad.file(), db::field::kodvlad);
  for (const db::Row row : db::LiveRows(dm.vlad))
    if (kodreg.number(row) == herd.regionCode && kodvlad.number(row) == herd.farmCode) return true;
  return false;
}

HerdContext herdOfCurrentRows(HerdTables& dm) {
  HerdContext h;
  h.regionCode = dm.region.fieldByName(db::field::kodreg).asInteger();
  h.farmCode = dm.vlad.fieldByName(db::field::kodvlad).asInteger();
  h.header = herdHeader(dm.region.fieldByName(db::field::region).asString(), dm.vlad.fieldByName(db::field::vlad).asString());
  return h;
}

}  // namespace korvel
