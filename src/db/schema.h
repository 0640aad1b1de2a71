// The layouts of the six herd tables, as the starter folder and the herd generator write them.
#pragma once

#include "db/dbf_file.h"

#include <QString>
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

// Writes every table of the layouts that the folder does not hold yet (found case-insensitively);
// returns the file names written. Existing tables are never touched.
std::vector<QString> createMissingTables(const QString& dir);

}  // namespace korvel::db
