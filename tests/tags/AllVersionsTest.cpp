// The tag summary's reading of every ID3v2 version (TagReading::AllVersions).
#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "tags/Id3v2Frames.h"
#include "tags/Kid3lib.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace std::string_literals;
using KID3Lib::SimpleID3;
using KID3Lib::TagReading;

namespace {

const std::string kAudio = SilentMpegFrames(2);

std::string V1Title(const std::string& title) {
  Id3v1Fields f;
  f.title = title;
  return Id3v1Block(f);
}

// A text frame's data: encoding byte, then the bytes.
std::string Enc(int encoding, const std::string& bytes) {
  return std::string(1, static_cast<char>(encoding)) + bytes;
}

class AllVersions : public ::testing::Test {
protected:
  TempDir dir;
  SimpleID3 Of(const std::string& bytes, TagReading reading = TagReading::AllVersions) {
    const std::string path = dir.File("a.mp3");
    WriteAll(path, bytes);
    return KID3Lib::ReadSimpleID3(path, reading);
  }
  std::string TitleOf(const std::string& bytes) { return Of(bytes).Title; }
  // A tag of the given version holding a title frame with this data (and an
  // artist, so that short titles still make a tag).
  std::string TitleOfData(uint8_t major, const std::string& data) {
    const std::string frame = major == 2   ? Id3v22Frame("TT2", data)
                              : major == 3 ? Id3v2Frame("TIT2", data)
                                           : Id3v24Frame("TIT2", data);
    const std::string artist = major == 2 ? Id3v22Frame("TP1", Enc(0, "Someone"))
                                          : Id3v2Frame("TPE1", Enc(0, "Someone"));
    return TitleOf(Id3v2Tag(major, {frame, artist}) + kAudio);
  }
};

void ExpectFields(const SimpleID3& s, const std::string& version) {
  EXPECT_EQ(s.Title, "Title");
  EXPECT_EQ(s.Artist, "Artist");
  EXPECT_EQ(s.Album, "Album");
  EXPECT_EQ(s.Track, "7");
  EXPECT_EQ(s.Year, "2004");
  EXPECT_EQ(s.Genre, "Rock");
  EXPECT_EQ(s.Version, version);
}

} // namespace

TEST_F(AllVersions, EachVersionGivesTheSameFields) {
  const std::string v1 = V1Title("Old");
  SimpleID3 s = Of(Id3v2Tag(2, {Id3v22Frame("TT2", Enc(0, "Title")), Id3v22Frame("TP1", Enc(0, "Artist")),
                                Id3v22Frame("TAL", Enc(0, "Album")), Id3v22Frame("TRK", Enc(0, "7/12")),
                                Id3v22Frame("TYE", Enc(0, "2004")), Id3v22Frame("TCO", Enc(0, "(17)"))}) +
                   kAudio + v1);
  ExpectFields(s, "2.2");
  s = Of(Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Title"), Id3v2TextFrame("TPE1", "Artist"),
                      Id3v2TextFrame("TALB", "Album"), Id3v2TextFrame("TRCK", "7"),
                      Id3v2TextFrame("TYER", "2004"), Id3v2TextFrame("TCON", "Rock")}) +
         kAudio + v1);
  ExpectFields(s, "2.3");
  // ID3v2.4: syncsafe sizes (a 200-byte frame in front), TDRC as the year.
  const std::string four =
      Id3v2Tag(4, {Id3v24Frame("TXXX", Enc(0, std::string(199, 'x'))), Id3v24Frame("TIT2", Enc(0, "Title")),
                   Id3v24Frame("TPE1", Enc(3, "Artist")), Id3v24Frame("TALB", Enc(0, "Album")),
                   Id3v24Frame("TRCK", Enc(0, "7")), Id3v24Frame("TDRC", Enc(0, "2004-05-01T12:00")),
                   Id3v24Frame("TCON", Enc(0, "17"))}, 100) +
      kAudio + v1;
  ExpectFields(Of(four), "2.4");
  EXPECT_EQ(KID3Lib::TagReportCaption(Of(four)), "ID3v2.4 mp3 tag");
  // The classic reading stays as it was: ID3v2.4 passed over for ID3v1.
  s = Of(four, TagReading::Classic);
  EXPECT_EQ(s.Title, "Old");
  EXPECT_EQ(s.Version, "1.1");
  const std::string path = dir.File("a.mp3");
  const SimpleID3 one = KID3Lib::ReadSimpleID3(path);
  EXPECT_EQ(one.Title + one.Version, s.Title + s.Version);
}

