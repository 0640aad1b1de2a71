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
#include <windows.h>
#else
#include <sys/file.h>
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

#ifdef Q_OS_WIN
// The exit code of a process that killed itself: one that Windows and Qt read as a crash.
constexpr UINT kKilledExitCode = 0xC000013A;
#endif

void killIfDue() {
  const Faults& f = faults();
  if (f.killAt == 0 || f.writes != f.killAt) return;
#ifdef Q_OS_WIN
  // Ended at once, as by the task manager; the code is one that reads as a crash.
  ::TerminateProcess(::GetCurrentProcess(), kKilledExitCode);
#else
  ::raise(SIGKILL);
#endif
}

#ifdef Q_OS_WIN

HANDLE osHandle(int fd) { return HANDLE(_get_osfhandle(fd)); }

// A path for the wide-character calls: backslashes, and the long-path form beyond the classic
// limit of 260 characters.
std::wstring widePath(const QString& path) {
  QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
  if (native.size() >= MAX_PATH - 12 && !native.startsWith(QLatin1String("\\\\?\\")))
    native = native.startsWith(QLatin1String("\\\\")) ? QLatin1String("\\\\?\\UNC\\") + native.mid(2)
                                                   : QLatin1String("\\\\?\\") + native;
  return native.toStdWString();
}

// A counted folder step done by a wide-character call that reports through GetLastError.
template <class Step>
int folderStep(Step step) {
  if (const int injected = countWrite()) return injected;
  if (!step()) return errorNumberOfWindows(::GetLastError());
  killIfDue();
  return 0;
}

int writeOnce(int fd, long long pos, const char* p, size_t n, size_t* written) {
  const HANDLE h = osHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return EBADF;
  OVERLAPPED at = {};
  at.Offset = DWORD(pos & 0xffffffff);
  at.OffsetHigh = DWORD(pos >> 32);
  DWORD w = 0;
  if (!::WriteFile(h, p, DWORD(n > (1u << 30) ? (1u << 30) : n), &w, &at)) return errorNumberOfWindows(::GetLastError());
  if (w == 0) return ENOSPC;  // nothing could be written: the medium is full
  *written = size_t(w);
  return 0;
}

#else

std::filesystem::path nativePath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

// A counted folder step: the injected failure instead of it, else its own outcome, and the
// kill right after it.
template <class Step>
int folderStep(Step step) {
  if (const int injected = countWrite()) return injected;
  std::error_code ec;
  step(ec);
  if (ec) return ec.default_error_condition().value() ? ec.default_error_condition().value() : EIO;
  killIfDue();
  return 0;
}

int writeOnce(int fd, long long pos, const char* p, size_t n, size_t* written) {
  const ssize_t w = ::pwrite(fd, p, n, off_t(pos));
  if (w < 0) return errno == EINTR ? 0 : errno;
  if (w == 0) return ENOSPC;  // nothing could be written: the medium is full
  *written = size_t(w);
  return 0;
}

#endif

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

#ifdef Q_OS_WIN

namespace {

// Takes the read-only mark off a file (true when there was one and it is gone). Windows refuses
// to replace or remove a marked file, where Linux asks only the folder: a table or a workbook
// marked read-only (copied from a CD, say) is replaced and removed as it is there.
bool clearReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

}  // namespace

int rename(const QString& from, const QString& to) {
  // Written through: the new name is on the medium when the call returns, as folders cannot be
  // flushed here.
  return folderStep([&] {
    const std::wstring source = widePath(from), target = widePath(to);
    const auto move = [&] {
      return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    };
    if (move()) return true;
    const DWORD err = ::GetLastError();
    if (err == ERROR_ACCESS_DENIED && clearReadOnly(target)) return move();
    ::SetLastError(err);
    return false;
  });
}

int link(const QString& existing, const QString& name) {
  return folderStep([&] { return ::CreateHardLinkW(widePath(name).c_str(), widePath(existing).c_str(), nullptr) != 0; });
}

