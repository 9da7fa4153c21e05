// The Vorbis comment reader on byte-built blocks, and the containers it is
// found in (FLAC metadata blocks, the first pages of an Ogg Vorbis or Opus
// file) read through the tag summary.
#include "support/TempDir.h"
#include "tags/Kid3lib.h"
#include "tags/VorbisComment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using testsupport::TempDir;
using testsupport::WriteAll;

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
  return s;
}

std::string Block(const std::vector<std::string>& entries, const std::string& vendor = "test vendor") {
  std::string b = Le32(static_cast<uint32_t>(vendor.size())) + vendor + Le32(static_cast<uint32_t>(entries.size()));
  for (const std::string& e : entries) b += Le32(static_cast<uint32_t>(e.size())) + e;
  return b;
}

vorbiscomment::Fields ParseOk(const std::string& block) {
  vorbiscomment::Fields f;
  EXPECT_TRUE(vorbiscomment::Parse(reinterpret_cast<const uint8_t*>(block.data()), block.size(), f));
  return f;
}

TEST(VorbisComment, FieldsLetterCaseSeveralValuesAndCutBlocks) {
  using F = vorbiscomment::Fields;
  const std::string all = Block({"TITLE=Song", "ARTIST=Band", "ALBUM=Record", "TRACKNUMBER=7/12", "DATE=2004-05-03",
                                 "GENRE=Jazz", "COMMENT=Nice"});
  const struct {
    const char* name;
    std::string block;
    F expected;
  } cases[] = {
      {"every field", all, {"Song", "Band", "Record", "7/12", "2004-05-03", "Jazz", "Nice"}},
      {"names in any letter case", Block({"title=a", "Artist=b", "aLbUm=c", "TrackNumber=1", "date=1999", "genre=g"}),
       {"a", "b", "c", "1", "1999", "g", ""}},
      {"several values joined as ID3v2.4 shows them", Block({"ARTIST=One", "ARTIST=Two", "artist=Three"}),
       {"", "One / Two / Three", "", "", "", "", ""}},
      {"DESCRIPTION is the comment too", Block({"DESCRIPTION=d", "COMMENT=c"}), {"", "", "", "", "", "", "d / c"}},
      {"values keep '=' and UTF-8", Block({"TITLE=a=b \xC3\xA9"}), {"a=b \xC3\xA9", "", "", "", "", "", ""}},
      {"other fields, entries without '=' and empty values are passed over",
       Block({"ALBUMARTIST=x", "TITLE", "TITLE=", "=y", "TITLES=z", "TITLE=t"}), {"t", "", "", "", "", "", ""}},
      {"a block cut inside an entry keeps the entries before it", all.substr(0, all.size() - 3),
       {"Song", "Band", "Record", "7/12", "2004-05-03", "Jazz", ""}},
      {"a block cut inside a length", all.substr(0, all.find("GENRE") - 2),
       {"Song", "Band", "Record", "7/12", "2004-05-03", "", ""}},
      {"a block cut after its vendor text", Block({}).substr(0, 4 + 11), {}},
      {"a count larger than the entries", Block({"TITLE=x"}).replace(15, 4, Le32(0xFFFFFFFFu)), {"x", "", "", "", "", "", ""}},
      {"an entry longer than the block", Block({"TITLE=x"}).replace(19, 4, Le32(0x7FFFFFFFu)), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const F f = ParseOk(c.block);
    EXPECT_EQ(f.title, c.expected.title);
    EXPECT_EQ(f.artist, c.expected.artist);
    EXPECT_EQ(f.album, c.expected.album);
    EXPECT_EQ(f.track, c.expected.track);
    EXPECT_EQ(f.date, c.expected.date);
    EXPECT_EQ(f.genre, c.expected.genre);
    EXPECT_EQ(f.comment, c.expected.comment);
  }
  vorbiscomment::Fields f;
  const std::string vendorCut = Block({"TITLE=x"}).substr(0, 8);
  EXPECT_FALSE(vorbiscomment::Parse(reinterpret_cast<const uint8_t*>(vendorCut.data()), vendorCut.size(), f));
  EXPECT_FALSE(vorbiscomment::Parse(nullptr, 0, f));
}

TEST(VorbisComment, YearAndTrackAsTheSummaryShowsThem) {
  const struct {
    const char *in, *year, *track;
  } cases[] = {
      {"2004-05-03", "2004", "2004"}, {"1999", "1999", "1999"}, {"ca. 1970", "ca. 1970", "0"},
      {"07/12", "07/12", "7"},        {"", "", "0"},            {"00", "00", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vorbiscomment::YearOf(c.in), c.year) << c.in;
    EXPECT_EQ(vorbiscomment::TrackOf(c.in), c.track) << c.in;
  }
}

// ---- containers ----

std::string FlacBlock(int type, const std::string& body, bool last) {
  const auto n = static_cast<uint32_t>(body.size());
  std::string h{static_cast<char>(type | (last ? 0x80 : 0)), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                static_cast<char>(n)};
  return h + body;
}

constexpr int kStreamInfo = 0, kPadding = 1, kVorbisComment = 4, kPicture = 6;

// An Ogg page of stream 1 holding `segments` (each up to 255 bytes) with
// the lacing values given; the checksum is left 0 (the tag reader does not
// need it).
std::string OggPage(uint32_t sequence, const std::string& body, const std::vector<uint8_t>& lacing,
                    uint32_t serial = 1) {
  std::string p = "OggS";
  p += '\0';
  p += sequence == 0 ? '\x02' : '\0';
  p += std::string(8, '\0') + Le32(serial) + Le32(sequence) + Le32(0);
  p += static_cast<char>(lacing.size());
  for (uint8_t l : lacing) p += static_cast<char>(l);
  return p + body;
}

// The lacing values of one whole packet of n bytes.
std::vector<uint8_t> Lacing(size_t n) {
  std::vector<uint8_t> l(n / 255, 255);
  l.push_back(static_cast<uint8_t>(n % 255));
  return l;
}

std::string OggFile(const std::string& ident, const std::string& comment) {
  return OggPage(0, ident, Lacing(ident.size())) + OggPage(1, comment, Lacing(comment.size()));
}

const std::string kTags = Block({"TITLE=Song", "artist=Band", "ALBUM=Record", "TRACKNUMBER=03", "DATE=2001-02-03",
                                 "GENRE=Rock", "GENRE=Pop"});
const std::string kVorbisIdent = std::string("\x01vorbis", 7) + std::string(23, '\0');
const std::string kOpusHead = "OpusHead" + std::string(11, '\x01');

TEST(VorbisCommentFiles, EachContainerFeedsTheSummary) {
  const std::string streamInfo = FlacBlock(kStreamInfo, std::string(34, '\0'), false);
  const std::string vorbisComment = std::string("\x03vorbis", 7) + kTags + "\x01";
  // A comment packet of more than 255 bytes spread over two pages.
  const std::string longTitle = Block({"TITLE=" + std::string(600, 'L')});
  const std::string split = "OpusTags" + longTitle;
  const struct {
    const char* name;
    const char* file;
    std::string bytes;
    const char* version;
    const char* title;
  } cases[] = {
      {"FLAC after other blocks", "a.flac",
       "fLaC" + streamInfo + FlacBlock(kPadding, std::string(100, '\0'), false) +
           FlacBlock(kPicture, std::string(5000, 'p'), false) + FlacBlock(kVorbisComment, kTags, true),
       KID3Lib::kVorbisCommentFlac, "Song"},
      {"FLAC comment block with too small a length (as libFLAC, its own lengths count)", "short.flac",
       "fLaC" + streamInfo + FlacBlock(kVorbisComment, kTags, true).replace(1, 3, std::string("\0\0\x10", 3)) +
           std::string(64, '\0'),
       KID3Lib::kVorbisCommentFlac, "Song"},
      {"Ogg Vorbis", "a.ogg", OggFile(kVorbisIdent, vorbisComment), KID3Lib::kVorbisCommentOgg, "Song"},
      {"Opus, name in capitals", "A.OPUS", OggFile(kOpusHead, "OpusTags" + kTags), KID3Lib::kVorbisCommentOpus, "Song"},
      {"Opus comment over two pages", "b.opus",
       OggPage(0, kOpusHead, Lacing(kOpusHead.size())) + OggPage(1, split.substr(0, 255 * 2), {255, 255}) +
           OggPage(2, split.substr(510), Lacing(split.size() - 510)),
       KID3Lib::kVorbisCommentOpus, nullptr},
      {"another stream's page in between", "c.oga",
       OggPage(0, kVorbisIdent, Lacing(kVorbisIdent.size())) + OggPage(0, "xx", {2}, 9) +
           OggPage(1, vorbisComment, Lacing(vorbisComment.size())),
       KID3Lib::kVorbisCommentOgg, "Song"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(dir.File(c.file), c.bytes);
    for (KID3Lib::TagReading reading : {KID3Lib::TagReading::Classic, KID3Lib::TagReading::AllVersions}) {
      const KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(dir.File(c.file), reading);
      EXPECT_EQ(s.Version, c.version);
      if (!c.title) {
        EXPECT_EQ(s.Title, std::string(600, 'L'));
        continue;
      }
      EXPECT_EQ(s.Title, c.title);
      EXPECT_EQ(s.Artist, "Band");
      EXPECT_EQ(s.Album, "Record");
      EXPECT_EQ(s.Track, "3");
      EXPECT_EQ(s.Year, "2001");
      EXPECT_EQ(s.Genre, "Rock / Pop");
      EXPECT_EQ(KID3Lib::TagReportCaption(s), std::string("Vorbis comment (") + c.version + " file)");
    }
  }
}

TEST(VorbisCommentFiles, DamagedOrForeignFilesGiveWhatIsThere) {
  const std::string opusTags = "OpusTags" + Block({"TITLE=Song", "COMMENT=" + std::string(400, 'c'), "ARTIST=B"});
  const std::string flac = "fLaC" + FlacBlock(kVorbisComment, kTags, true);
  const struct {
    const char* name;
    const char* file;
    std::string bytes;
    const char* title; // "" when the summary must be empty
  } cases[] = {
      {"an MP3 name is read for ID3 tags only", "x.mp3", flac, ""},
      {"FLAC comment cut by the file's end", "cut.flac", flac.substr(0, flac.size() - 10), "Song"},
      {"FLAC without a comment block", "none.flac", "fLaC" + FlacBlock(kPadding, "abc", true), ""},
      {"FLAC block lengths running past the end", "long.flac", "fLaC" + FlacBlock(kPadding, "", false) + "\x01\xFF\xFF", ""},
      {"Ogg with a missing page: the comment is cut there", "gap.opus",
       OggPage(0, kOpusHead, Lacing(kOpusHead.size())) + OggPage(1, opusTags.substr(0, 255), {255}) +
           OggPage(3, opusTags.substr(255), Lacing(opusTags.size() - 255)),
       "Song"},
      {"Ogg of another codec", "speex.ogg", OggFile("Speex   " + std::string(20, '\0'), "comment"), ""},
      {"Ogg page cut inside its lacing", "lacing.ogg", OggPage(0, "", Lacing(600)).substr(0, 30), ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(dir.File(c.file), c.bytes);
    const KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(dir.File(c.file), KID3Lib::TagReading::AllVersions);
    EXPECT_EQ(s.Title, c.title);
    EXPECT_EQ(s.Version.empty(), std::string(c.title).empty());
  }
}

// Files written by the reference encoders with their own tag options.
TEST(VorbisCommentFiles, TagsWrittenByTheEncoders) {
  TempDir dir;
  const std::string wav = dir.File("s.wav");
  ASSERT_EQ(std::system(("sox -R -D -n -r 48000 -c 2 -b 16 " + wav + " synth 0.2 sine 440").c_str()), 0);
  const std::string tags = "Tïtle / \xE2\x99\xAB";
  const std::vector<std::pair<std::string, std::string>> encoders = {
      {"t.flac", "flac -s -f -T 'TITLE=" + tags + "' -T ARTIST=A -o " + dir.File("t.flac") + " " + wav},
      {"t.ogg", "oggenc -Q -t '" + tags + "' -a A -o " + dir.File("t.ogg") + " " + wav},
      {"t.opus", "opusenc --quiet --title '" + tags + "' --artist A " + wav + " " + dir.File("t.opus")},
  };
  for (const auto& [name, command] : encoders) {
    SCOPED_TRACE(name);
    // The encoders take their arguments in the locale's character set: a
    // bare system (no LANG) would turn every non-ASCII letter into '#'.
    ASSERT_EQ(std::system(("LC_ALL=C.UTF-8 " + command).c_str()), 0);
    const KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(dir.File(name), KID3Lib::TagReading::Classic);
    EXPECT_EQ(s.Title, tags);
    EXPECT_EQ(s.Artist, "A");
  }
}

} // namespace
