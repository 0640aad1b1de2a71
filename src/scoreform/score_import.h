// The filled scoring form back in: matching its rows to cows, checking every value as the cow
// card would, the preview of what would change, and the writing of it in one operation.
#pragma once

#include "scoreform/filled_form.h"
#include "scoreform/form_columns.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvel {
class HerdTables;
}

namespace korvel::scoreform {

// A cell is read as the cow card's value cell would take it typed: blanks around it and the
// ".0" spreadsheets give whole numbers go, then the card's check decides. A defect cell of
// blanks only is the card's blank: it takes the mark away.
struct ImportOptions {
  bool emptyClears = false;  // an empty cell empties the stored value (otherwise it keeps it)
  bool skipRefused = false;  // write the accepted rows even when some are refused
};

struct ValueChange {
  const FormColumn* column = nullptr;  // into ImportPlan::columns
  QString from, to;
};

struct CowChange {
  uint32_t record = 0;  // KOROVA record number, from 1
  int line = 0;         // 1-based row of the file
  QString name;
  long long region = 0, farm = 0;
  std::vector<ValueChange> changes;
};

struct RefusedRow {
  int line = 0;  // 1-based row of the file
  QString cow;
  QString reason;
};

struct ImportPlan {
  std::vector<FormColumn> columns;       // the catalogue columns the file has
  std::vector<QString> unknownColumns;   // headers that name no catalogue row
  std::vector<CowChange> changes;        // cows whose stored values change
  std::vector<RefusedRow> refused;
  std::vector<QString> cowsNotInFile;    // live cows of the farms the file covers that no row names
  int rowsRead = 0;
  int unchangedCows = 0;
  // Something to write, and no refused row unless refused rows are skipped.
  // A column that is not read counts as refused: its values would be lost.
  bool writable(const ImportOptions& options) const;
};

ImportPlan planImport(HerdTables& dm, TraitCatalogue& catalogue, const FilledForm& form, const ImportOptions& options);

// The preview as text (what import-scores prints).
QString previewText(const ImportPlan& plan);

struct ImportResult {
  int cowsWritten = 0;
  int bullsRecomputed = 0;
};

// Writes every change of the plan in one journaled operation (all or nothing) and recomputes
// the figures of every bull whose daughters changed. Throws korvel::UserError.
ImportResult applyImport(HerdTables& dm, TraitCatalogue& catalogue, const ImportPlan& plan,
                         const std::function<void(int done, int total)>& progress = {});

}  // namespace korvel::scoreform
