// The operations on bull records behind the bulls window: showing a farm's bulls, adding a bull
// (new code, free row reused), deleting him with or without his daughters, moving him to
// another farm, renaming him, changing his breed, and the selection by key.
#pragma once

#include "reference/herd_context.h"

#include <QString>
#include <optional>

namespace korvel {

class HerdTables;

// BIK shows the bulls of `herd`'s farm, on the first one, or on the bull at `recNo` when he is
// in the farm (else at the end). The bull grid is detached meanwhile.
void showFarmBulls(HerdTables& dm, const HerdContext& herd, int recNo = 0);

// The bull code of a cow's father when her BASEKOD is "+" and KODBYK a whole number.
std::optional<long long> fatherCodeOfCurrentCow(HerdTables& dm);

// The next bull code: one more than the largest KODBYK among live bulls of the whole table and
// the largest father code any cow row, live or freed, names (an empty code counts 0; a code
// that is no number is passed over). Moves BIK's cursor; opens KOROVA when it is closed.
long long nextBullCode(HerdTables& dm);

// AddedOutOfView: the bull was added but the list's filter (a selection) does not show him.
enum class BullNameOutcome { NoName, Duplicate, Done, AddedOutOfView };

// Adds a bull named `typed` (stored as typed, cut to NOKLI's width) to `herd`'s farm, with the next code,
// in the first free row or a new one, every figure 0. On a duplicate name in the farm BIK shows
// the farm on the existing bull and nothing is written. Afterwards BIK has its filter back and
// stands on the new bull, or at the end when the filter does not show him (AddedOutOfView).
BullNameOutcome addBull(HerdTables& dm, const HerdContext& herd, const QString& typed);

// The current bull as the deletion asks about him.
struct BullToDelete {
  QString name;                  // NOKLI as stored
  std::optional<long long> code; // KODBYK as a whole number
  long long daughters = 0;       // KOLKOROV as last written
};
std::optional<BullToDelete> currentBullForDeletion(HerdTables& dm);

// Frees the current bull's row (KODREG and KODVLAD 0).
void freeCurrentBull(HerdTables& dm);

// Every daughter of the bull `code` becomes a free row (`freeThem`) or is detached: BASEKOD
// empty, KODBYK "#" + `name`. KOROVA is left as found, on the same record when it still shows.
// Returns the number of cows changed; all or nothing.
int releaseDaughters(HerdTables& dm, long long code, const QString& name, bool freeThem);

// Moves the current bull to `herd`'s farm (as one operation); false, with nothing written, when
// there is no current bull. The caller redraws what shows him.
bool moveCurrentBull(HerdTables& dm, const HerdContext& herd);

// Renames the current bull within `herd`'s farm (the selection is dropped); the name is cut
// to NOKLI's width before it is compared. On a duplicate the other bull is current and nothing
// is written. With no current bull, or a name of nothing but blanks, nothing happens (NoName).
BullNameOutcome renameCurrentBull(HerdTables& dm, const HerdContext& herd, const QString& typed);

// Gives the current bull the breed of PORODA's current row; returns the breed's name, or nothing
// when there is no bull or no breed row.
std::optional<QString> setCurrentBullBreed(HerdTables& dm);

// The name of the breed `code` (PORODA left filtered on it), empty when none has it.
QString breedName(HerdTables& dm, long long code);

}  // namespace korvel
