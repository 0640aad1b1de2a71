#include "starter/demo_folder.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "db/table_error.h"
#include "herdgen/herdgen.h"
#include "sires/bull_figures.h"
#include "starter/starter_folder.h"

#include <QDir>

namespace korvel {
namespace {

// A few thousand cows over a few regions, farms, breeds and sires: enough for every window and
// the profile workbook to show something, small enough to be made in a moment.
herd::HerdOptions demoHerd() {
  herd::HerdOptions o;
  o.cows = 3000;
  o.bulls = 60;
  o.regions = 3;
  o.farmsPerRegion = 4;
  o.breeds = 3;
  o.seed = 2024;
  return o;
}

bool holdsNoTable(const QString& dir) { return db::missingTables(dir).size() == qsizetype(db::allLayouts().size()); }

}  // namespace

bool layOutDemoFolder(const QString& dir) {
  if (!holdsNoTable(dir)) {
    layOutStarterFolder(dir);
    return false;
  }
  try {
    herd::generateHerd(dir, demoHerd());
    layOutStarterFolder(dir);
    HerdTables dm(dir);
    if (!dm.openError().isEmpty()) throw db::TableError(dm.openError());
    for (const RecomputedBull& b : recomputeEveryLiveBull(dm))
      if (!b.error.isEmpty()) throw db::TableError(b.error);
  } catch (...) {
    // The folder held no table before: it holds none after a failure either, so that the next
    // start makes the herd anew instead of finding half of it.
    QDir d(dir);
    for (const db::TableLayout& t : db::allLayouts()) d.remove(t.fileName);
    throw;
  }
  return true;
}

}  // namespace korvel
