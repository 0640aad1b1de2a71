// Instruction files and their line splitting.
#include "help/instruction_text.h"

#include "db/text.h"

#include <QDir>
#include <QFile>

#include <array>

namespace korvel {
namespace {

// Indexed by selector - 1: backup/restore, breeds, regions, farms, bulls, cow cards, reports.
constexpr std::array<const char*, 7> kFiles = {"rezerv.txt", "poroda.txt", "region.txt", "vlad.txt",
                                               "bik.txt",    "korova.txt", "otcet.txt"};

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

QStringList instructionLines(const QByteArray& bytes) {
  QStringList lines;
  const char* p = bytes.constData();
  const qsizetype n = bytes.size();
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < n) {
    const char c = p[i];
    if (c == '\r' || c == '\n') {
      lines.append(db::decode(p + start, i - start));
      i += (c == '\r' && i + 1 < n && p[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.append(db::decode(p + start, n - start));
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
