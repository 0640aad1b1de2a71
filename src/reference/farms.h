// Operations of the farms list (VLAD) of one region: showing the region's farms, adding a
// farm, correcting a farm's name, creating the region archive farm (code 0, "Архив региона"),
// what the farm buttons depend on, and the selection scope of the list.
#pragma once

#include "reference/name_list.h"
#include "ui/selection.h"

#include <QString>

namespace korvel {

class HerdTables;

// The name of the region archive farm; no other farm name may hold the word "АРХИВ".
QString archiveFarmName();
bool holdsArchiveWord(const QString& typed);

// "kodreg=" and the region code: the farms of one region.
QString regionFarmsFilter(long long regionCode);

// Filters VLAD on the region's farms (filter off, set, on).
void filterRegionFarms(HerdTables& dm, long long regionCode);

// Shows the region's farms in the list as a window does when it opens or changes region:
// VLAD's filter off, first row, and the region filter set while the list's source is disabled.
void showRegionFarms(HerdTables& dm, long long regionCode);

// Adds a farm named exactly `typed` to the region with the next code of the region (the
// archive farm counts), unless the name holds "АРХИВ" or the region has a farm of that name.
// VLAD is left filtered on the region.
NameOutcome addFarm(HerdTables& dm, long long regionCode, const QString& typed);

// Renames the farm (regionCode, farmCode) to exactly `typed`, unless the name holds "АРХИВ"
// or another farm of the region has it. VLAD is left filtered on the region, on that farm.
NameOutcome renameFarm(HerdTables& dm, long long regionCode, long long farmCode, const QString& typed);

// Appends the region archive farm (code 0) unless the region has one already (false then).
// VLAD is left filtered on the region.
bool createArchiveFarm(HerdTables& dm, long long regionCode);

// The farms VLAD lists under its current filter: whether there are any and whether one of them
// is the archive farm. Ends on the first listed farm.
struct ListedFarms {
  bool any = false;
  bool archive = false;
};
ListedFarms listedFarms(HerdTables& dm);

// Selection by key on the region's farms: marks in OT, the result keeps to the region.
SelectionScope farmSelection(HerdTables& dm, long long regionCode);

}  // namespace korvel
