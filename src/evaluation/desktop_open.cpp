#include "evaluation/desktop_open.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QDir>
#include <iterator>
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#endif

namespace korvel {

#ifdef Q_OS_WIN

namespace {

// Opens the file with the application the shell associates with its type; without one, the
// shell would ask the person to pick one, so nothing is started.
bool openAssociated(const QString& path, const wchar_t* extension) {
  wchar_t application[MAX_PATH * 4] = {};
  DWORD length = DWORD(std::size(application));
  if (FAILED(::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, extension,
                                 L"open", application, &length)) ||
      application[0] == 0)
    return false;
  const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
  // ShellExecute answers with a number above 32 once the application took the file.
  const auto answer = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return answer > 32;
}

}  // namespace

bool openInSpreadsheetApplication(const QString& path) { return openAssociated(path, L".xlsx"); }

bool openInPdfViewer(const QString& path) { return openAssociated(path, L".pdf"); }

#else

namespace {

constexpr int kAskMs = 10000;
// How long an opener may take to say it failed; one that runs longer is the application.
constexpr int kOpenerMs = 3000;

// The desktop's default application for files of the type, empty when it has none.
QString defaultApplication(const QString& xdgMime, const QString& mimeType) {
  QProcess p;
  p.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
  if (!p.waitForFinished(kAskMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    p.kill();
    p.waitForFinished(1000);
    return {};
  }
  return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

bool openWithDefaultApplication(const QString& path, const QString& mimeType) {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (xdgMime.isEmpty() || xdgOpen.isEmpty() || defaultApplication(xdgMime, mimeType).isEmpty()) return false;
  // Owned by the application: an opener that goes on running (the spreadsheet application in
  // its place) is left to the user and tidied away when it ends.
  auto* opener = new QProcess(QCoreApplication::instance());
  opener->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
  opener->start(xdgOpen, {path});
  if (!opener->waitForStarted(kAskMs)) {
    opener->deleteLater();
    return false;
  }
  if (!opener->waitForFinished(kOpenerMs)) return true;
  return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}

}  // namespace

bool openInSpreadsheetApplication(const QString& path) {
  return openWithDefaultApplication(path,
                                    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"));
}

bool openInPdfViewer(const QString& path) {
  return openWithDefaultApplication(path, QStringLiteral("application/pdf"));
}

#endif

}  // namespace korvel
