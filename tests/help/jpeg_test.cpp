// JPEG decoding and encoding: round trips, corrupt and truncated data, missing files.
#include "help/jpeg.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

QImage twoColourImage() {
  QImage image(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) image.setPixel(x, y, x < 32 ? qRgb(220, 20, 20) : qRgb(20, 40, 200));
  return image;
}

void expectNear(QRgb actual, QRgb expected, int tolerance) {
  EXPECT_NEAR(qRed(actual), qRed(expected), tolerance);
  EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance);
  EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance);
}

QByteArray encodedBytes(const QImage& image, QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("pic.jpg"));
  EXPECT_TRUE(encodeJpeg(image, path, 90));
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

TEST(Jpeg, RoundTripKeepsSizeAndColours) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("round.jpg"));
  QString error;
  ASSERT_TRUE(encodeJpeg(twoColourImage(), path, 95, &error)) << error.toStdString();

  const QImage back = decodeJpeg(path, &error);
  ASSERT_FALSE(back.isNull()) << error.toStdString();
  EXPECT_EQ(back.size(), QSize(64, 48));
  expectNear(back.pixel(8, 8), qRgb(220, 20, 20), 30);
  expectNear(back.pixel(56, 40), qRgb(20, 40, 200), 30);

  // Transparent parts are laid on white, semi-transparent ones blended with it.
  QImage alpha(16, 16, QImage::Format_ARGB32);
  alpha.fill(qRgba(0, 0, 0, 0));
  for (int x = 8; x < 16; ++x)
    for (int y = 0; y < 16; ++y) alpha.setPixel(x, y, qRgba(0, 0, 0, 255));
  ASSERT_TRUE(encodeJpeg(alpha, path, 95));
  const QImage alphaBack = decodeJpeg(path);
  ASSERT_FALSE(alphaBack.isNull());
  expectNear(alphaBack.pixel(1, 8), qRgb(255, 255, 255), 20);
  expectNear(alphaBack.pixel(14, 8), qRgb(0, 0, 0), 20);

  // Odd sizes and a one-pixel picture survive too.
  QImage odd(13, 7, QImage::Format_RGB32);
  odd.fill(qRgb(10, 200, 10));
  ASSERT_TRUE(encodeJpeg(odd, path, 80));
  EXPECT_EQ(decodeJpeg(path).size(), QSize(13, 7));
  QImage one(1, 1, QImage::Format_RGB32);
  one.fill(Qt::black);
  ASSERT_TRUE(encodeJpeg(one, path, 80));
  EXPECT_EQ(decodeJpeg(path).size(), QSize(1, 1));
}

TEST(Jpeg, CorruptOrTruncatedDataIsAnErrorNotACrash) {
  QTemporaryDir dir;
  const QByteArray good = encodedBytes(twoColourImage(), dir);
  ASSERT_GT(good.size(), 400);
  ASSERT_FALSE(decodeJpegData(good).isNull());

  QString error;
  // Cut inside the picture data: libjpeg would fill the rest with grey and carry on.
  QImage noisy(320, 240, QImage::Format_RGB32);
  QRandomGenerator pixels(7);
  for (int y = 0; y < noisy.height(); ++y)
    for (int x = 0; x < noisy.width(); ++x) noisy.setPixel(x, y, pixels.generate() | 0xFF000000u);
  const QByteArray big = encodedBytes(noisy, dir);
  ASSERT_FALSE(decodeJpegData(big).isNull());
  for (const qsizetype keep : {big.size() / 2, big.size() - 40}) {
    error.clear();
    EXPECT_TRUE(decodeJpegData(big.left(keep), &error).isNull()) << keep;
    EXPECT_FALSE(error.isEmpty());
  }
  error.clear();
  EXPECT_TRUE(decodeJpegData(good.left(20), &error).isNull());  // inside the headers
  EXPECT_FALSE(error.isEmpty());
  error.clear();
  EXPECT_TRUE(decodeJpegData(QByteArray(), &error).isNull());
  EXPECT_FALSE(error.isEmpty());
  error.clear();
  EXPECT_TRUE(decodeJpegData(QByteArray("GIF89a this is not a jpeg at all"), &error).isNull());
  EXPECT_FALSE(error.isEmpty());

  // A header that claims a giant picture is refused before pixel memory is taken.
  QByteArray giant = good;
  const qsizetype sof = giant.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GT(sof, 0);
  giant[sof + 5] = char(0xFF);  // height 0xFFxx
  giant[sof + 7] = char(0xFF);  // width 0xFFxx
  error.clear();
  EXPECT_TRUE(decodeJpegData(giant, &error).isNull());
  EXPECT_TRUE(error.contains(QStringLiteral("велик"))) << error.toStdString();

  // Random damage anywhere: each result is an error or a picture of the right size.
  QRandomGenerator rng(20240601);
  for (int round = 0; round < 300; ++round) {
    QByteArray bad = good;
    const int hits = 1 + int(rng.bounded(6));
    for (int h = 0; h < hits; ++h) bad[qsizetype(rng.bounded(quint32(bad.size())))] = char(rng.bounded(256));
    if (round % 3 == 0) bad.truncate(qsizetype(rng.bounded(quint32(bad.size()))));
    QString why;
    const QImage image = decodeJpegData(bad, &why);
    if (image.isNull())
      EXPECT_FALSE(why.isEmpty());
    else
      EXPECT_FALSE(image.size().isEmpty());
  }
}

TEST(Jpeg, MissingFileOrUnwritableTarget) {
  QTemporaryDir dir;
  QString error;
  EXPECT_TRUE(decodeJpeg(dir.filePath(QStringLiteral("none.jpg")), &error).isNull());
  EXPECT_TRUE(error.contains(QStringLiteral("none.jpg")));
  error.clear();
  EXPECT_TRUE(decodeJpeg(dir.path(), &error).isNull());  // a folder is not a picture
  EXPECT_FALSE(error.isEmpty());

  error.clear();
  EXPECT_FALSE(encodeJpeg(twoColourImage(), dir.filePath(QStringLiteral("no/such/folder.jpg")), 90, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(encodeJpeg(QImage(), dir.filePath(QStringLiteral("null.jpg"))));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("null.jpg"))));
}

}  // namespace
}  // namespace korvel
