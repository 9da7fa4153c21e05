// Skins: the built-in look, applying a skin script to the main window, and
// the window's shape from the colour key.
#include "app/FrmMainVelmaris.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QRegion>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/widgets/Colors.h"
#include "app/widgets/PlayListBox.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "platform/Paths.h"
#include "skins/SkinDescription.h"
#include "skins/SkinList.h"

namespace {

constexpr int kImageWidth = 261;
constexpr int kImageHeight = 115;
constexpr uint32_t kClLime = 0x00FF00;
constexpr uint32_t kClNone = kSkinColorNone;
constexpr uint32_t kClDefault = kSkinColorDefault;

QColor FromBgr(uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }
uint32_t ToBgr(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 | static_cast<uint32_t>(c.blue()) << 16;
}

// The platform colour behind a system-colour index.
QColor SystemColor(uint32_t index) {
  const QPalette pal = QApplication::palette();
  using R = QPalette::ColorRole;
  auto c = [&](R role) { return pal.color(QPalette::Active, role); };
  switch (index) {
    case 0: return c(R::Midlight);                              // scroll bar
    case 1: return c(R::Dark);                                  // desktop
    case 2: return c(R::Highlight);                             // active caption
    case 3: return c(R::Mid);                                   // inactive caption
    case 4: return c(R::Window);                                // menu
    case 5: return c(R::Base);                                  // window
    case 6: return c(R::Shadow);                                // window frame
    case 7: return c(R::WindowText);                            // menu text
    case 8: return c(R::Text);                                  // window text
    case 9: return c(R::HighlightedText);                       // caption text
    case 10: case 11: return c(R::Button);                      // borders
    case 12: return c(R::Mid);                                  // application work space
    case 13: return c(R::Highlight);
    case 14: return c(R::HighlightedText);
    case 15: return c(R::Button);                               // button face
    case 16: return c(R::Dark);                                 // button shadow
    case 17: return pal.color(QPalette::Disabled, R::Text);     // grey text
    case 18: return c(R::ButtonText);
    case 19: return pal.color(QPalette::Disabled, R::WindowText); // inactive caption text
    case 20: return c(R::Light);                                // button highlight
    case 21: return c(R::Shadow);                               // 3D dark shadow
    case 22: return c(R::Midlight);                             // 3D light
    case 23: return c(R::ToolTipText);
    case 24: return c(R::ToolTipBase);
    case 25: return c(R::Button);
    case 26: return c(R::Link);                                 // hot light
    case 27: return c(R::Highlight);                            // gradient active caption
    case 28: return c(R::Mid);                                  // gradient inactive caption
    case 29: return c(R::Highlight);                            // menu highlight
    case 30: return c(R::Window);                               // menu bar
    default: return QColor(0, 0, 0);                            // no such colour
  }
}

// A colour value (0x00BBGGRR, a system colour, clNone or clDefault) as a Qt
// colour. clDefault is the control's own default; clNone shows nothing where
// `noneClear` (backgrounds) and the default otherwise.
QColor ToQColor(uint32_t v, const QColor& fallback, bool noneClear) {
  if (v == kClDefault) return fallback;
  if (v == kClNone) return noneClear ? QColor(Qt::transparent) : fallback;
  if (v & 0x80000000u) return SystemColor(v & 0xFF);
  return FromBgr(v);
}

// A colour of the script; the first value that is no colour ends the
// loading there, with the steps before it applied.
uint32_t ColorOf(const SkinDescription& skin, size_t key) {
  if (!skin.Applies(key)) throw std::runtime_error(skin.Error);
  return skin.Colors[key];
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  auto m = [t](int x, int y) { return static_cast<int>(x + (y - x) * t); };
  return QColor(m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue()));
}

