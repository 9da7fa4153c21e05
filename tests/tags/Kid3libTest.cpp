#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "tags/Kid3lib.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace std::string_literals;
using KID3Lib::SimpleID3;

namespace {

const std::string kAudio = SilentMpegFrames(3);

class Summary : public ::testing::Test {
protected:
  TempDir dir;
  SimpleID3 Of(const std::string& bytes) {
    const std::string path = dir.File("s.mp3");
    WriteAll(path, bytes);
    return KID3Lib::ReadSimpleID3(path);
  }
};

std::string V1(const std::string& title, const std::string& artist, uint8_t genre) {
  Id3v1Fields f;
  f.title = title;
  f.artist = artist;
  f.genre = genre;
  return Id3v1Block(f);
}

void ExpectEmpty(const SimpleID3& s) {
  EXPECT_EQ(s.Title + s.Artist + s.Album + s.Track + s.Year + s.Genre + s.Version, "");
}

} // namespace

TEST_F(Summary, NoUsableTagGivesTheEmptySummary) {
  ExpectEmpty(Of(kAudio));
  ExpectEmpty(Of(""));
  ExpectEmpty(Of("ID3\x03"s));                 // shorter than a header
  ExpectEmpty(Of(V1("", "", 255).substr(1)));  // shorter than a block
  ExpectEmpty(Of(kAudio + V1("", "", 255)));   // a tag that joins to "0"
  ExpectEmpty(KID3Lib::ReadSimpleID3(dir.File("missing.mp3")));
  ExpectEmpty(KID3Lib::ReadSimpleID3(dir.Path()));
}

TEST_F(Summary, FromId3v1) {
  SimpleID3 s = Of(kAudio + V1("Title", "Artist", 17));
  EXPECT_EQ(s.Title, "Title");
  EXPECT_EQ(s.Artist, "Artist");
  EXPECT_EQ(s.Album, "");
  EXPECT_EQ(s.Genre, "Rock");
  EXPECT_EQ(s.Track, "0");
  EXPECT_EQ(s.Version, "1.1");

  s = Of(kAudio + V1("", "", 0));
  EXPECT_EQ(s.Genre, "Blues");
  EXPECT_EQ(s.Track, "0");
  EXPECT_EQ(s.Version, "1.1");
  EXPECT_EQ(s.Title + s.Artist + s.Album + s.Year, "");

  // Latin-1 bytes are shown as UTF-8; UTF-8 bytes stay as they are.
  s = Of(kAudio + V1("Caf\xE9", "Bj\xC3\xB6rk", 255));
  EXPECT_EQ(s.Title, "Caf\xC3\xA9");
  EXPECT_EQ(s.Artist, "Bj\xC3\xB6rk");
}

TEST_F(Summary, Id3v2FirstThenFallBack) {
  const std::string v1 = V1("One", "", 255);
  // Only a track number: empty in this sense, so the ID3v1 tag is used.
  SimpleID3 s = Of(Id3v2Tag(3, {Id3v2TextFrame("TRCK", "5")}) + kAudio + v1);
  EXPECT_EQ(s.Title, "One");
  EXPECT_EQ(s.Version, "1.1");
  // A comment alone is enough; the ID3v1 tag is not consulted.
  s = Of(Id3v2Tag(3, {Id3v2Frame("COMM", "\0eng\0Nice"s)}) + kAudio + v1);
  EXPECT_EQ(s.Version, "2.3.x");
  EXPECT_EQ(s.Title, "");
  EXPECT_EQ(s.Track, "0");
  // Other major versions are passed over.
  s = Of(Id3v2Tag(4, {Id3v2TextFrame("TIT2", "Four")}) + kAudio + v1);
  EXPECT_EQ(s.Title, "One");
  // A declared size beyond the file too.
  s = Of(Id3v2Header(3, 1 << 20) + Id3v2TextFrame("TIT2", "Big") + kAudio + v1);
  EXPECT_EQ(s.Title, "One");

  s = Of(Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Two"), Id3v2TextFrame("TPE1", "Art"),
                      Id3v2TextFrame("TALB", "Alb"), Id3v2TextFrame("TRCK", "3/9"),
                      Id3v2TextFrame("TYER", "2001"), Id3v2TextFrame("TCON", "(17)Rock")}) +
         kAudio + v1);
  EXPECT_EQ(s.Title, "Two");
  EXPECT_EQ(s.Artist, "Art");
  EXPECT_EQ(s.Album, "Alb");
  EXPECT_EQ(s.Track, "3");
  EXPECT_EQ(s.Year, "2001");
  EXPECT_EQ(s.Genre, "Rock");
  EXPECT_EQ(s.Version, "2.3.x");
}

