// Operations of the breeds list (PORODA): adding a breed, correcting a breed's name, the
// selection scope of the list and the caption of the sire evaluation of a breed.
#pragma once

#include "reference/name_list.h"
#include "ui/selection.h"

#include <QString>

namespace korvel {

class HerdTables;

// Adds a breed named exactly `typed` with the next code, unless a breed of the same name
// exists. The filter is switched off (its text is kept); the new breed is current afterwards.
NameOutcome addBreed(HerdTables& dm, const QString& typed);

// Renames the breed `code` to exactly `typed`, unless another breed has that name. The filter
// is switched off; the renamed breed is current afterwards.
NameOutcome renameBreed(HerdTables& dm, long long code, const QString& typed);

// Selection by key on the breeds list: all rows, marks in OT.
SelectionScope breedSelection(HerdTables& dm);

// The caption of the calculation variant window for the breed `name`.
QString breedCalculationCaption(const QString& name);

}  // namespace korvel
