// Removing a farm with its animals: the five ways of dealing with its cows and bulls (moved to
// a chosen farm, moved to the region archive farm, or freed), the region archive farm made when
// missing, the transfer of the animals and the release of the father links of freed bulls.
#pragma once

#include <QString>
#include <vector>

namespace korvel {

class HerdTables;
namespace db { class Table; }

// The deletion variants, named after the options of the farms window's removal panel.
enum class RemovalVariant {
  Cancel,                   // cancelRemovalOption: nothing is deleted
  AllToFarm,                // allToFarmOption: cows and bulls to a chosen farm
  CowsToFarmBullsFreed,     // cowsToFarmBullsFreedOption: cows to a chosen farm, bulls freed
  AllToArchive,             // allToArchiveOption: cows and bulls to the region archive farm
  CowsToArchiveBullsFreed,  // cowsToArchiveBullsFreedOption: cows to the archive farm, bulls freed
  AllFreed,                 // allFreedOption: cows and bulls freed
};

// A farm: the pair of codes that identifies it (the farm code alone is unique only in its region).
struct FarmKey {
  long long region = 0;
  long long farm = 0;
  bool operator==(const FarmKey&) const = default;
};

bool needsChosenFarm(RemovalVariant v);  // the user picks the farm that takes the animals
bool movesToArchive(RemovalVariant v);
bool freesBulls(RemovalVariant v);

// What a transfer did, counted.
struct TransferCount {
  long long cowsMoved = 0;
  long long cowsFreed = 0;
  long long bullsMoved = 0;
  long long bullsFreed = 0;
  long long daughtersReleased = 0;  // cows whose father link was turned into "#" and the name
};

// The region archive farm (code 0) of the region, appended as "Архив региона" when the region
// has none. VLAD's filter text and switch are put back afterwards. Returns the archive's key.
FarmKey ensureRegionArchive(HerdTables& dm, long long region);

// Moves or frees the cows and bulls whose KODREG and KODVLAD are those of `removed`, over the
// whole tables whatever their filters; `target` is used by the moving variants only. The freed
// bulls' daughters anywhere in KOROVA lose their father link: BASEKOD blank and KODBYK "#" and
// the bull's name. Both tables (their current records included), their lists and the refresh
// flags are left as they were found. All or nothing: an error puts every row back (the
// operation in progress, when one is, decides for itself).
TransferCount transferFarmAnimals(HerdTables& dm, const FarmKey& removed, RemovalVariant variant,
                                  const FarmKey& target);

// A freed bull as his daughters will remember him.
struct FreedBull {
  QString code;  // his KODBYK as stored
  QString name;  // "#" followed by his NOKLI without blanks at either end
};

// Releases the father links to the given bulls in one walk over every live row of the open
// cow table (its filter is not consulted): a row with BASEKOD "+" and KODBYK equal to a bull's
// code gets BASEKOD blank and KODBYK that bull's name. When two bulls share a code the first
// one of the list names the daughters, as releasing them one bull after the other would.
// The caller protects the table (and its list) around the walk. Returns the rows rewritten;
// all or nothing, as one operation or within the one in progress.
long long releaseFatherLinks(db::Table& korova, const std::vector<FreedBull>& bulls);

// The closing message of a removal: all animals freed, or animals transferred.
QString removalDoneMessage(RemovalVariant v);

}  // namespace korvel
