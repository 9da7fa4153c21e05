// Paints the player's skin bitmaps: the built-in look (embedded in the
// program) and the bundled skins. Run at build time; change the artwork here.
//   velmaris_skinart builtin <out.bmp>
//   velmaris_skinart skins <folder>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SkinArt.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s builtin <out.bmp> | skins <folder>\n", argv[0]);
    return 2;
  }
  bool ok = false;
  if (std::strcmp(argv[1], "builtin") == 0) ok = skinart::PaintBuiltIn().save(QString::fromLocal8Bit(argv[2]), "BMP");
  else if (std::strcmp(argv[1], "icon") == 0) ok = skinart::PaintIcon(argc > 3 ? std::atoi(argv[3]) : 32).save(QString::fromLocal8Bit(argv[2]), "PNG");
  else if (std::strcmp(argv[1], "skins") == 0) ok = skinart::WriteBundledSkins(QString::fromLocal8Bit(argv[2]));
  if (!ok) std::fprintf(stderr, "skinart: could not write %s\n", argv[2]);
  return ok ? 0 : 1;
}
