// Text of the data files: Windows-1251 (and CP866 for old DOS tables) to and from QString,
// and the one comparison rule for names of regions, farms, breeds and animals.
#pragma once

#include <QByteArray>
#include <QString>

namespace korvel::db {

enum class Codepage { Cp1251, Cp866 };

QString decode(const char* bytes, qsizetype n, Codepage cp = Codepage::Cp1251);
// Characters the code page lacks become '?'. A byte the code page leaves undefined (0x98 in
// Windows-1251) decodes to the C1 control of the same number, so it survives a round trip.
QByteArray encode(const QString& text, Codepage cp = Codepage::Cp1251);

// Names are equal when equal after trimming both ends and upper-casing (Cyrillic and Latin).
QString nameKey(const QString& name);

// A count with its noun in the form Russian asks for: counted(3, "запись", "записи", "записей")
// is "3 записи"; 1 and 21 take `one`, 2 to 4 and 22 to 24 take `few`, 5 to 20, 11 to 14 and 0
// take `many`.
QString counted(long long n, const QString& one, const QString& few, const QString& many);

}  // namespace korvel::db
