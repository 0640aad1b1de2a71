#include "evaluation/hand_over.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvel {

QString profileFolder() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (base.isEmpty()) base = QDir::homePath();
  return QDir(base).filePath(QStringLiteral("Профили быков"));
}

QString profileFileName(const QString& breedName, const QDateTime& when, const QString& suffix) {
  QString breed = breedName.trimmed();
  for (QChar& c : breed)
    if (c.unicode() < 0x20 || QStringView(u"<>:\"/\\|?*").contains(c)) c = u'_';
  QString name = QStringLiteral("Профиль быков ");
  if (!breed.isEmpty()) name += breed + QLatin1Char(' ');
  return name + when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QLatin1Char('.') + suffix;
}

HandOver handOverWorkbook(const std::function<void(const QString& path)>& write, const QString& folder,
                          const QString& fileName, const std::function<bool(const QString& path)>& open) {
  HandOver result;
  result.target = QDir(folder).absoluteFilePath(fileName);
  if (!QDir().mkpath(folder)) {
    result.error = QStringLiteral("Не удалось создать папку %1.").arg(QDir::toNativeSeparators(folder));
    return result;
  }
  const QString path = QDir(folder).absoluteFilePath(fileName);
  try {
    write(path);
  } catch (const xlsx::WriteError& e) {
    result.error = e.text();
    return result;
  }
  result.path = path;
  result.opened = open && open(path);
  return result;
}

QString handOverMessage(const HandOver& result, bool catalogue) {
  if (result.path.isEmpty() || !QFileInfo::exists(result.path))
    return (catalogue ? QStringLiteral("Профили в PDF не удалось записать в файл:\n")
                      : QStringLiteral("Книгу не удалось записать в файл:\n")) +
           QDir::toNativeSeparators(result.target) + QLatin1Char('\n') + result.error;
  const QString saved = (catalogue ? QStringLiteral("Профили в PDF сохранены в файле:\n")
                                   : QStringLiteral("Книга сохранена в файле:\n")) +
                        QDir::toNativeSeparators(result.path);
  if (result.opened) return saved;
  return (catalogue ? QStringLiteral("Нет программы для просмотра PDF!\n") : QStringLiteral("Excel не установлен!\n")) +
         saved;
}

}  // namespace korvel
