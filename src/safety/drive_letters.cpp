#include "safety/drive_letters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace korvel::safety {
namespace {

// A mount table writes blanks, tabs, newlines and backslashes in paths as \ooo.
QString unescapedPath(const QByteArray& field) {
  QByteArray out;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int c = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out.append(char(c));
        i += 3;
        continue;
      }
    }
    out.append(field[i]);
  }
  return QString::fromUtf8(out);
}

// The folder of a medium the desktop mounted: /media/<user>/<label> or /run/media/<user>/<label>.
bool removableFolder(const QString& path) {
  const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  if (parts.size() == 3 && parts[0] == QLatin1String("media")) return true;
  return parts.size() == 4 && parts[0] == QLatin1String("run") && parts[1] == QLatin1String("media");
}

QByteArray letterVariable(QChar letter) { return "KORVEL_DRIVE_" + QString(letter).toLatin1(); }

// The folder KORVEL_DRIVE_<L> names for the letter, empty when it is not set.
QString mappedFolder(QChar letter) { return qEnvironmentVariable(letterVariable(letter).constData()); }

#ifdef Q_OS_WIN
std::wstring windowsRoot(QChar letter) { return {wchar_t(letter.unicode()), L':', L'\\'}; }

// Asks a drive without the system's "insert a disk" box for a drive whose medium is out.
template <class Ask>
auto quietly(Ask ask) {
  DWORD before = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &before);
  const auto answer = ask();
  ::SetThreadErrorMode(before, nullptr);
  return answer;
}
#endif

}  // namespace

std::optional<QChar> driveLetterOf(const QString& typed) {
  const QString t = typed.trimmed();
  if (t.isEmpty()) return std::nullopt;
  // Only Latin letters change case here: a Cyrillic letter stays what it is and is refused.
  char16_t c = t.front().unicode();
  if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  if (c < u'A' || c > u'Z') return std::nullopt;
  return QChar(c);
}

std::vector<RemovableMedium> removableMediaIn(const QByteArray& mountTable,
                                              const std::function<bool(QChar)>& taken) {
  std::vector<RemovableMedium> media;
  char16_t next = u'D';
  for (const QByteArray& line : mountTable.split('\n')) {
    // "36 35 98:0 / /media/anna/KINGSTON rw,nosuid - vfat /dev/sdb1 rw": the fifth field.
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 5) continue;
    const QString root = unescapedPath(fields[4]);
    if (!removableFolder(root)) continue;
    if (std::any_of(media.begin(), media.end(), [&](const RemovableMedium& m) { return m.root == root; })) continue;
    while (next <= u'Z' && taken(QChar(next))) ++next;
    if (next > u'Z') break;
    media.push_back({QChar(next), root.section(QLatin1Char('/'), -1), root});
    ++next;
  }
  return media;
}

std::vector<RemovableMedium> removableMedia() {
#ifdef Q_OS_WIN
  // The removable drives that hold a medium now, with the label it was given.
  std::vector<RemovableMedium> media;
  const DWORD drives = ::GetLogicalDrives();
  for (char16_t c = u'A'; c <= u'Z'; ++c) {
    const std::wstring root = windowsRoot(QChar(c));
    if (!(drives & (1u << (c - u'A'))) || ::GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) continue;
    wchar_t label[MAX_PATH + 1] = {};
    if (!quietly([&] { return ::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0); }))
      continue;  // no medium in it
    media.push_back({QChar(c), QString::fromWCharArray(label), driveRoot(QChar(c))});
  }
  return media;
#else
  const QString tablePath = qEnvironmentVariable("KORVEL_MOUNTINFO", QStringLiteral("/proc/self/mountinfo"));
  QFile table(tablePath);
  if (!table.open(QIODevice::ReadOnly)) return {};
  // The proc file reports no size: read it to its end.
  const QByteArray text = table.readAll();
  return removableMediaIn(text, [](QChar letter) {
    return !qEnvironmentVariable(letterVariable(letter).constData()).isEmpty() ||
           QFileInfo(QStringLiteral("/mnt/") + QString(letter).toLower()).isDir();
  });
#endif
}

QString mediaListText(const std::vector<RemovableMedium>& media) {
  QStringList lines;
  for (const RemovableMedium& m : media)
    lines << QStringLiteral("%1: — %2 (%3)").arg(m.letter).arg(m.label, QDir::toNativeSeparators(m.root));
  return lines.join(QLatin1Char('\n'));
}

QString driveRoot(QChar letter) {
  const QString mapped = mappedFolder(letter);
  if (!mapped.isEmpty()) return QDir::cleanPath(mapped);
#ifdef Q_OS_WIN
  return QString(letter) + QStringLiteral(":/");
#else
  for (const RemovableMedium& m : removableMedia())
    if (m.letter == letter) return m.root;
  return QStringLiteral("/mnt/") + QString(letter).toLower();
#endif
}

bool driveReady(QChar letter) {
#ifdef Q_OS_WIN
  if (mappedFolder(letter).isEmpty()) {
    // A letter no drive has, or a drive whose medium is out, has no free space to tell.
    const std::wstring root = windowsRoot(letter);
    const UINT type = ::GetDriveTypeW(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) return false;
    ULARGE_INTEGER available = {};
    return quietly([&] { return ::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr); }) != 0;
  }
#endif
  const QString root = driveRoot(letter);
  if (!QFileInfo(root).isDir()) return false;
  const QStorageInfo storage(root);
  return storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0;
}

}  // namespace korvel::safety
