#include "cli/command_line.h"

#include "base/user_error.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <exception>
#include <new>
#ifdef _WIN32
#include <windows.h>
#include <io.h>
#include <shellapi.h>
#endif

namespace korvel::cli {
namespace {

QString text(const char* pattern, const QString& name) { return QString::fromUtf8(pattern).replace(QStringLiteral("%1"), name); }

}  // namespace

QStringList arguments(int argc, char** argv) {
  // An application object has read the command line already, and taken out Qt's own options.
  if (QCoreApplication::instance()) return QCoreApplication::arguments();
  QStringList args;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) args << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
  }
#else
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
#endif
  return args;
}

void print(FILE* stream, const QString& s) {
#ifdef _WIN32
  std::fflush(stream);
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    DWORD written = 0;
    WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(s.utf16()), DWORD(s.size()), &written, nullptr);
    return;
  }
  std::fputs(s.toUtf8().constData(), stream);
#else
  std::fputs(s.toLocal8Bit().constData(), stream);
#endif
}

QString commandName(const QString& argv0) {
  const QString name = QFileInfo(argv0).fileName();
  return name.isEmpty() ? QStringLiteral("korvel") : name;
}

std::optional<int> answerHelpOrVersion(const QStringList& args, const Command& command) {
  bool help = false, version = false;
  for (const QString& a : args.mid(1)) {
    help = help || a == u"--help" || a == u"-h";
    version = version || a == u"--version";
  }
  const QString name = commandName(args.value(0));
  if (help) {
    print(stdout, text(command.usage, name) + u'\n' + text(command.help, name));
    return 0;
  }
  if (version) {
    print(stdout, QStringLiteral("%1 (Корвель) %2\n").arg(name, QStringLiteral(KORVEL_VERSION)));
    return 0;
  }
  return std::nullopt;
}

int wrongArguments(const QString& argv0, const Command& command, const QString& problem) {
  const QString name = commandName(argv0);
  if (!problem.isEmpty()) print(stderr, problem + u'\n');
  print(stderr, text(command.usage, name) +
                    QStringLiteral("Подробнее: %1 --help\n").arg(name));
  return 2;
}

void sayError(const QString& line) { print(stderr, line + u'\n'); }

int guarded(const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    sayError(QStringLiteral("Не хватило памяти, работа прервана. Закройте другие программы и повторите."));
  } catch (const UserError& e) {
    sayError(e.text());
  } catch (const std::exception& e) {
    sayError(QStringLiteral("Работа прервана внутренней ошибкой программы (%1). Сообщите о ней разработчикам.")
                 .arg(QString::fromUtf8(e.what())));
  } catch (...) {
    sayError(QStringLiteral("Работа прервана внутренней ошибкой программы. Сообщите о ней разработчикам."));
  }
  return 1;
}

}  // namespace korvel::cli
