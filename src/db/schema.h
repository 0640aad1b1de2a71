// The layouts of the six herd tables, as the starter folder and the herd generator write them.
#pragma once

#include "db/dbf_file.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace korvel::db {

class Table;

struct TableLayout {
  QString fileName;  // "REGION.DBF"
  std::vector<FieldDef> fields;
};

TableLayout regionLayout();
TableLayout vladLayout();
TableLayout korovaLayout();
TableLayout bikLayout();
TableLayout porodaLayout();
TableLayout xaraktLayout();
std::vector<TableLayout> allLayouts();

// BEGIN FIELD NAMES
// The field names of the tables above, each once, under the first table that has it;
// a field that other tables have too names them. Spelled as the files spell them, in
// lower case; fieldByName() and the views find a field whatever its case.
namespace field {
// REGION.DBF
inline constexpr char16_t kodreg[] = u"kodreg";  // also VLAD, KOROVA, BIK
inline constexpr char16_t region[] = u"region";
inline constexpr char16_t vibor[] = u"vibor";
// VLAD.DBF
inline constexpr char16_t vlad[] = u"vlad";
inline constexpr char16_t kodvlad[] = u"kodvlad";  // also KOROVA, BIK
inline constexpr char16_t ot[] = u"ot";  // also KOROVA, BIK, PORODA
// KOROVA.DBF
inline constexpr char16_t nokli[] = u"nokli";  // also BIK
inline constexpr char16_t kodporod[] = u"kodporod";  // also BIK, PORODA
inline constexpr char16_t basekod[] = u"basekod";  // also BIK
inline constexpr char16_t kodbyk[] = u"kodbyk";  // also BIK
inline constexpr char16_t matnokli[] = u"matnokli";  // also BIK
inline constexpr char16_t line[] = u"line";  // also BIK
inline constexpr char16_t data[] = u"data";  // also BIK
inline constexpr char16_t mesto[] = u"mesto";  // also BIK
inline constexpr char16_t nlakt[] = u"nlakt";  // also BIK
inline constexpr char16_t predoc[] = u"predoc";  // also BIK
// BIK.DBF
inline constexpr char16_t kolkorov[] = u"kolkorov";
// PORODA.DBF
inline constexpr char16_t poroda[] = u"poroda";
// XARAKT.DBF
inline constexpr char16_t id[] = u"id";
inline constexpr char16_t xar[] = u"xar";
inline constexpr char16_t koef[] = u"koef";
inline constexpr char16_t dop1[] = u"dop1";
inline constexpr char16_t dop2[] = u"dop2";
}  // namespace field
// END FIELD NAMES

// Checks an opened file against the layout of the herd table `tableName` ("KOROVA"; any other
// name is not checked): every field of the layout must be there, found by name, of the same
// kind (text, number or date). Widths may differ and other fields may be present. Throws
// TableError naming the table and the field.
void checkLayout(const DbfFile& file, const QString& tableName);
// Makes `table` check its file so at every opening: the data module's tables do.
void checkLayoutAtOpening(Table& table);

// The file names of the six tables that the folder does not hold (found case-insensitively).
QStringList missingTables(const QString& dir);

// Writes the six tables, empty, into a folder that holds none of them; returns their file
// names. A folder holding any of them gets none: a lost table is never silently replaced by an
// empty one. Throws TableError naming what is there and what is missing.
std::vector<QString> createTables(const QString& dir);

}  // namespace korvel::db