TEST_F(AllVersions, EmptyOrUnknownTagsFallBackToId3v1) {
  const std::string v1 = V1Title("Old");
  EXPECT_EQ(Of(Id3v2Tag(4, {Id3v24Frame("TRCK", Enc(0, "5"))}) + kAudio + v1).Title, "Old");
  EXPECT_EQ(Of(Id3v2Tag(5, {Id3v24Frame("TIT2", Enc(0, "Five"))}) + kAudio + v1).Title, "Old");
  EXPECT_EQ(Of(Id3v2Tag(2, {Id3v22Frame("TT2", Enc(0, "Zip"))}, 0, 0x40) + kAudio + v1).Title,
            "Old"); // a compressed ID3v2.2 tag
  // A short title is still a title (the classic reading counts a tag of at
  // most 3 bytes of text as empty).
  EXPECT_EQ(Of(Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "ab"))}) + kAudio + v1).Title, "ab");
  EXPECT_EQ(Of(Id3v2Tag(4, {Id3v24Frame("TRCK", Enc(0, "12"))}) + kAudio + v1).Title, "Old");
  SimpleID3 s = Of(Id3v2Tag(4, {Id3v24Frame("COMM", Enc(0, "eng\0Nice"s))}) + kAudio + v1);
  EXPECT_EQ(s.Version, "2.4"); // a comment alone makes the tag
  EXPECT_EQ(s.Title + s.Track, "0");
  s = Of(kAudio);
  EXPECT_EQ(s.Title + s.Track + s.Version, "");
  EXPECT_EQ(KID3Lib::ReadSimpleID3(dir.File("missing.mp3"), TagReading::AllVersions).Version, "");
  EXPECT_EQ(KID3Lib::ReadSimpleID3(dir.Path(), TagReading::AllVersions).Version, "");
}

