#include "reference/farm_removal.h"

#include "db/data_module.h"
#include "db/filter.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "reference/farms.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace korvel {
namespace {

// The live rows of a table that belong to a farm, in file order, whatever the table's filter.
std::vector<uint32_t> rowsOfFarm(const db::Table& t, const FarmKey& farm) {
  const auto terms = db::parseFilter(QStringLiteral("kodreg=%1 and kodvlad=%2").arg(farm.region).arg(farm.farm),
                                     t.tableName());
  const db::DbfFile& file = t.file();
  const db::CompiledFilter filter(terms, file, t.tableName());
  std::vector<uint32_t> rows;
  for (uint32_t i = 0, n = file.recordCount(); i < n; ++i) {
    const char* rec = file.record(i);
    if (rec[0] != '*' && filter.matches(rec)) rows.push_back(i);
  }
  return rows;
}

// Writes the farm codes of the row at `index` (0 and 0 free it).
void placeRow(db::Table& t, uint32_t index, int kodreg, int kodvlad, const FarmKey& farm) {
  t.goToIndex(index);
  t.edit();
  db::Field(t, kodreg).setInteger(farm.region);
  db::Field(t, kodvlad).setInteger(farm.farm);
  t.post();
}

// A character field's length without the trailing blanks (and NULs) that reading drops.
int trimmedLength(const char* p, int width) {
  while (width > 0 && (p[width - 1] == ' ' || p[width - 1] == '\0')) --width;
  return width;
}

struct BytesHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

bool needsChosenFarm(RemovalVariant v) {
  return v == RemovalVariant::AllToFarm || v == RemovalVariant::CowsToFarmBullsFreed;
}

bool movesToArchive(RemovalVariant v) {
  return v == RemovalVariant::AllToArchive || v == RemovalVariant::CowsToArchiveBullsFreed;
}

bool freesBulls(RemovalVariant v) {
  return v == RemovalVariant::CowsToFarmBullsFreed || v == RemovalVariant::CowsToArchiveBullsFreed ||
         v == RemovalVariant::AllFreed;
}

FarmKey ensureRegionArchive(TDataModule5& dm, long long region) {
  db::Table& t = dm.vlad2;
  t.open();
  const QString filter = t.filter();
  const bool filtered = t.filtered();
  t.setFiltered(false);
  t.setFilter(QStringLiteral("kodreg=%1 and (kodvlad=0)").arg(region));
  t.setFiltered(true);
  if (t.isEmpty()) {
    t.append();
    t.fieldByName(u"kodreg").setInteger(region);
    t.fieldByName(u"kodvlad").setInteger(0);
    t.fieldByName(u"vlad").setString(archiveFarmName());
    t.post();
  }
  const int archiveRecNo = t.recNo();
  t.setFiltered(false);
  t.setFilter(filter);
  t.setFiltered(filtered);
  // The archive stays current when the list's own filter shows it.
  if (archiveRecNo > 0 && t.passes(uint32_t(archiveRecNo - 1))) t.goToIndex(uint32_t(archiveRecNo - 1));
  return {region, 0};
}

long long releaseFatherLinks(db::Table& korova, const std::vector<FreedBull>& bulls) {
  if (bulls.empty()) return 0;
  const db::DbfFile& file = korova.file();
  const int baseIdx = korova.fieldIndex(u"basekod");
  const int codeIdx = korova.fieldIndex(u"kodbyk");
  const db::FieldDef base = file.fields()[size_t(baseIdx)];
  const db::FieldDef code = file.fields()[size_t(codeIdx)];

  // The codes as the cow table stores them; the first bull of a code names its daughters,
  // since after his release no daughter of that code keeps the link for a later bull.
  std::unordered_map<std::string, size_t, BytesHash, std::equal_to<>> byCode;
  for (size_t i = 0; i < bulls.size(); ++i) {
    const QByteArray bytes = db::encode(bulls[i].code, file.codepage());
    // A code the cow table cannot hold, or longer than its field, is in no cow's KODBYK.
    if (bytes.size() > code.width || db::decode(bytes.constData(), bytes.size(), file.codepage()) != bulls[i].code)
      continue;
    byCode.try_emplace(std::string(bytes.constData(), size_t(bytes.size())), i);
  }
  if (byCode.empty()) return 0;

  // The daughters are found first, so that the journal takes all their records at once.
  std::vector<uint32_t> rows;
  std::vector<size_t> fathers;
  constexpr uint32_t kAhead = 32;  // records fetched ahead of the walk: it is bound by memory
  for (uint32_t i = 0, n = file.recordCount(); i < n; ++i) {
    const char* rec = file.record(i);
    if (i + kAhead < n) __builtin_prefetch(file.record(i + kAhead) + code.offset);
    if (rec[0] == '*') continue;
    // BASEKOD reads "+": a plus followed by nothing but blanks.
    if (rec[base.offset] != '+' || trimmedLength(rec + base.offset, base.width) != 1) continue;
    const char* c = rec + code.offset;
    const auto it = byCode.find(std::string_view(c, size_t(trimmedLength(c, code.width))));
    if (it == byCode.end()) continue;
    rows.push_back(i);
    fathers.push_back(it->second);
  }
  db::JournalScope op(file.folder());
  op.declare(korova, rows);
  for (size_t k = 0; k < rows.size(); ++k) {
    korova.goToIndex(rows[k]);
    korova.edit();
    db::Field(korova, baseIdx).setString(QString());
    db::Field(korova, codeIdx).setString(bulls[fathers[k]].name);
    korova.post();
  }
  op.commit();
  return qsizetype(rows.size());
}

TransferCount transferFarmAnimals(TDataModule5& dm, const FarmKey& removed, RemovalVariant variant,
                                  const FarmKey& target) {
  TransferCount count;
  if (variant == RemovalVariant::Cancel) return count;
  // Both lists frozen and both card refreshes held while the tables are walked unfiltered;
  // their filters, open states, current records and the flags are put back when the transfer
  // ends, however it ends: a picker's caller goes on with the cow or bull it had chosen.
  db::ProtectedScan cowScan(dm.korova, dm.DataSource3, &dm.cowRefreshSuppressed, db::ProtectedScan::Record::Restore);
  db::ProtectedScan bullScan(dm.bik, dm.DataSource5, &dm.bullRefreshSuppressed, db::ProtectedScan::Record::Restore);
  // All or nothing; declared after the scans, so that an error rolls the tables back before
  // the scans put the cursors back on them.
  db::JournalScope op(dm.workDir());
  db::Table& korova = dm.korova;
  db::Table& bik = dm.bik;

  const bool freeCows = variant == RemovalVariant::AllFreed;
  const FarmKey nowhere{0, 0};
  {
    const int kodreg = korova.fieldIndex(u"kodreg"), kodvlad = korova.fieldIndex(u"kodvlad");
    const std::vector<uint32_t> cows = rowsOfFarm(korova, removed);
    op.declare(korova, cows);
    for (uint32_t i : cows) {
      placeRow(korova, i, kodreg, kodvlad, freeCows ? nowhere : target);
      ++(freeCows ? count.cowsFreed : count.cowsMoved);
    }
  }

  const int kodreg = bik.fieldIndex(u"kodreg"), kodvlad = bik.fieldIndex(u"kodvlad");
  const std::vector<uint32_t> bulls = rowsOfFarm(bik, removed);
  op.declare(bik, bulls);
  if (!freesBulls(variant)) {
    for (uint32_t i : bulls) placeRow(bik, i, kodreg, kodvlad, target);
    count.bullsMoved = qsizetype(bulls.size());
    op.commit();
    return count;
  }
  // Every freed bull's daughters are released in one walk over the cows, before the bulls
  // themselves become free rows.
  std::vector<FreedBull> freed;
  freed.reserve(bulls.size());
  const int nokli = bik.fieldIndex(u"nokli"), kodbyk = bik.fieldIndex(u"kodbyk");
  for (uint32_t i : bulls)
    freed.push_back({bik.textAt(i, kodbyk), QStringLiteral("#") + bik.textAt(i, nokli).trimmed()});
  count.daughtersReleased = releaseFatherLinks(korova, freed);
  for (uint32_t i : bulls) placeRow(bik, i, kodreg, kodvlad, nowhere);
  count.bullsFreed = qsizetype(bulls.size());
  op.commit();
  return count;
}

QString removalDoneMessage(RemovalVariant v) {
  return v == RemovalVariant::AllFreed ? QStringLiteral("Удаление хозяйства со всеми его животными ВЫПОЛНЕНО!")
                                       : QStringLiteral("Удаление хозяйства с переводом животных ВЫПОЛНЕНО!");
}

}  // namespace korvel
