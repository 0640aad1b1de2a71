// Instruction files and their line splitting.
#include "help/instruction_text.h"

#include "db/text.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

#include <array>

namespace korvel {
namespace {

// Indexed by selector - 1: backup/restore, breeds, regions, farms, bulls, cow cards, reports,
// loading scores.
constexpr std::array<const char*, kInstructionCount> kFiles = {"rezerv.txt", "poroda.txt", "region.txt", "vlad.txt",
                                                               "bik.txt",    "korova.txt", "otcet.txt",  "ocenki.txt"};

}  // namespace

QString instructionFileName(int selector) {
  if (selector < 1 || selector > int(kFiles.size())) return {};
  return QString::fromLatin1(kFiles[size_t(selector - 1)]);
}

QString instructionFilePath(int selector) {
  const QString name = instructionFileName(selector);
  if (name.isEmpty()) return {};
  return QDir::toNativeSeparators(QStringLiteral("./") + name);
}

QString instructionText(const QByteArray& bytes) {
  // Notepad saves UTF-8, with or without the mark; anything that is not valid UTF-8 with a
  // letter outside ASCII is the program's own Windows-1251.
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
  }
  return db::decode(bytes.constData(), bytes.size());
}

QStringList instructionLines(const QByteArray& bytes) {
  const QString text = instructionText(bytes);
  QStringList lines;
  const qsizetype n = text.size();
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < n) {
    const QChar c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.append(text.mid(start, i - start));
      i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.append(text.mid(start));
  return lines;
}

bool readInstructionFile(const QString& path, QStringList* lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  *lines = instructionLines(bytes);
  return true;
}

}  // namespace korvel
