// The help picture window: which picture a grid line opens, its caption, and bad files.
#include "help/picture_window.h"

#include "help/jpeg.h"
#include "help_test_support.h"
#include "named.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace korvel {
namespace {

using test::label;

class PictureWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(folder.path(QString())).mkdir(QStringLiteral("kartinki")));
    putPicture(2, qRgb(0, 160, 0));
    putPicture(3, qRgb(200, 0, 0));
  }
  void putPicture(int n, QRgb colour) {
    QImage image(80, 50, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(encodeJpeg(image, folder.path(QStringLiteral("kartinki/%1.jpg").arg(n)), 90));
  }
  static bool isRed(QRgb p) { return qRed(p) > 150 && qGreen(p) < 60 && qBlue(p) < 60; }

  test::RecordingPrompts prompts;
  test::WorkingFolder folder;
};

TEST_F(PictureWindowTest, ThirdLineOpensPictureThreeWithTheTraitCaption) {
  PictureWindow window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справка. Баллы роста."));
  // The picture fills the window inside its frame and title bar (549 x 360 with them).
  EXPECT_EQ(window.size(), QSize(541, 325));
  EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(label(window, "Image1")->geometry(), QRect(0, -4, 541, 329));

  ASSERT_TRUE(window.preparePictureForLine(3, QStringLiteral("Глубина туловища")));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справка. Глубина туловища"));
  EXPECT_EQ(window.picture().size(), QSize(80, 50));
  EXPECT_TRUE(isRed(window.picture().pixel(40, 25)));
  EXPECT_FALSE(label(window, "Image1")->pixmap().isNull());
  EXPECT_TRUE(prompts.messages.isEmpty());

  // The title line opens nothing and changes nothing.
  EXPECT_FALSE(window.preparePictureForLine(0, QStringLiteral("Характеристики")));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справка. Глубина туловища"));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PictureWindowTest, MissingOrCorruptPictureIsReportedAndTheWindowNotShown) {
  PictureWindow window;
  ASSERT_TRUE(window.preparePictureForLine(3, QStringLiteral("Глубина туловища")));

  EXPECT_FALSE(window.preparePictureForLine(5, QStringLiteral("Ширина таза")));
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_EQ(prompts.messages[0], QStringLiteral("Cannot open file ") +
                                     QDir::toNativeSeparators(QStringLiteral("./kartinki/5.jpg")));
  // The last good picture and its caption stay.
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справка. Глубина туловища"));
  EXPECT_TRUE(isRed(window.picture().pixel(10, 10)));

  // A truncated picture file.
  QFile good(folder.path(QStringLiteral("kartinki/2.jpg")));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray bytes = good.readAll();
  QFile bad(folder.path(QStringLiteral("kartinki/4.jpg")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(bytes.left(bytes.size() / 2));
  bad.close();
  bool shown = false;
  QTimer::singleShot(0, &window, [&] {
    shown = window.isVisible();
    window.reject();
  });
  window.showPictureForLine(4, QStringLiteral("Ширина груди"));
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown);
  ASSERT_EQ(prompts.messages.size(), 2);
  EXPECT_TRUE(prompts.messages[1].endsWith(QStringLiteral("4.jpg")));
}

TEST_F(PictureWindowTest, DoubleClickShowsTheWindowModally) {
  PictureWindow window;
  bool shownModal = false;
  QTimer::singleShot(0, &window, [&] {
    shownModal = window.isVisible() && window.isModal();
    window.reject();
  });
  window.showPictureForLine(2, QStringLiteral("Ширина груди"));
  EXPECT_TRUE(shownModal);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справка. Ширина груди"));
}

}  // namespace
}  // namespace korvel
