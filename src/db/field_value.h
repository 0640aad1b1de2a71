// Reading and writing one field's bytes inside a record, with the conversions the program
// uses: as text, as a whole number and as a floating-point number.
#pragma once

#include "db/dbf_file.h"

#include <QDate>
#include <QString>
#include <optional>

namespace korvel::db {

// True when the field holds nothing but blanks (an empty text, an empty number or date). A
// numeric field filled with '*' is empty as well.
bool fieldBlank(const FieldDef& f, const char* record);

// The field as text: character fields without trailing blanks; numbers in plain decimal
// ("7", "3.5", "" when empty); dates as dd.MM.yyyy ("" when empty); logicals "T"/"F".
QString fieldText(const FieldDef& f, const char* record, Codepage cp);

// The field as a number, or nothing when its text is not a number. An empty numeric field
// reads as 0; an empty character field is not a number.
std::optional<double> fieldNumber(const FieldDef& f, const char* record, Codepage cp);

// A character field as a whole number written in decimal digits (blanks around allowed).
std::optional<long long> parseWhole(const char* bytes, int n);

// Fast number of a numeric field without allocation; empty gives 0. Not for other types.
double numericValue(const char* bytes, int width, bool* ok);

// Names a record for a message: "запись №5 (корова «Зорька», хозяйство 2 региона 1)", the
// part in brackets where the table keeps animals; "новая запись" for a record number of 0.
QString recordLabel(const DbfFile& file, const char* record, long long recordNumber);

// Writers into a record buffer; a value that cannot be stored throws TableError naming
// `table`. A text longer than a character field is cut to its width.
void putText(const FieldDef& f, char* record, const QString& value, Codepage cp, const QString& table);
void putNumber(const FieldDef& f, char* record, double value, const QString& table);
void putDate(const FieldDef& f, char* record, const QDate& value, const QString& table);
void putBlank(const FieldDef& f, char* record);

}  // namespace korvel::db
