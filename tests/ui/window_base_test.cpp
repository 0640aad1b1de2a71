// The guard every handler runs in, and the way a handler inside a signal leaves its box for
// later.
#include "db/table_error.h"
#include "qt_print.h"
#include "scripted_prompts.h"
#include "ui/window_base.h"

#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace korvel;

TEST(Guard, EveryExceptionEndsTheHandlerWithARussianMessageNamingWhatFailed) {
  struct Case {
    std::function<void()> fault;
    QString action;
    QString message;
  };
  const Case cases[] = {
      {[] {}, QStringLiteral("Записать"), QString()},
      {[] { throw db::TableError(QStringLiteral("Таблица KOROVA: поле «x99» не найдено.")); }, QStringLiteral("Удалить"),
       QStringLiteral("Таблица KOROVA: поле «x99» не найдено.")},
      {[] { throw UserError(QStringLiteral("Папка Стадо не создаётся.")); }, QStringLiteral("Начать расчет"),
       QStringLiteral("Папка Стадо не создаётся.")},
      {[] { throw std::runtime_error(QStringLiteral("Не удалось записать файл «Профиль.xlsx»").toStdString()); },
       QStringLiteral("Начать расчет"),
       QStringLiteral("Не выполнено действие «Начать расчет»: Не удалось записать файл «Профиль.xlsx»")},
      {[] { throw std::out_of_range("no such sheet"); }, {}, QStringLiteral("Действие не выполнено: no such sheet")},
      {[] { throw std::bad_alloc(); }, QStringLiteral("Выделить"),
       QStringLiteral("Не выполнено действие «Выделить»: не хватило памяти.")},
  };
  for (const Case& c : cases) {
    test::ScriptedPrompts prompts;
    bool after = false;
    const bool ok = guarded([&] {
      c.fault();
      after = true;
    }, c.action);
    EXPECT_EQ(ok, c.message.isEmpty()) << c.message.toStdString();
    EXPECT_EQ(after, c.message.isEmpty()) << "the handler ends at its fault";
    EXPECT_EQ(prompts.messages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
  }
}

TEST(Guard, InsideASignalTheMessageWaitsForTheEventLoopAndForAShownWindow) {
  test::ScriptedPrompts prompts;
  QWidget window;
  window.show();
  EXPECT_FALSE(guardedInSignal(&window, [] { throw std::logic_error("broken"); }));
  EXPECT_TRUE(prompts.messages.isEmpty()) << "not from inside the signal";
  QCoreApplication::processEvents();
  EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Действие не выполнено: broken")});

  // A window closed before the loop comes back asks nothing.
  messageLater(&window, QStringLiteral("поздно"));
  window.hide();
  QCoreApplication::processEvents();
  EXPECT_EQ(prompts.messages.size(), 1);
}
