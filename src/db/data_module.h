// The data module: the six herd tables with one cursor each and their data sources; the lists of
// regions, farms and breeds go back to read-only whenever their table's cursor moves. No window
// is redrawn from here: a window redraws itself after the operations it calls and when the user
// moves its list. The module includes no window.
#pragma once

#include "db/data_source.h"
#include "db/table.h"

#include <QObject>

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

  const QString& workDir() const { return workDir_; }
  const QString& openError() const { return openError_; }
  std::vector<db::Table*> tables();

 private:
  QString workDir_;
  QString openError_;
};

}  // namespace korvel
