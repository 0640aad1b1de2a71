// Help picture window.
#include "help/picture_window.h"

#include "help/jpeg.h"
#include "ui/prompts.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>

namespace korvel {

PictureWindow::PictureWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Справка. Баллы роста."));
  // The close box is the only border icon.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // 549 x 360 is the window with its frame and title bar; inside them the picture fills the
  // window: 541 x 329, its top 4 pixels under the title bar.
  setFixedSize(541, 325);

  pictureLabel = new QLabel(this);
  pictureLabel->setObjectName(QStringLiteral("Image1"));
  pictureLabel->setGeometry(0, -4, 541, 329);
  pictureLabel->setScaledContents(true);  // the picture is stretched to the image's size
}

QString PictureWindow::picturePath(int line) {
  return QDir::toNativeSeparators(QStringLiteral("./kartinki/") + QString::number(line) +
                                  QStringLiteral(".jpg"));
}

bool PictureWindow::loadPicture(const QString& path) {
  QImage image = decodeJpeg(path);
  if (image.isNull()) {
    prompts().message(QStringLiteral("Cannot open file ") + path);
    return false;
  }
  picture_ = std::move(image);
  pictureLabel->setPixmap(QPixmap::fromImage(picture_));
  return true;
}

bool PictureWindow::preparePictureForLine(int line, const QString& traitText) {
  if (line <= 0) return false;
  if (!loadPicture(picturePath(line))) return false;
  setWindowTitle(QStringLiteral("Справка. ") + traitText);
  return true;
}

void PictureWindow::showPictureForLine(int line, const QString& traitText) {
  if (preparePictureForLine(line, traitText)) exec();
}

}  // namespace korvel
