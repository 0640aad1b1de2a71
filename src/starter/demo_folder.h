// The demonstration folder: a generated herd for a first look at the program, with the starter
// catalogue, instructions and pictures and every bull's figures computed. It is written only
// into a folder that holds none of the six tables, so it never mixes with a real herd.
#pragma once

#include <QString>

namespace korvel {

// Lays out the demonstration herd in `dir` (created when absent) when the folder holds none of
// the six tables; a folder that holds all six only gets what else is missing (instructions,
// pictures), as a starter folder would. Returns whether the herd was generated now. Throws
// UserError (db::TableError from the table layer).
bool layOutDemoFolder(const QString& dir);

}  // namespace korvel
