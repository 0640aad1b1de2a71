#include "app/startup_guard.h"

#include <gtest/gtest.h>

using korvel::blockingTitle;
using korvel::DesktopWindow;

namespace {

DesktopWindow window(const QString& title, bool visible = true, bool owned = false) {
  DesktopWindow w;
  w.title = title;
  w.visible = visible;
  w.owned = owned;
  return w;
}

}  // namespace

TEST(StartupGuard, BlocksOnOwnOrSiblingTitleAnywhereInTheTitle) {
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Корвель"))}), QStringLiteral("Корвель"));
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Новости: Мерник 2.0 — Браузер"))}),
            QStringLiteral("Новости: Мерник 2.0 — Браузер"));
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Тавлея"))}), QStringLiteral("Тавлея"));
}

TEST(StartupGuard, IgnoresLowerCaseHiddenOwnedAndUntitledWindows) {
  EXPECT_FALSE(blockingTitle({window(QStringLiteral("мерник и тавлея в нижнем регистре"))}));
  EXPECT_FALSE(blockingTitle({window(QStringLiteral("Корвель"), /*visible=*/false)}));
  EXPECT_FALSE(blockingTitle({window(QStringLiteral("Корвель"), true, /*owned=*/true)}));
  EXPECT_FALSE(blockingTitle({window(QString())}));
  EXPECT_FALSE(blockingTitle({}));
}

TEST(StartupGuard, StopsAtTheFirstMatchInStackingOrderAndReadsAtMost127Characters) {
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Калькулятор")), window(QStringLiteral("Тавлея")),
                           window(QStringLiteral("Корвель"))}),
            QStringLiteral("Тавлея"));
  const QString longTitle = QString(127, QLatin1Char('a')) + QStringLiteral("Корвель");
  EXPECT_FALSE(blockingTitle({window(longTitle)}));
  const QString edge = QString(120, QLatin1Char('a')) + QStringLiteral("Корвель");
  EXPECT_EQ(blockingTitle({window(edge)}), edge);
}

TEST(StartupGuard, MessageNamesTheProgramInQuotes) {
  EXPECT_EQ(korvel::guardMessage(QStringLiteral("Корвель")),
            QStringLiteral("Перед запуском этой программы необходимо закрыть программу \"Корвель\". "
                           "Желательно закрыть и другие программы. Браузер, Оффис (Word, Excel), игры, антивирус "
                           "и утилиты Windows (например, Диспетчер задач) закрывать не требуется."));
}