// A sunken box or panel in colour `c`: its edge shades follow the colour, so
// a dark box gets a dark edge instead of the desktop's bright bevel.
void SetSunkenColor(QWidget* w, const QColor& c) {
  SetControlColor(w, c);
  if (c.alpha() == 0) return;
  QPalette pal = w->palette();
  pal.setColor(QPalette::Light, Mix(c, Qt::white, 0.30));
  pal.setColor(QPalette::Midlight, Mix(c, Qt::white, 0.15));
  pal.setColor(QPalette::Mid, Mix(c, Qt::black, 0.25));
  pal.setColor(QPalette::Dark, Mix(c, Qt::black, 0.45));
  pal.setColor(QPalette::Shadow, Mix(c, Qt::black, 0.70));
  w->setPalette(pal);
}

QColor DefaultFont() { return QApplication::palette().color(QPalette::Text); }
QColor DefaultFace() { return QApplication::palette().color(QPalette::Button); }
QColor DefaultBase() { return QApplication::palette().color(QPalette::Base); }

// Reads a skin bitmap: a Windows bitmap, or a PNG (a regular file of a
// bitmap's size, read without blocking).
QImage LoadSkinBitmap(const std::string& path) {
  const QByteArray data = QByteArray::fromStdString(SkinList::ReadSkinBitmapBytes(path));
  const std::runtime_error invalid("Bitmap image is not valid");
  const char* format = nullptr;
  if (data.startsWith("BM")) format = "BMP";
  else if (data.startsWith("\x89PNG\r\n\x1a\n")) format = "PNG";
  if (!format) throw invalid;
  QImage image;
  if (!image.loadFromData(data, format) || image.isNull()) throw invalid;
  return image;
}

} // namespace

void TFrmMainVelmaris::ApplyBuiltInLook() {
  MainImage->SetPicture(QImage(QStringLiteral(":/velmaris/builtin.bmp")));
  TransparentColorValue = kClLime;
  MainImage->setToolTip(QStringLiteral("Skin: Default"));
  SetSunkenColor(ProgressPanel, FromBgr(0x808080));
  SetControlColor(ProgressPanelBar, FromBgr(0xC0C0C0));
  for (QLabel* box : {FileText, PositionText, LengthText}) {
    SetControlFontColor(box, FromBgr(0xD3D3D3));
    SetSunkenColor(box, FromBgr(0x000000));
  }
  SetControlFontColor(CaptionLabel, FromBgr(0x000000));
  for (TSpeedButton* b : {PlayButton, PauseButton, StopButton}) b->SetFontColor(FromBgr(0xFFFFFF));
  SetControlColor(PlayList, FromBgr(0xC0C0C0));
  SetControlFontColor(PlayList, SystemColor(8));
  QPalette pal = PlayListPanel->palette();
  pal.setColor(QPalette::Window, DefaultFace());
  pal.setColor(QPalette::Button, DefaultFace());
  PlayListPanel->setPalette(pal);
  PlayListPanel->setAutoFillBackground(true);
  ApplyColourKey();
  update();
}

