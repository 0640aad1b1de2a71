// The one road by which the program's durable writes reach a file: every table, journal and
// backup byte goes through writeAt(), so that a write either lands whole now or reports its
// cause now (nothing waits in a buffer to land later), and so that tests can make the k-th
// write fail or kill the process right after it.
#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;
#include <cstddef>

namespace korvel::db::io {

// Writes n bytes at pos of the open file descriptor. Returns 0 when every byte landed, else
// the error number of the failure (a short write on a full disk is ENOSPC).
int writeAt(int fd, long long pos, const void* bytes, size_t n);

// Flushes the file's data to the medium (fdatasync where there is one, else fsync); 0 or the
// error number.
int sync(int fd);

// Cuts or extends the file to `length` bytes; 0 or the error number.
int truncate(int fd, long long length);

// Advisory locks of a whole open file that go with the process however it ends. Exclusive: no
// other lock beside it; shared: other shared ones only. Tried once: 0 when taken, EWOULDBLOCK
// when another holder keeps it, else the error number.
enum class LockKind { Shared, Exclusive };
int lock(int fd, LockKind kind);

// The steps that change a folder rather than a file's bytes. Each counts as one write for the
// test hooks below (an injected failure happens instead of it, a kill right after it), so
// that a replacement of files can be cut at every step. 0 or the error number.
// rename: `from` takes the name `to`, replacing a file there (one folder, so the step is atomic).
int rename(const QString& from, const QString& to);
// link: `existing` gets the second name `name`, which must not exist yet.
int link(const QString& existing, const QString& name);
// remove: the file's name goes (a missing file is no error).
int remove(const QString& path);

// Flushes a folder's entries to the medium, so that renames and removals in it survive a
// power cut; 0 or the error number (nothing to do where folders cannot be flushed).
int syncFolder(const QString& dir);

#ifdef _WIN32
// The error number for a Windows error code (GetLastError), e.g. ENOSPC for ERROR_DISK_FULL
// and ENODEV for a drive whose medium was taken out.
int errorNumberOfWindows(unsigned long code);
#endif

// The cause of a failed write in words for a message, e.g. for ENOSPC
// "на диске нет свободного места. Проверьте свободное место на диске".
// Every error number gets Russian words.
QString causeText(int err);
// The error number of a QFile that failed to open: errno where the system's open set it (reset
// it before the open), else the one Qt's words for the failure name (on Windows), else
// `otherwise`.
int openError(const QFileDevice& file, int otherwise);
// The cause of a QFile's or QSaveFile's failure in the same words.
QString causeText(const QFileDevice& file);

// Writes `bytes` as the whole file `path`: under a temporary name beside it, flushed, then
// renamed into place, so that a failure or a kill leaves `path` as it was. 0 or the error number.
int replaceWholeFile(const QString& path, const QByteArray& bytes);

// Test hooks. Every call of writeAt() counts as one write, counted from the last reset.
// failWrite(k, err): the k-th write from now fails with `err` (nothing of it lands).
// killAfterWrite(k): the process kills itself (SIGKILL; on Windows TerminateProcess) right after
// the k-th write landed.
// A child process gets the same from its environment, read at its first write:
// KORVEL_FAIL_WRITE="k:ENOSPC" (or EIO) and KORVEL_KILL_AFTER_WRITE="k".
void failWrite(long k, int err);
void killAfterWrite(long k);
void resetFaults();
long writesSoFar();

}  // namespace korvel::db::io
