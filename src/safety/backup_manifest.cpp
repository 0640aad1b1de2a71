#include "safety/backup_manifest.h"

#include "db/file_io.h"

#include <QFile>
#include <cerrno>
#include <zlib.h>

namespace korvel::safety {
namespace {

// A first line; one line per file: its CRC-32 in hex, its size and its name (percent-encoded
// UTF-8); a last line with the CRC-32 of all the lines above, so that a torn manifest is
// known.
const QByteArray kFirstLine = "korvel backup 1";

quint32 crcOf(const QByteArray& bytes) {
  return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

QByteArray hex(quint32 v) { return QByteArray::number(v, 16).rightJustified(8, '0'); }

}  // namespace

Manifest readManifest(const QDir& backup) {
  const QString name = findEntry(backup, QLatin1String(kManifestName), QDir::Files);
  if (name.isEmpty()) return {};
  Manifest unfinished{Manifest::State::Unfinished, {}};
  QFile f(backup.filePath(name));
  if (!f.open(QIODevice::ReadOnly)) return unfinished;
  QList<QByteArray> lines = f.readAll().split('\n');
  if (lines.size() < 3 || !lines.last().isEmpty() || lines.first() != kFirstLine) return unfinished;
  lines.removeLast();
  const QByteArray last = lines.takeLast();
  if (last != "end " + hex(crcOf(lines.join('\n') + '\n'))) return unfinished;
  Manifest m{Manifest::State::Complete, {}};
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QList<QByteArray> parts = lines[i].split(' ');
    bool crcOk = false, sizeOk = false;
    ManifestEntry e{QString::fromUtf8(QByteArray::fromPercentEncoding(parts.value(2))),
                    {parts.value(1).toLongLong(&sizeOk), parts.value(0).toUInt(&crcOk, 16)}};
    if (parts.size() != 3 || !crcOk || !sizeOk || e.name.isEmpty()) return unfinished;
    m.files.push_back(e);
  }
  return m;
}

int markUnfinished(const QDir& backup) {
  const QString name = findEntry(backup, QLatin1String(kManifestName), QDir::Files);
  errno = 0;
  QFile f(backup.filePath(name.isEmpty() ? QLatin1String(kManifestName) : name));
  // Emptying needs no room on the medium, however full it is.
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return errno ? errno : EACCES;
  if (const int err = db::io::sync(f.handle())) return err;
  f.close();
  return db::io::syncFolder(backup.path());
}

int writeManifest(const QDir& backup, const std::vector<ManifestEntry>& files) {
  QByteArray text = kFirstLine + '\n';
  for (const ManifestEntry& e : files)
    text += hex(e.print.crc) + ' ' + QByteArray::number(e.print.size) + ' ' + e.name.toUtf8().toPercentEncoding() + '\n';
  text += "end " + hex(crcOf(text)) + '\n';
  const QString name = findEntry(backup, QLatin1String(kManifestName), QDir::Files);
  errno = 0;
  QFile f(backup.filePath(name.isEmpty() ? QLatin1String(kManifestName) : name));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return errno ? errno : EACCES;
  if (const int err = db::io::writeAt(f.handle(), 0, text.constData(), size_t(text.size()))) return err;
  return db::io::sync(f.handle());
}

}  // namespace korvel::safety
