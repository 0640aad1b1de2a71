// Help and main-window pictures, drawn with QPainter on a white or sky ground.
#include "help/help_pictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace korvel {
namespace {

QFont sansFont(qreal pixelSize, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(std::max(1, int(pixelSize)));
  f.setBold(bold);
  return f;
}

// The largest font size up to maxSize at which text fits the width on one line.
QFont fittingFont(const QString& text, qreal maxSize, qreal width, bool bold) {
  for (qreal size = maxSize; size > 8; size -= 1) {
    QFont f = sansFont(size, bold);
    if (QFontMetrics(f).horizontalAdvance(text) <= width) return f;
  }
  return sansFont(8, bold);
}

// Scale point colours run from a pale to a deep blue, so the direction of the scale shows
// even on a grey printout.
QColor scaleColour(int point) {
  const qreal t = (point - 1) / 8.0;
  return QColor::fromRgbF(0.82 - 0.70 * t, 0.90 - 0.55 * t, 1.0 - 0.30 * t);
}

void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, QPointF(to.x() - 3 * width, to.y()));
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(to.x() - 4 * width, to.y() - 2.2 * width);
  head.lineTo(to.x() - 4 * width, to.y() + 2.2 * width);
  head.closeSubpath();
  p.fillPath(head, colour);
}

QImage whiteImage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

QImage headingPicture(const QString& caption, QSize size) {
  QImage image = whiteImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width(), h = size.height();
  QString title = caption.trimmed();
  title.remove(QLatin1Char('!'));
  title = title.trimmed();

  p.fillRect(QRectF(0, 0, w, h * 0.30), QColor(30, 70, 140));
  p.setPen(Qt::white);
  p.setFont(fittingFont(title, h * 0.10, w - 40, true));
  p.drawText(QRectF(20, 0, w - 40, h * 0.30), Qt::AlignCenter, title);

  p.setPen(QColor(40, 40, 40));
  p.setFont(sansFont(h * 0.050));
  p.drawText(QRectF(30, h * 0.36, w - 60, h * 0.40), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
             QStringLiteral("Заголовок группы признаков линейной оценки. В этой строке балл "
                            "не ставится: признаки группы оцениваются в следующих строках "
                            "по шкале от 1 до 9."));
  // The nine points, small, as a reminder of the scale the group's lines use.
  const qreal box = std::min((w - 80) / 9.0, h * 0.11);
  const qreal left = (w - 9 * box) / 2, top = h * 0.80;
  p.setFont(sansFont(box * 0.5, true));
  for (int i = 1; i <= 9; ++i) {
    const QRectF r(left + (i - 1) * box + 2, top, box - 4, box - 4);
    p.fillRect(r, scaleColour(i));
    p.setPen(i > 4 ? Qt::white : QColor(20, 20, 60));
    p.drawText(r, Qt::AlignCenter, QString::number(i));
  }
  return image;
}

}  // namespace

