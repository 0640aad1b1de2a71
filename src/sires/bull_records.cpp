#include "sires/bull_records.h"

#include "db/schema.h"
#include "herd/father_link.h"
#include "db/data_module.h"
#include "db/freeze.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/text.h"
#include "sires/bull_figures.h"

namespace korvel {
namespace {

void setAppliedFilter(db::Table& t, const QString& filter) {
  t.setFiltered(false);
  t.setFilter(filter);
  t.setFiltered(true);
  t.first();
}

// KODBYK of the current bull as a whole number, nothing when it holds none.
std::optional<long long> codeOfCurrent(db::Table& bik) {
  const db::Row row = db::currentRow(bik);
  if (!row) return std::nullopt;
  return db::WholeView(bik.file(), db::field::kodbyk).number(row);
}

// The bull's name as NOKLI keeps it (cut to the field's width, so that the stored name is the
// one the duplicate test looked at); a name the table cannot store is refused.
QString bullNameAsStored(db::Table& bik, const QString& typed) {
  return db::storableName(bik, db::field::nokli, typed, QStringLiteral("В кличке"));
}

}  // namespace

void showFarmBulls(HerdTables& dm, const HerdContext& herd, int recNo) {
  db::Table& bik = dm.bik;
  const db::Freeze hold(dm.bullsSource);
  bik.open();
  setAppliedFilter(bik, herd.animalFilter());
  if (recNo > 0) bik.goToRecNo(recNo);
}

std::optional<long long> fatherCodeOfCurrentCow(HerdTables& dm) {
  const db::Row row = db::currentRow(dm.korova);
  if (!row) return std::nullopt;
  return FatherLink(dm.korova.file()).code(row);
}

long long nextBullCode(HerdTables& dm) {
  db::Table& bik = dm.bik;
  bik.open();
  const db::WholeView kodreg(bik.file(), db::field::kodreg), kodbyk(bik.file(), db::field::kodbyk);
  long long maxCode = 0;
  for (const db::Row row : db::LiveRows(bik)) {
    const auto region = kodreg.number(row);
    if (!region || *region == 0) continue;
    const auto code = kodbyk.number(row);
    if (code && *code > maxCode) maxCode = *code;
  }
  // A deleted bull's freed daughters keep his code for the statistics: a new bull given that
  // code would inherit them, so every code a cow row still names as her father is taken.
  db::Table& korova = dm.korova;
  korova.open();
  const FatherLink link(korova.file());
  for (const db::Row row : db::LiveRows(korova)) {
    const auto code = link.code(row);
    if (code && *code > maxCode) maxCode = *code;
  }
  return maxCode + 1;
}

BullNameOutcome addBull(HerdTables& dm, const HerdContext& herd, const QString& typed) {
  db::Table& bik = dm.bik;
  const db::Freeze hold(dm.bullsSource);
  bik.open();
  const QString name = bullNameAsStored(bik, typed);
  const QString key = db::nameKey(name);
  if (key.isEmpty()) return BullNameOutcome::NoName;
  // After an error the list shows what it showed before.
  db::CursorKeeper back(bik, db::CursorKeeper::When::OnError);
  const QString filter = bik.filter();
  bik.setFiltered(false);
  bik.first();

  // The name must be new in the farm; free rows take no part.
  const int nokli = bik.fieldIndex(db::field::nokli);
  for (; !bik.eof(); bik.next()) {
    if (bik.fieldByName(db::field::kodreg).asInteger() == 0) continue;
    if (bik.fieldByName(db::field::kodreg).asInteger() != herd.regionCode ||
        bik.fieldByName(db::field::kodvlad).asInteger() != herd.farmCode)
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
    bik.fieldByName(db::field::kodreg).setInteger(herd.regionCode);
    bik.fieldByName(db::field::kodvlad).setInteger(herd.farmCode);
    bik.fieldByName(db::field::kodbyk).setInteger(code);
    bik.fieldByName(db::field::nokli).setString(name);
    writeBullFigures(bik, DaughterTally{});
    op.commit();
  }

  // The written row left the "kodreg=0" set (or was appended): find it by its code.
  bik.setFiltered(false);
  bik.setFilter(filter);
  bik.setFiltered(true);
  bik.first();
  const QString codeText = QString::number(code);
  const int kodbyk = bik.fieldIndex(db::field::kodbyk);
  while (!bik.eof() && bik.textAt(uint32_t(bik.recNo() - 1), kodbyk).trimmed() != codeText) bik.next();
  return bik.eof() ? BullNameOutcome::AddedOutOfView : BullNameOutcome::Done;
}

std::optional<BullToDelete> currentBullForDeletion(HerdTables& dm) {
  db::Table& bik = dm.bik;
  if (!db::hasCurrentRecord(bik)) return std::nullopt;
  BullToDelete b;
  b.name = bik.fieldByName(db::field::nokli).asString();
  b.code = codeOfCurrent(bik);
  b.daughters = bik.fieldByName(db::field::kolkorov).asInteger();
  return b;
}

void freeCurrentBull(HerdTables& dm) {
  db::Table& bik = dm.bik;
  if (!db::hasCurrentRecord(bik)) return;
  bik.edit();
  bik.fieldByName(db::field::kodvlad).setInteger(0);
  bik.fieldByName(db::field::kodreg).setInteger(0);
  bik.post();
}

int releaseDaughters(HerdTables& dm, long long code, const QString& name, bool freeThem) {
  db::Table& korova = dm.korova;
  // The current cow is kept: the cow card may have opened the bulls window as its father picker
  // and will write into its current cow when the window closes.
  db::ProtectedScan scan(korova, dm.cowsSource);
  const FatherLink link(korova.file());
  std::vector<uint32_t> daughters;
  for (const db::Row row : db::LiveRows(korova))
    if (link.code(row) == code) daughters.push_back(row.index());
  db::JournalScope op(dm.workDir());
  op.declare(korova.file(), daughters);
  int changed = 0;
  for (uint32_t i : daughters) {
    korova.editRowAt(i);
    if (freeThem) {
      korova.fieldByName(db::field::kodvlad).setInteger(0);
      korova.fieldByName(db::field::kodreg).setInteger(0);
    } else {
      korova.fieldByName(db::field::basekod).setString(QString());
      korova.fieldByName(db::field::kodbyk).setString(QLatin1Char('#') + name);
    }
    korova.post();
    ++changed;
  }
  op.commit();
  return changed;
}

bool moveCurrentBull(HerdTables& dm, const HerdContext& herd) {
  db::Table& bik = dm.bik;
  if (!db::hasCurrentRecord(bik)) return false;
  db::JournalScope op(dm.workDir());
  bik.edit();
  bik.fieldByName(db::field::kodreg).setInteger(herd.regionCode);
  bik.fieldByName(db::field::kodvlad).setInteger(herd.farmCode);
  bik.post();
  op.commit();
  return true;
}

BullNameOutcome renameCurrentBull(HerdTables& dm, const HerdContext& herd, const QString& typed) {
  db::Table& bik = dm.bik;
  if (!db::hasCurrentRecord(bik)) return BullNameOutcome::NoName;
  const QString name = bullNameAsStored(bik, typed);
  const QString key = db::nameKey(name);
  if (key.isEmpty()) return BullNameOutcome::NoName;
  const int self = bik.recNo();
  setAppliedFilter(bik, herd.animalFilter());
  const int nokli = bik.fieldIndex(db::field::nokli);
  for (; !bik.eof(); bik.next()) {
    if (bik.recNo() != self && db::nameKey(bik.textAt(uint32_t(bik.recNo() - 1), nokli)) == key)
      return BullNameOutcome::Duplicate;
  }
  bik.goToRecNo(self);
  if (bik.recNo() != self || bik.eof()) return BullNameOutcome::NoName;
  bik.edit();
  bik.fieldByName(db::field::nokli).setString(name);
  bik.post();
  return BullNameOutcome::Done;
}

std::optional<QString> setCurrentBullBreed(HerdTables& dm) {
  db::Table& bik = dm.bik;
  db::Table& poroda = dm.poroda;
  if (!db::hasCurrentRecord(bik) || !db::hasCurrentRecord(poroda)) return std::nullopt;
  const long long code = poroda.fieldByName(db::field::kodporod).asInteger();
  const QString name = poroda.fieldByName(db::field::poroda).asString();
  bik.edit();
  bik.fieldByName(db::field::kodporod).setInteger(code);
  bik.post();
  return name;
}

QString breedName(HerdTables& dm, long long code) {
  db::Table& poroda = dm.poroda;
  poroda.open();
  setAppliedFilter(poroda, QStringLiteral("kodporod=%1").arg(code));
  if (poroda.eof()) return {};
  return poroda.fieldByName(db::field::poroda).asString();
}

}  // namespace korvel
