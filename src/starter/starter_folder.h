// The starter working folder: what a first start needs, written only where it is missing.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

// Writes into `dir` (created when absent) the seven instruction texts, the help pictures
// kartinki/<line>.jpg of the linear grid and the main window's two pictures, where missing,
// and the six tables (REGION, VLAD, KOROVA, BIK and PORODA empty, XARAKT holding the starter
// catalogue) when the folder holds none of them. Nothing that exists is touched. A folder that
// holds some of the tables but not all gets nothing: the UserError names the missing ones.
// Returns the files written; throws UserError (db::TableError from the table layer) when
// something cannot be written.
QStringList layOutStarterFolder(const QString& dir);

}  // namespace korvel
