#include "db/data_module.h"

#include "db/folder_recovery.h"
#include "db/schema.h"
#include "db/table_error.h"

#include <QDir>

namespace korvel {

HerdTables::HerdTables(const QString& workDir, QObject* parent)
    : QObject(parent), workDir_(workDir.isEmpty() ? QDir::currentPath() : workDir) {
  setObjectName(QStringLiteral("DataModule5"));
  for (db::Table* t : tables()) {
    t->setDirectory(workDir_);
    db::checkLayoutAtOpening(*t);
  }

  region.afterScroll = [this] { regionsSource.setReadOnly(true); };
  vlad.afterScroll = [this] { farmsSource.setReadOnly(true); };
  poroda.afterScroll = [this] { breedsSource.setReadOnly(true); };
  korova.afterScroll = [this] {
    if (!cowRefreshSuppressed && cowWindowActive && refreshCowCard && cowWindowActive()) refreshCowCard();
  };
  bik.afterScroll = [this] {
    if (!bullRefreshSuppressed && bullWindowActive && refreshBullCard && bullWindowActive()) refreshBullCard();
  };

  try {
    db::recoverWorkFolder(workDir_);
    xarakt.open();
  } catch (const db::TableError& e) {
    openError_ = e.text();
  }
}

std::vector<db::Table*> HerdTables::tables() { return {&region, &vlad, &korova, &xarakt, &bik, &poroda}; }

}  // namespace korvel
