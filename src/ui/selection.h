// Selection by key, the one operation every list screen uses: every row in scope gets the
// selection mark "+" when its name holds the key and a blank otherwise; the list then shows
// the marked rows.
#pragma once

#include "db/data_source.h"

#include <QString>

namespace korvel {

struct SelectionScope {
  db::Table& table;
  db::DataSource& source;
  QString scopeFilter;   // the rows the selection covers; empty: the whole table, filter off
  QString nameField;     // "region", "vlad", "poroda", "nokli"
  QString markField;     // "vibor" or "ot"
  QString resultFilter;  // what the list shows afterwards, e.g. "ot='+' and kodreg=3"
};

enum class SelectionOutcome {
  NoKey,     // nothing typed: nothing changed
  Selected,  // at least one row marked; the result filter is in force
  NoMatch,   // every row in scope unmarked; the list stays on the scope
};

// `key` is the selection key as selectionKeyOf() makes it (upper case, trimmed). The marks of
// rows outside the scope are kept. The data source is enabled again however the scan ends.
SelectionOutcome selectByKey(const SelectionScope& scope, const QString& key);

// Cancelling a selection on the regions and breeds lists: every row shows again.
void showAllRows(db::Table& table);

}  // namespace korvel
