// The player's texts as pure rules: time texts, display formats, the song
// caption's cut and the progress bar's width.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "playback/PlayerTexts.h"

namespace {

using namespace PlayerTexts;

// n two-byte letters (a-umlaut).
std::string Umlauts(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "\xC3\xA4";
  return s;
}

TEST(PlayerTextsTest, TimeTexts) {
  const struct {
    int32_t Seconds;
    const char* Text;
  } cases[] = {
      {0, "00:00"},     {5, "00:05"},      {59, "00:59"},     {60, "01:00"},     {225, "03:45"},
      {3725, "62:05"},  {5999, "99:59"},   {6000, "100:00"},  {7380, "123:00"},
      // A position past the length leaves a negative time: each part keeps its sign.
      {-5, "00:-05"},   {-65, "-01:-05"},  {-600, "-10:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeText(c.Seconds), c.Text) << c.Seconds;
}

TEST(PlayerTextsTest, WholeSecondsCutTowardsZero) {
  EXPECT_EQ(WholeSeconds(0), 0);
  EXPECT_EQ(WholeSeconds(999), 0);
  EXPECT_EQ(WholeSeconds(1000), 1);
  EXPECT_EQ(WholeSeconds(225400), 225);
  EXPECT_EQ(WholeSeconds(-1500), -1);
}

TEST(PlayerTextsTest, BlankTextIsBlanksAndControlsOnly) {
  for (const char* s : {"", " ", " \t \r\n", "\x01\x1F"}) EXPECT_TRUE(BlankText(s)) << s;
  // Bytes of UTF-8 letters are above the blank, not below it as signed chars.
  for (const char* s : {"a", "  x ", "\xC3\xA4", "$pos"}) EXPECT_FALSE(BlankText(s)) << s;
}

// Values for the tokens that count how often each is asked.
struct Values {
  std::string FileName = "name", TimeLeft = "02:43", Pos = "01:02";
  int Asked[3] = {0, 0, 0};
  DisplayValues Make() {
    return {[this] { ++Asked[0]; return FileName; }, [this] { ++Asked[1]; return TimeLeft; },
            [this] { ++Asked[2]; return Pos; }};
  }
};

TEST(PlayerTextsTest, DisplayFormatTokens) {
  const struct {
    const char* Format;
    const char* Text;
  } cases[] = {
      {"", ""},
      {"just text $ pos $po $FILENAME", "just text $ pos $po $FILENAME"},
      {"$pos of $timeleft", "01:02 of 02:43"},
      {"- $filename... [$timeleft]", "- name... [02:43]"},
      {"$pos $pos", "01:02 01:02"},
      {"$filename$filename$pos", "namename01:02"},
      {"$$pos", "$01:02"},
  };
  for (const auto& c : cases) {
    Values v;
    EXPECT_EQ(ExpandDisplayFormat(c.Format, v.Make()), c.Text) << c.Format;
    for (int asked : v.Asked) EXPECT_LE(asked, 1) << c.Format;  // each value asked at most once
  }
}

TEST(PlayerTextsTest, DisplayFormatValuesAreNotScannedForTheirOwnToken) {
  Values v;
  v.FileName = "$filename";
  EXPECT_EQ(ExpandDisplayFormat("[$filename|$filename]", v.Make()), "[$filename|$filename]");
  // Later tokens are replaced inside an earlier value: $filename comes first.
  v.FileName = "$pos x";
  EXPECT_EQ(ExpandDisplayFormat("$filename", v.Make()), "01:02 x");
  v.FileName = "name";
  v.Pos = "$timeleft";
  EXPECT_EQ(ExpandDisplayFormat("$pos", v.Make()), "$timeleft");
}

TEST(PlayerTextsTest, DisplayFormatAsksOnlyForTokensItHolds) {
  // The time left needs an open song: a format without it must not ask.
  DisplayValues throwing{[] { return std::string("n"); }, []() -> std::string { throw std::runtime_error("no song"); },
                         [] { return std::string("p"); }};
  EXPECT_EQ(ExpandDisplayFormat("$filename $pos", throwing), "n p");
  EXPECT_THROW(ExpandDisplayFormat("$timeleft", throwing), std::runtime_error);
  // A missing value counts as empty.
  EXPECT_EQ(ExpandDisplayFormat("<$pos>", DisplayValues{}), "<>");
}

TEST(PlayerTextsTest, SongCaptionIsCutByCharacters) {
  const std::string name44 = std::string(40, 'a') + ".mp3";  // " " + 44 = 45: whole
  const std::string name45 = std::string(41, 'b') + ".mp3";  // 46: cut
  const struct {
    std::string Display, Text;
    bool Cut;
  } cases[] = {
      {"", " ", false},
      {name44, " " + name44, false},
      {name45, " " + std::string(38, 'b') + "...", true},
      // Characters, not bytes: 44 two-byte letters stay whole, 45 are cut after a whole letter.
      {Umlauts(44), " " + Umlauts(44), false},
      {Umlauts(45), " " + Umlauts(38) + "...", true},
  };
  for (const auto& c : cases) {
    const SongCaption caption = MakeSongCaption(c.Display);
    EXPECT_EQ(caption.Text, c.Text) << c.Display;
    EXPECT_EQ(caption.Cut, c.Cut) << c.Display;
  }
}

TEST(PlayerTextsTest, FileNameTokenIsTenCharactersOfTheCaption) {
  EXPECT_EQ(FileNameToken(""), "");
  EXPECT_EQ(FileNameToken(" "), "");
  EXPECT_EQ(FileNameToken(" Artist - Title"), "Artist - T");
  EXPECT_EQ(FileNameToken(" \xC3\xA4\xC3\xB6\xC3\xBC abcdefghij"), "\xC3\xA4\xC3\xB6\xC3\xBC abcdef");
  // It stands for the caption as shown, after the cut.
  EXPECT_EQ(FileNameToken(MakeSongCaption(Umlauts(50)).Text), Umlauts(10));
}

TEST(PlayerTextsTest, ProgressWidths) {
  const struct {
    int32_t Position, Length;
    int Width, Expected;
  } cases[] = {
      {90, 180, 180, 90},
      {179, 180, 180, 178},  // 179 / 180 as a 32-bit float is a little below
      {59, 60, 183, 179},    // trunc(183 * 0.98333...)
      {30, 60, 183, 91},
      {0, 60, 183, 0},
      {60, 60, 183, 183},
      {5, 0, 183, 0},    // no length: no bar, no division by zero
      {5, -1, 183, 0},
      {-5, 60, 183, 0},  // never negative
      {30, 60, 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgressWidth(c.Position, c.Length, c.Width), c.Expected)
        << c.Position << "/" << c.Length << " of " << c.Width;
}

} // namespace
