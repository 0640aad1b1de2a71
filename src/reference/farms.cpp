#include "reference/farms.h"

#include "db/data_module.h"
#include "db/freeze.h"
#include "db/schema.h"
#include "db/text.h"

namespace korvel {

QString archiveFarmName() { return QStringLiteral("Архив региона"); }

bool holdsArchiveWord(const QString& typed) { return db::nameKey(typed).contains(QStringLiteral("АРХИВ")); }

QString regionFarmsFilter(long long regionCode) { return QStringLiteral("kodreg=%1").arg(regionCode); }

void filterRegionFarms(HerdTables& dm, long long regionCode) {
  dm.vlad.setFiltered(false);
  dm.vlad.setFilter(regionFarmsFilter(regionCode));
  dm.vlad.setFiltered(true);
}

void showRegionFarms(HerdTables& dm, long long regionCode) {
  db::Table& t = dm.vlad;
  t.setFiltered(false);
  t.first();
  const db::Freeze frozen(dm.farmsSource);
  t.setFilter(regionFarmsFilter(regionCode));
  t.setFiltered(true);
}

NameOutcome addFarm(HerdTables& dm, long long regionCode, const QString& typed) {
  if (holdsArchiveWord(typed)) return NameOutcome::ArchiveWord;
  db::Table& t = dm.vlad;
  filterRegionFarms(dm, regionCode);
  return reference::appendName(t, db::field::kodvlad, db::field::vlad, typed,
                               [regionCode](db::Table& row) { row.fieldByName(db::field::kodreg).setInteger(regionCode); });
}

NameOutcome renameFarm(HerdTables& dm, long long regionCode, long long farmCode, const QString& typed) {
  if (holdsArchiveWord(typed)) return NameOutcome::ArchiveWord;
  db::Table& t = dm.vlad;
  filterRegionFarms(dm, regionCode);
  return reference::renameCode(t, db::field::kodvlad, farmCode, db::field::vlad, typed);
}

bool createArchiveFarm(HerdTables& dm, long long regionCode) {
  db::Table& t = dm.vlad;
  filterRegionFarms(dm, regionCode);
  // One archive per region: the farm removal moves animals to the first one it finds.
  if (reference::goToCode(t, db::field::kodvlad, 0)) return false;
  t.append();
  t.fieldByName(db::field::vlad).setString(archiveFarmName());
  t.fieldByName(db::field::kodreg).setInteger(regionCode);
  t.fieldByName(db::field::kodvlad).setInteger(0);
  t.post();
  return true;
}

ListedFarms listedFarms(HerdTables& dm) {
  db::Table& t = dm.vlad;
  ListedFarms out;
  out.any = !t.isEmpty();
  if (out.any) {
    const int code = t.fieldIndex(db::field::kodvlad);
    for (t.first(); !t.eof() && !out.archive; t.next()) out.archive = db::Field(t, code).asInteger() == 0;
  }
  t.first();
  return out;
}

SelectionScope farmSelection(HerdTables& dm, long long regionCode) {
  return {dm.vlad, dm.farmsSource, regionFarmsFilter(regionCode), QStringLiteral("vlad"), QStringLiteral("ot"),
          QStringLiteral("ot='+' and kodreg=%1").arg(regionCode)};
}

}  // namespace korvel
