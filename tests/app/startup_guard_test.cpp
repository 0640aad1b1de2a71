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

DesktopWindow ofClass(const QString& title, const QString& windowClass) {
  DesktopWindow w = window(title);
  w.windowClass = windowClass;
  return w;
}

}  // namespace

TEST(StartupGuard, BlocksOnOwnOrSiblingTitleAnywhereInTheTitle) {
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Корвель"))}), QStringLiteral("Корвель"));
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Новости: Мерник 2.0 — Браузер"))}),
            QStringLiteral("Новости: Мерник 2.0 — Браузер"));
  EXPECT_EQ(blockingTitle({window(QStringLiteral("Тавлея"))}), QStringLiteral("Тавлея"));
}

TEST(StartupGuard, KnowsTheProgramByItsWindowClassNotByAFolderOrTerminalNamedAfterIt) {
  const QString program = QStringLiteral("Корвель");
  struct Case {
    DesktopWindow window;
    bool blocks;
  };
  const Case cases[] = {
      {ofClass(QStringLiteral("Корвель"), program), true},
      {ofClass(QStringLiteral("Коровы"), program), true},  // another copy, whatever its window shows
      {window(QStringLiteral("Корвель")), true},          // a desktop without window classes: the exact title
      {ofClass(QStringLiteral("user@pc: ~/Корвель"), QStringLiteral("Gnome-terminal")), false},
      {ofClass(QStringLiteral("Корвель"), QStringLiteral("Thunar")), false},  // a file manager in ~/Корвель
      {window(QStringLiteral("user@pc: ~/Корвель")), false},
      {window(QStringLiteral("Корвель — README.md")), false},
      {ofClass(QStringLiteral("~/Мерник — Файлы"), QStringLiteral("Thunar")), true},  // siblings as before
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.window.title + QStringLiteral(" / ") + c.window.windowClass).toStdString());
    EXPECT_EQ(blockingTitle({c.window}).has_value(), c.blocks);
  }
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
  const QString longTitle = QString(127, QLatin1Char('a')) + QStringLiteral("Тавлея");
  EXPECT_FALSE(blockingTitle({window(longTitle)}));
  const QString edge = QString(121, QLatin1Char('a')) + QStringLiteral("Тавлея");
  EXPECT_EQ(blockingTitle({window(edge)}), edge);
}

TEST(StartupGuard, MessageNamesTheProgramInQuotesAndTheToolsOfThisSystem) {
#ifdef Q_OS_WIN
  const QString rest = QStringLiteral("Браузер, Оффис (Word, Excel), игры, антивирус и утилиты Windows (например, "
                                      "Диспетчер задач) закрывать не требуется.");
#else
  const QString rest = QStringLiteral("Браузер, офисные программы, игры, терминал и системные утилиты (например, "
                                      "Системный монитор) закрывать не требуется.");
#endif
  EXPECT_EQ(korvel::guardMessage(QStringLiteral("Корвель")),
            QStringLiteral("Перед запуском этой программы необходимо закрыть программу \"Корвель\". "
                           "Желательно закрыть и другие программы. ") + rest);
}