TEST_F(Summary, SixteenBitTitlesAreDecoded) {
  SimpleID3 s = Of(Id3v2Tag(3, {Id3v2Frame("TIT2", "\x01\xFF\xFEH\0i\0"s)}) + kAudio);
  EXPECT_EQ(s.Title, "Hi");
  s = Of(Id3v2Tag(3, {Id3v2Frame("TIT2", "\x01\xFE\xFF\0H\0i"s)}) + kAudio);
  EXPECT_EQ(s.Title, "Hi");
  // A short file holding only an ID3v2 tag still gives its texts.
  s = Of(Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Tiny")}));
  EXPECT_EQ(s.Title, "Tiny");
}

TEST_F(Summary, FilesMadeByLame) {
  SimpleID3 s = KID3Lib::ReadSimpleID3(FixturesDir() + "tagged_v2.mp3");
  EXPECT_EQ(s.Title, "Title Two");
  EXPECT_EQ(s.Artist, "Artist Two");
  EXPECT_EQ(s.Album, "Album Two");
  EXPECT_EQ(s.Track, "3");
  EXPECT_EQ(s.Year, "2024");
  EXPECT_EQ(s.Genre, "Rock");
  EXPECT_EQ(s.Version, "2.3.x");
  s = KID3Lib::ReadSimpleID3(FixturesDir() + "tagged_v1.mp3");
  EXPECT_EQ(s.Title, "Title One");
  EXPECT_EQ(s.Track, "4");
  EXPECT_EQ(s.Genre, "Jazz");
  EXPECT_EQ(s.Version, "1.1");
}

TEST(DisplayText, Conversions) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xFF\xFEH\0i"s, "Hi"},                       // odd last byte completed
      {"\xFE\xFF\0H\0i"s, "Hi"},                     // big-endian mark
      {"\xFF\xFE\xE9\0"s, "\xC3\xA9"},               // é
      {"\xFF\xFE\xAC\x20"s, "\xE2\x82\xAC"},         // €
      {"\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"}, // surrogate pair
      {"\xFF\xFE\x3D\xD8"s, "\xEF\xBF\xBD"},         // lone surrogate
      {"\xFF\xFEH\0\0\0i\0"s, "H"},                  // U+0000 ends the text
      {"\xFF\xFE"s, ""},
      {"\xFF"s, "\xC3\xBF"},                         // no mark: Latin-1
      {"Caf\xE9"s, "Caf\xC3\xA9"},
      {"Bj\xC3\xB6rk"s, "Bj\xC3\xB6rk"},             // valid UTF-8 kept
      {"\xC0\xAF"s, "\xC3\x80\xC2\xAF"},             // overlong: not UTF-8
      {"a\0b"s, "a"},                                // ends at a zero byte
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(KID3Lib::NarrowUnicodeText(in), out);
}

TEST(Emptiness, JoinedTextMustExceedThreeBytes) {
  TID3v1 v1;
  EXPECT_TRUE(KID3Lib::IsTagEmpty(v1)); // no tag
  std::string block = V1("", "", 0);
  v1.ReadFromBuffer(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  EXPECT_FALSE(KID3Lib::IsTagEmpty(v1)); // "0Blues"
  block = V1("", "", 255);
  block[125] = 0;
  block[126] = static_cast<char>(255);
  v1.ReadFromBuffer(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  EXPECT_TRUE(KID3Lib::IsTagEmpty(v1)); // "255"

  auto v2 = [](const std::vector<std::string>& frames) {
    std::string bytes = Id3v2Tag(3, frames);
    TID3v2 t;
    t.ReadFromBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return KID3Lib::IsTagEmpty(t);
  };
  EXPECT_TRUE(v2({Id3v2TextFrame("TRCK", "123")}));
  EXPECT_FALSE(v2({Id3v2TextFrame("TYER", "2001")}));  // "02001"
  EXPECT_TRUE(v2({Id3v2TextFrame("TYER", "01")}));     // "001"
}

TEST(Report, CaptionAndLines) {
  SimpleID3 s;
  s.Title = "Hi";
  s.Track = "0";
  s.Version = "2.3.x";
  EXPECT_EQ(KID3Lib::TagReportCaption(s), "ID3v2.3.x mp3 tag");
  const std::string d(61, '-');
  EXPECT_EQ(KID3Lib::TagReportText(s), d + "\r\nTitle: Hi\r\nArtist: \r\nAlbum: \r\n"
                                           "Track: 0  Year:   Genre: \r\n" + d +
                                           "\r\nPress ctrl-c to copy this information to the clipboard");
  s.Year = "1999";
  s.Genre = "Rock";
  const std::string text = KID3Lib::TagReportText(s);
  EXPECT_NE(text.find("\r\nTrack: 0  Year: 1999  Genre: Rock\r\n"), std::string::npos);
  EXPECT_NE(text.back(), '\n');
}
