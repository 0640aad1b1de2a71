#include "app/startup_guard.h"

namespace korvel {

std::optional<QString> blockingTitle(const std::vector<DesktopWindow>& windows) {
  static const QString siblings[] = {QStringLiteral("Мерник"), QStringLiteral("Тавлея")};
  const QString program = QString::fromUtf16(kProgramWindowClass);
  for (const DesktopWindow& w : windows) {
    if (!w.visible || w.owned || w.title.isEmpty()) continue;
    const QString title = w.title.left(127);
    for (const QString& word : siblings)
      if (title.contains(word, Qt::CaseSensitive)) return title;
    if (w.windowClass.isEmpty() ? title == program : w.windowClass == program) return title;
  }
  return std::nullopt;
}

QString guardMessage(const QString& title) {
  return QStringLiteral("Перед запуском этой программы необходимо закрыть программу") + QLatin1Char(' ') +
         QLatin1Char('"') + title + QLatin1Char('"') + QLatin1Char('.') + QLatin1Char(' ') +
#ifdef Q_OS_WIN
         QStringLiteral("Желательно закрыть и другие программы. Браузер, Оффис (Word, Excel), игры, антивирус и "
                        "утилиты Windows (например, Диспетчер задач) закрывать не требуется.");
#else
         QStringLiteral("Желательно закрыть и другие программы. Браузер, офисные программы, игры, терминал и "
                        "системные утилиты (например, Системный монитор) закрывать не требуется.");
#endif
}

}  // namespace korvel
