// The help picture window of the linear traits.
#pragma once

#include <QDialog>
#include <QImage>

class QLabel;

namespace korvel {

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   PictureWindow                    PictureWindow
//   pictureLabel                     pictureLabel
// END OBJECT NAMES

// Help picture window "Справка. Баллы роста.": one stretched picture of a linear trait line.
class PictureWindow : public QDialog {
  Q_OBJECT
 public:
  explicit PictureWindow(QWidget* parent = nullptr);

  // ".\kartinki\<line>.jpg" relative to the working folder, in the platform's own form.
  static QString picturePath(int line);

  // Loads a JPEG file into pictureLabel. A missing, unreadable or corrupt file is reported with
  // "Cannot open file " and the path, and the picture shown before stays.
  bool loadPicture(const QString& path);

  // Everything the cow card's double click does before showing the window: nothing for the
  // title line (0); otherwise loads the line's picture and sets the caption to "Справка. "
  // and the line's trait text. True when the window is ready to be shown.
  bool preparePictureForLine(int line, const QString& traitText);

  // The double click on the cow card's linear grid: prepares the window and shows it modally.
  void showPictureForLine(int line, const QString& traitText);

  // The picture last loaded (null before the first one).
  const QImage& picture() const { return picture_; }

  QLabel* pictureLabel;

 private:
  QImage picture_;
};

}  // namespace korvel
