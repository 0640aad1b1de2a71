#include "reference/farm_removal.h"

#include "db/schema.h"
#include "herd/father_link.h"
#include "db/data_module.h"
#include "db/rows.h"
#include "db/text.h"
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
  const db::RowFilter ofFarm(t, QStringLiteral("kodreg=%1 and kodvlad=%2").arg(farm.region).arg(farm.farm));
  std::vector<uint32_t> rows;
  for (const db::Row row : db::LiveRows(t))
    if (ofFarm(row)) rows.push_back(row.index());
  return rows;
}

// Writes the farm codes of the row at `index` (0 and 0 free it).
void placeRow(db::Table& t, uint32_t index, int kodreg, int kodvlad, const FarmKey& farm) {
  t.editRowAt(index);
  db::Field(t, kodreg).setInteger(farm.region);
  db::Field(t, kodvlad).setInteger(farm.farm);
  t.post();
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

FarmKey ensureRegionArchive(HerdTables& dm, long long region) {
  db::Table& t = dm.vlad;
  t.open();
  const QString filter = t.filter();
  const bool filtered = t.filtered();
  t.setFiltered(false);
  t.setFilter(QStringLiteral("kodreg=%1 and (kodvlad=0)").arg(region));
  t.setFiltered(true);
  if (t.isEmpty()) {
    t.append();
    t.fieldByName(db::field::kodreg).setInteger(region);
    t.fieldByName(db::field::kodvlad).setInteger(0);
    t.fieldByName(db::field::vlad).setString(archiveFarmName());
    t.post();
  }
  const int archiveRecNo = t.recNo();
  t.setFiltered(false);
  t.setFilter(filter);
  t.setFiltered(filtered);
  // The archive stays current when the list's own filter shows it; otherwise the cursor stays
  // on the first row of the list.
  if (archiveRecNo > 0) static_cast<void>(t.goToIndex(uint32_t(archiveRecNo - 1)));
  return {region, 0};
}

namespace {

// A cow whose father link goes: her row and the freed bull that names her.
struct LinkedDaughter {
  uint32_t row;
  size_t bull;
};

// The live cows linked to the bulls, found in one walk over the table whatever its filter.
std::vector<LinkedDaughter> linkedDaughters(const db::Table& korova, const std::vector<FreedBull>& bulls) {
  std::vector<LinkedDaughter> out;
  if (bulls.empty()) return out;
  const db::DbfFile& file = korova.file();
  const FatherLink link(file);
  const db::FieldDef& code = link.kodbyk();

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
  if (byCode.empty()) return out;

  constexpr uint32_t kAhead = 32;  // records fetched ahead of the walk: it is bound by memory
  const db::LiveRows rows(file);
  for (const db::Row row : rows) {
    if (const db::Row ahead = rows.ahead(row, kAhead)) db::prefetch(ahead, code.offset, code.offset + 1);
    const auto father = link.codeAsStored(row);
    if (!father) continue;
    const auto it = byCode.find(*father);
    if (it != byCode.end()) out.push_back({row.index(), it->second});
  }
  return out;
}

std::vector<uint32_t> rowsOf(const std::vector<LinkedDaughter>& daughters) {
  std::vector<uint32_t> rows;
  rows.reserve(daughters.size());
  for (const LinkedDaughter& d : daughters) rows.push_back(d.row);
  return rows;
}

// BASEKOD blank and KODBYK the bull's "#" name on every daughter.
void release(db::Table& korova, const std::vector<LinkedDaughter>& daughters, const std::vector<FreedBull>& bulls) {
  const int base = korova.fieldIndex(db::field::basekod), code = korova.fieldIndex(db::field::kodbyk);
  for (const LinkedDaughter& d : daughters) {
    korova.editRowAt(d.row);
    db::Field(korova, base).setString(QString());
    db::Field(korova, code).setString(bulls[d.bull].name);
    korova.post();
  }
}

}  // namespace

long long releaseFatherLinks(db::Table& korova, const std::vector<FreedBull>& bulls) {
  const std::vector<LinkedDaughter> daughters = linkedDaughters(korova, bulls);
  if (daughters.empty()) return 0;
  db::JournalScope op(korova.file().folder());
  op.declare(korova.file(), rowsOf(daughters));
  release(korova, daughters, bulls);
  op.commit();
  return qsizetype(daughters.size());
}

TransferCount transferFarmAnimals(HerdTables& dm, const FarmKey& removed, RemovalVariant variant,
                                  const FarmKey& target) {
  TransferCount count;
  if (variant == RemovalVariant::Cancel) return count;
  // Both lists frozen while the tables are walked unfiltered; their filters, open states and
  // current records are put back when the transfer ends, however it ends: a picker's caller
  // goes on with the cow or bull it had chosen.
  db::ProtectedScan cowScan(dm.korova, dm.cowsSource);
  db::ProtectedScan bullScan(dm.bik, dm.bullsSource);
  // All or nothing; declared after the scans, so that an error rolls the tables back before
  // the scans put the cursors back on them.
  db::JournalScope op(dm.workDir(), QStringLiteral("удаление хозяйства"));
  db::Table& korova = dm.korova;
  db::Table& bik = dm.bik;

  // Every row the transfer changes is found first: the journal takes them in one batch.
  const std::vector<uint32_t> cows = rowsOfFarm(korova, removed);
  const std::vector<uint32_t> bulls = rowsOfFarm(bik, removed);
  // The freed bulls' daughters keep the bull's name; they are released before the bulls
  // themselves become free rows.
  const bool freeBulls = freesBulls(variant);
  std::vector<FreedBull> freed;
  if (freeBulls) {
    freed.reserve(bulls.size());
    const int nokli = bik.fieldIndex(db::field::nokli), kodbyk = bik.fieldIndex(db::field::kodbyk);
    for (uint32_t i : bulls)
      freed.push_back({bik.textAt(i, kodbyk), QStringLiteral("#") + bik.textAt(i, nokli).trimmed()});
  }
  const std::vector<LinkedDaughter> daughters = linkedDaughters(korova, freed);
  std::vector<uint32_t> cowRows = cows;
  const std::vector<uint32_t> daughterRows = rowsOf(daughters);
  cowRows.insert(cowRows.end(), daughterRows.begin(), daughterRows.end());
  op.declare(korova.file(), cowRows);
  op.declare(bik.file(), bulls);

  const bool freeCows = variant == RemovalVariant::AllFreed;
  const FarmKey nowhere{0, 0};
  const int cowRegion = korova.fieldIndex(db::field::kodreg), cowFarm = korova.fieldIndex(db::field::kodvlad);
  for (uint32_t i : cows) placeRow(korova, i, cowRegion, cowFarm, freeCows ? nowhere : target);
  (freeCows ? count.cowsFreed : count.cowsMoved) = qsizetype(cows.size());
  release(korova, daughters, freed);
  count.daughtersReleased = qsizetype(daughters.size());
  const int bullRegion = bik.fieldIndex(db::field::kodreg), bullFarm = bik.fieldIndex(db::field::kodvlad);
  for (uint32_t i : bulls) placeRow(bik, i, bullRegion, bullFarm, freeBulls ? nowhere : target);
  (freeBulls ? count.bullsFreed : count.bullsMoved) = qsizetype(bulls.size());
  op.commit();
  return count;
}

QString removalDoneMessage(RemovalVariant v) {
  return v == RemovalVariant::AllFreed ? QStringLiteral("Удаление хозяйства со всеми его животными ВЫПОЛНЕНО!")
                                       : QStringLiteral("Удаление хозяйства с переводом животных ВЫПОЛНЕНО!");
}

}  // namespace korvel
