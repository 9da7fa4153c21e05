// Applying skin scripts to the main window: the order of the steps, what a
// failing value leaves behind, bitmap paths and errors, the colour key, the
// built-in look and the bundled skins.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "app/widgets/Colors.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "app/widgets/PlayListBox.h"
#include "skins/SkinList.h"
#include "support/WindowFixture.h"

using testsupport::WriteAll;

namespace {

QColor Bgr(uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

// A 261 x 115 bitmap: `body` with a 10 x 10 block of `key` in the top-left
// corner and a different size when `width` is given (to tell files apart).
void WriteBitmap(const std::string& path, QColor body, QColor key, int width = 261) {
  QImage img(width, 115, QImage::Format_RGB32);
  img.fill(body);
  QPainter p(&img);
  p.fillRect(0, 0, 10, 10, key);
  p.end();
  ASSERT_TRUE(img.save(QString::fromStdString(path), "BMP"));
}

// The values of a script, one pair per line in the order of the keys.
struct Script {
  std::string Name = "Test", Author = "Me", TranspColor = "$FF00FF", MainImage = "skin.bmp",
              ProgBGColor = "$000080", ProgBarColor = "clYellow", MainFontColor = "clAqua",
              BoxFontColor = "$00FF00", BoxBGColor = "clNavy", PlyLstBGColor = "$102030",
              PlyLstFontColor = "clRed", PlyLstBarColor = "clTeal";
  std::vector<std::pair<std::string, std::string>> Pairs() const {
    return {{"Name=", Name},
            {"Author=", Author},
            {"TranspColor=", TranspColor},
            {"MainImage=", MainImage},
            {"ProgBGColor=", ProgBGColor},
            {"ProgBarColor=", ProgBarColor},
            {"MainFontColor=", MainFontColor},
            {"BoxFontColor=", BoxFontColor},
            {"BoxBGColor=", BoxBGColor},
            {"PlyLstBGColor=", PlyLstBGColor},
            {"PlyLstFontColor=", PlyLstFontColor},
            {"PlyLstBarColor=", PlyLstBarColor}};
  }
  std::string Lines() const {
    std::string t = "[Velmaris skin]\r\n";
    for (const auto& [k, v] : Pairs()) t += k + v + ";\r\n";
    return t;
  }
  std::string OneLineReversed() const {
    std::string t = "remark ";
    const auto p = Pairs();
    for (auto it = p.rbegin(); it != p.rend(); ++it) t += it->first + it->second + "; ";
    return t;
  }
};

// Everything a skin sets, as one text to compare.
std::string Look(const TFrmMainVelmaris& w) {
  auto c = [](const QColor& q) { return q.name(QColor::HexArgb).toStdString() + " "; };
  std::string s = w.MainImage->toolTip().toStdString() + "|" + std::to_string(w.TransparentColorValue) + "|";
  s += std::to_string(w.MainImage->Picture().width()) + "|";
  s += c(ControlColor(w.ProgressPanel)) + c(ControlColor(w.ProgressPanelBar));
  s += c(w.PlayButton->FontColor()) + c(w.PauseButton->FontColor()) + c(w.StopButton->FontColor());
  s += c(ControlFontColor(w.CaptionLabel));
  for (const QLabel* box : {w.FileText, w.PositionText, w.LengthText})
    s += c(ControlFontColor(box)) + c(ControlColor(box));
  s += c(w.PlayList->palette().color(QPalette::Base)) + c(w.PlayList->palette().color(QPalette::Text));
  s += c(ControlColor(w.PlayListPanel)) + "|" + w.VelmarisOptions.LastSkinFile;
  return s;
}

std::string ErrorOf(TFrmMainVelmaris& w, const std::string& path) {
  try {
    w.LoadSkin(path);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no error)";
}

class SkinLoading : public WindowFixture {
protected:
  std::string SkinDir() {
    const std::string d = Dir.File("skins/");
    std::filesystem::create_directories(d);
    return d;
  }
  std::string WriteScript(const std::string& name, const std::string& text) {
    const std::string p = SkinDir() + name;
    WriteAll(p, text);
    return p;
  }
};

TEST_F(SkinLoading, ALineScriptAppliesEveryValue) {
  auto& w = CreateWindow();
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  const std::string path = WriteScript("a.vskin", Script().Lines());
  w.LoadSkin(path);
  EXPECT_EQ(w.MainImage->toolTip(), QStringLiteral("Skin: Test\nAuthor: Me"));
  EXPECT_EQ(w.TransparentColorValue, 0xFF00FFu);
  EXPECT_EQ(w.MainImage->Picture().size(), QSize(261, 115));
  EXPECT_EQ(ControlColor(w.ProgressPanel), Bgr(0x000080));
  EXPECT_EQ(ControlColor(w.ProgressPanelBar), Bgr(0x00FFFF));
  for (const TSpeedButton* b : {w.PlayButton, w.PauseButton, w.StopButton}) EXPECT_EQ(b->FontColor(), Bgr(0xFFFF00));
  EXPECT_EQ(ControlFontColor(w.CaptionLabel), Bgr(0xFFFF00));
  for (const QLabel* box : {w.FileText, w.PositionText, w.LengthText}) {
    EXPECT_EQ(ControlFontColor(box), Bgr(0x00FF00));
    EXPECT_EQ(ControlColor(box), Bgr(0x800000));
  }
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Base), Bgr(0x102030));
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Text), Bgr(0x0000FF));
  EXPECT_EQ(ControlColor(w.PlayListPanel), Bgr(0x808000));
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, path);
}

