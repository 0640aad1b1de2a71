#include "reference/name_list.h"

#include "db/text.h"

namespace korvel {

QString noMatchingRecordsMessage() { return QStringLiteral("Записей, соответствующих ключу, нет..."); }

QString emptyNameMessage() { return QStringLiteral("Название не введено. Ничего не записано."); }

}  // namespace korvel

namespace korvel::reference {

NameScan scanNames(db::Table& table, QStringView codeField, QStringView nameField, const QString& key,
                   std::optional<long long> ownCode) {
  NameScan out;
  const int code = table.fieldIndex(codeField);
  const int name = table.fieldIndex(nameField);
  for (table.first(); !table.eof(); table.next()) {
    const long long c = db::Field(table, code).asInteger();
    if (c > out.largestCode) out.largestCode = c;
    if (db::nameKey(db::Field(table, name).asString()) == key && (!ownCode || c != *ownCode)) {
      out.duplicate = true;
      return out;
    }
  }
  return out;
}

// The name as the field will hold it: names are compared as stored, so that a list never ends
// up with two rows of one name; a name the table cannot store is refused.
QString storedName(db::Table& table, QStringView nameField, const QString& typed) {
  return db::storableName(table, nameField, typed, QStringLiteral("В названии"));
}

NameOutcome appendName(db::Table& table, QStringView codeField, QStringView nameField, const QString& typed,
                       const std::function<void(db::Table&)>& fill) {
  // Closing the dialog is its "Записать": an empty field closed that way is no name to keep.
  if (db::nameKey(typed).isEmpty()) return NameOutcome::Empty;
  const NameScan scan = scanNames(table, codeField, nameField, db::nameKey(storedName(table, nameField, typed)));
  if (scan.duplicate) return NameOutcome::Duplicate;
  table.append();
  table.fieldByName(nameField).setString(typed);
  if (fill) fill(table);
  table.fieldByName(codeField).setInteger(scan.largestCode + 1);
  table.post();
  return NameOutcome::Written;
}

NameOutcome renameCode(db::Table& table, QStringView codeField, long long code, QStringView nameField,
                       const QString& typed) {
  if (db::nameKey(typed).isEmpty()) return NameOutcome::Empty;
  if (scanNames(table, codeField, nameField, db::nameKey(storedName(table, nameField, typed)), code).duplicate)
    return NameOutcome::Duplicate;
  return writeName(table, codeField, code, nameField, typed) ? NameOutcome::Written : NameOutcome::NoRow;
}

bool goToCode(db::Table& table, QStringView codeField, long long code) {
  const int field = table.fieldIndex(codeField);
  for (table.first(); !table.eof(); table.next())
    if (db::Field(table, field).asInteger() == code) return true;
  return false;
}

bool writeName(db::Table& table, QStringView codeField, long long code, QStringView nameField, const QString& name) {
  if (!goToCode(table, codeField, code)) return false;
  table.edit();
  table.fieldByName(nameField).setString(name);
  table.post();
  return true;
}

}  // namespace korvel::reference
