// Drawn help and main-window pictures.
#include "help/help_pictures.h"

#include "help/jpeg.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Pixels of a rectangle that differ between two pictures of the same size.
int differing(const QImage& a, const QImage& b, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

TEST(HelpPictures, TraitPictureShowsTheScaleEndsUnderOneAndNine) {
  const QImage full = linearTraitPicture(QStringLiteral("Ширина груди"), QStringLiteral("узкая"),
                                         QStringLiteral("широкая"));
  ASSERT_EQ(full.size(), kHelpPictureSize);
  EXPECT_EQ(full.pixel(1, 1), qRgb(255, 255, 255));

  const int w = full.width(), h = full.height();
  const QRect lowerLeft(0, h * 55 / 100, w / 3, h * 30 / 100);
  const QRect lowerRight(w * 2 / 3, h * 55 / 100, w / 3 - 1, h * 30 / 100);
  const QImage noLow = linearTraitPicture(QStringLiteral("Ширина груди"), QString(), QStringLiteral("широкая"));
  EXPECT_GT(differing(full, noLow, lowerLeft), 50);
  EXPECT_EQ(differing(full, noLow, lowerRight), 0);
  const QImage noHigh = linearTraitPicture(QStringLiteral("Ширина груди"), QStringLiteral("узкая"), QString());
  EXPECT_GT(differing(full, noHigh, lowerRight), 50);
  EXPECT_EQ(differing(full, noHigh, lowerLeft), 0);

  const QImage other = linearTraitPicture(QStringLiteral("Ширина таза"), QStringLiteral("узкая"),
                                          QStringLiteral("широкая"));
  EXPECT_GT(differing(full, other, QRect(0, 0, w, h / 6)), 50);  // the title

  // A heading line gets its own picture, not a scale with empty ends.
  const QImage head = linearTraitPicture(QStringLiteral("Вымя!"), QString(), QString());
  ASSERT_EQ(head.size(), kHelpPictureSize);
  const QImage plain = linearTraitPicture(QStringLiteral("Вымя"), QString(), QString());
  EXPECT_GT(differing(head, plain, head.rect()), w * h / 10);

  // The pictures survive the trip through a JPEG file.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("1.jpg"));
  ASSERT_TRUE(encodeJpeg(full, path, 90));
  EXPECT_EQ(decodeJpeg(path).size(), kHelpPictureSize);
}

TEST(HelpPictures, MainWindowPictures) {
  const QImage one = mainWindowPicture(1, QSize(300, 200));
  const QImage two = mainWindowPicture(2, QSize(300, 200));
  ASSERT_EQ(one.size(), QSize(300, 200));
  ASSERT_EQ(two.size(), QSize(300, 200));
  EXPECT_GT(differing(one, two, one.rect()), 300 * 200 / 4);
  EXPECT_TRUE(mainWindowPicture(3).isNull());
  EXPECT_TRUE(mainWindowPicture(1, QSize(0, 0)).isNull());
}

}  // namespace
}  // namespace korvel
