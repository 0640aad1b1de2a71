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

#ifdef Q_OS_WIN
#include <windows.h>

// The guard reads the desktop's own list: a minimised window of a sibling program still blocks
// the start; a hidden one and a dialog owned by another window do not.
TEST(StartupGuard, ReadsTheDesktopsWindowsMinimisedOnesIncluded) {
  WNDCLASSW kind = {};
  kind.lpfnWndProc = DefWindowProcW;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.lpszClassName = L"KorvelGuardTestWindow";
  RegisterClassW(&kind);
  const auto make = [&](const wchar_t* title, HWND owner, int show) {
    HWND w = CreateWindowExW(0, kind.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 300, 120, owner, nullptr,
                             kind.hInstance, nullptr);
    EXPECT_NE(w, nullptr);
    ShowWindow(w, show);
    return w;
  };
  // Wine makes windows only with a display and Qt's own platform (not offscreen).
  if (HWND probe = CreateWindowExW(0, kind.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                   kind.hInstance, nullptr))
    DestroyWindow(probe);
  else
    GTEST_SKIP() << "no desktop to make windows on (under Wine: run with a display and QT_QPA_PLATFORM=windows)";
  const HWND hidden = make(L"Тавлея — скрытое окно", nullptr, SW_HIDE);
  const HWND owner = make(L"Окно-владелец", nullptr, SW_SHOWNOACTIVATE);
  const HWND dialog = make(L"Мерник — диалог", owner, SW_SHOWNOACTIVATE);
  const HWND minimised = make(L"Мерник — свёрнутое окно", nullptr, SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(IsIconic(minimised));

  const auto listed = [](const std::vector<DesktopWindow>& all, const QString& title) {
    for (const DesktopWindow& w : all)
      if (w.title == title) return std::optional<DesktopWindow>(w);
    return std::optional<DesktopWindow>();
  };
  std::optional<std::vector<DesktopWindow>> all = korvel::desktopWindows();
  ASSERT_TRUE(all.has_value());
  const auto m = listed(*all, QStringLiteral("Мерник — свёрнутое окно"));
  const auto h = listed(*all, QStringLiteral("Тавлея — скрытое окно"));
  const auto d = listed(*all, QStringLiteral("Мерник — диалог"));
  ASSERT_TRUE(m && h && d);
  EXPECT_TRUE(m->visible && !m->owned);
  EXPECT_FALSE(h->visible);
  EXPECT_TRUE(d->visible && d->owned);
  EXPECT_EQ(blockingTitle(*all), QStringLiteral("Мерник — свёрнутое окно"));

  DestroyWindow(minimised);
  all = korvel::desktopWindows();
  ASSERT_TRUE(all.has_value());
  EXPECT_FALSE(listed(*all, QStringLiteral("Мерник — свёрнутое окно")));
  EXPECT_EQ(blockingTitle(*all), std::nullopt);
  for (HWND w : {dialog, owner, hidden}) DestroyWindow(w);
}
#endif
