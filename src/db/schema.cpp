#include "db/schema.h"

#include "db/table.h"
#include "db/table_error.h"

#include <QDir>
#include <algorithm>

namespace korvel::db {
namespace {

FieldDef C(const char* name, int width) { return {QString::fromLatin1(name), 'C', width, 0, 0}; }
FieldDef N(const char* name, int width, int decimals = 0) { return {QString::fromLatin1(name), 'N', width, decimals, 0}; }
FieldDef D(const char* name) { return {QString::fromLatin1(name), 'D', 8, 0, 0}; }

void traits(std::vector<FieldDef>& f, int linearWidth, int complexWidth, int defectWidth, int decimals, bool numericDefects) {
  for (int i = 1; i <= 30; ++i) f.push_back({QStringLiteral("X%1").arg(i), 'N', linearWidth, decimals, 0});
  for (int i = 1; i <= 60; ++i)
    f.push_back(numericDefects ? FieldDef{QStringLiteral("XX%1").arg(i), 'N', defectWidth, decimals, 0}
                               : FieldDef{QStringLiteral("XX%1").arg(i), 'C', defectWidth, 0, 0});
  for (int i = 1; i <= 15; ++i) f.push_back({QStringLiteral("XXX%1").arg(i), 'N', complexWidth, decimals, 0});
}

}  // namespace

TableLayout regionLayout() { return {QStringLiteral("REGION.DBF"), {N("KODREG", 6), C("REGION", 70), C("VIBOR", 1)}}; }

TableLayout vladLayout() {
  return {QStringLiteral("VLAD.DBF"), {C("VLAD", 80), N("KODVLAD", 6), N("KODREG", 6), C("OT", 1)}};
}

TableLayout korovaLayout() {
  TableLayout t{QStringLiteral("KOROVA.DBF"),
                {C("OT", 1), N("KODREG", 6), C("NOKLI", 20), N("KODPOROD", 6), C("BASEKOD", 1), C("KODBYK", 20),
                 C("MATNOKLI", 20), C("LINE", 10), D("DATA"), C("MESTO", 20), N("NLAKT", 6), C("PREDOC", 10),
                 N("KODVLAD", 6)}};
  // Linear scores 1 to 9 and complex scores 1 to 100, with room for a stray typed number.
  traits(t.fields, 3, 4, 2, 0, false);
  return t;
}

TableLayout bikLayout() {
  TableLayout t{QStringLiteral("BIK.DBF"),
                {C("OT", 1), N("KODREG", 6), C("NOKLI", 20), C("BASEKOD", 1), C("KODBYK", 20), C("MATNOKLI", 20),
                 C("LINE", 10), D("DATA"), C("MESTO", 20), N("NLAKT", 6), C("PREDOC", 10), N("KODVLAD", 6),
                 N("KOLKOROV", 8)}};
  // Means and packed defect shares: 15 decimals keep a single-precision mean exact and the
  // three decimals of a packed share (up to 100.100).
  traits(t.fields, 20, 20, 20, 15, true);
  t.fields.push_back(N("KODPOROD", 6));
  return t;
}

TableLayout porodaLayout() { return {QStringLiteral("PORODA.DBF"), {N("KODPOROD", 6), C("PORODA", 20), C("OT", 1)}}; }

TableLayout xaraktLayout() {
  return {QStringLiteral("XARAKT.DBF"), {C("ID", 10), C("XAR", 30), N("KOEF", 10, 4), C("DOP1", 20), C("DOP2", 20)}};
}

std::vector<TableLayout> allLayouts() {
  return {regionLayout(), vladLayout(), korovaLayout(), bikLayout(), porodaLayout(), xaraktLayout()};
}

namespace {

enum class Kind { Text, Number, Date, Other };

Kind kindOf(char type) {
  switch (type) {
    case 'C': return Kind::Text;
    case 'N': case 'F': return Kind::Number;
    case 'D': return Kind::Date;
    default: return Kind::Other;
  }
}

// "должно быть …"
QString kindName(Kind k) {
  switch (k) {
    case Kind::Text: return QStringLiteral("текстовым");
    case Kind::Number: return QStringLiteral("числовым");
    case Kind::Date: return QStringLiteral("датой");
    case Kind::Other: break;
  }
  return {};
}

}  // namespace

void checkLayout(const DbfFile& file, const QString& tableName) {
  using Layout = TableLayout (*)();
  const std::pair<const char*, Layout> layouts[] = {{"REGION", regionLayout}, {"VLAD", vladLayout},
                                                    {"KOROVA", korovaLayout}, {"BIK", bikLayout},
                                                    {"PORODA", porodaLayout}, {"XARAKT", xaraktLayout}};
  for (const auto& [name, layout] : layouts) {
    if (tableName.compare(QLatin1String(name), Qt::CaseInsensitive) != 0) continue;
    // Binary fields (other writers' integers, doubles, currency, date-times, null flags and
    // memo pointers) hold bytes the program cannot write: a blank record or cleared fields
    // would corrupt them, so such a table is not opened at all.
    for (const FieldDef& f : file.fields()) {
      const bool binaryMemo = (f.type == 'M' || f.type == 'G' || f.type == 'P') && f.width == 4;
      if (QStringLiteral("IBYT0").contains(QLatin1Char(f.type)) || binaryMemo)
        throw TableError(QStringLiteral("Таблица %1: поле %2 типа «%3» хранит двоичные данные, которые программа не "
                                        "записывает; таблица не открыта. Сохраните таблицу с числовыми полями "
                                        "(тип N).")
                             .arg(tableName, f.name, QString(QLatin1Char(f.type))));
    }
    const TableLayout t = layout();
    for (const FieldDef& wanted : t.fields) {
      const int i = file.fieldIndex(wanted.name);
      if (i < 0)
        throw TableError(QStringLiteral("Таблица %1: в файле нет поля %2, таблица не открыта.").arg(tableName, wanted.name));
      const FieldDef& found = file.fields()[size_t(i)];
      if (kindOf(found.type) != kindOf(wanted.type))
        throw TableError(QStringLiteral("Таблица %1: поле %2 должно быть %3, а в файле оно типа %4; таблица не открыта.")
                             .arg(tableName, wanted.name, kindName(kindOf(wanted.type)), QString(QLatin1Char(found.type))));
    }
    return;
  }
}

void checkLayoutAtOpening(Table& table) {
  table.setOpenCheck([&table](const DbfFile& file) { checkLayout(file, table.tableName()); });
}

QStringList missingTables(const QString& dir) {
  const QStringList present = QDir(dir).entryList(QDir::Files);
  QStringList missing;
  for (const TableLayout& t : allLayouts()) {
    const bool exists = std::any_of(present.begin(), present.end(),
                                    [&](const QString& e) { return e.compare(t.fileName, Qt::CaseInsensitive) == 0; });
    if (!exists) missing << t.fileName;
  }
  return missing;
}

std::vector<QString> createTables(const QString& dir) {
  const QStringList missing = missingTables(dir);
  if (missing.size() != int(allLayouts().size()))
    throw TableError(QStringLiteral("В папке %1 уже есть таблицы; новые пустые таблицы создаются только в папке без "
                                    "таблиц.")
                         .arg(QDir::toNativeSeparators(dir)));
  std::vector<QString> written;
  for (const TableLayout& t : allLayouts()) {
    DbfFile::create(QDir(dir).filePath(t.fileName), t.fields);
    written.push_back(t.fileName);
  }
  return written;
}

}  // namespace korvel::db