TEST_F(SkinLoading, AllPairsOnOneLineInReverseOrderApplyTheSame) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  const std::string lines = WriteScript("a.vskin", Script().Lines());
  const std::string oneLine = WriteScript("a2.vskin", Script().OneLineReversed());
  auto& w = CreateWindow();
  w.LoadSkin(lines);
  std::string first = Look(w);
  w.LoadSkin(oneLine);
  std::string second = Look(w);
  // Only the remembered path differs.
  first.resize(first.rfind('|'));
  second.resize(second.rfind('|'));
  EXPECT_EQ(first, second);
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, oneLine);
}

TEST_F(SkinLoading, MissingNameAndAuthorShowWhatTheValueRuleGives) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  Script s;
  std::string text = s.Lines();
  text.erase(text.find("Name=Test;\r\n"), 12);  // now starts "[Velmaris skin]\r\nAuthor=..."
  auto& w = CreateWindow();
  w.LoadSkin(WriteScript("a.vskin", text));
  // Without "Name=" its value is the text after its first four characters,
  // up to the first ";".
  EXPECT_EQ(w.MainImage->toolTip(), QStringLiteral("Skin: maris skin]\r\nAuthor=Me\nAuthor: Me"));
}

TEST_F(SkinLoading, ANameEndingInABlankKeepsTheBlank) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  Script s;
  s.Name = "Night ";
  auto& w = CreateWindow();
  w.LoadSkin(WriteScript("a.vskin", s.Lines()));
  EXPECT_EQ(w.MainImage->toolTip(), QStringLiteral("Skin: Night \nAuthor: Me"));
}

TEST_F(SkinLoading, AMissingColourKeyStopsWithTheValueInTheError) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  std::string text = Script().Lines();
  text.erase(text.find("ProgBarColor=clYellow;\r\n"), 24);
  auto& w = CreateWindow();
  const std::string before = Look(w);
  const std::string err = ErrorOf(w, WriteScript("a.vskin", text));
  // The value of a missing key runs from its 12th character to the next ";".
  EXPECT_EQ(err, "'" + text.substr(12, text.find(';', 12) - 12) + "' is not a valid integer value");
  EXPECT_EQ(ControlColor(w.ProgressPanel), Bgr(0x000080));  // the step before took effect
  EXPECT_EQ(Look(w).substr(Look(w).rfind('|')), before.substr(before.rfind('|')));
}

