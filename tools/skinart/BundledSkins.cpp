// The skins that come with the program: Graphite (dark brushed metal with
// rounded corners), Amberwood (a walnut cabinet on two feet) and Glacier
// (blue glass with two sweeping corners). Each is a .vskin script and a
// 261 x 115 bitmap whose outline is cut by the script's key colour.
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <functional>

#include "SkinArt.h"

namespace skinart {

namespace {

struct BundledSkin {
  const char* file;    // script name (the bitmap takes the lower-case name)
  const char* name;
  const char* key;     // TranspColor as written in the script
  QColor keyColor;
  const char* colours; // the colour lines after MainImage
  std::function<QImage(QColor key)> paint;
};

QPainterPath RoundedShape(double inset, double radius) {
  QPainterPath p;
  p.addRoundedRect(QRectF(inset, inset, kWidth - 2 * inset, kHeight - 2 * inset), radius - inset, radius - inset);
  return p;
}

// ---- Graphite ----

QImage PaintGraphite(QColor key) {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  BrushedPanel(img, QColor(62, 65, 71), QColor(30, 31, 35), 4242);
  QPainter p(&img);
  // A slightly lighter title strip and a recessed deck for the displays.
  p.fillRect(QRect(2, 2, kWidth - 4, 18), QColor(255, 255, 255, 14));
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 21, 24, 150));
  p.drawRoundedRect(QRectF(4.5, 24.5, 226, 50), 4, 4);
  // A thin amber accent line under the title.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.end();
  DrawControlMarks(img, QColor(214, 218, 224), QColor(70, 73, 80));
  QPainter q(&img);
  q.setPen(QColor(255, 150, 40));
  q.drawLine(26, 19, 120, 19);
  q.end();
  DrawPlates(img, QColor(150, 154, 160), QColor(40, 42, 46));
  DrawCaps(img, QColor(26, 27, 31), QColor(110, 114, 122));
  // Rounded corners, a double rim along the outline.
  QPainter r(&img);
  r.setRenderHint(QPainter::Antialiasing, false);
  r.setBrush(Qt::NoBrush);
  r.setPen(QPen(QColor(18, 19, 22), 1));
  r.drawPath(RoundedShape(0.5, 9));
  r.setPen(QPen(QColor(104, 108, 116), 1));
  r.drawPath(RoundedShape(1.5, 9));
  r.end();
  CutOutside(img, RoundedShape(0, 9), key);
  return img;
}

// ---- Amberwood ----

// The cabinet: chamfered top corners, rounded bottom ones, and two feet.
QPainterPath CabinetShape(double inset) {
  const double d = inset;
  const double bodyBottom = 108;
  QPainterPath p;
  p.moveTo(7 + d, d);
  p.lineTo(kWidth - 7 - d, d);
  p.lineTo(kWidth - d, 7 + d);
  p.lineTo(kWidth - d, bodyBottom - 5 - d);
  p.quadTo(kWidth - d, bodyBottom - d, kWidth - 5 - d, bodyBottom - d);
  // Right foot.
  p.lineTo(246 - d, bodyBottom - d);
  p.lineTo(243 - d, kHeight - d);
  p.lineTo(212 + d, kHeight - d);
  p.lineTo(209 + d, bodyBottom - d);
  // Left foot.
  p.lineTo(52 - d, bodyBottom - d);
  p.lineTo(49 - d, kHeight - d);
  p.lineTo(18 + d, kHeight - d);
  p.lineTo(15 + d, bodyBottom - d);
  p.lineTo(5 + d, bodyBottom - d);
  p.quadTo(d, bodyBottom - d, d, bodyBottom - 5 - d);
  p.lineTo(d, 7 + d);
  p.closeSubpath();
  return p;
}

