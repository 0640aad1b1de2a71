#include "db/file_io.h"

#include "db/folder_files.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QList>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvel::db::io {
namespace {

struct Faults {
  bool fromEnvironmentRead = false;
  long writes = 0;
  long failAt = 0;  // 0: none
  int failErr = 0;
  long killAt = 0;  // 0: none
};

Faults& faults() {
  static Faults f;
  if (!f.fromEnvironmentRead) {
    f.fromEnvironmentRead = true;
    const QByteArray fail = qgetenv("KORVEL_FAIL_WRITE");
    if (!fail.isEmpty()) {
      const QList<QByteArray> parts = fail.split(':');
      f.failAt = parts.value(0).toLong();
      const QByteArray err = parts.value(1);
      f.failErr = err == "EIO" ? EIO : ENOSPC;
    }
    f.killAt = qgetenv("KORVEL_KILL_AFTER_WRITE").toLong();
  }
  return f;
}

// Counts one write; the injected error of a write that must fail, else 0.
int countWrite() {
  Faults& f = faults();
  ++f.writes;
  return f.failAt != 0 && f.writes == f.failAt ? f.failErr : 0;
}

void killIfDue() {
#ifndef Q_OS_WIN
  const Faults& f = faults();
  if (f.killAt != 0 && f.writes == f.killAt) ::raise(SIGKILL);
#endif
}

std::filesystem::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
  return std::filesystem::path(path.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A counted folder step: the injected failure instead of it, else its own outcome, and the
// kill right after it.
template <class Step>
int folderStep(Step step) {
  if (const int injected = countWrite()) return injected;
  std::error_code ec;
  step(ec);
  // On every platform the error's portable condition is an errno value.
  if (ec) return ec.default_error_condition().value() ? ec.default_error_condition().value() : EIO;
  killIfDue();
  return 0;
}

int writeOnce(int fd, long long pos, const char* p, size_t n, size_t* written) {
#ifdef Q_OS_WIN
  if (_lseeki64(fd, pos, SEEK_SET) < 0) return errno;
  const int w = _write(fd, p, unsigned(n > (1u << 30) ? (1u << 30) : n));
#else
  const ssize_t w = ::pwrite(fd, p, n, off_t(pos));
#endif
  if (w < 0) return errno == EINTR ? 0 : errno;
  if (w == 0) return ENOSPC;  // nothing could be written: the medium is full
  *written = size_t(w);
  return 0;
}

}  // namespace

int writeAt(int fd, long long pos, const void* bytes, size_t n) {
  if (const int injected = countWrite()) return injected;
  const char* p = static_cast<const char*>(bytes);
  while (n > 0) {
    size_t written = 0;
    if (const int err = writeOnce(fd, pos, p, n, &written)) return err;
    p += written;
    pos += (long long)written;
    n -= written;
  }
  killIfDue();
  return 0;
}

int rename(const QString& from, const QString& to) {
  return folderStep([&](std::error_code& ec) { std::filesystem::rename(nativePath(from), nativePath(to), ec); });
}

int link(const QString& existing, const QString& name) {
  return folderStep([&](std::error_code& ec) { std::filesystem::create_hard_link(nativePath(existing), nativePath(name), ec); });
}

int remove(const QString& path) {
  return folderStep([&](std::error_code& ec) { std::filesystem::remove(nativePath(path), ec); });
}

int syncFolder(const QString& dir) {
#ifdef Q_OS_WIN
  Q_UNUSED(dir);
  return 0;
#else
  const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int err = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return err;
#endif
}

int sync(int fd) {
#ifdef Q_OS_WIN
  return _commit(fd) == 0 ? 0 : errno;
#elif defined(Q_OS_LINUX)
  // The data and the length, without the modification time's own journal commit.
  return ::fdatasync(fd) == 0 ? 0 : errno;
#else
  return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

int truncate(int fd, long long length) {
#ifdef Q_OS_WIN
  return _chsize_s(fd, length) == 0 ? 0 : errno;
#else
  return ::ftruncate(fd, off_t(length)) == 0 ? 0 : errno;
#endif
}

QString causeText(int err) {
  switch (err) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return QStringLiteral("на диске нет свободного места. Проверьте свободное место на диске");
    case EIO: return QStringLiteral("ошибка ввода-вывода на диске");
    case EROFS: return QStringLiteral("диск защищён от записи");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав на запись");
    case EFBIG: return QStringLiteral("файл стал бы больше, чем допускает диск");
    case ENOENT: return QStringLiteral("файл или папка не найдены");
    case ENOTDIR: return QStringLiteral("в пути к файлу не папка, а файл");
    case EISDIR: return QStringLiteral("на месте файла папка");
    case EEXIST: return QStringLiteral("файл с таким именем уже есть");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    case ELOOP: return QStringLiteral("ссылки в пути к файлу замкнуты в круг");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case ENOMEM: return QStringLiteral("не хватает памяти");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("файл занят другой программой");
    case EXDEV: return QStringLiteral("файл нельзя перенести на другой диск");
    case ENOTEMPTY: return QStringLiteral("папка не пуста");
    case EINVAL:
    case EFAULT: return QStringLiteral("недопустимые данные файла или запроса (внутренняя ошибка)");
    case ENXIO:
    case ENODEV: return QStringLiteral("диск недоступен (возможно, носитель извлечён)");
    default: return QStringLiteral("системная ошибка №%1").arg(err);
  }
}

int errorNumber(const QFileDevice& file) {
  // Qt words a failed system call with the system's own text for its error number: find the
  // number back by that text.
  const QString said = file.errorString();
  for (int err = 1; err < 256; ++err) {
    const QString system = QString::fromLocal8Bit(std::strerror(err));
    if (said == system || said.endsWith(QLatin1String(": ") + system)) return err;
  }
  return 0;
}

QString causeText(const QFileDevice& file) {
  if (const int err = errorNumber(file)) return causeText(err);
  switch (file.error()) {
    case QFileDevice::ReadError: return QStringLiteral("файл не читается");
    case QFileDevice::WriteError: return QStringLiteral("запись не удалась (возможно, на диске нет места)");
    case QFileDevice::OpenError: return QStringLiteral("файл не открывается");
    case QFileDevice::PermissionsError: return causeText(EACCES);
    case QFileDevice::RenameError: return QStringLiteral("файл не переименовывается (возможно, он открыт в другой программе)");
    case QFileDevice::RemoveError: return QStringLiteral("файл не удаляется");
    case QFileDevice::ResizeError: return QStringLiteral("размер файла не меняется");
    default: return QStringLiteral("причина неизвестна");
  }
}

int replaceWholeFile(const QString& path, const QByteArray& bytes) {
  const QFileInfo target(path);
  const QString temporary =
      target.dir().filePath(QLatin1String(kTemporaryPrefix) + target.fileName() + QLatin1String(kTemporarySuffix));
  QFile f(temporary);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return errorNumber(f) ? errorNumber(f) : EACCES;
  int err = writeAt(f.handle(), 0, bytes.constData(), size_t(bytes.size()));
  if (!err) err = sync(f.handle());
  f.close();
  if (!err) err = rename(temporary, path);
  if (err) {
    QFile::remove(temporary);
    return err;
  }
  syncFolder(target.absolutePath());
  return 0;
}

void failWrite(long k, int err) {
  Faults& f = faults();
  f.failAt = k > 0 ? f.writes + k : 0;
  f.failErr = err;
}

void killAfterWrite(long k) {
  Faults& f = faults();
  f.killAt = k > 0 ? f.writes + k : 0;
}

void resetFaults() {
  Faults& f = faults();
  f.writes = 0;
  f.failAt = 0;
  f.killAt = 0;
}

long writesSoFar() { return faults().writes; }

}  // namespace korvel::db::io