TEST_F(SkinLoading, ABoxBackgroundOfBlackStopsAfterTheBoxFontColours) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  auto& w = CreateWindow();
  const QColor oldBox = ControlColor(w.FileText);
  const QColor oldList = w.PlayList->palette().color(QPalette::Base);
  const QColor oldListFont = w.PlayList->palette().color(QPalette::Text);
  const QColor oldBar = ControlColor(w.PlayListPanel);
  w.VelmarisOptions.LastSkinFile = "/earlier.vskin";
  Script s;
  s.BoxBGColor = "black";
  EXPECT_EQ(ErrorOf(w, WriteScript("a.vskin", s.Lines())), "'black' is not a valid integer value");
  for (const QLabel* box : {w.FileText, w.PositionText, w.LengthText}) {
    EXPECT_EQ(ControlFontColor(box), Bgr(0x00FF00));
    EXPECT_EQ(ControlColor(box), oldBox);
  }
  EXPECT_EQ(w.PlayButton->FontColor(), Bgr(0xFFFF00));
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Base), oldList);
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Text), oldListFont);
  EXPECT_EQ(ControlColor(w.PlayListPanel), oldBar);
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, "/earlier.vskin");
}

TEST_F(SkinLoading, AMissingBitmapNamesTheFullPathAndTheReason) {
  auto& w = CreateWindow();
  Script s;
  s.MainImage = "gone.bmp";
  const QColor oldProgress = ControlColor(w.ProgressPanel);
  EXPECT_EQ(ErrorOf(w, WriteScript("a.vskin", s.Lines())),
            "Cannot open file \"" + SkinDir() + "gone.bmp\". No such file or directory");
  // The colour key came before the bitmap, the progress colours after it.
  EXPECT_EQ(w.TransparentColorValue, 0xFF00FFu);
  EXPECT_EQ(ControlColor(w.ProgressPanel), oldProgress);
  EXPECT_EQ(w.MainImage->Picture().size(), QSize(261, 115));  // the built-in picture stays
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, "");
}

TEST_F(SkinLoading, AFileThatIsNoBitmapIsNotValid) {
  auto& w = CreateWindow();
  WriteAll(SkinDir() + "skin.bmp", "BMnot really a bitmap at all");
  EXPECT_EQ(ErrorOf(w, WriteScript("a.vskin", Script().Lines())), "Bitmap image is not valid");
  WriteAll(SkinDir() + "skin.bmp", "plain text");
  EXPECT_EQ(ErrorOf(w, WriteScript("a.vskin", Script().Lines())), "Bitmap image is not valid");
  WriteAll(SkinDir() + "skin.bmp", "");
  EXPECT_EQ(ErrorOf(w, WriteScript("a.vskin", Script().Lines())), "Bitmap image is not valid");
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, "");
}

TEST_F(SkinLoading, APngBitmapIsAcceptedToo) {
  QImage img(261, 115, QImage::Format_RGB32);
  img.fill(Qt::darkBlue);
  ASSERT_TRUE(img.save(QString::fromStdString(SkinDir() + "skin.png"), "PNG"));
  Script s;
  s.MainImage = "skin.png";
  auto& w = CreateWindow();
  w.LoadSkin(WriteScript("a.vskin", s.Lines()));
  EXPECT_EQ(w.MainImage->Picture().pixelColor(5, 5), QColor(Qt::darkBlue));
}

TEST_F(SkinLoading, MagentaKeyCutsMagentaPixelsByNumberOrByNameInAnyCase) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  for (const char* key : {"$FF00FF", "clFuchsia", "CLfuchSIA", "16711935"}) {
    SCOPED_TRACE(key);
    Script s;
    s.TranspColor = key;
    auto& w = CreateWindow();
    w.LoadSkin(WriteScript("a.vskin", s.Lines()));
    EXPECT_EQ(w.TransparentColorValue, 0xFF00FFu);
    EXPECT_FALSE(w.mask().contains(QPoint(5, 5)));   // the magenta block
    EXPECT_TRUE(w.mask().contains(QPoint(15, 5)));   // the body
    EXPECT_TRUE(w.mask().contains(QPoint(250, 110)));
    EXPECT_FALSE(w.mask().contains(QPoint(130, 150)));  // below the image: no panel shown
  }
}

