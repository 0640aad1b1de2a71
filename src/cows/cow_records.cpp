#include "cows/cow_records.h"

#include "db/data_module.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/schema.h"
#include "db/text.h"

namespace korvel {
namespace {

// The farm of the current cow, as her own KODREG and KODVLAD say.
HerdContext farmOfCurrentCow(HerdTables& dm, const HerdContext& herd) {
  db::Table& t = dm.korova;
  if (!db::hasCurrentRecord(t)) return herd;
  HerdContext h = herd;
  h.regionCode = t.fieldByName(db::field::kodreg).asInteger();
  h.farmCode = t.fieldByName(db::field::kodvlad).asInteger();
  return h;
}

void setFilter(db::Table& t, const QString& filter) {
  t.setFiltered(false);
  t.setFilter(filter);
  t.setFiltered(true);
}

// Walks the listed cows from the first; stops on the first cow (other than the one at
// `ownRecNo`) whose name compares equal to `key`. True when one does.
bool findName(db::Table& t, const QString& key, int ownRecNo = 0) {
  const int nokli = t.fieldIndex(db::field::nokli);
  for (t.first(); !t.eof(); t.next()) {
    if (t.recNo() == ownRecNo) continue;
    if (db::nameKey(t.textAt(uint32_t(t.recNo() - 1), nokli)) == key) return true;
  }
  return false;
}

// The cow's name as NOKLI keeps it (cut to the field's width, so that the stored name is the
// one the duplicate test looked at); a name the table cannot store is refused.
QString cowNameAsStored(db::Table& korova, const QString& typed) {
  return db::storableName(korova, db::field::nokli, typed, QStringLiteral("В кличке"));
}

}  // namespace

QString cowSelectionFilter(const HerdContext& herd) { return herd.animalFilter() + QStringLiteral(" and ot='+'"); }

void showFarmCows(HerdTables& dm, const HerdContext& herd) {
  db::Table& t = dm.korova;
  t.open();
  setFilter(t, herd.animalFilter());
  t.first();
}

CowNameOutcome addCow(HerdTables& dm, const HerdContext& herd, const QString& typed) {
  db::Table& t = dm.korova;
  t.open();
  const QString name = cowNameAsStored(t, typed);
  const QString key = db::nameKey(name);
  if (key.isEmpty()) return CowNameOutcome::Empty;
  // After an error the list and the card's cow are as before.
  db::CursorKeeper back(t, db::CursorKeeper::When::OnError);
  showFarmCows(dm, herd);
  if (findName(t, key)) return CowNameOutcome::Duplicate;

  // A free row is taken before the file grows; it starts blank whatever it held before. All or
  // nothing.
  const QString farmFilter = t.filter();
  db::JournalScope op(dm.workDir());
  setFilter(t, QStringLiteral("kodreg=0"));
  t.first();
  const bool reuse = !t.isEmpty();
  if (reuse) t.edit();
  else t.append();
  t.clearFields();
  t.fieldByName(db::field::kodreg).setInteger(herd.regionCode);
  t.fieldByName(db::field::kodvlad).setInteger(herd.farmCode);
  t.fieldByName(db::field::nokli).setString(name);
  // Under the free-row filter the posted row leaves the list, so its number is taken now.
  const int added = reuse ? t.recNo() : int(t.file().recordCount()) + 1;
  t.post();
  op.commit();

  // The card goes to the new cow by her record, not by her name: a name stored without its
  // trailing blanks would match no cow, and the card would then offer the new cow's default
  // lactation and calving date for writing into the farm's last cow.
  setFilter(t, farmFilter);
  t.goToRecNo(added);
  return CowNameOutcome::Written;
}

CowNameOutcome renameCurrentCow(HerdTables& dm, const HerdContext& herd, const QString& typed) {
  db::Table& t = dm.korova;
  if (!db::hasCurrentRecord(t)) return CowNameOutcome::NoCow;
  const QString name = cowNameAsStored(t, typed);
  if (db::nameKey(name).isEmpty()) return CowNameOutcome::Empty;
  const int recNo = t.recNo();
  showFarmCows(dm, herd);
  if (findName(t, db::nameKey(name), recNo)) return CowNameOutcome::Duplicate;
  t.goToRecNo(recNo);
  if (t.eof() || t.recNo() != recNo) return CowNameOutcome::NoCow;  // the cow is not of this farm
  t.edit();
  t.fieldByName(db::field::nokli).setString(name);
  t.post();
  return CowNameOutcome::Written;
}

DeleteQuestion cowRemovalQuestion(const QString& name) {
  DeleteQuestion q;
  q.caption = QStringLiteral("Удаление коровы");
  q.label1 = QStringLiteral("Вы действительно хотите удалить корову ");
  q.label2 = QLatin1Char('"') + name + QStringLiteral("\"?");
  q.yesText = QStringLiteral("Да. Удаляем.");
  q.noText = QStringLiteral("Нет. Не удаляем.");
  return q;
}

bool removeCurrentCow(HerdTables& dm, const HerdContext& herd) {
  db::Table& t = dm.korova;
  if (!db::hasCurrentRecord(t)) return false;
  t.edit();
  t.fieldByName(db::field::kodreg).setInteger(0);
  t.post();
  if (!t.isEmpty()) return true;
  // The last selected cow gone does not make the farm empty: its other cows are listed again
  // rather than reported missing.
  if (t.filter() != herd.animalFilter()) showFarmCows(dm, herd);
  return !t.isEmpty();
}

bool moveCurrentCow(HerdTables& dm, const HerdContext& to) {
  db::Table& t = dm.korova;
  if (!db::hasCurrentRecord(t)) return false;
  db::JournalScope op(dm.workDir());
  t.edit();
  t.fieldByName(db::field::kodreg).setInteger(to.regionCode);
  t.fieldByName(db::field::kodvlad).setInteger(to.farmCode);
  t.post();
  op.commit();
  return true;
}

std::optional<HerdContext> pickedHerd(HerdTables& dm) {
  if (!db::hasCurrentRecord(dm.region) || !db::hasCurrentRecord(dm.vlad)) return std::nullopt;
  return herdOfCurrentRows(dm);
}

std::optional<QString> setBreedOfCurrentCow(HerdTables& dm) {
  db::Table& breed = dm.poroda;
  db::Table& cow = dm.korova;
  if (!db::hasCurrentRecord(breed) || !db::hasCurrentRecord(cow)) return std::nullopt;
  const QString name = breed.fieldByName(db::field::poroda).asString();
  const long long code = breed.fieldByName(db::field::kodporod).asInteger();
  cow.edit();
  cow.fieldByName(db::field::kodporod).setInteger(code);
  cow.post();
  return name;
}

std::optional<QString> setFatherOfCurrentCow(HerdTables& dm) {
  db::Table& bull = dm.bik;
  db::Table& cow = dm.korova;
  if (!db::hasCurrentRecord(bull) || !db::hasCurrentRecord(cow)) return std::nullopt;
  const QString name = bull.fieldByName(db::field::nokli).asString();
  const QString code = bull.fieldByName(db::field::kodbyk).asString();
  cow.edit();
  cow.fieldByName(db::field::kodbyk).setString(code);
  cow.fieldByName(db::field::basekod).setString(QStringLiteral("+"));
  cow.post();
  return name;
}

SelectionScope cowSelection(HerdTables& dm, const HerdContext& herd) {
  const HerdContext farm = farmOfCurrentCow(dm, herd);
  return {dm.korova, dm.cowsSource, farm.animalFilter(), QStringLiteral("nokli"), QStringLiteral("ot"),
          cowSelectionFilter(farm)};
}

}  // namespace korvel
