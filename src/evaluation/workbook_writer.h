// Writing a workbook file one sheet at a time: each sheet's parts go into the file the moment
// the sheet is added, so that only what the whole workbook shares (its texts and cell formats)
// is held until the end, however many sheets there are. The file appears under its name only
// when finish() succeeds; until then an older file of that name stays as it was.
#pragma once

#include "evaluation/spreadsheet.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

namespace korvel::xlsx {

class WorkbookWriter {
 public:
  // Starts the file beside `path`; `activeSheet` (from 0) is the sheet shown when the file is
  // opened. Throws WriteError when the file cannot be created.
  explicit WorkbookWriter(const QString& path, int activeSheet = 0);
  // Without finish(), the unfinished file is removed and `path` is left as it was.
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Writes the next sheet under `wantedName` made acceptable (acceptableSheetName) and unlike
  // the names already given; returns the name given. Throws WriteError.
  QString addSheet(const Sheet& sheet, const QString& wantedName);
  int sheetCount() const { return int(names_.size()); }

  // Writes the workbook's own parts and puts the file in place. Throws WriteError (also for a
  // workbook without sheets).
  void finish();

 private:
  struct Package;
  [[noreturn]] void failed(const QString& detail) const;
  QString shown_;  // the path as the user reads it, for messages
  int activeSheet_;
  QStringList names_;
  QSet<QString> foldedNames_;
  std::unique_ptr<Package> package_;
};

}  // namespace korvel::xlsx
