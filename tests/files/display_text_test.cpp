// File names and message texts as they are shown (Utf8Text's display rules).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "text/Utf8Text.h"

namespace {

const std::string kDots = "\xE2\x80\xA6"; // U+2026

TEST(FileNameDisplay, Utf8WhenValidElseLatin1NeverReplacementCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain.mp3", "plain.mp3"},
      {"\xC3\xA9t\xC3\xA9.mp3", "\xC3\xA9t\xC3\xA9.mp3"},                  // valid UTF-8 stays
      {"\xF0\x9F\x8E\xB5 \xE2\x82\xAC", "\xF0\x9F\x8E\xB5 \xE2\x82\xAC"},  // four and three bytes
      {"latin1-\xE9t\xE9", "latin1-\xC3\xA9t\xC3\xA9"},                    // Latin-1 name
      {"M\xFCller \xC3\xA9", "M\xC3\xBCller \xC3\x83\xC2\xA9"},            // one bad byte: all Latin-1
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                                    // overlong "/"
      {"\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"},                        // overlong, three bytes
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},                        // a surrogate
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},            // past U+10FFFF
      {"a\xE2\x82", "a\xC3\xA2\xC2\x82"},                                  // cut short at the end
      {"\x80", "\xC2\x80"},                                                // lone continuation byte
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(Utf8Text::ForDisplay(bytes), shown) << bytes;
    EXPECT_TRUE(Utf8Text::IsValid(Utf8Text::ForDisplay(bytes))) << bytes;
    EXPECT_EQ(Utf8Text::ForDisplay(bytes).find("\xEF\xBF\xBD"), std::string::npos);
  }
  EXPECT_TRUE(Utf8Text::IsValid("\xF4\x8F\xBF\xBF"));  // U+10FFFF
  EXPECT_TRUE(Utf8Text::IsValid("\xED\x9F\xBF"));      // U+D7FF
  EXPECT_FALSE(Utf8Text::IsValid("\xF5\x80\x80\x80"));
}

TEST(MessageText, ShortenMiddleKeepsStartAndEndAndWholeCharacters) {
  const std::string e = "\xC3\xA9"; // two bytes, one character
  const struct {
    std::string text;
    size_t max;
    std::string shortened;
  } cases[] = {
      {"abcdef", 6, "abcdef"},
      {"abcdefg", 6, "abc" + kDots + "fg"},
      {"abcdefg", 3, "a" + kDots + "g"},
      {"abcdefg", 1, kDots},
      {"abcdefg", 0, ""},
      {e + e + e + e + e, 5, e + e + e + e + e}, // ten bytes, five characters: fits
      {e + e + e + e + e, 4, e + e + kDots + e},
      {"a" + e + e + e + "z", 4, "a" + e + kDots + "z"},
      {"\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5", 2, "\xF0\x9F\x8E\xB5" + kDots},
  };
  for (const auto& c : cases) {
    const std::string got = Utf8Text::ShortenMiddle(c.text, c.max);
    EXPECT_EQ(got, c.shortened) << c.text << " " << c.max;
    EXPECT_LE(Utf8Text::Length(got), c.max);
  }
}

TEST(MessageText, HugeTextsBecomeShortAtOnce) {
  // A playlist line of megabytes that names no file (the message box test
  // takes 50 MB; the cost does not grow with the length).
  const std::string path = "/music/" + std::string(8u << 20, 'x') + "/song.mp3";
  const auto start = std::chrono::steady_clock::now();
  const std::string shown = Utf8Text::MessageText(path + " does not exist.");
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(ms.count(), 2000);
  EXPECT_EQ(Utf8Text::Length(shown), Utf8Text::kMaxMessageChars);
  EXPECT_EQ(shown.rfind("/music/xxx", 0), 0u);
  EXPECT_EQ(shown.substr(shown.size() - 28), "xxx/song.mp3 does not exist.");

  // Latin-1 bytes are shown as such, also when cut.
  EXPECT_EQ(Utf8Text::MessageText("caf\xE9"), "caf\xC3\xA9");

  // Many lines: the first and the last ones.
  std::string lines;
  for (int i = 0; i < 100; ++i) lines += std::to_string(i) + "\n";
  lines += "end";
  const std::string cut = Utf8Text::MessageText(lines);
  EXPECT_EQ(std::count(cut.begin(), cut.end(), '\n') + 1, static_cast<long>(Utf8Text::kMaxMessageLines));
  EXPECT_EQ(cut.rfind("0\n1\n", 0), 0u);
  EXPECT_NE(cut.find("19\n" + kDots + "\n"), std::string::npos);
  EXPECT_EQ(cut.substr(cut.size() - 6), "99\nend");
  EXPECT_EQ(Utf8Text::MessageText("one\ntwo"), "one\ntwo");
}

} // namespace