TEST_F(AllVersions, Unsynchronisation) {
  // ID3v2.3: the whole tag, frame headers included. A 255-byte frame has the
  // size byte FF, and the Latin-1 title "ÿ" is the byte FF.
  const std::string body = Id3v2Frame("TIT2", Enc(0, "\xFF" "\xE9t\xE9"s)) +
                           Id3v2Frame("TPE1", Enc(0, std::string(253, 'a') + "\xFF"));
  const std::string unsynced = Unsynchronised(body);
  ASSERT_NE(unsynced, body);
  SimpleID3 s = Of(Id3v2Header(3, static_cast<uint32_t>(unsynced.size()), 0x80) + unsynced + kAudio);
  EXPECT_EQ(s.Title, "\xC3\xBF\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(s.Artist, std::string(253, 'a') + "\xC3\xBF");
  // ID3v2.2 the same way.
  const std::string two = Unsynchronised(Id3v22Frame("TT2", Enc(0, "\xFF\xE0"s)));
  EXPECT_EQ(TitleOf(Id3v2Header(2, static_cast<uint32_t>(two.size()), 0x80) + two + kAudio),
            "\xC3\xBF\xC3\xA0");
  // ID3v2.4: per frame (flag 02), or every frame through the tag's flag;
  // the frame header is never unsynchronised.
  const std::string data = Unsynchronised(Enc(1, "\xFF\xFE\xE9\xFF"s)); // U+FFE9
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", data, 0x0002)}) + kAudio), "\xEF\xBF\xA9");
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", data)}, 0, 0x80) + kAudio), "\xEF\xBF\xA9");
  // Without the flag the inserted zero stays: FF FE E9 FF 00 is not U+FFE9.
  EXPECT_NE(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", data)}) + kAudio), "\xEF\xBF\xA9");
}

TEST_F(AllVersions, ExtendedHeadersAreSkippedBySize) {
  // ID3v2.3: the size counts the bytes behind it (6 here, a CRC flag's 10 too).
  const std::string ext3 = "\0\0\0\x06\0\0\0\0\0\0"s;
  const std::string title = Id3v2Frame("TIT2", Enc(0, "Ext"));
  EXPECT_EQ(TitleOf(Id3v2Header(3, static_cast<uint32_t>(ext3.size() + title.size()), 0x40) + ext3 +
                    title + kAudio),
            "Ext");
  const std::string ext3crc = "\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78"s;
  EXPECT_EQ(TitleOf(Id3v2Header(3, static_cast<uint32_t>(ext3crc.size() + title.size()), 0x40) +
                    ext3crc + title + kAudio),
            "Ext");
  // Unsynchronised as well: the extended header is unsynchronised too.
  const std::string both = Unsynchronised(ext3 + Id3v2Frame("TIT2", Enc(0, "\xFF\xFF"s)));
  EXPECT_EQ(TitleOf(Id3v2Header(3, static_cast<uint32_t>(both.size()), 0xC0) + both + kAudio),
            "\xC3\xBF\xC3\xBF");
  // ID3v2.4: a syncsafe size counting the whole extended header.
  const std::string ext4 = "\0\0\0\x06\x01\0"s;
  const std::string title4 = Id3v24Frame("TIT2", Enc(0, "Ext4"));
  EXPECT_EQ(TitleOf(Id3v2Header(4, static_cast<uint32_t>(ext4.size() + title4.size()), 0x40) + ext4 +
                    title4 + kAudio),
            "Ext4");
  // Some writers set the flag without writing the header: a frame follows.
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {title4}, 0, 0x40) + kAudio), "Ext4");
  EXPECT_EQ(TitleOf(Id3v2Tag(3, {title}, 0, 0x40) + kAudio), "Ext");
}

TEST_F(AllVersions, FrameFlags) {
  const std::string artist = Id3v24Frame("TPE1", Enc(0, "Artist"));
  // ID3v2.4: group byte, data length indicator, both; in that order.
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", "\x07"s + Enc(0, "Grouped"), 0x0040)}) + kAudio),
            "Grouped");
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", "\0\0\0\x05"s + Enc(0, "Four"), 0x0001)}) + kAudio),
            "Four");
  const std::string dli = Unsynchronised(Enc(0, "\xFF\xFF"s));
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", "\x07\0\0\0\x03"s + dli, 0x0043)}) + kAudio),
            "\xC3\xBF\xC3\xBF");
  // Compressed or encrypted frames are skipped; the frames behind them count.
  for (uint16_t flags : {0x0008, 0x0004, 0x0009}) {
    const SimpleID3 s = Of(Id3v2Tag(4, {Id3v24Frame("TIT2", "\0\0\0\x05xxxxx"s, flags), artist}) + kAudio);
    EXPECT_EQ(s.Title, "") << flags;
    EXPECT_EQ(s.Artist, "Artist") << flags;
  }
  // ID3v2.3: 0080 compressed, 0040 encrypted, 0020 one group byte.
  for (uint16_t flags : {0x0080, 0x0040}) {
    const SimpleID3 s = Of(Id3v2Tag(3, {Id3v2Frame("TIT2", "\0\0\0\x05xxxxx"s, flags),
                                        Id3v2TextFrame("TPE1", "Artist")}) + kAudio);
    EXPECT_EQ(s.Title, "") << flags;
    EXPECT_EQ(s.Artist, "Artist") << flags;
  }
  EXPECT_EQ(TitleOf(Id3v2Tag(3, {Id3v2Frame("TIT2", "\x09"s + Enc(0, "Group3"), 0x0020)}) + kAudio), "Group3");
  // Status flags (first byte) change nothing.
  EXPECT_EQ(TitleOf(Id3v2Tag(3, {Id3v2Frame("TIT2", Enc(0, "S"), 0xE000), artist}) + kAudio), "S");
}