int remove(const QString& path) {
  return folderStep([&] {
    const std::wstring wide = widePath(path);
    if (::DeleteFileW(wide.c_str())) return true;
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return true;
    if (err == ERROR_ACCESS_DENIED && clearReadOnly(wide)) return ::DeleteFileW(wide.c_str()) != 0;
    // An empty folder goes as well, as it does elsewhere.
    if (err == ERROR_ACCESS_DENIED && QFileInfo(path).isDir()) return ::RemoveDirectoryW(wide.c_str()) != 0;
    ::SetLastError(err);
    return false;
  });
}

#else

int rename(const QString& from, const QString& to) {
  return folderStep([&](std::error_code& ec) { std::filesystem::rename(nativePath(from), nativePath(to), ec); });
}

int link(const QString& existing, const QString& name) {
  return folderStep([&](std::error_code& ec) { std::filesystem::create_hard_link(nativePath(existing), nativePath(name), ec); });
}

int remove(const QString& path) {
  return folderStep([&](std::error_code& ec) { std::filesystem::remove(nativePath(path), ec); });
}

#endif

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
  const HANDLE h = osHandle(fd);
  if (::FlushFileBuffers(h)) return 0;
  if (::GetLastError() != ERROR_ACCESS_DENIED) return errorNumberOfWindows(::GetLastError());
  // A file opened for reading is flushed, as elsewhere, through a second handle that may write.
  const HANDLE writable = ::ReOpenFile(h, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  if (writable == INVALID_HANDLE_VALUE) return errorNumberOfWindows(::GetLastError());
  const int err = ::FlushFileBuffers(writable) ? 0 : errorNumberOfWindows(::GetLastError());
  ::CloseHandle(writable);
  return err;
#elif defined(Q_OS_LINUX)
  // The data and the length, without the modification time's own journal commit.
  return ::fdatasync(fd) == 0 ? 0 : errno;
#else
  return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

int truncate(int fd, long long length) {
#ifdef Q_OS_WIN
  FILE_END_OF_FILE_INFO end = {};
  end.EndOfFile.QuadPart = length;
  return ::SetFileInformationByHandle(osHandle(fd), FileEndOfFileInfo, &end, sizeof end)
             ? 0
             : errorNumberOfWindows(::GetLastError());
#else
  return ::ftruncate(fd, off_t(length)) == 0 ? 0 : errno;
#endif
}

int lock(int fd, LockKind kind) {
#ifdef Q_OS_WIN
  // Windows locks bar other handles from the bytes they cover: the lock covers one byte far past
  // the end of any file the program writes, so that it marks the file without fencing its data.
  OVERLAPPED at = {};
  at.OffsetHigh = 0x40000000;
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  if (::LockFileEx(osHandle(fd), flags, 0, 1, 0, &at)) return 0;
  const DWORD err = ::GetLastError();
  return err == ERROR_LOCK_VIOLATION || err == ERROR_SHARING_VIOLATION ? EWOULDBLOCK : errorNumberOfWindows(err);
#else
  if (::flock(fd, (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return 0;
  return errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
#endif
}

#ifdef Q_OS_WIN
int errorNumberOfWindows(unsigned long code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_MEDIA_CHANGED:
    case ERROR_UNRECOGNIZED_MEDIA:
    case ERROR_INVALID_DRIVE: return ENODEV;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_FILE_TOO_LARGE: return EFBIG;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME: return EINVAL;
    default: return EIO;
  }
}
#endif

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
#ifdef Q_OS_WIN
  // There, the text is the system's for a Windows error code.
  for (int code = 1; code < 1800; ++code)
    if (said == qt_error_string(code)) return errorNumberOfWindows(DWORD(code));
#endif
  for (int err = 1; err < 256; ++err) {
    const QString system = QString::fromLocal8Bit(std::strerror(err));
    if (said == system || said.endsWith(QLatin1String(": ") + system)) return err;
  }
  return 0;
}

int openError(const QFileDevice& file, int otherwise) {
#ifdef Q_OS_WIN
  // Qt opens through CreateFileW, which leaves errno alone.
  const int err = errorNumber(file);
#else
  Q_UNUSED(file);
  const int err = errno;
#endif
  return err ? err : otherwise;
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
