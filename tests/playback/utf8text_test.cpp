// Measuring and cutting captions by characters.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "text/Utf8Text.h"

namespace {

TEST(Utf8TextTest, CountsCharactersNotBytes) {
  EXPECT_EQ(Utf8Text::Length(""), 0u);
  EXPECT_EQ(Utf8Text::Length("abc"), 3u);
  EXPECT_EQ(Utf8Text::Length("\xC3\xA4\xE2\x82\xAC\xF0\x9F\x8E\xB5"), 3u);  // two, three and four bytes
  EXPECT_EQ(Utf8Text::Mid("\xC3\xA4\xE2\x82\xAC\xF0\x9F\x8E\xB5x", 1, 2), "\xE2\x82\xAC\xF0\x9F\x8E\xB5");
  EXPECT_EQ(Utf8Text::Mid("abc", 1, 10), "bc");
  EXPECT_EQ(Utf8Text::Mid("abc", 5, 2), "");
}

TEST(Utf8TextTest, BrokenBytesCountOneEach) {
  // A Latin-1 name, a lone continuation byte, a sequence cut by the end.
  EXPECT_EQ(Utf8Text::Length("M\xFCller"), 6u);
  EXPECT_EQ(Utf8Text::Length("\x80\x80"), 2u);
  EXPECT_EQ(Utf8Text::Length("a\xE2\x82"), 3u);
  EXPECT_EQ(Utf8Text::Mid("a\xE2\x82", 1, 1), "\xE2");
  EXPECT_EQ(Utf8Text::Mid("\xC3\xA4\xC3", 0, 5), "\xC3\xA4\xC3");
}

} // namespace

TEST(Utf8TextTest, Windows1252BytesAsUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"caf\xE9 \xF1", "caf\xC3\xA9 \xC3\xB1"},         // Latin-1 letters
      {"\x80 \x99 \x9F", "\xE2\x82\xAC \xE2\x84\xA2 \xC5\xB8"},  // the signs in 0x80-0x9F
      {"\x81\x9D", "\xC2\x81\xC2\x9D"},                  // unused bytes: control characters
      {"\xFF", "\xC3\xBF"},
      {"plain\\a.mp3", "plain\\a.mp3"},
      {"", ""},
  };
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(Utf8Text::FromWindows1252(bytes), utf8) << bytes;
}