TEST_F(AllVersions, TextEncodings) {
  for (uint8_t major : {2, 3, 4}) {
    SCOPED_TRACE(static_cast<int>(major));
    EXPECT_EQ(TitleOfData(major, Enc(0, "Caf\xE9")), "Caf\xC3\xA9");                // Latin-1
    EXPECT_EQ(TitleOfData(major, Enc(1, Utf16Le("Hi") + "\0\0"s)), "Hi");           // UTF-16, FF FE
    EXPECT_EQ(TitleOfData(major, Enc(1, "\xFE\xFF\x04\x4F"s)), "\xD1\x8F");          // UTF-16, FE FF
    EXPECT_EQ(TitleOfData(major, Enc(2, "\x04\x1F\x04\x4F"s)), "\xD0\x9F\xD1\x8F");  // UTF-16BE
    EXPECT_EQ(TitleOfData(major, Enc(3, "Bj\xC3\xB6rk\0"s)), "Bj\xC3\xB6rk");       // UTF-8
    EXPECT_EQ(TitleOfData(major, Enc(1, "\xFF\xFE\x3D\xD8\x00\xDE"s)), "\xF0\x9F\x98\x80");
    EXPECT_EQ(TitleOfData(major, Enc(1, "\xFF\xFE\x1F\x04\x4F\x04"s)), "\xD0\x9F\xD1\x8F");
  }
  // UTF-16 without a byte-order mark is read as little-endian.
  std::string between;
  for (char c : "Between Worlds"s) between += std::string(1, c) + '\0';
  EXPECT_EQ(TitleOfData(3, Enc(1, between)), "Between Worlds");
  EXPECT_EQ(TitleOfData(4, Enc(1, between + "\0\0"s)), "Between Worlds");
  // Blanks and control characters at either end are not shown; unknown
  // encodings give no text; an odd last byte is completed with zero.
  EXPECT_EQ(TitleOfData(4, Enc(0, "  Pad  \0\0\0"s)), "Pad");
  EXPECT_EQ(TitleOfData(4, Enc(1, Utf16Le(" Hi "))), "Hi");
  EXPECT_EQ(TitleOfData(4, Enc(4, "Nope")), "");
  EXPECT_EQ(TitleOfData(4, Enc(2, "\0H\0i\0"s)), "Hi");
  EXPECT_EQ(TitleOfData(4, Enc(1, "\xFF\xFEH\0i"s)), "Hi");
}

TEST_F(AllVersions, SeveralValuesOfAnId3v24FrameAreJoined) {
  EXPECT_EQ(TitleOfData(4, Enc(0, "One\0Two\0"s)), "One / Two");
  EXPECT_EQ(TitleOfData(4, Enc(3, "One\0\0Two"s)), "One / Two");
  EXPECT_EQ(TitleOfData(4, Enc(1, Utf16Le("One") + "\0\0"s + Utf16Le("Two"))), "One / Two");
  EXPECT_EQ(TitleOfData(4, Enc(2, "\0A\0\0\0B"s)), "A / B");
  // The zero unit of a 16-bit text starts at an even offset: 00 41 00 00 is "A".
  EXPECT_EQ(TitleOfData(4, Enc(1, "\xFF\xFE\0A\0\0"s)), "\xE4\x84\x80");
  // ID3v2.2 and 2.3 texts end at the first zero.
  EXPECT_EQ(TitleOfData(3, Enc(0, "One\0Two"s)), "One");
  EXPECT_EQ(TitleOfData(2, Enc(1, Utf16Le("One") + "\0\0"s + Utf16Le("Two"))), "One");
  // The year is the first value's year.
  SimpleID3 s = Of(Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "T")), Id3v24Frame("TDRC", Enc(0, "1999\0" "2001"s))}) +
                   kAudio);
  EXPECT_EQ(s.Year, "1999");
  s = Of(Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "T")), Id3v24Frame("TYER", Enc(0, "1998"))}) + kAudio);
  EXPECT_EQ(s.Year, "1998");
  s = Of(Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "T")), Id3v24Frame("TDRC", Enc(0, "2010"))}) + kAudio);
  EXPECT_EQ(s.Year, "2010");
}

