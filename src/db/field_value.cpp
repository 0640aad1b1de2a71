#include "db/field_value.h"

#include "db/table_error.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>
#include <cstring>

namespace korvel::db {
namespace {

bool blank(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

// An empty number: blanks only, or the '*' fill other writers (GIS programs) put in a numeric
// field that holds no value.
bool emptyNumber(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0' && p[i] != '*') return false;
  return true;
}

qint64 le64(const char* p) {
  quint64 v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return qint64(v);
}

int32_t le32s(const char* p) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return int32_t(v);
}

double leDouble(const char* p) {
  const qint64 bits = le64(p);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

QString numberText(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
  return QString::number(v, 'g', 15);
}

QDate julianToDate(int32_t jd) { return jd > 0 ? QDate::fromJulianDay(jd) : QDate(); }

}  // namespace

bool fieldBlank(const FieldDef& f, const char* record) {
  const char* p = record + f.offset;
  switch (f.type) {
    case 'I': case 'B': case 'Y': case 'T': return false;
    case 'N': case 'F': return emptyNumber(p, f.width);
    default: return blank(p, f.width);
  }
}

double numericValue(const char* p, int n, bool* ok) {
  int i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  int end = n;
  while (end > i && (p[end - 1] == ' ' || p[end - 1] == '\0')) --end;
  *ok = true;
  if (i == end) return 0;
  if (p[i] == '*' && emptyNumber(p + i, end - i)) return 0;
  bool neg = false;
  if (p[i] == '-' || p[i] == '+') {
    neg = p[i] == '-';
    ++i;
  }
  long long whole = 0;
  int digits = 0;
  const int wholeStart = i;
  for (; i < end && p[i] >= '0' && p[i] <= '9'; ++i, ++digits)
    if (digits < 18) whole = whole * 10 + (p[i] - '0');
  // A 20-wide field holds more digits than a 64-bit integer: read such a number as a double.
  double v = digits > 18 ? QByteArray(p + wholeStart, digits).toDouble() : double(whole);
  if (i < end && (p[i] == '.' || p[i] == ',')) {
    ++i;
    long long frac = 0, div = 1;
    for (; i < end && p[i] >= '0' && p[i] <= '9'; ++i, ++digits) {
      if (div < 1000000000000000LL) {
        frac = frac * 10 + (p[i] - '0');
        div *= 10;
      }
    }
    v += double(frac) / double(div);
  }
  if (i < end && (p[i] == 'e' || p[i] == 'E')) {
    // Rare exponent form: let the library parse the whole text.
    const QByteArray t(p, n);
    v = t.trimmed().toDouble(ok);
    return v;
  }
  if (i != end || digits == 0) {
    *ok = false;
    return 0;
  }
  return neg ? -v : v;
}

std::optional<long long> parseWhole(const char* p, int n) {
  int i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  int end = n;
  while (end > i && (p[end - 1] == ' ' || p[end - 1] == '\0')) --end;
  if (i == end) return std::nullopt;
  bool neg = false;
  if (p[i] == '-' || p[i] == '+') {
    neg = p[i] == '-';
    ++i;
  }
  if (i == end || end - i > 18) return std::nullopt;
  long long v = 0;
  for (; i < end; ++i) {
    if (p[i] < '0' || p[i] > '9') return std::nullopt;
    v = v * 10 + (p[i] - '0');
  }
  return neg ? -v : v;
}

QString fieldText(const FieldDef& f, const char* record, Codepage cp) {
  const char* p = record + f.offset;
  switch (f.type) {
    case 'C': {
      int n = f.width;
      while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
      return decode(p, n, cp);
    }
    case 'N': case 'F': {
      if (emptyNumber(p, f.width)) return {};
      bool ok;
      const double v = numericValue(p, f.width, &ok);
      return ok ? numberText(v) : decode(p, f.width, cp).trimmed();
    }
    case 'D': {
      if (blank(p, 8)) return {};
      const QDate d = QDate::fromString(QString::fromLatin1(p, 8), QStringLiteral("yyyyMMdd"));
      return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
    }
    case 'L': {
      const char c = p[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return QStringLiteral("T");
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return QStringLiteral("F");
      return {};
    }
    case 'I': return QString::number(le32s(p));
    case 'B': return numberText(leDouble(p));
    case 'Y': return numberText(double(le64(p)) / 10000.0);
    case 'T': {
      const QDate d = julianToDate(le32s(p));
      return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
    }
    default: return {};
  }
}

std::optional<double> fieldNumber(const FieldDef& f, const char* record, Codepage cp) {
  const char* p = record + f.offset;
  switch (f.type) {
    case 'N': case 'F': {
      bool ok;
      const double v = numericValue(p, f.width, &ok);
      if (!ok) return std::nullopt;
      return v;
    }
    case 'C': {
      if (blank(p, f.width)) return std::nullopt;
      bool ok;
      const double v = numericValue(p, f.width, &ok);
      if (!ok) return std::nullopt;
      return v;
    }
    case 'I': return double(le32s(p));
    case 'B': return leDouble(p);
    case 'Y': return double(le64(p)) / 10000.0;
    case 'L': return fieldText(f, record, cp) == QLatin1String("T") ? 1.0 : 0.0;
    default: return std::nullopt;
  }
}

QString recordLabel(const DbfFile& file, const char* record, long long recordNumber) {
  QString out = recordNumber > 0 ? QStringLiteral("запись №%1").arg(recordNumber) : QStringLiteral("новая запись");
  const int nokli = file.fieldIndex(u"NOKLI");
  if (nokli < 0) return out;
  auto text = [&](int i) { return i < 0 ? QString() : fieldText(file.fields()[size_t(i)], record, file.codepage()); };
  const QString table = QFileInfo(file.path()).completeBaseName().toUpper();
  QStringList parts;
  const QString name = text(nokli);
  parts << (table == QLatin1String("KOROVA") ? QStringLiteral("корова")
            : table == QLatin1String("BIK")  ? QStringLiteral("бык")
                                             : QStringLiteral("животное")) +
               (name.isEmpty() ? QStringLiteral(" без клички") : QStringLiteral(" «%1»").arg(name));
  const QString farm = text(file.fieldIndex(u"KODVLAD")), region = text(file.fieldIndex(u"KODREG"));
  if (!farm.isEmpty())
    parts << QStringLiteral("хозяйство ") + farm + (region.isEmpty() ? QString() : QStringLiteral(" региона ") + region);
  else if (!region.isEmpty())
    parts << QStringLiteral("регион ") + region;
  return out + QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void putBlank(const FieldDef& f, char* record) { std::memset(record + f.offset, ' ', size_t(f.width)); }

void putText(const FieldDef& f, char* record, const QString& value, Codepage cp, const QString& table) {
  char* p = record + f.offset;
  switch (f.type) {
    case 'C': {
      // Typed and pasted text is stored composed ("й", not "и" and a combining breve); a
      // character the code page lacks is refused, never stored as '?'.
      const QString composed = value.normalized(QString::NormalizationForm_C);
      const QString lacking = unstorableCharacters(composed, cp);
      if (!lacking.isEmpty())
        throw TableError(QStringLiteral("Таблица %1: в поле %2 есть знаки, которые нельзя сохранить в таблице (%3): %4.")
                             .arg(table, f.name, codepageName(cp), lacking));
      const QByteArray b = encodeForField(composed, cp, f.width);
      std::memcpy(p, b.constData(), size_t(b.size()));
      std::memset(p + b.size(), ' ', size_t(f.width - b.size()));
      return;
    }
    case 'N': case 'F': {
      const QString t = value.trimmed();
      if (t.isEmpty()) {
        putBlank(f, record);
        return;
      }
      bool ok = false;
      const double v = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
      if (!ok)
        throw TableError(QStringLiteral("Таблица %1: «%2» не является числом (поле %3).").arg(table, value, f.name));
      putNumber(f, record, v, table);
      return;
    }
    case 'D': {
      const QString t = value.trimmed();
      if (t.isEmpty()) {
        putBlank(f, record);
        return;
      }
      const QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
      if (!d.isValid())
        throw TableError(QStringLiteral("Таблица %1: «%2» не является датой (поле %3).").arg(table, value, f.name));
      putDate(f, record, d, table);
      return;
    }
    case 'L': {
      const QString t = value.trimmed().toUpper();
      p[0] = t.isEmpty() ? ' ' : (t == QLatin1String("T") || t == QLatin1String("Y") || t == QStringLiteral("Д")) ? 'T' : 'F';
      return;
    }
    default:
      throw TableError(QStringLiteral("Таблица %1: поле %2 этого типа программа не записывает.").arg(table, f.name));
  }
}

void putNumber(const FieldDef& f, char* record, double value, const QString& table) {
  char* p = record + f.offset;
  switch (f.type) {
    case 'N': case 'F': {
      if (!std::isfinite(value))
        throw TableError(QStringLiteral("Таблица %1: недопустимое значение поля %2.").arg(table, f.name));
      QByteArray t = QByteArray::number(value, 'f', f.decimals);
      if (t.startsWith("-") && t.toDouble() == 0.0) t.remove(0, 1);
      if (t.size() > f.width)
        throw TableError(QStringLiteral("Таблица %1: число %2 не помещается в поле %3 (ширина %4).")
                             .arg(table, QString::fromLatin1(t), f.name).arg(f.width));
      std::memset(p, ' ', size_t(f.width - t.size()));
      std::memcpy(p + f.width - t.size(), t.constData(), size_t(t.size()));
      return;
    }
    case 'C': {
      putText(f, record, numberText(value), Codepage::Cp1251, table);
      return;
    }
    case 'L':
      p[0] = value != 0 ? 'T' : 'F';
      return;
    default:
      throw TableError(QStringLiteral("Таблица %1: в поле %2 нельзя записать число.").arg(table, f.name));
  }
}

void putDate(const FieldDef& f, char* record, const QDate& value, const QString& table) {
  if (f.type != 'D')
    throw TableError(QStringLiteral("Таблица %1: поле %2 не является датой.").arg(table, f.name));
  if (!value.isValid()) {
    putBlank(f, record);
    return;
  }
  const QByteArray t = value.toString(QStringLiteral("yyyyMMdd")).toLatin1();
  if (t.size() != 8)
    throw TableError(QStringLiteral("Таблица %1: дата вне допустимого диапазона (поле %2).").arg(table, f.name));
  std::memcpy(record + f.offset, t.constData(), 8);
}

}  // namespace korvel::db