QImage linearTraitPicture(const QString& caption, const QString& dop1, const QString& dop2, QSize size) {
  if (size.isEmpty()) return {};
  if (caption.contains(QLatin1Char('!'))) return headingPicture(caption, size);

  QImage image = whiteImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const qreal w = size.width(), h = size.height();
  const qreal margin = w * 0.045;

  // Title: the trait as the card shows it.
  const QString title = caption.trimmed();
  p.setPen(QColor(20, 40, 90));
  p.setFont(fittingFont(title, h * 0.085, w - 2 * margin, true));
  p.drawText(QRectF(margin, h * 0.03, w - 2 * margin, h * 0.12), Qt::AlignCenter, title);
  p.setPen(QColor(110, 110, 110));
  p.setFont(sansFont(h * 0.045));
  p.drawText(QRectF(margin, h * 0.15, w - 2 * margin, h * 0.07), Qt::AlignCenter,
             QStringLiteral("Линейная оценка: балл от 1 до 9"));

  // The direction of the scale.
  const qreal arrowY = h * 0.28;
  drawArrow(p, QPointF(margin, arrowY), QPointF(w - margin, arrowY), QColor(60, 90, 160), h * 0.012);

  // Nine numbered boxes.
  const qreal box = (w - 2 * margin) / 9.0;
  const qreal boxTop = h * 0.34, boxHeight = h * 0.17;
  p.setFont(sansFont(boxHeight * 0.5, true));
  for (int i = 1; i <= 9; ++i) {
    const QRectF r(margin + (i - 1) * box + 3, boxTop, box - 6, boxHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(scaleColour(i));
    p.drawRoundedRect(r, 6, 6);
    p.setPen(i > 4 ? Qt::white : QColor(20, 20, 60));
    p.drawText(r, Qt::AlignCenter, QString::number(i));
  }
  // The middle of the biological range, marked under 5.
  const QRectF five(margin + 4 * box + 3, boxTop, box - 6, boxHeight);
  p.setPen(QPen(QColor(200, 60, 40), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(five.adjusted(-2, -2, 2, 2), 7, 7);

  // Scale-end wording under 1 and under 9, with a tick from the box to the text.
  const qreal textTop = boxTop + boxHeight + h * 0.06;
  const qreal textWidth = (w - 2 * margin) * 0.36;
  p.setPen(QPen(QColor(90, 90, 90), 1.5));
  p.drawLine(QPointF(margin + box / 2, boxTop + boxHeight + 2), QPointF(margin + box / 2, textTop - 4));
  p.drawLine(QPointF(w - margin - box / 2, boxTop + boxHeight + 2),
             QPointF(w - margin - box / 2, textTop - 4));
  p.setPen(QColor(20, 20, 20));
  p.setFont(sansFont(h * 0.058, true));
  p.drawText(QRectF(margin, textTop, textWidth, h * 0.20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             QStringLiteral("1 — ") + dop1.trimmed());
  p.drawText(QRectF(w - margin - textWidth, textTop, textWidth, h * 0.20),
             Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, QStringLiteral("9 — ") + dop2.trimmed());
  p.setPen(QColor(200, 60, 40));
  p.setFont(sansFont(h * 0.045));
  p.drawText(QRectF(margin + textWidth, textTop, w - 2 * margin - 2 * textWidth, h * 0.20),
             Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
             QStringLiteral("5 — середина\nбиологического\nдиапазона"));

  p.setPen(QColor(110, 110, 110));
  p.setFont(sansFont(h * 0.040));
  p.drawText(QRectF(margin, h * 0.88, w - 2 * margin, h * 0.10), Qt::AlignCenter | Qt::TextWordWrap,
             QStringLiteral("Балл описывает признак, а не его желательность."));
  return image;
}

namespace {

// A black-and-white cow seen from the side, standing on y = 0 of the painter's frame,
// about 140 units long and 90 high; mirrored when facing left.
void drawCow(QPainter& p, QPointF feet, qreal scale, bool facingRight) {
  p.save();
  p.translate(feet);
  p.scale(facingRight ? scale : -scale, scale);
  const QColor black(25, 25, 25), white(250, 250, 245), pink(235, 170, 170);
  p.setPen(QPen(black, 1.6));
  // Legs.
  p.setBrush(white);
  for (qreal x : {-48.0, -34.0, 30.0, 42.0}) p.drawRoundedRect(QRectF(x, -34, 9, 34), 2, 2);
  p.setBrush(black);
  for (qreal x : {-48.0, -34.0, 30.0, 42.0}) p.drawRect(QRectF(x, -5, 9, 5));
  // Udder.
  p.setBrush(pink);
  p.drawEllipse(QRectF(-36, -42, 26, 16));
  // Body.
  p.setBrush(white);
  p.drawRoundedRect(QRectF(-58, -84, 112, 50), 20, 20);
  // Patches, kept inside the body outline.
  p.save();
  QPainterPath body;
  body.addRoundedRect(QRectF(-58, -84, 112, 50), 20, 20);
  p.setClipPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(black);
  p.drawEllipse(QRectF(-40, -90, 38, 30));
  p.drawEllipse(QRectF(10, -70, 30, 26));
  p.drawEllipse(QRectF(-62, -60, 20, 22));
  p.restore();
  // Tail.
  p.setPen(QPen(black, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(-58, -78), QPointF(-66, -40));
  p.setBrush(black);
  p.drawEllipse(QRectF(-70, -42, 8, 10));
  // Neck and head.
  p.setPen(QPen(black, 1.6));
  p.setBrush(white);
  QPainterPath neck;
  neck.moveTo(44, -82);
  neck.lineTo(66, -92);
  neck.lineTo(74, -72);
  neck.lineTo(50, -52);
  neck.closeSubpath();
  p.drawPath(neck);
  p.setBrush(black);
  p.drawRoundedRect(QRectF(62, -100, 24, 32), 8, 8);
  p.setBrush(pink);
  p.drawRoundedRect(QRectF(72, -76, 18, 12), 5, 5);
  p.setBrush(white);
  p.drawEllipse(QRectF(56, -102, 12, 7));  // ear
  p.setBrush(white);
  p.drawEllipse(QRectF(76, -93, 5, 5));  // eye
  p.restore();
}

QImage titlePicture(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width(), h = size.height();
  QLinearGradient sky(0, 0, 0, h * 0.62);
  sky.setColorAt(0, QColor(120, 170, 230));
  sky.setColorAt(1, QColor(215, 235, 250));
  p.fillRect(QRectF(0, 0, w, h * 0.62), sky);
  QLinearGradient grass(0, h * 0.62, 0, h);
  grass.setColorAt(0, QColor(120, 180, 80));
  grass.setColorAt(1, QColor(60, 130, 50));
  p.fillRect(QRectF(0, h * 0.62, w, h * 0.38), grass);
  // Hills on the horizon.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(95, 160, 75));
  p.drawEllipse(QRectF(-w * 0.2, h * 0.52, w * 0.8, h * 0.3));
  p.drawEllipse(QRectF(w * 0.45, h * 0.54, w * 0.8, h * 0.3));
  p.fillRect(QRectF(0, h * 0.66, w, h * 0.34), grass);

  p.setPen(QColor(255, 255, 255));
  p.setFont(fittingFont(QStringLiteral("Корвель"), h * 0.20, w * 0.9, true));
  QRectF titleBox(0, h * 0.04, w, h * 0.26);
  p.setPen(QColor(20, 50, 100, 120));
  p.drawText(titleBox.translated(3, 3), Qt::AlignCenter, QStringLiteral("Корвель"));
  p.setPen(Qt::white);
  p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("Корвель"));
  p.setPen(QColor(20, 50, 100));
  p.setFont(fittingFont(QStringLiteral("Племенной учет и линейная оценка коров"), h * 0.065, w * 0.9, false));
  p.drawText(QRectF(0, h * 0.29, w, h * 0.09), Qt::AlignCenter,
             QStringLiteral("Племенной учет и линейная оценка коров"));

  const qreal s = h / 300.0;
  drawCow(p, QPointF(w * 0.22, h * 0.83), 0.85 * s, true);
  drawCow(p, QPointF(w * 0.74, h * 0.80), 0.75 * s, false);
  drawCow(p, QPointF(w * 0.50, h * 0.97), 1.0 * s, true);
  return image;
}

QImage scalePicture(QSize size) {
  QImage image = whiteImage(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width(), h = size.height();
  p.fillRect(QRectF(0, h * 0.80, w, h * 0.20), QColor(120, 180, 80));
  const qreal s = h / 300.0;
  drawCow(p, QPointF(w * 0.30, h * 0.86), 1.25 * s, true);

  // A measuring stick beside the cow with the nine points of the linear scale.
  const qreal stickX = w * 0.70, top = h * 0.14, bottom = h * 0.80;
  const qreal step = (bottom - top) / 9.0;
  p.setFont(sansFont(step * 0.55, true));
  for (int i = 1; i <= 9; ++i) {
    const QRectF r(stickX, bottom - i * step + 1, w * 0.09, step - 2);
    p.fillRect(r, scaleColour(i));
    p.setPen(i > 4 ? Qt::white : QColor(20, 20, 60));
    p.drawText(r, Qt::AlignCenter, QString::number(i));
  }
  p.setPen(QColor(20, 50, 100));
  p.setFont(fittingFont(QStringLiteral("Линейная оценка экстерьера"), h * 0.075, w * 0.94, true));
  p.drawText(QRectF(0, h * 0.01, w, h * 0.12), Qt::AlignCenter, QStringLiteral("Линейная оценка экстерьера"));
  return image;
}

}  // namespace

QImage mainWindowPicture(int which, QSize size) {
  if (size.isEmpty()) return {};
  if (which == 1) return titlePicture(size);
  if (which == 2) return scalePicture(size);
  return {};
}

}  // namespace korvel
