// The data module: the six herd tables with one cursor each, their data sources, the two
// refresh-suppressed flags and the cursor hooks that keep the lists read-only and the cards
// current. Windows install the card refreshes; the module includes no window.
#pragma once

#include "db/data_source.h"
#include "db/freeze.h"
#include "db/table.h"

#include <QObject>
#include <functional>

namespace korvel {

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   HerdTables                       herdTables
//   region                           region
//   vlad                             vlad
//   regionsSource                    regionsSource
//   farmsSource                      farmsSource
//   cowsSource                       cowsSource
//   traitsSource                     traitsSource
//   bullsSource                      bullsSource
//   breedsSource                     breedsSource
// END OBJECT NAMES

class HerdTables : public QObject {
  Q_OBJECT
 public:
  // Rolls back an operation an earlier run left unfinished in the folder, then opens XARAKT;
  // when either fails the error's text is kept in openError().
  explicit HerdTables(const QString& workDir = {}, QObject* parent = nullptr);

  db::Table region{QStringLiteral("Table1"), QStringLiteral("REGION")};
  db::Table vlad{QStringLiteral("vlad2"), QStringLiteral("VLAD")};
  db::Table korova{QStringLiteral("korova"), QStringLiteral("KOROVA")};
  db::Table xarakt{QStringLiteral("xarakt"), QStringLiteral("XARAKT")};
  db::Table bik{QStringLiteral("bik"), QStringLiteral("BIK")};
  db::Table poroda{QStringLiteral("poroda"), QStringLiteral("PORODA.DBF")};

  db::DataSource regionsSource{QStringLiteral("DataSource1"), region};
  db::DataSource farmsSource{QStringLiteral("DataSource2"), vlad};
  db::DataSource cowsSource{QStringLiteral("DataSource3"), korova};
  db::DataSource traitsSource{QStringLiteral("DataSource4"), xarakt};
  db::DataSource bullsSource{QStringLiteral("DataSource5"), bik};
  db::DataSource breedsSource{QStringLiteral("DataSource6"), poroda};

  // Set by a db::Freeze while code moves KOROVA (BIK) through several rows.
  db::RefreshFlag cowRefreshSuppressed;
  db::RefreshFlag bullRefreshSuppressed;
  // The main menu's activation: no handler is under way then, so a flag still set is a
  // leftover and both are cleared.
  void clearRefreshFlags() { cowRefreshSuppressed.on_ = bullRefreshSuppressed.on_ = false; }

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
