#include "app/start_folder.h"

#include "cli/command_line.h"
#include "base/user_error.h"
#include "db/folder_lock.h"
#include "starter/demo_folder.h"
#include "starter/starter_folder.h"
#include "ui/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>
#include <exception>

namespace korvel {
namespace {

const cli::Command kCommand{
    "Использование: %1 [ПАПКА]\n"
    "          или: %1 --herd [ПАПКА]\n"
    "          или: %1 --demo\n",
    "Корвель ведёт племенной учёт молочного скота: регионы, хозяйства, породы, быки и коровы,\n"
    "линейная оценка коров, показатели быков и оценка быков-производителей.\n"
    "\n"
    "  без параметров  работать в текущей папке; таблицы должны быть в ней\n"
    "  ПАПКА           работать в папке ПАПКА; таблицы должны быть в ней\n"
    "  --herd          работать в своей папке стада: ~/Корвель или папке, выбранной раньше;\n"
    "                  в папке без таблиц при первом запуске раскладываются пустые таблицы,\n"
    "                  каталог признаков, инструкции и рисунки\n"
    "  --herd ПАПКА    сделать папкой стада ПАПКУ (выбор запоминается) и работать в ней\n"
    "  --demo          работать в демонстрационной папке ~/Корвель-демо: при первом запуске\n"
    "                  в ней создаётся выдуманное стадо на несколько тысяч коров\n"
    "                  с рассчитанными показателями быков\n"
    "  -h, --help      показать эту справку\n"
    "  --version       показать версию\n"
    "\n"
    "Выбранная папка стада запоминается в файле ~/.config/korvel/korvel.conf.\n"
    "С папкой одновременно работает одна копия Корвеля или одна из его программ.\n"};

const QString kHerdKey = QStringLiteral("herd");

QString home(const QString& name) { return QDir(QDir::homePath()).filePath(name); }

// The herd folder unless another was chosen: ~/Корвель; on Windows, where a user's files live in
// Documents, Documents\Корвель.
QString defaultHerdFolder() {
#ifdef _WIN32
  return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("Корвель"));
#else
  return home(QStringLiteral("Корвель"));
#endif
}

// Two names of one folder, whether or not it exists yet.
bool sameFolder(const QString& a, const QString& b) {
  const auto resolved = [](const QString& p) {
    const QFileInfo f(p);
    return f.exists() ? f.canonicalFilePath() : QDir::cleanPath(f.absoluteFilePath());
  };
  return resolved(a) == resolved(b);
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

std::optional<int> refuse(Prompts& prompts, const QString& text) {
  cli::sayError(text);
  prompts.message(text);
  return 1;
}

}  // namespace

StartCommand readStartCommand(const QStringList& args) {
  StartCommand c;
  if ((c.exitCode = cli::answerHelpOrVersion(args, kCommand))) return c;
  const auto wrong = [&](const QString& problem) {
    c.exitCode = cli::wrongArguments(args.value(0), kCommand, problem);
    return c;
  };
  bool herd = false, demo = false;
  QStringList folders;
  for (const QString& a : args.mid(1)) {
    if (a == u"--herd" && !herd) herd = true;
    else if (a == u"--demo" && !demo) demo = true;
    else if (a.startsWith(u'-')) return wrong(QStringLiteral("Неизвестный или повторённый параметр: %1").arg(a));
    else if (a.isEmpty()) return wrong(QStringLiteral("Пустое имя папки."));
    else folders << a;
  }
  if (folders.size() > 1) return wrong(QStringLiteral("Папка указывается одна, а названо %1.").arg(folders.size()));
  if (herd && demo) return wrong(QStringLiteral("Параметры --herd и --demo не сочетаются."));
  if (demo && !folders.isEmpty())
    return wrong(QStringLiteral("Демонстрационное стадо живёт только в своей папке ~/Корвель-демо: папка не указывается."));
  c.where = demo ? StartCommand::Where::Demo
            : herd ? StartCommand::Where::Herd
            : folders.isEmpty() ? StartCommand::Where::Current
                                : StartCommand::Where::Folder;
  if (!folders.isEmpty()) c.folder = folders.front();
  return c;
}

QString settingsFile() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QStringLiteral("korvel/korvel.conf"));
}

QString herdFolder() {
  const QString chosen = QSettings(settingsFile(), QSettings::IniFormat).value(kHerdKey).toString();
  return chosen.isEmpty() ? defaultHerdFolder() : chosen;
}

QString demoFolder() { return home(QStringLiteral("Корвель-демо")); }

std::optional<int> WorkingFolder::enter(const StartCommand& command, Prompts& prompts) {
  using Where = StartCommand::Where;
  const bool choosing = command.where == Where::Herd && !command.folder.isEmpty();
  switch (command.where) {
    case Where::Current:
      path_ = QDir::currentPath();
      break;
    case Where::Folder:
      if (!QFileInfo(command.folder).isDir())
        return refuse(prompts, QStringLiteral("Папка %1 не найдена.").arg(native(command.folder)));
      path_ = QFileInfo(command.folder).absoluteFilePath();
      break;
    case Where::Herd:
      path_ = choosing ? QDir::cleanPath(QFileInfo(command.folder).absoluteFilePath()) : herdFolder();
      if (sameFolder(path_, demoFolder()))
        return refuse(prompts, QStringLiteral("Папка %1 отведена для демонстрационного стада. Для своего стада "
                                              "выберите другую папку.").arg(native(path_)));
      // A chosen folder that has gone (a medium not plugged in) is not quietly replaced by an
      // empty herd; only the default folder is made anew.
      if (!choosing && !QFileInfo(path_).isDir() && !sameFolder(path_, defaultHerdFolder()))
        return refuse(prompts, QStringLiteral("Папка стада %1 не найдена. Если она на съёмном носителе, подключите "
                                              "его и запустите Корвель снова; другую папку стада выбирает "
                                              "команда korvel --herd ПАПКА.").arg(native(path_)));
      break;
    case Where::Demo:
      path_ = demoFolder();
      break;
  }
  if (!QDir().mkpath(path_)) return refuse(prompts, QStringLiteral("Папка %1 не создаётся.").arg(native(path_)));

  try {
    // What an interrupted run left behind is put back as soon as the lock is held: a folder
    // caught in the middle of a restore must not look like one without tables.
    lock_ = db::enterWorkFolder(path_);
    if (lock_->busy()) return refuse(prompts, lock_->busyMessage());
    if (command.where == Where::Herd) layOutStarterFolder(path_);
    else if (command.where == Where::Demo) layOutDemoFolder(path_);
  } catch (const UserError& e) {
    return refuse(prompts, e.text());
  } catch (const std::exception& e) {
    return refuse(prompts, QStringLiteral("Папка %1 не подготовлена из-за внутренней ошибки программы (%2). Сообщите "
                                          "о ней разработчикам.").arg(native(path_), QString::fromUtf8(e.what())));
  }
  if (choosing) {
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue(kHerdKey, path_);
    settings.sync();
    if (settings.status() != QSettings::NoError)
      cli::sayError(QStringLiteral("Выбор папки стада не запомнен: файл %1 не записывается.").arg(native(settingsFile())));
  }
  if (!QDir::setCurrent(path_)) return refuse(prompts, QStringLiteral("Папка %1 не открывается.").arg(native(path_)));
  return std::nullopt;
}

}  // namespace korvel
