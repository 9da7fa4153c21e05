#include "SkinArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace skinart {

void BrushedPanel(QImage& img, QColor base, QColor rim, unsigned seed) {
  QRandomGenerator rng(seed);
  // Horizontal brushing: each row gets a slightly different shade, with a
  // little noise along the row, plus a soft vertical light falloff.
  for (int y = 0; y < img.height(); ++y) {
    const int rowShade = static_cast<int>(rng.bounded(13)) - 6;
    const double light = 1.08 - 0.16 * y / img.height();
    for (int x = 0; x < img.width(); ++x) {
      const int noise = static_cast<int>(rng.bounded(5)) - 2;
      auto ch = [&](int c) { return qBound(0, static_cast<int>(c * light) + rowShade + noise, 255); };
      img.setPixelColor(x, y, QColor(ch(base.red()), ch(base.green()), ch(base.blue())));
    }
  }
  QPainter p(&img);
  p.setPen(rim.darker(140));
  p.drawRect(0, 0, img.width() - 1, img.height() - 1);
  p.setPen(rim);
  p.drawRect(1, 1, img.width() - 3, img.height() - 3);
  p.setPen(base.lighter(125));
  p.drawLine(2, 2, img.width() - 3, 2);
  p.drawLine(2, 2, 2, img.height() - 3);
}

void CutCorners(QImage& img, QColor key) {
  // Per corner a small staircase: 4 + 2 + 1 pixels at the top corners and
  // 4 + 2 + 1 + 1 at the bottom ones, 30 pixels in all.
  const int w = img.width(), h = img.height();
  const int top[] = {4, 2, 1};
  const int bottom[] = {4, 2, 1, 1};
  for (int row = 0; row < 3; ++row)
    for (int i = 0; i < top[row]; ++i) {
      img.setPixelColor(i, row, key);
      img.setPixelColor(w - 1 - i, row, key);
    }
  for (int row = 0; row < 4; ++row)
    for (int i = 0; i < bottom[row]; ++i) {
      img.setPixelColor(i, h - 1 - row, key);
      img.setPixelColor(w - 1 - i, h - 1 - row, key);
    }
}

static void Groove(QPainter& p, QRect r, QColor groove) {
  p.setPen(groove.darker(150));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(groove.lighter(160));
  p.drawLine(r.bottomLeft() + QPoint(1, 0), r.bottomRight());
  p.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
}

void DrawControlMarks(QImage& img, QColor ink, QColor groove) {
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  // Title strip and the separators of the three regions.
  p.setRenderHint(QPainter::Antialiasing, false);
  Groove(p, QRect(3, 20, 255, 1), groove);
  Groove(p, QRect(5, 26, 224, 47), groove);
  Groove(p, QRect(5, 85, 199, 19), groove);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  auto tri = [&](QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.drawPath(path);
  };
  // Title bar buttons: translucency (a half-filled circle), minimise, close.
  p.setPen(QPen(ink, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(204, 11), 4.5, 4.5);
  p.setBrush(ink);
  p.drawPie(QRectF(199.5, 6.5, 9, 9), 90 * 16, 180 * 16);
  p.setPen(QPen(ink, 2));
  p.drawLine(QPointF(219.5, 14.5), QPointF(228.5, 14.5));
  p.drawLine(QPointF(239.5, 6.5), QPointF(247.5, 14.5));
  p.drawLine(QPointF(247.5, 6.5), QPointF(239.5, 14.5));
  // Load button (an eject-like arrow) beside the file text.
  p.setPen(Qt::NoPen);
  tri(QPointF(234, 35), QPointF(244, 35), QPointF(239, 29));
  p.drawRect(QRectF(234, 36.5, 10, 2));
  // Previous and next.
  tri(QPointF(83, 94.5), QPointF(88, 90), QPointF(88, 99));
  tri(QPointF(79, 94.5), QPointF(84, 90), QPointF(84, 99));
  p.drawRect(QRectF(78, 90, 1.5, 9));
  tri(QPointF(152, 94.5), QPointF(147, 90), QPointF(147, 99));
  tri(QPointF(156, 94.5), QPointF(151, 90), QPointF(151, 99));
  p.drawRect(QRectF(155.5, 90, 1.5, 9));
  // Shuffle: two crossing arrows; repeat: a loop with an arrow head.
  p.setPen(QPen(ink, 1.3));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(173, 91), QPointF(183, 99));
  p.drawLine(QPointF(173, 99), QPointF(183, 91));
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  tri(QPointF(184.5, 90), QPointF(180, 90.5), QPointF(183.5, 94));
  tri(QPointF(184.5, 100), QPointF(180, 99.5), QPointF(183.5, 96));
  p.setPen(QPen(ink, 1.3));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(189.5, 91, 10, 8), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  tri(QPointF(196, 88.5), QPointF(196, 93.5), QPointF(199.5, 91));
  // Playlist button: three lines.
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(234, 92 + 4 * i, 11, 1.6));
  // Small speaker in front of the volume button.
  tri(QPointF(13, 94.5), QPointF(20, 89), QPointF(20, 100));
  p.drawRect(QRectF(10, 92, 4, 5));
}

void DrawPlates(QImage& img, QColor plate, QColor edge) {
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (QRectF r : {QRectF(28, 87, 44, 15), QRectF(7, 72, 16, 13), QRectF(212, 72, 16, 13)}) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, plate.lighter(112));
    g.setColorAt(1, plate.darker(108));
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
  }
}

void DrawCaps(QImage& img, QColor cap, QColor edge) {
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (QRectF r : {QRectF(100, 87, 15, 15), QRectF(119, 87, 15, 15)}) {
    QRadialGradient g(r.center() - QPointF(2, 3), 10);
    g.setColorAt(0, cap.lighter(150));
    g.setColorAt(1, cap);
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
  }
}

void CutOutside(QImage& img, const QPainterPath& shape, QColor key) {
  QImage inside(img.size(), QImage::Format_ARGB32);
  inside.fill(Qt::transparent);
  QPainter p(&inside);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillPath(shape, Qt::black);
  p.end();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(inside.pixel(x, y)) == 0) img.setPixelColor(x, y, key);
}

QImage PaintBuiltIn() {
  QImage img(kWidth, kHeight, QImage::Format_RGB888);
  BrushedPanel(img, QColor(168, 170, 174), QColor(92, 94, 100), 1776);
  DrawControlMarks(img, QColor(40, 42, 48), QColor(150, 152, 156));
  DrawCaps(img, QColor(58, 60, 66), QColor(40, 42, 48));
  CutCorners(img, QColor(0, 255, 0));
  return img;
}

QImage PaintIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 32.0, size / 32.0);
  QRadialGradient g(QPointF(12, 10), 20);
  g.setColorAt(0, QColor(120, 200, 255));
  g.setColorAt(1, QColor(20, 70, 150));
  p.setBrush(g);
  p.setPen(QPen(QColor(10, 30, 70), 1));
  p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
  // An eighth note.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(8.5, 18.5, 8, 6));
  p.drawRect(QRectF(15, 7, 2, 15));
  QPainterPath flag;
  flag.moveTo(17, 7);
  flag.cubicTo(21, 9, 24, 11, 22, 16);
  flag.cubicTo(22, 13, 20, 12, 17, 11.5);
  flag.closeSubpath();
  p.drawPath(flag);
  return img;
}

} // namespace skinart
