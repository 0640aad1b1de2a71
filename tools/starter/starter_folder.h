// The starter working folder: what a first start needs, written only where it is missing.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

// Writes into `dir` (created when absent) the six tables (REGION, VLAD, KOROVA, BIK and PORODA
// empty, XARAKT holding the starter catalogue), the seven instruction texts, the help
// pictures kartinki/<line>.jpg of the linear grid and the main window's two pictures.
// Nothing that exists is touched. Returns the files written; throws db::TableError or
// std::runtime_error with a message for the user when something cannot be written.
QStringList layOutStarterFolder(const QString& dir);

}  // namespace korvel
