#include "app/startup_guard.h"

namespace korvel {

std::optional<QString> blockingTitle(const std::vector<DesktopWindow>& windows) {
  static const QString words[] = {QStringLiteral("Мерник"), QStringLiteral("Тавлея"), QStringLiteral("Корвель")};
  for (const DesktopWindow& w : windows) {
    if (!w.visible || w.owned || w.title.isEmpty()) continue;
    const QString title = w.title.left(127);
    for (const QString& word : words)
      if (title.contains(word, Qt::CaseSensitive)) return title;
  }
  return std::nullopt;
}

QString guardMessage(const QString& title) {
  return QStringLiteral("Перед запуском этой программы необходимо закрыть программу") + QLatin1Char(' ') +
         QLatin1Char('"') + title + QLatin1Char('"') + QLatin1Char('.') + QLatin1Char(' ') +
         QStringLiteral("Желательно закрыть и другие программы. Браузер, Оффис (Word, Excel), игры, антивирус и "
                        "утилиты Windows (например, Диспетчер задач) закрывать не требуется.");
}

}  // namespace korvel
