// Drawn pictures shipped with a starter working folder: the help picture of each line of the
// cow card's linear grid and the two decorative pictures of the main window.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace korvel {

// The size the help window shows its picture at, so a picture of this size is not stretched.
inline constexpr QSize kHelpPictureSize{541, 329};

// The help picture of one linear grid line, from its catalogue row: the caption as title, the
// nine scale points with the low-end wording (dop1) under 1 and the high-end wording (dop2)
// under 9. A heading line (caption with "!") gets a picture announcing the group instead.
QImage linearTraitPicture(const QString& caption, const QString& dop1, const QString& dop2,
                          QSize size = kHelpPictureSize);

// The main window's decorative pictures: 1 is the program title with a herd on a meadow,
// 2 the linear scale with a cow beside it. Any other number gives a null image.
QImage mainWindowPicture(int which, QSize size = QSize(480, 300));

// Where the main window finds its pictures (1 and 2), relative to the working folder.
inline QString mainPicturePath(int which) { return QStringLiteral("kartinki/menu%1.jpg").arg(which); }

}  // namespace korvel