TEST(GenreNames, NumbersAreNamed) {
  const std::pair<std::string, std::string> cases[] = {
      {"17", "Rock"},         {"(17)", "Rock"},         {"(17)Rock", "Rock"},
      {"0", "Blues"},         {"147", "Synthpop"},      {"148", "148"},
      {"(4)Eurodisco", "Disco / Eurodisco"},            {"(0)(1)", "Blues / Classic Rock"},
      {"(RX)(CR)", "Remix / Cover"},                    {"RX", "Remix"},
      {"((foo)", "(foo)"},    {"(abc)Rock", "(abc)Rock"}, {"Trip-Hop", "Trip-Hop"},
      {"(17", "(17"},         {"", ""},
  };
  for (const auto& [text, name] : cases) EXPECT_EQ(id3v2frames::GenreName(text), name) << text;
}

TEST_F(AllVersions, GenresInFrames) {
  auto genre = [&](uint8_t major, const std::string& data) {
    const std::string frame = major == 2 ? Id3v22Frame("TCO", data)
                                         : major == 3 ? Id3v2Frame("TCON", data) : Id3v24Frame("TCON", data);
    return Of(Id3v2Tag(major, {frame}) + kAudio).Genre;
  };
  EXPECT_EQ(genre(4, Enc(0, "17\0Pop"s)), "Rock / Pop");
  EXPECT_EQ(genre(4, Enc(1, Utf16Le("(13)") + "\0\0"s)), "Pop");
  EXPECT_EQ(genre(3, Enc(0, "(17)Rock")), "Rock");
  EXPECT_EQ(genre(2, Enc(0, "(13)")), "Pop");
}

TEST_F(AllVersions, CutAndOddTags) {
  const std::string v1 = V1Title("Old");
  // A declared size beyond the file: read as far as the file goes.
  EXPECT_EQ(TitleOf(Id3v2Header(4, 1 << 20) + Id3v24Frame("TIT2", Enc(0, "Big"))), "Big");
  // A frame cut by the end of the file keeps what is there.
  EXPECT_EQ(TitleOf(Id3v2Header(3, 1 << 20) + Id3v2Frame("TIT2", Enc(0, "Cut"), 0, 100)), "Cut");
  // A frame whose size runs past the tag's end is cut there.
  std::string tag = Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "Inside"), 0, 0x7F)}) + "Outside" + kAudio;
  EXPECT_EQ(TitleOf(tag), "Inside");
  // Padding, then frames that are not read.
  EXPECT_EQ(Of(Id3v2Tag(4, {Id3v24Frame("TPE1", Enc(0, "Art")), std::string(8, '\0'),
                            Id3v24Frame("TIT2", Enc(0, "Hidden"))}) + kAudio).Title, "");
  // Some writers put plain sizes in ID3v2.4 frames: 00 00 00 C8 is not
  // syncsafe; 00 00 01 00 is, but only the plain 256 lands on the next frame.
  for (size_t n : {200u, 256u}) {
    const std::string junk = Enc(0, std::string(n - 1, 'j'));
    const SimpleID3 s = Of(Id3v2Tag(4, {Id3v2Frame("TXXX", junk), Id3v2Frame("TIT2", Enc(0, "Plain"))}) + kAudio);
    EXPECT_EQ(s.Title, "Plain") << n;
  }
  // Last of two title frames wins, as in the classic reading.
  EXPECT_EQ(TitleOf(Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "A")), Id3v24Frame("TIT2", Enc(0, "Bee"))}) + kAudio),
            "Bee");
}

