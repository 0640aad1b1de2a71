// The record operations of the cows window without the window: adding a cow (reusing a free
// row), removing, renaming and moving one, changing her breed and father from the rows a picker
// left current, and selecting the farm's cows by a key.
#pragma once

#include "reference/herd_context.h"
#include "ui/prompts.h"
#include "ui/selection.h"

#include <QString>
#include <optional>

namespace korvel {

class HerdTables;

// The cow list filters: the farm "kodreg=R and kodvlad=F", and its selection (+ " and ot='+'").
QString cowSelectionFilter(const HerdContext& herd);
// Sets the farm filter on the cow table (switched off, set, on) and goes to the first cow.
void showFarmCows(HerdTables& dm, const HerdContext& herd);

enum class CowNameOutcome {
  Written,    // the cow was added or renamed
  Empty,      // an empty name (nothing but blanks): nothing happened
  Duplicate,  // a cow of the farm has that name: nothing changed, that cow is current
  NoCow,      // a rename with no current cow: nothing changed
};

// Adds a cow named `typed` to the farm: refused when the farm has a cow of the same name (the
// cow table is left on that cow); otherwise the first free row (KODREG 0) is cleared and
// taken, or a row appended, with KODREG, KODVLAD and NOKLI written. The cow table is left
// filtered on the farm, on the first cow whose name equals the stored name exactly (on the
// last cow when none does). The caller holds the cow refresh.
CowNameOutcome addCow(HerdTables& dm, const HerdContext& herd, const QString& typed);

// Renames the current cow to `typed` unless another cow of the farm has that name (the cow
// table then stands on that cow). An empty name is accepted. The cow table is left filtered
// on the farm (a selection in force is dropped).
CowNameOutcome renameCurrentCow(HerdTables& dm, const HerdContext& herd, const QString& typed);

// The question that confirms the removal of the cow named `name`.
DeleteQuestion cowRemovalQuestion(const QString& name);

// Frees the current cow (KODREG 0, every other field kept until the row is reused); the next
// cow of the list becomes current. When that empties a selection while the farm `herd` still
// has cows, the list shows the whole farm again. Returns whether the farm still has a cow;
// nothing is done (false) when there is no current cow.
bool removeCurrentCow(HerdTables& dm, const HerdContext& herd);

// Moves the current cow to the farm `to` (no check of names there, as one operation); false,
// with nothing written, when there is no current cow. The caller redraws what shows her.
bool moveCurrentCow(HerdTables& dm, const HerdContext& to);

// The herd a farms picker left current, or nothing when the listed region has no farm.
std::optional<HerdContext> pickedHerd(HerdTables& dm);

// Writes the breed of the current PORODA row into the current cow and returns its name;
// nothing is written (and nothing returned) when the breed or the cow table has no current row.
std::optional<QString> setBreedOfCurrentCow(HerdTables& dm);

// Links the current cow to the current BIK row as her father (KODBYK the bull's code, BASEKOD
// "+") and returns the bull's name; nothing is written when either table has no current row.
std::optional<QString> setFatherOfCurrentCow(HerdTables& dm);

// Selection by key among the cows of the farm of the current cow (the herd's farm when there
// is no current cow): OT "+" on the cows whose upper-cased name holds the key.
SelectionScope cowSelection(HerdTables& dm, const HerdContext& herd);

}  // namespace korvel
