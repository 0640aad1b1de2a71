// make-workdir DIR: lays out a starter working folder; existing files are never touched, and a
// folder that holds some of the six tables but not all is refused (exit status 1).
#include "db/folder_recovery.h"
#include "db/table_error.h"
#include "starter/starter_folder.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  // Pictures are drawn with fonts, which need a GUI application, but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "Использование: make-workdir ПАПКА\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  try {
    korvel::db::recoverWorkFolder(dir);
    const QStringList written = korvel::layOutStarterFolder(dir);
    std::printf("%s: записано файлов: %lld\n", QDir::toNativeSeparators(dir).toLocal8Bit().constData(),
                static_cast<long long>(written.size()));
    return 0;
  } catch (const korvel::db::TableError& e) {
    std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  return 1;
}
