// Operations of the regions list (REGION): adding a region, correcting a region's name,
// and the selection scope of the list. Codes are one more than the largest in the table.
#pragma once

#include "reference/name_list.h"
#include "ui/selection.h"

#include <QString>

namespace korvel {

class HerdTables;

// Adds a region named exactly `typed`, unless a region of the same name exists (the cursor
// then stays on it). Shows the whole table (filter text empty, filter off); the new region is
// current afterwards.
NameOutcome addRegion(HerdTables& dm, const QString& typed);

// Renames the region `code` to exactly `typed`, unless another region has that name. The
// filter is switched off (its text is kept); the renamed region is current afterwards.
NameOutcome renameRegion(HerdTables& dm, long long code, const QString& typed);

// Selection by key on the regions list: all rows, marks in VIBOR.
SelectionScope regionSelection(HerdTables& dm);

}  // namespace korvel