void TFrmMainVelmaris::LoadSkin(const std::string& path) {
  if (!Paths::FileExists(path)) {
    VelmarisOptions.SkinDir.clear();
    return;
  }
  using K = SkinDescription::Key;
  const SkinDescription skin = ParseSkin(ReadSkinScriptText(path));
  const std::string folder = path.substr(0, path.rfind('/') + 1);

  // Every step takes effect at once; a value that fails leaves the steps
  // before it applied and the rest (and LastSkinFile) untouched.
  MainImage->setToolTip(QString::fromStdString("Skin: " + skin.Values[K::Name] + "\n" + "Author: " +
                                               skin.Values[K::Author]));

  const uint32_t key = ColorOf(skin, K::TranspColor);
  if (key == kClDefault) TransparentColorValue = kClLime;
  else if (key == kClNone) TransparentColorValue = kClNone;
  else if (key & 0x80000000u) TransparentColorValue = ToBgr(SystemColor(key & 0xFF));
  else TransparentColorValue = key & 0xFFFFFF;
  ApplyColourKey();
  update();

  MainImage->SetPicture(LoadSkinBitmap(SkinList::SkinBitmapPath(folder, skin.Values[K::MainImage])));
  ApplyColourKey();

  SetSunkenColor(ProgressPanel, ToQColor(ColorOf(skin, K::ProgBGColor), DefaultFace(), true));
  SetControlColor(ProgressPanelBar, ToQColor(ColorOf(skin, K::ProgBarColor), DefaultFace(), true));

  const QColor mainFont = ToQColor(ColorOf(skin, K::MainFontColor), DefaultFont(), false);
  for (TSpeedButton* b : {PlayButton, PauseButton, StopButton}) b->SetFontColor(mainFont);
  SetControlFontColor(CaptionLabel, mainFont);

  const QColor boxFont = ToQColor(ColorOf(skin, K::BoxFontColor), DefaultFont(), false);
  for (QLabel* box : {FileText, PositionText, LengthText}) SetControlFontColor(box, boxFont);
  const QColor boxBack = ToQColor(ColorOf(skin, K::BoxBGColor), DefaultFace(), true);
  for (QLabel* box : {FileText, PositionText, LengthText}) SetSunkenColor(box, boxBack);
  ApplyColourKey();

  SetControlColor(PlayList, ToQColor(ColorOf(skin, K::PlyLstBGColor), DefaultBase(), true));
  SetControlFontColor(PlayList, ToQColor(ColorOf(skin, K::PlyLstFontColor), DefaultFont(), false));
  const QColor bar = ToQColor(ColorOf(skin, K::PlyLstBarColor), DefaultFace(), true);
  // The strip around the list; the quick-find box keeps its own colours.
  QPalette pal = PlayListPanel->palette();
  pal.setColor(QPalette::Window, bar);
  pal.setColor(QPalette::Button, bar);
  PlayListPanel->setPalette(pal);
  PlayListPanel->setAutoFillBackground(true);

  VelmarisOptions.LastSkinFile = path;
}

void TFrmMainVelmaris::ApplyColourKey() {
  // The window's shape: every pixel of the skin picture that is not the key
  // colour, plus the opaque controls laid over it, plus the playlist panel
  // while it shows. A key that is no plain colour (clNone) cuts nothing.
  const bool keyed = (TransparentColorValue & 0xFF000000u) == 0;
  const QRgb key = FromBgr(TransparentColorValue).rgb() & 0xFFFFFF;
  QRegion shape;
  const QImage& picture = MainImage->Picture();
  if (!picture.isNull()) {
    const QImage img = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                         : QImage::Format_RGB32);
    const bool alpha = img.hasAlphaChannel();
    const int w = std::min(img.width(), kImageWidth);
    const int h = std::min(img.height(), kImageHeight);
    // Runs of shown pixels, row by row: y-x banded as QRegion wants them.
    std::vector<QRect> runs;
    runs.reserve(static_cast<size_t>(h) * 4);
    for (int y = 0; y < h; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      int x = 0;
      while (x < w) {
        auto shown = [&](int i) {
          if (alpha && qAlpha(line[i]) < 128) return false;
          return !keyed || (line[i] & 0xFFFFFF) != key;
        };
        while (x < w && !shown(x)) ++x;
        const int start = x;
        while (x < w && shown(x)) ++x;
        if (x > start) runs.emplace_back(start, y, x - start, 1);
      }
    }
    if (!runs.empty()) shape.setRects(runs.data(), static_cast<int>(runs.size()));
  }
  const QColor keyColor = FromBgr(TransparentColorValue);
  for (QWidget* box : std::initializer_list<QWidget*>{FileText, PositionText, LengthText, ProgressPanel}) {
    const QColor c = ControlColor(box);
    if (c.alpha() != 0 && (!keyed || c.rgb() != keyColor.rgb())) shape += box->geometry();
  }
  if (PlayListPanel->isVisibleTo(this)) shape += PlayListPanel->geometry();
  if (shape.isEmpty()) clearMask();
  else setMask(shape);
}
