#include "sires/daughters.h"

#include "db/schema.h"
#include "herd/father_link.h"
#include "cows/scoring.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/table_error.h"
#include "sires/bull_figures.h"

#include <map>

namespace korvel {
namespace {

long long wholeOf(const db::WholeView& field, const db::Row& row) { return field.number(row).value_or(0); }

// Names by code, the first row of each code winning, as a walk from the first row finds them.
template <typename Key, typename KeyOf>
std::map<Key, QString> namesOf(db::Table& t, const KeyOf& key, const QString& nameField) {
  std::map<Key, QString> out;
  t.open();
  const db::TextView name(t.file(), nameField);
  for (const db::Row row : db::LiveRows(t)) out.try_emplace(key(row), name(row));
  return out;
}

template <typename Map, typename Key>
QString lookup(const Map& m, const Key& k) {
  const auto it = m.find(k);
  return it == m.end() ? QString() : it->second;
}

}  // namespace

std::vector<DaughterRow> daughtersOfCurrentBull(HerdTables& dm) {
  db::Table& bik = dm.bik;
  std::vector<DaughterRow> out;
  if (!db::currentRow(bik)) return out;
  const QString code = bik.fieldByName(db::field::kodbyk).asString();

  dm.region.open();
  const db::WholeView regionCode(dm.region.file(), db::field::kodreg);
  const auto regions = namesOf<long long>(
      dm.region, [&](const db::Row& r) { return wholeOf(regionCode, r); }, QStringLiteral("region"));
  dm.vlad.open();
  const db::WholeView farmRegion(dm.vlad.file(), db::field::kodreg), farmCode(dm.vlad.file(), db::field::kodvlad);
  const auto farms = namesOf<std::pair<long long, long long>>(
      dm.vlad, [&](const db::Row& r) { return std::make_pair(wholeOf(farmRegion, r), wholeOf(farmCode, r)); },
      QStringLiteral("vlad"));
  dm.poroda.open();
  const db::WholeView breedCode(dm.poroda.file(), db::field::kodporod);
  const auto breeds = namesOf<long long>(
      dm.poroda, [&](const db::Row& r) { return wholeOf(breedCode, r); }, QStringLiteral("poroda"));

  db::ProtectedScan scan(dm.korova, dm.cowsSource);
  const db::DbfFile& f = dm.korova.file();
  const FatherLink link(f);
  const std::vector<TraitRow> complexRows = catalogueRows(dm.xarakt, TraitKind::Complex, &dm.korova);
  const db::WholeView kodreg(f, db::field::kodreg), kodvlad(f, db::field::kodvlad), kodporod(f, db::field::kodporod);
  const db::TextView nokli(f, db::field::nokli);
  std::map<QString, db::TextView> traitText;
  std::map<QString, db::FloatView> traitValue;
  for (const TraitRow& r : complexRows) {
    traitText.try_emplace(r.id, f, r.id);
    traitValue.try_emplace(r.id, f, r.id);
  }

  for (const db::Row row : db::LiveRows(f)) {
    if (!link.textIs(row, code)) continue;
    DaughterRow d;
    const long long r = wholeOf(kodreg, row);
    d.region = lookup(regions, r);
    d.farm = lookup(farms, std::make_pair(r, wholeOf(kodvlad, row)));
    d.breed = lookup(breeds, wholeOf(kodporod, row));
    d.name = nokli(row);
    // Her own complex traits, an empty one counting 0; a text that is no number throws.
    d.score = overallScore(complexRows, [&](const TraitRow& trait, int) -> std::optional<double> {
      if (traitText.at(trait.id)(row).isEmpty()) return 0.0;
      return traitValue.at(trait.id)(row);
    });
    d.category = categoryOf(d.score);
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace korvel