void WoodGrain(QImage& img, QColor light, QColor dark, unsigned seed) {
  QRandomGenerator rng(seed);
  double phase[4];
  for (double& ph : phase) ph = rng.generateDouble() * 6.28;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      // Long horizontal grain lines that wander, with a few knots of
      // tighter rings.
      const double wave = y + 3.0 * std::sin(x / 37.0 + phase[0]) + 1.5 * std::sin(x / 11.0 + phase[1]);
      const double rings = 0.5 + 0.5 * std::sin(wave * 0.9 + 2.0 * std::sin(x / 53.0 + phase[2]));
      double t = 0.55 * rings + 0.45 * (0.5 + 0.5 * std::sin(wave * 0.23 + phase[3]));
      t += (static_cast<int>(rng.bounded(9)) - 4) / 100.0;
      t = std::clamp(t, 0.0, 1.0);
      auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
      img.setPixelColor(x, y, QColor(mix(dark.red(), light.red()), mix(dark.green(), light.green()),
                                     mix(dark.blue(), light.blue())));
    }
  }
}

QImage PaintAmberwood(QColor key) {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  WoodGrain(img, QColor(168, 104, 56), QColor(104, 56, 26), 731);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  // Varnish: light from above.
  QLinearGradient varnish(0, 0, 0, kHeight);
  varnish.setColorAt(0, QColor(255, 230, 190, 40));
  varnish.setColorAt(0.5, QColor(255, 230, 190, 0));
  varnish.setColorAt(1, QColor(0, 0, 0, 60));
  p.fillRect(img.rect(), varnish);
  // A dark inlay for the displays with a brass edge.
  p.setPen(QPen(QColor(196, 150, 72), 1));
  p.setBrush(QColor(40, 22, 10));
  p.drawRoundedRect(QRectF(4.5, 24.5, 226, 50), 3, 3);
  // Brass strip under the title.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(4, 20, kWidth - 8, 2), QColor(196, 150, 72));
  p.fillRect(QRect(4, 21, kWidth - 8, 1), QColor(120, 84, 34));
  p.end();
  DrawControlMarks(img, QColor(255, 232, 196), QColor(120, 70, 34));
  DrawPlates(img, QColor(214, 176, 104), QColor(92, 60, 24));
  DrawCaps(img, QColor(52, 28, 12), QColor(196, 150, 72));
  QPainter r(&img);
  r.setPen(QPen(QColor(60, 30, 10), 1));
  r.setBrush(Qt::NoBrush);
  r.drawPath(CabinetShape(0.5));
  r.setPen(QPen(QColor(200, 140, 84), 1));
  r.drawPath(CabinetShape(1.5));
  r.end();
  CutOutside(img, CabinetShape(0), key);
  return img;
}

// ---- Glacier ----

// Large sweeps at the top-left and bottom-right corners, tight ones at the
// other two.
QPainterPath LeafShape(double inset) {
  const double d = inset, big = 14 - d, small = 4 - d;
  const QRectF r(d, d, kWidth - 2 * d, kHeight - 2 * d);
  QPainterPath p;
  p.moveTo(r.left() + big, r.top());
  p.lineTo(r.right() - small, r.top());
  p.quadTo(r.right(), r.top(), r.right(), r.top() + small);
  p.lineTo(r.right(), r.bottom() - big);
  p.quadTo(r.right(), r.bottom(), r.right() - big, r.bottom());
  p.lineTo(r.left() + small, r.bottom());
  p.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - small);
  p.lineTo(r.left(), r.top() + big);
  p.quadTo(r.left(), r.top(), r.left() + big, r.top());
  p.closeSubpath();
  return p;
}

