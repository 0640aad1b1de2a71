// Text of the data files: Windows-1251 (CP866 for old DOS tables, UTF-8 for tables saved so by
// other programs) to and from QString, and the one comparison rule for names of regions, farms,
// breeds and animals.
#pragma once

#include <QByteArray>
#include <QString>

namespace korvel::db {

enum class Codepage { Cp1251, Cp866, Utf8 };

// "Windows-1251", "CP866", "UTF-8", for messages.
QString codepageName(Codepage cp);

QString decode(const char* bytes, qsizetype n, Codepage cp = Codepage::Cp1251);
// Characters the code page lacks become '?'. A byte the code page leaves undefined (0x98 in
// Windows-1251) decodes to the C1 control of the same number, so it survives a round trip.
QByteArray encode(const QString& text, Codepage cp = Codepage::Cp1251);

// The characters of `text` the code page lacks, each once, in order of appearance, joined by
// ", " ("é, 🐄"); empty when every one can be stored.
QString unstorableCharacters(const QString& text, Codepage cp);

// The text as a field of `width` bytes keeps it: composed (NFC), encoded, cut to the width
// (never inside a UTF-8 character) and without trailing blanks. Names typed into the tables are
// compared in this form, so that a list never ends up with two rows that read the same.
QByteArray encodeForField(const QString& text, Codepage cp, int width);
QString storedText(const QString& text, Codepage cp, int width);

// Names are equal when equal after composing (NFC), trimming both ends and upper-casing
// (Cyrillic and Latin).
QString nameKey(const QString& name);

// A count with its noun in the form Russian asks for: counted(3, "запись", "записи", "записей")
// is "3 записи"; 1 and 21 take `one`, 2 to 4 and 22 to 24 take `few`, 5 to 20, 11 to 14 and 0
// take `many`.
QString counted(long long n, const QString& one, const QString& few, const QString& many);

}  // namespace korvel::db
