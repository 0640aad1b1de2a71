#include "db/text.h"

#include <QStringList>

#include <array>
#include <unordered_map>

namespace korvel::db {
namespace {

// Unicode code points of the bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr std::array<char16_t, 128> kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

const std::array<char16_t, 128>& upperHalf(Codepage cp) {
  return cp == Codepage::Cp866 ? kCp866 : kCp1251;
}

struct Encoder {
  std::unordered_map<char16_t, char> map;
  explicit Encoder(const std::array<char16_t, 128>& t) {
    for (int i = 0; i < 128; ++i)
      map.emplace(t[i], char(0x80 + i));
  }
};

}  // namespace

QString codepageName(Codepage cp) {
  switch (cp) {
    case Codepage::Cp1251: return QStringLiteral("Windows-1251");
    case Codepage::Cp866: return QStringLiteral("CP866");
    case Codepage::Utf8: return QStringLiteral("UTF-8");
  }
  return {};
}

QString decode(const char* bytes, qsizetype n, Codepage cp) {
  if (cp == Codepage::Utf8) return QString::fromUtf8(bytes, n);
  const auto& t = upperHalf(cp);
  QString s(n, Qt::Uninitialized);
  QChar* out = s.data();
  for (qsizetype i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = b < 0x80 ? QChar(char16_t(b)) : QChar(t[b - 0x80]);
  }
  return s;
}

QByteArray encode(const QString& text, Codepage cp) {
  if (cp == Codepage::Utf8) return text.toUtf8();
  static const Encoder e1251(kCp1251), e866(kCp866);
  const Encoder& e = cp == Codepage::Cp866 ? e866 : e1251;
  QByteArray out;
  out.reserve(text.size());
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
      out.append(char(u));
    } else {
      auto it = e.map.find(u);
      out.append(it != e.map.end() ? it->second : '?');
    }
  }
  return out;
}

QString unstorableCharacters(const QString& text, Codepage cp) {
  if (cp == Codepage::Utf8) return {};
  QStringList found;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString c = text.mid(i, n);
    i += n - 1;
    const bool storable = n == 1 && (c == QLatin1String("?") || encode(c, cp) != "?");
    if (!storable && !found.contains(c)) found << c;
  }
  return found.join(QStringLiteral(", "));
}

QByteArray encodeForField(const QString& text, Codepage cp, int width) {
  QByteArray b = encode(text.normalized(QString::NormalizationForm_C), cp);
  if (b.size() > width) {
    qsizetype cut = width;
    // A UTF-8 character is not split: its continuation bytes are 10xxxxxx.
    if (cp == Codepage::Utf8)
      while (cut > 0 && (static_cast<unsigned char>(b[cut]) & 0xC0) == 0x80) --cut;
    b.truncate(cut);
  }
  return b;
}

QString storedText(const QString& text, Codepage cp, int width) {
  const QByteArray b = encodeForField(text, cp, width);
  qsizetype n = b.size();
  while (n > 0 && (b[n - 1] == ' ' || b[n - 1] == '\0')) --n;
  return decode(b.constData(), n, cp);
}

QString nameKey(const QString& name) { return name.normalized(QString::NormalizationForm_C).trimmed().toUpper(); }

QString counted(long long n, const QString& one, const QString& few, const QString& many) {
  const long long tens = (n < 0 ? -n : n) % 100, units = tens % 10;
  const QString& noun = tens >= 11 && tens <= 14 ? many : units == 1 ? one : units >= 2 && units <= 4 ? few : many;
  return QString::number(n) + QLatin1Char(' ') + noun;
}

}  // namespace korvel::db
