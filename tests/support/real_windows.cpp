#include "real_windows.h"

#include "herdgen/herdgen.h"

#include <QApplication>
#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace korvel::test {
namespace {

int g_delivering = 0;

// Marks the time an input event is delivered.
struct Delivering {
  Delivering() { ++g_delivering; }
  ~Delivering() { --g_delivering; }
};

}  // namespace

RealApp::RealApp(long long cows, int regions, int farmsPerRegion, long long bulls) {
  herd::HerdOptions o;
  o.cows = cows;
  o.regions = regions;
  o.farmsPerRegion = farmsPerRegion;
  o.breeds = 3;
  o.bulls = bulls;
  o.seed = 7;
  herd::generateHerd(folder_.path(), o);
  previousFolder_ = QDir::currentPath();
  QDir::setCurrent(folder_.path());
  app_ = std::make_unique<App>(folder_.path());
  setPrompts(&real_);
}

RealApp::~RealApp() {
  setPrompts(&app_->prompts);
  app_.reset();
  QDir::setCurrent(previousFolder_);
}

bool deliveringInput() { return g_delivering > 0; }

void clickOn(QWidget* w) {
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString() << " is not shown";
  QTest::mouseClick(w, Qt::LeftButton);
}

void clickCell(QAbstractItemView* view, int row, int column) {
  const QRect r = view->visualRect(view->model()->index(row, column));
  ASSERT_TRUE(r.isValid()) << "cell " << row << "," << column << " not shown";
  Delivering d;
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

void doubleClickCell(QAbstractItemView* view, int row, int column) {
  const QRect r = view->visualRect(view->model()->index(row, column));
  ASSERT_TRUE(r.isValid()) << "cell " << row << "," << column << " not shown";
  Delivering d;
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

void typeKeys(const QString& text, int finish) {
  for (const QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    Delivering d;
    typeText(target, QString(c));
  }
  if (finish) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    Delivering d;
    QTest::keyClick(target, Qt::Key(finish));
  }
}

void settle(ModalAnswers& answers) {
  EXPECT_TRUE(QTest::qWaitFor([&] { return answers.pending() == 0; }, 10000)) << answers.pending() << " answers unused";
  // The last answer's box closes from the event loop too.
  QTest::qWait(20);
  // A desktop's window manager gives the window under a closed box the focus back; the
  // offscreen platform leaves no window active.
  if (!QApplication::activeWindow())
    if (QWidget* front = QApplication::activeModalWidget()) {
      front->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(front)) << front->windowTitle().toStdString();
    }
}

void fill(ModalAnswers& answers, const QString& text, const QString& caption) {
  answers.act([text, caption](QWidget& w) {
    auto* edit = w.findChild<QLineEdit*>();
    QAbstractButton* button = ModalAnswers::button(w, caption);
    if (!edit || !button) {
      ADD_FAILURE() << "no field or no button \"" << caption.toStdString() << "\" in \"" << w.windowTitle().toStdString() << '"';
      w.close();
      return;
    }
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    typeText(edit, text);
    QTest::mouseClick(button, Qt::LeftButton);
  });
}

void pick(ModalAnswers& answers, int row) {
  answers.act([row](QWidget& w) {
    auto* list = w.findChild<QAbstractItemView*>(QStringLiteral("DBGrid1"));
    if (!list || row >= list->model()->rowCount()) {
      ADD_FAILURE() << "no row " << row << " in the list of \"" << w.windowTitle().toStdString() << '"';
    } else {
      clickCell(list, row, 0);
    }
    w.close();
  });
}

void runSteps(QWidget& window, ModalAnswers& answers, const std::vector<ButtonStep>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    const ButtonStep& s = steps[i];
    SCOPED_TRACE("step " + std::to_string(i + 1) + ": " + s.button);
    const qsizetype before = answers.shown.size();
    if (s.answer) s.answer(answers);
    clickOn(window.findChild<QWidget*>(QString::fromLatin1(s.button)));
    settle(answers);
    EXPECT_EQ(answers.pending(), 0u) << "answers left unused";
    EXPECT_EQ(answers.shown.mid(before), s.shown);
    if (s.check) s.check();
  }
}

void openModal(QWidget& window, ModalAnswers& answers) {
  answers.ignore(window);
  window.setWindowModality(Qt::ApplicationModal);
  window.show();
  window.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
}

}  // namespace korvel::test
