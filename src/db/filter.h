// Filter expressions: exactly the shapes the program builds and nothing else.
//   comparison  := name "=" integer | name "=" "'" text "'"
//   term        := comparison | "(" comparison ")"
//   expression  := term { " and " term }
// A text comparison is equality with the field's value without trailing blanks; a number
// compared with a character field matches when the field holds that number in decimal digits;
// an empty numeric field equals 0. A filter is compiled once against the table's fields.
#pragma once

#include "db/dbf_file.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace korvel::db {

struct FilterTerm {
  QString field;      // lower case, as written
  bool isText = false;
  long long number = 0;
  QString text;
};

// Parses a filter text; throws TableError naming `table` for anything outside the grammar.
// An empty text gives no terms (every row passes).
std::vector<FilterTerm> parseFilter(const QString& text, const QString& table);

class CompiledFilter {
 public:
  CompiledFilter() = default;
  // Binds the terms to the file's fields; throws TableError for a field that does not exist.
  CompiledFilter(const std::vector<FilterTerm>& terms, const DbfFile& file, const QString& table);

  bool empty() const { return checks_.empty(); }
  bool matches(const char* record) const;

 private:
  enum class Kind { NumberField, TextField, WholeInText };
  struct Check {
    Kind kind;
    int offset;
    int width;
    long long number;
    QByteArray bytes;  // expected text, encoded and without trailing blanks
  };
  std::vector<Check> checks_;
};

}  // namespace korvel::db
