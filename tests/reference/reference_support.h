// What the reference window tests share: the rows of a table file as its bytes hold them (read
// here on their own, not through the table layer), rows seeded through the data module, and
// the buttons a window shows.
#pragma once

#include "qt_print.h"
#include "db/table.h"

#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <utility>
#include <vector>

#include <ostream>


namespace korvel::test {

struct FileRow {
  bool deleted = false;
  std::map<QString, QString> fields;  // upper-case field name -> text, trailing blanks removed
  QString operator[](const char* name) const;
};

// Every row of the DBF file, deleted ones included, in file order.
std::vector<FileRow> fileRows(const QString& path);
// The live rows only.
std::vector<FileRow> liveRows(const QString& path);

// Appends one row to an open table: numbers go in as whole numbers, text as typed.
void seed(db::Table& table, const std::vector<std::pair<const char*, QVariant>>& values);

// Object names of the buttons of `window` that are shown (the window must be shown).
QStringList shownButtons(const QWidget& window);

}  // namespace korvel::test
