// The herd context of the cows and bulls windows: the region and farm whose animals they
// show, with the header line "Регион: … Владелец: …", and the automatic first region and
// farm of an empty database.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

class HerdTables;

struct HerdContext {
  long long regionCode = 0;
  long long farmCode = 0;
  QString header;  // "Регион: " + region + " Владелец: " + farm

  // The animal list filter of this herd: "kodreg=R and kodvlad=F".
  QString animalFilter() const;
};

struct HerdOpening {
  HerdContext herd;
  QStringList messages;  // what the window must show, in order (the automatic rows)
};

// Makes sure REGION has a region: switches its filter off and goes to the first row; when
// there is none, appends KODREG 1 "ГЛАВНЫЙ РЕГИОН" (current afterwards) and returns true, so
// the caller shows noRegionsMessage().
bool ensureFirstRegion(HerdTables& dm);

// Establishes the herd context when a cows or bulls window opens: the first region (created
// as "ГЛАВНЫЙ РЕГИОН" when REGION is empty) and its first farm (created as "ХОЗЯЙСТВО 1" when
// the region has none). Leaves REGION unfiltered on its first row and VLAD filtered on the
// region, on its first farm.
HerdOpening establishHerdContext(HerdTables& dm);

// Whether VLAD still has the farm of `herd` (a farm removal may have taken it).
bool herdFarmExists(HerdTables& dm, const HerdContext& herd);

// The herd of the current REGION and VLAD rows, as a picker leaves them.
HerdContext herdOfCurrentRows(HerdTables& dm);

// "Регион: " + region + " Владелец: " + farm.
QString herdHeader(const QString& region, const QString& farm);

// Texts of the automatic rows.
QString noRegionsMessage();
QString noFarmsMessage(const QString& regionName);

}  // namespace korvel
