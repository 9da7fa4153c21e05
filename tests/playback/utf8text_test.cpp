// Measuring and cutting captions by characters.
#include <gtest/gtest.h>

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
