#include "sires/daughters.h"

#include "cows/scoring.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "db/field_value.h"
#include "db/protected_scan.h"
#include "db/table_error.h"
#include "sires/bull_figures.h"

#include <cmath>
#include <functional>
#include <map>

namespace korvel {
namespace {

long long wholeOf(const db::DbfFile& f, int field, const char* rec) {
  const auto v = db::fieldNumber(f.fields()[size_t(field)], rec, f.codepage());
  return v ? static_cast<long long>(std::nearbyint(*v)) : 0;
}

// Names by code, the first row of each code winning, as a walk from the first row finds them.
template <typename Key>
std::map<Key, QString> namesOf(db::Table& t, const std::function<Key(const db::DbfFile&, const char*)>& key,
                               const QString& nameField) {
  std::map<Key, QString> out;
  t.open();
  const db::DbfFile& f = t.file();
  const int name = t.fieldIndex(nameField);
  for (uint32_t i = 0; i < f.recordCount(); ++i) {
    const char* rec = f.record(i);
    if (rec[0] == '*') continue;
    out.try_emplace(key(f, rec), db::fieldText(f.fields()[size_t(name)], rec, f.codepage()));
  }
  return out;
}

template <typename Map, typename Key>
QString lookup(const Map& m, const Key& k) {
  const auto it = m.find(k);
  return it == m.end() ? QString() : it->second;
}

}  // namespace

std::vector<DaughterRow> daughtersOfCurrentBull(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  std::vector<DaughterRow> out;
  if (!bik.isOpen() || !bik.currentRecord()) return out;
  const QString code = bik.fieldByName(u"kodbyk").asString();

  dm.Table1.open();
  const int regionCode = dm.Table1.fieldIndex(u"kodreg");
  const auto regions = namesOf<long long>(
      dm.Table1, [regionCode](const db::DbfFile& f, const char* r) { return wholeOf(f, regionCode, r); },
      QStringLiteral("region"));
  dm.vlad2.open();
  const int farmRegion = dm.vlad2.fieldIndex(u"kodreg");
  const int farmCode = dm.vlad2.fieldIndex(u"kodvlad");
  const auto farms = namesOf<std::pair<long long, long long>>(
      dm.vlad2,
      [=](const db::DbfFile& f, const char* r) { return std::make_pair(wholeOf(f, farmRegion, r), wholeOf(f, farmCode, r)); },
      QStringLiteral("vlad"));
  dm.poroda.open();
  const int breedCode = dm.poroda.fieldIndex(u"kodporod");
  const auto breeds = namesOf<long long>(
      dm.poroda, [breedCode](const db::DbfFile& f, const char* r) { return wholeOf(f, breedCode, r); },
      QStringLiteral("poroda"));

  db::ProtectedScan scan(dm.korova, dm.DataSource3, &dm.cowRefreshSuppressed, db::ProtectedScan::Record::Restore);
  const db::DbfFile& f = dm.korova.file();
  const CowTraitFields fields(f);
  const std::vector<TraitRow> complexRows = catalogueRows(dm.xarakt, TraitKind::Complex, &dm.korova);
  const int kodreg = dm.korova.fieldIndex(u"kodreg");
  const int kodvlad = dm.korova.fieldIndex(u"kodvlad");
  const int kodporod = dm.korova.fieldIndex(u"kodporod");
  const int nokli = dm.korova.fieldIndex(u"nokli");
  std::map<QString, int> traitField;
  for (const TraitRow& r : complexRows) traitField.try_emplace(r.id, dm.korova.fieldIndex(r.id));

  for (uint32_t i = 0; i < f.recordCount(); ++i) {
    const char* rec = f.record(i);
    if (rec[0] == '*' || !fields.hasFatherText(rec, code)) continue;
    DaughterRow d;
    const long long r = wholeOf(f, kodreg, rec);
    d.region = lookup(regions, r);
    d.farm = lookup(farms, std::make_pair(r, wholeOf(f, kodvlad, rec)));
    d.breed = lookup(breeds, wholeOf(f, kodporod, rec));
    d.name = db::fieldText(f.fields()[size_t(nokli)], rec, f.codepage());
    // Her own complex traits, an empty one counting 0.
    d.score = overallScore(complexRows, [&](const TraitRow& row, int) -> std::optional<double> {
      const db::FieldDef& def = f.fields()[size_t(traitField.at(row.id))];
      if (db::fieldText(def, rec, f.codepage()).isEmpty()) return 0.0;
      const auto v = db::fieldNumber(def, rec, f.codepage());
      if (!v)
        throw db::TableError(QStringLiteral("Таблица KOROVA: «%1» не является числом (поле %2).")
                                 .arg(db::fieldText(def, rec, f.codepage()), def.name));
      return *v;
    });
    d.category = categoryOf(d.score);
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace korvel