TEST_F(SkinLoading, TheKeyAppliesToThePictureEvenWhenTheBitmapFails) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(0, 255, 0));
  auto& w = CreateWindow();
  // The built-in picture has lime corners; with a blue key they show.
  EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
  Script s;
  s.TranspColor = "clBlue";
  s.MainImage = "missing.bmp";
  ErrorOf(w, WriteScript("a.vskin", s.Lines()));
  EXPECT_EQ(w.TransparentColorValue, 0xFF0000u);
  EXPECT_TRUE(w.mask().contains(QPoint(0, 0)));
}

TEST_F(SkinLoading, ControlsOverKeyedPixelsStayPartOfTheShape) {
  // A picture entirely in the key colour: only the text boxes and the
  // progress bar remain.
  WriteBitmap(SkinDir() + "skin.bmp", QColor(255, 0, 255), QColor(255, 0, 255));
  auto& w = CreateWindow();
  w.LoadSkin(WriteScript("a.vskin", Script().Lines()));
  EXPECT_FALSE(w.mask().contains(QPoint(100, 10)));
  EXPECT_TRUE(w.mask().contains(w.FileText->geometry().center()));
  EXPECT_TRUE(w.mask().contains(w.ProgressPanel->geometry().center()));
}

TEST_F(SkinLoading, SystemColoursNoneAndDefault) {
  WriteBitmap(SkinDir() + "skin.bmp", Qt::darkGray, QColor(255, 0, 255));
  Script s;
  s.PlyLstBarColor = "clBtnFace";
  s.PlyLstBGColor = "clWindow";
  s.PlyLstFontColor = "clWindowText";
  s.BoxBGColor = "clNone";
  s.BoxFontColor = "clDefault";
  s.ProgBarColor = "clHighlight";
  auto& w = CreateWindow();
  w.LoadSkin(WriteScript("a.vskin", s.Lines()));
  const QPalette pal = QApplication::palette();
  EXPECT_EQ(ControlColor(w.PlayListPanel), pal.color(QPalette::Button));
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Base), pal.color(QPalette::Base));
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Text), pal.color(QPalette::Text));
  EXPECT_EQ(ControlColor(w.ProgressPanelBar), pal.color(QPalette::Highlight));
  EXPECT_EQ(ControlColor(w.FileText).alpha(), 0);  // no background of its own
  EXPECT_EQ(ControlFontColor(w.FileText), pal.color(QPalette::Text));
}

TEST_F(SkinLoading, BitmapPathsRelativeAbsoluteAndWindowsStyle) {
  const std::string skins = SkinDir();
  std::filesystem::create_directories(skins + "sub");
  WriteBitmap(skins + "bare.bmp", Qt::gray, Qt::red, 201);
  WriteBitmap(skins + "sub/inner.bmp", Qt::gray, Qt::red, 202);
  WriteBitmap(Dir.File("parent.bmp"), Qt::gray, Qt::red, 203);
  WriteBitmap(Dir.File("abs.bmp"), Qt::gray, Qt::red, 204);
  const std::vector<std::pair<std::string, int>> cases{
      {"bare.bmp", 201},   {"sub/inner.bmp", 202}, {"sub\\inner.bmp", 202},  {"..\\parent.bmp", 203},
      {"../parent.bmp", 203}, {"\\bare.bmp", 201}, {Dir.File("abs.bmp"), 204}, {"C:\\Skins\\bare.bmp", 201},
  };
  auto& w = CreateWindow();
  for (const auto& [value, width] : cases) {
    SCOPED_TRACE(value);
    Script s;
    s.MainImage = value;
    w.LoadSkin(WriteScript("a.vskin", s.Lines()));
    EXPECT_EQ(w.MainImage->Picture().width(), width);
  }
}