QImage PaintGlacier(QColor key) {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient body(0, 0, 0, kHeight);
  body.setColorAt(0, QColor(74, 138, 206));
  body.setColorAt(0.45, QColor(34, 88, 160));
  body.setColorAt(1, QColor(16, 44, 96));
  p.fillRect(img.rect(), body);
  // Gloss on the upper half and a soft diagonal sheen.
  p.setRenderHint(QPainter::Antialiasing, true);
  QLinearGradient gloss(0, 0, 0, 52);
  gloss.setColorAt(0, QColor(255, 255, 255, 70));
  gloss.setColorAt(1, QColor(255, 255, 255, 8));
  QPainterPath glossPath;
  glossPath.moveTo(0, 0);
  glossPath.lineTo(kWidth, 0);
  glossPath.lineTo(kWidth, 30);
  glossPath.cubicTo(180, 44, 90, 58, 0, 52);
  glossPath.closeSubpath();
  p.fillPath(glossPath, gloss);
  // Frosted deck for the displays.
  p.setPen(QPen(QColor(170, 214, 255, 160), 1));
  p.setBrush(QColor(6, 20, 46, 170));
  p.drawRoundedRect(QRectF(4.5, 24.5, 226, 50), 6, 6);
  p.end();
  DrawControlMarks(img, QColor(236, 246, 255), QColor(40, 96, 170));
  DrawPlates(img, QColor(186, 214, 240), QColor(20, 50, 100));
  DrawCaps(img, QColor(10, 32, 72), QColor(150, 200, 250));
  QPainter r(&img);
  r.setPen(QPen(QColor(8, 24, 56), 1));
  r.setBrush(Qt::NoBrush);
  r.drawPath(LeafShape(0.5));
  r.setPen(QPen(QColor(160, 206, 250), 1));
  r.drawPath(LeafShape(1.5));
  r.end();
  CutOutside(img, LeafShape(0), key);
  return img;
}

// The colour lines of a script (values are 0x00BBGGRR or names).
const BundledSkin kSkins[] = {
    {"Graphite", "Graphite", "$FF00FF", QColor(255, 0, 255),
     "ProgBGColor=$24201E;\r\nProgBarColor=$2896FF;\r\nMainFontColor=$ECE8E6;\r\nBoxFontColor=$48B0FF;\r\n"
     "BoxBGColor=$161312;\r\nPlyLstBGColor=$282422;\r\nPlyLstFontColor=$E2DEDC;\r\nPlyLstBarColor=$928D8A;\r\n",
     PaintGraphite},
    {"Amberwood", "Amberwood", "clBlue", QColor(0, 0, 255),
     "ProgBGColor=$0E1E34;\r\nProgBarColor=$50BEFF;\r\nMainFontColor=$C8ECFF;\r\nBoxFontColor=$5AC4FF;\r\n"
     "BoxBGColor=$081424;\r\nPlyLstBGColor=$D6EEFA;\r\nPlyLstFontColor=$102846;\r\nPlyLstBarColor=$6096C4;\r\n",
     PaintAmberwood},
    {"Glacier", "Glacier", "clLime", QColor(0, 255, 0),
     "ProgBGColor=$3C1C0A;\r\nProgBarColor=$FFC85A;\r\nMainFontColor=$FFF5EB;\r\nBoxFontColor=$FFE196;\r\n"
     "BoxBGColor=$301608;\r\nPlyLstBGColor=$FAEEE2;\r\nPlyLstFontColor=$502810;\r\nPlyLstBarColor=$DEB896;\r\n",
     PaintGlacier},
};

bool WriteText(const QString& path, const QByteArray& text) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(text) == text.size();
}

} // namespace

bool WriteBundledSkins(const QString& folder) {
  for (const BundledSkin& s : kSkins) {
    const QString bitmap = QString::fromLatin1(s.file).toLower() + QStringLiteral(".bmp");
    if (!s.paint(s.keyColor).save(folder + QLatin1Char('/') + bitmap, "BMP")) return false;
    QByteArray script = "Velmaris skin\r\n";
    script += QByteArray("Name=") + s.name + ";\r\n";
    script += "Author=The Velmaris developers;\r\n";
    script += QByteArray("TranspColor=") + s.key + ";\r\n";
    script += "MainImage=" + bitmap.toLatin1() + ";\r\n";
    script += s.colours;
    if (!WriteText(folder + QLatin1Char('/') + QString::fromLatin1(s.file) + QStringLiteral(".vskin"), script))
      return false;
  }
  return true;
}

} // namespace skinart
