// The layouts of the six herd tables, as the starter folder and the herd generator write them.
#pragma once

#include "db/dbf_file.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace korvel::db {

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

// Checks an opened file against the layout of the herd table `tableName` ("KOROVA"; any other
// name is not checked): every field of the layout must be there, found by name, of the same
// kind (text, number or date). Widths may differ and other fields may be present. Throws
// TableError naming the table and the field.
void checkLayout(const DbfFile& file, const QString& tableName);

// The file names of the six tables that the folder does not hold (found case-insensitively).
QStringList missingTables(const QString& dir);

// Writes the six tables, empty, into a folder that holds none of them; returns their file
// names. A folder holding any of them gets none: a lost table is never silently replaced by an
// empty one. Throws TableError naming what is there and what is missing.
std::vector<QString> createTables(const QString& dir);

}  // namespace korvel::db