TEST_F(SkinLoading, LoadingAMissingScriptOnlyClearsTheSkinFolder) {
  auto& w = CreateWindow();
  w.VelmarisOptions.SkinDir = "/somewhere";
  w.VelmarisOptions.LastSkinFile = "/earlier.vskin";
  const std::string before = Look(w);
  w.LoadSkin(Dir.File("nothing.vskin"));
  EXPECT_EQ(w.VelmarisOptions.SkinDir, "");
  EXPECT_EQ(Look(w), before);
  // A folder is not a script either.
  w.VelmarisOptions.SkinDir = "/somewhere";
  w.LoadSkin(SkinDir());
  EXPECT_EQ(w.VelmarisOptions.SkinDir, "");
  EXPECT_EQ(Look(w), before);
}

TEST_F(SkinLoading, TheBuiltInLook) {
  auto& w = CreateWindow();
  EXPECT_EQ(w.MainImage->Picture().size(), QSize(261, 115));
  EXPECT_EQ(w.MainImage->toolTip(), QStringLiteral("Skin: Default"));
  EXPECT_EQ(w.TransparentColorValue, 0x00FF00u);
  // The lime corner pixels cut the corners; the rest is the window.
  int cut = 0;
  for (int y = 0; y < 115; ++y)
    for (int x = 0; x < 261; ++x)
      if (!w.mask().contains(QPoint(x, y))) ++cut;
  EXPECT_EQ(cut, 30);
  EXPECT_EQ(ControlColor(w.ProgressPanel), Bgr(0x808080));
  EXPECT_EQ(ControlColor(w.ProgressPanelBar), Bgr(0xC0C0C0));
  EXPECT_EQ(ControlColor(w.FileText), Bgr(0));
  EXPECT_EQ(ControlFontColor(w.LengthText), Bgr(0xD3D3D3));
  EXPECT_EQ(ControlFontColor(w.CaptionLabel), Bgr(0));
  EXPECT_EQ(w.StopButton->FontColor(), Bgr(0xFFFFFF));
  EXPECT_EQ(w.PlayList->palette().color(QPalette::Base), Bgr(0xC0C0C0));
  EXPECT_EQ(ControlColor(w.PlayListPanel), QApplication::palette().color(QPalette::Button));
}

// ---- the skins that come with the program ----

TEST_F(SkinLoading, EveryBundledSkinLoadsAndHasItsOwnOutline) {
  const char* fixtures = std::getenv("VELMARIS_FIXTURES");
  ASSERT_NE(fixtures, nullptr);
  std::string skins = fixtures;
  while (!skins.empty() && skins.back() == '/') skins.pop_back();
  skins = skins.substr(0, skins.rfind('/')) + "/Skins";
  const auto names = SkinList::SkinListItems(skins);
  ASSERT_GE(names.size(), 3u);
  std::vector<QRegion> shapes;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    auto& w = CreateWindow();
    w.LoadSkin(skins + "/" + name);
    EXPECT_EQ(w.VelmarisOptions.LastSkinFile, skins + "/" + name);
    EXPECT_EQ(w.MainImage->Picture().size(), QSize(261, 115));
    EXPECT_EQ(w.MainImage->toolTip().left(6), QStringLiteral("Skin: "));
    const QRegion shape = w.mask();
    // Something is cut away, and every control stays inside the shape.
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    for (QWidget* c : std::initializer_list<QWidget*>{w.CloseButton, w.MinimizeButton, w.MakeTransButton,
                                                      w.OpenButton, w.OpenPLButton, w.PlayButton, w.NextButton,
                                                      w.RepeatButton, w.btnVolume, w.RewButton, w.FFButton})
      EXPECT_TRUE(shape.contains(c->geometry().center()));
    for (const QRegion& other : shapes) EXPECT_NE(shape, other);
    shapes.push_back(shape);
  }
}

} // namespace
