// The data module: the six herd tables with one cursor each, their data sources, the two
// refresh-suppressed flags and the cursor hooks that keep the lists read-only and the cards
// current. Windows install the card refreshes; the module includes no window.
#pragma once

#include "db/data_source.h"
#include "db/table.h"

#include <QObject>
#include <functional>

namespace korvel {

class TDataModule5 : public QObject {
  Q_OBJECT
 public:
  // Rolls back an operation an earlier run left unfinished in the folder, then opens XARAKT;
  // when either fails the error's text is kept in openError().
  explicit TDataModule5(const QString& workDir = {}, QObject* parent = nullptr);

  db::Table Table1{QStringLiteral("Table1"), QStringLiteral("REGION")};
  db::Table vlad2{QStringLiteral("vlad2"), QStringLiteral("VLAD")};
  db::Table korova{QStringLiteral("korova"), QStringLiteral("KOROVA")};
  db::Table xarakt{QStringLiteral("xarakt"), QStringLiteral("XARAKT")};
  db::Table bik{QStringLiteral("bik"), QStringLiteral("BIK")};
  db::Table poroda{QStringLiteral("poroda"), QStringLiteral("PORODA.DBF")};

  db::DataSource DataSource1{QStringLiteral("DataSource1"), Table1};
  db::DataSource DataSource2{QStringLiteral("DataSource2"), vlad2};
  db::DataSource DataSource3{QStringLiteral("DataSource3"), korova};
  db::DataSource DataSource4{QStringLiteral("DataSource4"), xarakt};
  db::DataSource DataSource5{QStringLiteral("DataSource5"), bik};
  db::DataSource DataSource6{QStringLiteral("DataSource6"), poroda};

  bool cowRefreshSuppressed = false;
  bool bullRefreshSuppressed = false;

  // Installed by the application: whether the cows (bulls) window is the active window, and
  // its card refresh. The KOROVA (BIK) hook calls the refresh only when the window is active
  // and the matching flag is clear.
  std::function<bool()> cowWindowActive;
  std::function<void()> refreshCowCard;
  std::function<bool()> bullWindowActive;
  std::function<void()> refreshBullCard;

  const QString& workDir() const { return workDir_; }
  const QString& openError() const { return openError_; }
  std::vector<db::Table*> tables();

 private:
  QString workDir_;
  QString openError_;
};

}  // namespace korvel
