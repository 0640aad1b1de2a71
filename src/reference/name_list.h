// What the regions, farms and breeds lists share: adding and renaming a row by its name, the
// walk that looks for a name already in the list while it finds the largest code, and the
// return to a row by its code.
#pragma once

#include "db/table.h"

#include <QString>
#include <functional>
#include <optional>

namespace korvel {

// What adding a name to a list or correcting one came to.
enum class NameOutcome {
  Written,      // the row was added or its name rewritten
  Duplicate,    // another row of the scope has the same name: nothing changed
  ArchiveWord,  // a farm name holding the word "АРХИВ": nothing changed
  NoRow,        // the row to correct is not in the list: nothing changed
  Empty,        // nothing but blanks typed: nothing changed
};

// What a selection by key that matched nothing shows.
QString noMatchingRecordsMessage();
// What an empty name in a list's text input dialog shows.
QString emptyNameMessage();

}  // namespace korvel

namespace korvel::reference {

struct NameScan {
  long long largestCode = 0;
  bool duplicate = false;  // the cursor then stands on the row with the same name
};

// Walks the passing rows from the first. Stops at the first row whose name, compared by
// db::nameKey(), equals `key` and whose code is not `ownCode`; otherwise ends past the last row.
NameScan scanNames(db::Table& table, QStringView codeField, QStringView nameField, const QString& key,
                   std::optional<long long> ownCode = std::nullopt);

// Appends a row named exactly `typed` with the code one more than the largest of the passing
// rows, unless `typed` is blank or one of them has the same name (the cursor then stays on it). `fill` sets the
// new row's other fields. The new row is current afterwards.
NameOutcome appendName(db::Table& table, QStringView codeField, QStringView nameField, const QString& typed,
                       const std::function<void(db::Table&)>& fill = {});

// Renames the passing row with the code to exactly `typed`, unless `typed` is blank or another
// passing row has that name. The renamed row is current afterwards.
NameOutcome renameCode(db::Table& table, QStringView codeField, long long code, QStringView nameField,
                       const QString& typed);

// Goes to the first passing row and forward to the one with the code; false when none has it.
bool goToCode(db::Table& table, QStringView codeField, long long code);

// Writes `name` into the name field of the row with the code (false, nothing written, when
// no passing row has it).
bool writeName(db::Table& table, QStringView codeField, long long code, QStringView nameField, const QString& name);

}  // namespace korvel::reference