TEST_F(AllVersions, FramesFarIntoTheTagAreFound) {
  // Behind a 20 KB picture, beyond what the first read brings.
  const std::string picture = Id3v24Frame("APIC", std::string(20000, '\x55'));
  SimpleID3 s = Of(Id3v2Tag(4, {picture, Id3v24Frame("TIT2", Enc(0, "Behind"))}, 500) + kAudio);
  EXPECT_EQ(s.Title, "Behind");
  // An unsynchronised ID3v2.3 tag of the same shape.
  const std::string body = Unsynchronised(Id3v2Frame("APIC", std::string(20000, '\xFF')) +
                                          Id3v2Frame("TIT2", Enc(0, "Behind3")));
  s = Of(Id3v2Header(3, static_cast<uint32_t>(body.size()), 0x80) + body + kAudio);
  EXPECT_EQ(s.Title, "Behind3");
  // A very long title is cut at 4096 bytes of frame data.
  EXPECT_EQ(TitleOfData(4, Enc(0, std::string(9000, 't'))).size(), 4095u);
}

// Frames other readers (mutagen, TagLib) take: a frame with an id this
// reader does not know is stepped over by its size, whatever its letters;
// ID3v2.2 ids padded with a zero byte (one iTunes version's ID3v2.3) count.
TEST_F(AllVersions, UnknownFrameIdsAreSteppedOverBySize) {
  const std::string title = Enc(0, "Found");
  const std::pair<std::string, std::string> cases[] = {
      {Id3v2Tag(3, {Id3v2Frame("Xtra", Enc(0, "x")), Id3v2Frame("TIT2", title)}), "Found"},
      {Id3v2Tag(3, {Id3v2Frame("tit2", Enc(0, "small")), Id3v2Frame("TIT2", title)}), "Found"},
      {Id3v2Tag(3, {Id3v2Frame("\xFF\x01-!"s, std::string(300, '\0')), Id3v2Frame("TIT2", title)}), "Found"},
      {Id3v2Tag(4, {Id3v24Frame("Priv", std::string(200, 'p')), Id3v24Frame("TIT2", title)}), "Found"},
      {Id3v2Tag(2, {Id3v22Frame("tt2", Enc(0, "small")), Id3v22Frame("TT2", title)}), "Found"},
      {Id3v2Tag(3, {Id3v2Frame("TP1\0"s, Enc(0, "A")), Id3v2Frame("TT2\0"s, title)}), "Found"},
      {Id3v2Tag(4, {Id3v24Frame("TT2\0"s, title)}), "Found"},
      {Id3v2Tag(3, {Id3v2Frame("TIT\0"s, title)}), ""},  // no such three-letter id
      {Id3v2Tag(3, {Id3v2Frame("Xtra", Enc(0, "x")), std::string(4, '\0') + Id3v2Frame("TIT2", title)}), ""},  // padding
  };
  for (const auto& [tag, want] : cases) EXPECT_EQ(Of(tag + kAudio).Title, want) << tag.substr(10, 4);
  // The padded ids give every field of an old iTunes tag.
  const SimpleID3 s = Of(Id3v2Tag(3, {Id3v2Frame("TP1\0"s, Enc(0, "Artist")), Id3v2Frame("TAL\0"s, Enc(0, "Album")),
                                       Id3v2Frame("TT2\0"s, Enc(0, "Title"))}) + kAudio);
  EXPECT_EQ(s.Artist + "|" + s.Album + "|" + s.Title, "Artist|Album|Title");
}
