#include "cli/command_line.h"

#include "base/user_error.h"

#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace korvel::cli {
namespace {

QString text(const char* pattern, const QString& name) { return QString::fromUtf8(pattern).replace(QStringLiteral("%1"), name); }

void print(FILE* stream, const QString& s) { std::fputs(s.toLocal8Bit().constData(), stream); }

}  // namespace

QString commandName(const char* argv0) {
  const QString name = QFileInfo(QString::fromLocal8Bit(argv0 ? argv0 : "")).fileName();
  return name.isEmpty() ? QStringLiteral("korvel") : name;
}

std::optional<int> answerHelpOrVersion(int argc, char** argv, const Command& command) {
  bool help = false, version = false;
  for (int i = 1; i < argc; ++i) {
    help = help || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
    version = version || std::strcmp(argv[i], "--version") == 0;
  }
  const QString name = commandName(argv[0]);
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

int wrongArguments(const char* argv0, const Command& command, const QString& problem) {
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
