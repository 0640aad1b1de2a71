#include "db/data_module.h"

#include "db/folder_recovery.h"
#include "db/table_error.h"

#include <QDir>

namespace korvel {

TDataModule5::TDataModule5(const QString& workDir, QObject* parent)
    : QObject(parent), workDir_(workDir.isEmpty() ? QDir::currentPath() : workDir) {
  setObjectName(QStringLiteral("DataModule5"));
  for (db::Table* t : tables()) t->setDirectory(workDir_);

  Table1.afterScroll = [this] { DataSource1.setReadOnly(true); };
  vlad2.afterScroll = [this] { DataSource2.setReadOnly(true); };
  poroda.afterScroll = [this] { DataSource6.setReadOnly(true); };
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

std::vector<db::Table*> TDataModule5::tables() { return {&Table1, &vlad2, &korova, &xarakt, &bik, &poroda}; }

}  // namespace korvel
