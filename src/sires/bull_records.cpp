#include "sires/bull_records.h"

#include "db/data_module.h"
#include "db/field_value.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "db/text.h"
#include "sires/bull_figures.h"

#include <cmath>

namespace korvel {
namespace {

// The grid of BIK is detached while an operation walks the table and attached at the end,
// however the operation ends.
class Detached {
 public:
  explicit Detached(db::DataSource& s) : source_(s), old_(s.enabled()) { source_.setEnabled(false); }
  ~Detached() { source_.setEnabled(old_); }
  Detached(const Detached&) = delete;
  Detached& operator=(const Detached&) = delete;

 private:
  db::DataSource& source_;
  bool old_;
};

void setAppliedFilter(db::Table& t, const QString& filter) {
  t.setFiltered(false);
  t.setFilter(filter);
  t.setFiltered(true);
  t.first();
}

// KODBYK of the current bull as a whole number, nothing when it holds none.
std::optional<long long> codeOfCurrent(db::Table& bik) {
  const db::DbfFile& f = bik.file();
  const db::FieldDef& d = f.fields()[size_t(bik.fieldIndex(u"kodbyk"))];
  const char* rec = bik.currentRecord();
  if (!rec) return std::nullopt;
  if (d.type == 'C') return db::parseWhole(rec + d.offset, d.width);
  const auto v = db::fieldNumber(d, rec, f.codepage());
  if (!v) return std::nullopt;
  return static_cast<long long>(std::nearbyint(*v));
}

// A row the cursor stands on. A walk that ran off the end of the list (the add looking for a new
// bull that the selection does not show) leaves the last row current: that bull is the one the
// card shows and the one the buttons work on.
bool hasCurrent(db::Table& t) { return t.isOpen() && t.currentRecord(); }

}  // namespace

QString bullNameAsStored(const QString& typed) { return typed.left(kBullNameWidth); }

void showFarmBulls(TDataModule5& dm, const HerdContext& herd, int recNo) {
  db::Table& bik = dm.bik;
  RefreshHold hold(dm.bullRefreshSuppressed);
  Detached detached(dm.DataSource5);
  bik.open();
  setAppliedFilter(bik, herd.animalFilter());
  if (recNo > 0) bik.goToRecNo(recNo);
}

std::optional<long long> fatherCodeOfCurrentCow(TDataModule5& dm) {
  db::Table& korova = dm.korova;
  if (!korova.isOpen() || !korova.currentRecord()) return std::nullopt;
  const CowTraitFields fields(korova.file());
  return fields.fatherCode(korova.currentRecord());
}

long long nextBullCode(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  bik.open();
  const db::DbfFile& f = bik.file();
  const db::FieldDef& kodreg = f.fields()[size_t(bik.fieldIndex(u"kodreg"))];
  const db::FieldDef& kodbyk = f.fields()[size_t(bik.fieldIndex(u"kodbyk"))];
  long long maxCode = 0;
  for (uint32_t i = 0; i < f.recordCount(); ++i) {
    const char* rec = f.record(i);
    if (rec[0] == '*') continue;
    const auto region = db::fieldNumber(kodreg, rec, f.codepage());
    if (!region || std::nearbyint(*region) == 0) continue;
    std::optional<long long> code;
    if (kodbyk.type == 'C') {
      code = db::parseWhole(rec + kodbyk.offset, kodbyk.width);
    } else if (const auto v = db::fieldNumber(kodbyk, rec, f.codepage())) {
      code = static_cast<long long>(std::nearbyint(*v));
    }
    if (code && *code > maxCode) maxCode = *code;
  }
  return maxCode + 1;
}

BullNameOutcome addBull(TDataModule5& dm, const HerdContext& herd, const QString& typed) {
  const QString name = bullNameAsStored(typed);
  const QString key = db::nameKey(name);
  if (key.isEmpty()) return BullNameOutcome::NoName;
  db::Table& bik = dm.bik;
  RefreshHold hold(dm.bullRefreshSuppressed);
  Detached detached(dm.DataSource5);
  bik.open();
  // After an error the list shows what it showed before.
  db::FilterBackOnError back(bik);
  const QString filter = bik.filter();
  bik.setFiltered(false);
  bik.first();

  // The name must be new in the farm; free rows take no part.
  const int nokli = bik.fieldIndex(u"nokli");
  for (; !bik.eof(); bik.next()) {
    if (bik.fieldByName(u"kodreg").asInteger() == 0) continue;
    if (bik.fieldByName(u"kodreg").asInteger() != herd.regionCode ||
        bik.fieldByName(u"kodvlad").asInteger() != herd.farmCode)
      continue;
    if (db::nameKey(bik.textAt(uint32_t(bik.recNo() - 1), nokli)) == key) {
      const int existing = bik.recNo();
      setAppliedFilter(bik, herd.animalFilter());
      bik.goToRecNo(existing);
      return BullNameOutcome::Duplicate;
    }
  }

  const long long code = nextBullCode(dm);
  {
    // A free row reused or a row appended: all or nothing.
    db::JournalScope op(dm.workDir());
    setAppliedFilter(bik, QStringLiteral("kodreg=0"));
    if (bik.isEmpty()) bik.append();
    bik.edit();
    bik.clearFields();
    bik.fieldByName(u"kodreg").setInteger(herd.regionCode);
    bik.fieldByName(u"kodvlad").setInteger(herd.farmCode);
    bik.fieldByName(u"kodbyk").setInteger(code);
    bik.fieldByName(u"nokli").setString(name);
    writeBullFigures(bik, DaughterTally{});
    op.commit();
  }

  // The written row left the "kodreg=0" set (or was appended): find it by its code.
  bik.setFiltered(false);
  bik.setFilter(filter);
  bik.setFiltered(true);
  bik.first();
  const QString codeText = QString::number(code);
  const int kodbyk = bik.fieldIndex(u"kodbyk");
  while (!bik.eof() && bik.textAt(uint32_t(bik.recNo() - 1), kodbyk).trimmed() != codeText) bik.next();
  return bik.eof() ? BullNameOutcome::AddedOutOfView : BullNameOutcome::Done;
}

std::optional<BullToDelete> currentBullForDeletion(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  if (!hasCurrent(bik)) return std::nullopt;
  BullToDelete b;
  b.name = bik.fieldByName(u"nokli").asString();
  b.code = codeOfCurrent(bik);
  b.daughtersText = bik.fieldByName(u"kolkorov").asString();
  b.daughters = bik.fieldByName(u"kolkorov").asInteger();
  return b;
}

void freeCurrentBull(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  if (!hasCurrent(bik)) return;
  RefreshHold hold(dm.bullRefreshSuppressed);
  bik.edit();
  bik.fieldByName(u"kodvlad").setInteger(0);
  bik.fieldByName(u"kodreg").setInteger(0);
  bik.post();
}

int releaseDaughters(TDataModule5& dm, long long code, const QString& name, bool freeThem) {
  db::Table& korova = dm.korova;
  // The current cow is kept: the cow card may have opened the bulls window as its father picker
  // and will write into its current cow when the window closes.
  db::ProtectedScan scan(korova, dm.DataSource3, &dm.cowRefreshSuppressed, db::ProtectedScan::Record::Restore);
  const CowTraitFields fields(korova.file());
  std::vector<uint32_t> daughters;
  for (uint32_t i = 0; i < korova.file().recordCount(); ++i) {
    const char* rec = korova.file().record(i);
    if (rec[0] == '*') continue;
    const auto father = fields.fatherCode(rec);
    if (father && *father == code) daughters.push_back(i);
  }
  db::JournalScope op(dm.workDir());
  op.declare(korova, daughters);
  int changed = 0;
  for (uint32_t i : daughters) {
    korova.goToIndex(i);
    korova.edit();
    if (freeThem) {
      korova.fieldByName(u"kodvlad").setInteger(0);
      korova.fieldByName(u"kodreg").setInteger(0);
    } else {
      korova.fieldByName(u"basekod").setString(QString());
      korova.fieldByName(u"kodbyk").setString(QLatin1Char('#') + name);
    }
    korova.post();
    ++changed;
  }
  op.commit();
  return changed;
}

void moveCurrentBull(TDataModule5& dm, const HerdContext& herd) {
  db::Table& bik = dm.bik;
  if (!hasCurrent(bik)) return;
  RefreshHold hold(dm.bullRefreshSuppressed);
  db::JournalScope op(dm.workDir());
  bik.edit();
  bik.fieldByName(u"kodreg").setInteger(herd.regionCode);
  bik.fieldByName(u"kodvlad").setInteger(herd.farmCode);
  bik.post();
  op.commit();
}

BullNameOutcome renameCurrentBull(TDataModule5& dm, const HerdContext& herd, const QString& typed) {
  db::Table& bik = dm.bik;
  if (!hasCurrent(bik)) return BullNameOutcome::NoName;
  const QString name = bullNameAsStored(typed);
  const QString key = db::nameKey(name);
  const int self = bik.recNo();
  RefreshHold hold(dm.bullRefreshSuppressed);
  setAppliedFilter(bik, herd.animalFilter());
  const int nokli = bik.fieldIndex(u"nokli");
  for (; !bik.eof(); bik.next()) {
    if (bik.recNo() != self && db::nameKey(bik.textAt(uint32_t(bik.recNo() - 1), nokli)) == key)
      return BullNameOutcome::Duplicate;
  }
  bik.goToRecNo(self);
  if (bik.recNo() != self || bik.eof()) return BullNameOutcome::NoName;
  bik.edit();
  bik.fieldByName(u"nokli").setString(name);
  bik.post();
  return BullNameOutcome::Done;
}

std::optional<QString> setCurrentBullBreed(TDataModule5& dm) {
  db::Table& bik = dm.bik;
  db::Table& poroda = dm.poroda;
  if (!hasCurrent(bik) || !hasCurrent(poroda)) return std::nullopt;
  const long long code = poroda.fieldByName(u"kodporod").asInteger();
  const QString name = poroda.fieldByName(u"poroda").asString();
  bik.edit();
  bik.fieldByName(u"kodporod").setInteger(code);
  bik.post();
  return name;
}

QString breedName(TDataModule5& dm, long long code) {
  db::Table& poroda = dm.poroda;
  poroda.open();
  setAppliedFilter(poroda, QStringLiteral("kodporod=%1").arg(code));
  if (poroda.eof()) return {};
  return poroda.fieldByName(u"poroda").asString();
}

}  // namespace korvel
