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

  // A row appended or chosen in one of these lists is not typed over by accident.
  const std::pair<db::Table*, db::DataSource*> readOnlyLists[] = {
      {&region, &regionsSource}, {&vlad, &farmsSource}, {&poroda, &breedsSource}};
  for (const auto& [table, list] : readOnlyLists)
    table->addListener([list = list](db::TableEvent e) {
      if (e == db::TableEvent::Scrolled) list->setReadOnly(true);
    });

  try {
    db::recoverWorkFolder(workDir_);
    xarakt.open();
  } catch (const db::TableError& e) {
    openError_ = e.text();
  }
}

std::vector<db::Table*> HerdTables::tables() { return {&region, &vlad, &korova, &xarakt, &bik, &poroda}; }

}  // namespace korvel
