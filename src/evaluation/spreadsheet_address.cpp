// Cell addresses of the in-memory workbook: column letters, ranges and their text, colours.
#include "evaluation/spreadsheet.h"

#include "evaluation/spreadsheet_parts.h"

#include <algorithm>

namespace korvel::xlsx {

QString columnName(int column) {
  if (column < 1 || column > kMaxColumns) return {};
  QString name;
  while (column > 0) {
    const int digit = (column - 1) % 26;
    name.prepend(QChar(u'A' + digit));
    column = (column - 1) / 26;
  }
  return name;
}

int columnNumber(QStringView letters) {
  if (letters.isEmpty() || letters.size() > 3) return 0;
  int n = 0;
  for (QChar c : letters) {
    const char16_t u = c.unicode();
    int digit;
    if (u >= u'A' && u <= u'Z') digit = u - u'A' + 1;
    else if (u >= u'a' && u <= u'z') digit = u - u'a' + 1;
    else return 0;
    n = n * 26 + digit;
  }
  return n <= kMaxColumns ? n : 0;
}

void checkCell(int row, int column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
    throw std::out_of_range("cell outside the sheet");
}

namespace {

// One "A1" or "$A$1"; false when malformed.
bool parseCell(QStringView text, int& row, int& column) {
  qsizetype i = 0;
  if (i < text.size() && text[i] == u'$') ++i;
  const qsizetype lettersStart = i;
  while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128) ++i;
  column = columnNumber(text.mid(lettersStart, i - lettersStart));
  if (column == 0) return false;
  if (i < text.size() && text[i] == u'$') ++i;
  const QStringView digits = text.mid(i);
  if (digits.isEmpty() || digits.size() > 7) return false;
  row = 0;
  for (QChar c : digits) {
    if (c.unicode() < u'0' || c.unicode() > u'9') return false;
    row = row * 10 + (c.unicode() - u'0');
  }
  return row >= 1 && row <= kMaxRows;
}

}  // namespace

Range::Range(int row1, int column1, int row2, int column2) {
  checkCell(row1, column1);
  checkCell(row2, column2);
  firstRow = std::min(row1, row2);
  lastRow = std::max(row1, row2);
  firstColumn = std::min(column1, column2);
  lastColumn = std::max(column1, column2);
}

Range::Range(const char* address) : Range(parse(QString::fromUtf8(address))) {}

Range Range::parse(QStringView address) {
  const QStringView text = address.trimmed();
  const qsizetype colon = text.indexOf(u':');
  int r1, c1, r2, c2;
  bool ok;
  if (colon < 0) {
    ok = parseCell(text, r1, c1);
    r2 = r1;
    c2 = c1;
  } else {
    ok = parseCell(text.left(colon), r1, c1) && parseCell(text.mid(colon + 1), r2, c2);
  }
  if (!ok) throw std::invalid_argument("bad cell address: " + address.toString().toStdString());
  return Range(r1, c1, r2, c2);
}

bool Range::intersects(const Range& o) const {
  return firstRow <= o.lastRow && o.firstRow <= lastRow && firstColumn <= o.lastColumn &&
         o.firstColumn <= lastColumn;
}

QString Range::address() const {
  QString a = columnName(firstColumn) + QString::number(firstRow);
  if (rows() > 1 || columns() > 1)
    a += u':' + columnName(lastColumn) + QString::number(lastRow);
  return a;
}

QByteArray Color::hex() const {
  static const char digits[] = "0123456789ABCDEF";
  QByteArray out(6, '0');
  const quint8 parts[3] = {red, green, blue};
  for (int i = 0; i < 3; ++i) {
    out[2 * i] = digits[parts[i] >> 4];
    out[2 * i + 1] = digits[parts[i] & 15];
  }
  return out;
}

}  // namespace korvel::xlsx
