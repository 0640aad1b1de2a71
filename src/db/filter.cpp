#include "db/filter.h"

#include "db/field_value.h"
#include "db/table_error.h"

#include <cstring>

namespace korvel::db {
namespace {

[[noreturn]] void badFilter(const QString& table, const QString& text, const QString& why) {
  throw TableError(QStringLiteral("Таблица %1: недопустимое условие фильтра «%2» (%3).").arg(table, text, why));
}

bool isNameStart(QChar c) { return (c >= u'a' && c <= u'z') || c == u'_'; }
bool isNameChar(QChar c) { return isNameStart(c) || (c >= u'0' && c <= u'9'); }

// Parses one comparison starting at pos; pos ends just after it.
FilterTerm parseComparison(const QString& s, qsizetype& pos, const QString& table) {
  FilterTerm t;
  const qsizetype start = pos;
  if (pos >= s.size() || !isNameStart(s[pos])) badFilter(table, s, QStringLiteral("ожидалось имя поля"));
  while (pos < s.size() && isNameChar(s[pos])) ++pos;
  t.field = s.mid(start, pos - start);
  if (pos >= s.size() || s[pos] != u'=') badFilter(table, s, QStringLiteral("ожидался знак ="));
  ++pos;
  if (pos < s.size() && s[pos] == u'\'') {
    const qsizetype close = s.indexOf(u'\'', pos + 1);
    if (close < 0) badFilter(table, s, QStringLiteral("нет закрывающей кавычки"));
    t.isText = true;
    t.text = s.mid(pos + 1, close - pos - 1);
    pos = close + 1;
    return t;
  }
  const qsizetype numStart = pos;
  if (pos < s.size() && s[pos] == u'-') ++pos;
  const qsizetype digitsStart = pos;
  while (pos < s.size() && s[pos].isDigit() && s[pos].unicode() < 128) ++pos;
  if (pos == digitsStart || pos - digitsStart > 18) badFilter(table, s, QStringLiteral("ожидалось целое число или текст в кавычках"));
  t.number = s.mid(numStart, pos - numStart).toLongLong();
  return t;
}

}  // namespace

std::vector<FilterTerm> parseFilter(const QString& text, const QString& table) {
  std::vector<FilterTerm> terms;
  if (text.isEmpty()) return terms;
  qsizetype pos = 0;
  for (;;) {
    if (pos < text.size() && text[pos] == u'(') {
      ++pos;
      terms.push_back(parseComparison(text, pos, table));
      if (pos >= text.size() || text[pos] != u')') badFilter(table, text, QStringLiteral("нет закрывающей скобки"));
      ++pos;
    } else {
      terms.push_back(parseComparison(text, pos, table));
    }
    if (pos == text.size()) return terms;
    if (text.mid(pos, 5) != QLatin1String(" and ")) badFilter(table, text, QStringLiteral("ожидалось « and »"));
    pos += 5;
  }
}

CompiledFilter::CompiledFilter(const std::vector<FilterTerm>& terms, const DbfFile& file, const QString& table) {
  for (const FilterTerm& t : terms) {
    const int idx = file.fieldIndex(t.field);
    if (idx < 0)
      throw TableError(QStringLiteral("Таблица %1: поле «%2» из условия фильтра не найдено.").arg(table, t.field));
    const FieldDef& f = file.fields()[size_t(idx)];
    Check c{Kind::TextField, f.offset, f.width, t.number, {}};
    const bool numeric = f.type == 'N' || f.type == 'F';
    if (t.isText) {
      if (f.type != 'C' && f.type != 'L')
        throw TableError(QStringLiteral("Таблица %1: поле «%2» нельзя сравнивать с текстом.").arg(table, t.field));
      QByteArray b = encode(t.text, file.codepage());
      while (b.endsWith(' ')) b.chop(1);
      c.kind = Kind::TextField;
      c.bytes = b;
    } else if (numeric) {
      c.kind = Kind::NumberField;
    } else if (f.type == 'C') {
      c.kind = Kind::WholeInText;
    } else {
      throw TableError(QStringLiteral("Таблица %1: поле «%2» нельзя сравнивать с числом.").arg(table, t.field));
    }
    checks_.push_back(std::move(c));
  }
}

bool CompiledFilter::matches(const char* record) const {
  for (const Check& c : checks_) {
    const char* p = record + c.offset;
    switch (c.kind) {
      case Kind::NumberField: {
        bool ok;
        const double v = numericValue(p, c.width, &ok);
        if (!ok || v != double(c.number)) return false;
        break;
      }
      case Kind::TextField: {
        const int n = int(c.bytes.size());
        if (n > c.width || std::memcmp(p, c.bytes.constData(), size_t(n)) != 0) return false;
        for (int i = n; i < c.width; ++i)
          if (p[i] != ' ' && p[i] != '\0') return false;
        break;
      }
      case Kind::WholeInText: {
        const auto v = parseWhole(p, c.width);
        if (!v || *v != c.number) return false;
        break;
      }
    }
  }
  return true;
}

}  // namespace korvel::db
