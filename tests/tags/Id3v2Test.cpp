#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "files/AtomicFile.h"
#include "tags/Id3v2.h"
#include "tags/Kid3lib.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;
using namespace std::string_literals;

namespace {

const std::string kAudio = SilentMpegFrames(4, 7);

class Id3v2Read : public ::testing::Test {
protected:
  TempDir dir;
  std::string path = dir.File("a.mp3");
  // Writes bytes as a file, reads it and checks the in-memory reader agrees.
  TID3v2 Read(const std::string& bytes, bool expectOk = true) {
    WriteAll(path, bytes);
    TID3v2 t;
    EXPECT_EQ(t.ReadFromFile(path), expectOk);
    TID3v2 m;
    EXPECT_EQ(m.ReadFromBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
              expectOk);
    EXPECT_EQ(m.Title(), t.Title());
    EXPECT_EQ(m.TagSize(), t.TagSize());
    EXPECT_EQ(m.Comment(), t.Comment());
    return t;
  }
};

void ExpectNoTexts(const TID3v2& t) {
  EXPECT_EQ(t.Title() + t.Artist() + t.Album() + t.Year() + t.Genre() + t.Comment(), "");
  EXPECT_EQ(t.Track(), 0);
}

} // namespace

TEST_F(Id3v2Read, ShortFilesAndBareHeaders) {
  Read("ID3\x03\0\0\0\0\0"s, false); // 9 bytes
  Read("", false);
  TID3v2 t = Read(Id3v2Header(3, 0));
  EXPECT_TRUE(t.HasTag());
  EXPECT_EQ(t.MajorVersion(), 3);
  EXPECT_EQ(t.TagSize(), 10);
  ExpectNoTexts(t);

  t = Read(kAudio);
  EXPECT_FALSE(t.HasTag());
  EXPECT_FALSE(t.ReadFromFile(dir.File("missing.mp3")));
}

TEST_F(Id3v2Read, OnlyVersionThreeFramesAreRead) {
  for (uint8_t major : {2, 4}) {
    TID3v2 t = Read(Id3v2Tag(major, {Id3v2TextFrame("TIT2", "Hello"), Id3v2TextFrame("TRCK", "3")}) + kAudio);
    EXPECT_TRUE(t.HasTag());
    EXPECT_EQ(t.MajorVersion(), major);
    ExpectNoTexts(t);
  }
}

TEST_F(Id3v2Read, DeclaredSizeBeyondTheFileGivesAnEmptyTag) {
  std::string tag = Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Hello")});
  TID3v2 t = Read(Id3v2Header(3, 100000) + tag.substr(10));
  EXPECT_TRUE(t.HasTag());
  EXPECT_EQ(t.TagSize(), 0);
  ExpectNoTexts(t);
  // The size bytes are used whole, top bit included.
  std::string big = Id3v2Header(3, 0);
  big[9] = static_cast<char>(0x80);
  t = Read(big + std::string(200, '\0'));
  EXPECT_EQ(t.TagSize(), 0x80 + 10);
}

TEST_F(Id3v2Read, TextEncodingsAreKeptAsBytes) {
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Hello")}) + kAudio);
  EXPECT_EQ(t.Title(), "Hello");
  t = Read(Id3v2Tag(3, {Id3v2Frame("TIT2", "\x01\xFF\xFEH\0i\0"s)}) + kAudio);
  EXPECT_EQ(t.Title(), "\xFF\xFEH\0i\0"s); // 16-bit texts are trimmed by whole units
  // Odd-length 16-bit data is taken as it is.
  t = Read(Id3v2Tag(3, {Id3v2Frame("TPE1", "\x01\xFF\xFEH\0i\0!"s)}) + kAudio);
  EXPECT_EQ(t.Artist(), "\xFF\xFEH\0i\0!"s);
}

TEST_F(Id3v2Read, SixteenBitTextsKeepTheHighByteOfTheirLastLetter) {
  // "Песня": the last letter U+044F is the bytes 4F 04, and 04 is below 33.
  const std::string song = "\x1F\x04\x35\x04\x41\x04\x3D\x04\x4F\x04"s;
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2Frame("TIT2", "\x01\xFF\xFE"s + song + "\0\0"s)}) + kAudio);
  EXPECT_EQ(t.Title(), "\xFF\xFE"s + song);
  EXPECT_EQ(KID3Lib::NarrowUnicodeText(t.Title()), "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F");
  // Big-endian: 04 4F; blank and zero units at the end go.
  t = Read(Id3v2Tag(3, {Id3v2Frame("TPE1", "\x01\xFE\xFF\0 \x04\x4F\0 \0\0"s)}) + kAudio);
  EXPECT_EQ(t.Artist(), "\xFE\xFF\0 \x04\x4F"s);
  // A unit cut in half at the 249-byte limit counts as completed with a zero.
  t = Read(Id3v2Tag(3, {Id3v2Frame("TALB", "\x01\xFF\xFE"s + std::string(246, 'a') + " "s)}) + kAudio);
  EXPECT_EQ(t.Album(), "\xFF\xFE"s + std::string(246, 'a'));
  // The comment's text behind a 16-bit description is trimmed the same way.
  t = Read(Id3v2Tag(3, {Id3v2Frame("COMM", "\x01" "eng\xFF\xFE\0\0\xFF\xFE\x4F\x04"s)}) + kAudio);
  EXPECT_EQ(t.Comment(), "\xFF\xFE\0\0\xFF\xFE\x4F\x04"s);
}

TEST_F(Id3v2Read, LongFramesKeep249BytesAndTheListGoesOn) {
  std::string text(299, 'L');
  text[248] = 'E'; // the last byte kept
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2Frame("TIT2", std::string(1, '\0') + text),
                               Id3v2TextFrame("TALB", "After")}) + kAudio);
  EXPECT_EQ(t.Title(), text.substr(0, 249));
  EXPECT_EQ(t.Album(), "After");
}

TEST_F(Id3v2Read, LaterFramesReplaceEarlierOnesEvenWhenEmpty) {
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2TextFrame("TPE1", "First"), Id3v2TextFrame("TPE1", "Second")}) + kAudio);
  EXPECT_EQ(t.Artist(), "Second");
  t = Read(Id3v2Tag(3, {Id3v2TextFrame("TPE1", "First"), Id3v2Frame("TPE1", "")}) + kAudio);
  EXPECT_EQ(t.Artist(), "");
}

TEST_F(Id3v2Read, FlagsAreNotInterpreted) {
  // A frame marked compressed and encrypted is still plain bytes to the reader.
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2Frame("TIT2", "\0Packed"s, 0x00C0)}) + kAudio);
  EXPECT_EQ(t.Title(), "Packed");
  // Unsynchronisation: inserted zero bytes stay.
  t = Read(Id3v2Tag(3, {Id3v2Frame("TIT2", "\0A\xFF\0B"s)}, 0, 0x80) + kAudio);
  EXPECT_EQ(t.Title(), "A\xFF\0B"s);
  // Extended header: its size bytes start with 0, which ends the list.
  t = Read(Id3v2Tag(3, {"\0\0\0\x06\0\0\0\0\0\0"s, Id3v2TextFrame("TIT2", "X")}, 0, 0x40) + kAudio);
  ExpectNoTexts(t);
}

TEST_F(Id3v2Read, FrameListEndsAtBadIdentifiersAndTheTagEnd) {
  const std::string title = Id3v2TextFrame("TIT2", "T");
  for (const std::string& stopper : {"\0ALB"s, "tALB"s, "1ALB"s}) {
    TID3v2 t = Read(Id3v2Tag(3, {title, Id3v2TextFrame(stopper, "x"), Id3v2TextFrame("TPE1", "A")}) + kAudio);
    EXPECT_EQ(t.Title(), "T");
    EXPECT_EQ(t.Artist(), "");
  }
  // Padding ends the list; frames-like bytes behind the tag are not read.
  TID3v2 t = Read(Id3v2Tag(3, {title}, 20) + Id3v2TextFrame("TPE1", "Audio") + kAudio);
  EXPECT_EQ(t.Artist(), "");
  // A tag that declares size 0 has no frames at all.
  t = Read(Id3v2Header(3, 0) + title + kAudio);
  EXPECT_EQ(t.TagSize(), 10);
  EXPECT_EQ(t.Title(), "");
}

TEST_F(Id3v2Read, TruncatedFramesKeepWhatCameBefore) {
  // The last frame's data runs past the end of the file.
  std::string bytes = Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Kept"), Id3v2Frame("TPE1", "\0Cut"s, 0, 500)});
  TID3v2 t = Read(bytes);
  EXPECT_EQ(t.Title(), "Kept");
  EXPECT_EQ(t.Artist(), "");
  // The file ends inside a frame header.
  const std::string title = Id3v2TextFrame("TIT2", "Kept");
  t = Read(Id3v2Header(3, static_cast<uint32_t>(title.size() + 2)) + title + "TP");
  EXPECT_EQ(t.Title(), "Kept");
  // A frame with a huge declared size moves the position past everything.
  t = Read(Id3v2Tag(3, {Id3v2Frame("TXXX", "", 0, 0xFFFFFFFF), Id3v2TextFrame("TIT2", "No")}) + kAudio);
  EXPECT_EQ(t.Title(), "");
}

TEST_F(Id3v2Read, FramesBehindALargePictureAreFound) {
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2Frame("APIC", std::string(9000, 'p')),
                               Id3v2TextFrame("TIT2", "Late")}, 512) + kAudio);
  EXPECT_EQ(t.Title(), "Late");
}

TEST_F(Id3v2Read, TrackGenreAndCommentRules) {
  TID3v2 t = Read(Id3v2Tag(3, {Id3v2TextFrame("TRCK", "07/12"), Id3v2TextFrame("TCON", "(13)"),
                               Id3v2Frame("COMM", "\0xyz\0Nice"s)}) + kAudio);
  EXPECT_EQ(t.Track(), 7);
  EXPECT_EQ(t.Genre(), "");
  EXPECT_EQ(t.Comment(), "Nice");
  t = Read(Id3v2Tag(3, {Id3v2Frame("COMM", "\0eng" "c\0Nice"s)}) + kAudio);
  EXPECT_EQ(t.Comment(), "c\0Nice"s);
}

TEST(Id3v2Rules, TrackNumbers) {
  const std::pair<std::string, int> cases[] = {
      {"12/15", 12}, {"300", 44},  {"-1", 255},   {"A1", 0},         {"", 0},
      {" 9 ", 9},    {"+5", 5},    {"$1F", 31},   {"0x10", 16},      {"X10", 16},
      {"0", 0},      {"0x", 0},    {"-", 0},      {"5 /12", 0},      {"2147483647", 255},
      {"2147483648", 0}, {"-2147483648", 0}, {"-2147483649", 0}, {"99999999999999999999", 0},
  };
  for (const auto& [text, track] : cases) EXPECT_EQ(TID3v2::ParseTrack(text), track) << text;
  // 16-bit digits, as lame and many taggers write them.
  EXPECT_EQ(TID3v2::ParseTrack(Utf16Le("07/12")), 7);
  EXPECT_EQ(TID3v2::ParseTrack("\xFE\xFF\0" "1\0" "2"s), 12);
  EXPECT_EQ(TID3v2::ParseTrack("\xFF\xFE" "1\0" "\xE9\0"s), 0);
}

TEST(Id3v2Rules, Genres) {
  const std::pair<std::string, std::string> cases[] = {
      {"(17)Rock", "Rock"}, {"(17) Rock", " Rock"}, {"(17)", ""},
      {"Rock (live)", ""},  {"Rock", "Rock"},       {"  Jazz\0"s, "Jazz"},
  };
  for (const auto& [text, genre] : cases) EXPECT_EQ(TID3v2::ParseGenre(text), genre) << text;
  // 16-bit texts keep their mark and whole last units.
  std::string rock = Utf16Le("(17)Rock");
  EXPECT_EQ(TID3v2::ParseGenre(rock), "\xFF\xFER\0o\0c\0k\0"s);
  rock.pop_back(); // an odd last byte, as a cut frame leaves it
  EXPECT_EQ(TID3v2::ParseGenre(rock), "\xFF\xFER\0o\0c\0k"s);
  EXPECT_EQ(TID3v2::ParseGenre(Utf16Le("(13)")), "");
  EXPECT_EQ(TID3v2::ParseGenre(Utf16Le("Pop ")), Utf16Le("Pop"));
  EXPECT_EQ(TID3v2::ParseGenre("\xFF\xFE\x20\x04\x3E\x04\x3A\x04"s), "\xFF\xFE\x20\x04\x3E\x04\x3A\x04"s);
}

class Id3v2Write : public ::testing::Test {
protected:
  TempDir dir;
  std::string path = dir.File("w.mp3");
};

TEST_F(Id3v2Write, MinimalTagBytes) {
  WriteAll(path, kAudio);
  TID3v2 t;
  t.FSetTitle("Hi");
  ASSERT_TRUE(t.SaveToFile(path));
  const std::string expect = "ID3\x03\0\0\0\0\0\x0D" "TIT2\0\0\0\x03\0\0\0Hi"s;
  EXPECT_EQ(ReadAll(path), expect + kAudio);
  EXPECT_FALSE(Exists(path + "~"));
}

TEST_F(Id3v2Write, SaveReplacesTheTagAndKeepsTheAudio) {
  const std::string old = Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Old"), Id3v2Frame("APIC", std::string(5000, 'p'))}, 300);
  WriteAll(path, old + kAudio);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  TID3v2 t;
  t.FSetTitle("New title  ");
  t.FSetArtist("Artist");
  t.FSetAlbum("Album");
  t.FSetTrack(12);
  t.FSetYear("2024");
  t.FSetGenre("Rock");
  t.FSetComment("Nice");
  ASSERT_TRUE(t.SaveToFile(path));

  TID3v2 back;
  ASSERT_TRUE(back.ReadFromFile(path));
  EXPECT_EQ(back.Title(), "New title");
  EXPECT_EQ(back.Artist(), "Artist");
  EXPECT_EQ(back.Album(), "Album");
  EXPECT_EQ(back.Track(), 12);
  EXPECT_EQ(back.Year(), "2024");
  EXPECT_EQ(back.Genre(), "Rock");
  EXPECT_EQ(back.Comment(), "Nice");
  const std::string bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(back.TagSize()) + kAudio.size());
  EXPECT_EQ(bytes.substr(static_cast<size_t>(back.TagSize())), kAudio);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(Id3v2Write, RemoveKeepsTheAudioExactly) {
  WriteAll(path + "~", "stale temporary file");
  WriteAll(path, Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Gone")}, 100) + kAudio);
  TID3v2 t;
  ASSERT_TRUE(t.RemoveFromFile(path));
  EXPECT_EQ(ReadAll(path), kAudio);
  EXPECT_FALSE(Exists(path + "~"));
  // No tag: nothing to remove, the file stays as it is.
  EXPECT_FALSE(t.RemoveFromFile(path));
  EXPECT_EQ(ReadAll(path), kAudio);
}

TEST_F(Id3v2Write, SavingThroughALinkUpdatesTheTarget) {
  WriteAll(path, kAudio);
  const std::string link = dir.File("link.mp3");
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  TID3v2 t;
  t.FSetTitle("Linked");
  ASSERT_TRUE(t.SaveToFile(link));
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  TID3v2 back;
  ASSERT_TRUE(back.ReadFromFile(path));
  EXPECT_EQ(back.Title(), "Linked");
}

TEST_F(Id3v2Write, FailuresLeaveTheOriginalUntouched) {
  TID3v2 t;
  t.FSetTitle("x");
  EXPECT_FALSE(t.SaveToFile(dir.File("missing.mp3")));
  EXPECT_FALSE(Exists(dir.File("missing.mp3~")));
  // Shorter than a header: cannot be rewritten.
  WriteAll(path, "123456789");
  EXPECT_FALSE(t.SaveToFile(path));
  EXPECT_EQ(ReadAll(path), "123456789");
  // The temporary name is taken by a folder that cannot be replaced.
  const std::string original = Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Keep")}) + kAudio;
  WriteAll(path, original);
  ASSERT_EQ(::mkdir((path + "~").c_str(), 0755), 0);
  WriteAll(path + "~/inside", "x");
  EXPECT_FALSE(t.SaveToFile(path));
  EXPECT_FALSE(t.RemoveFromFile(path));
  EXPECT_EQ(ReadAll(path), original);
}

TEST_F(Id3v2Write, FailedSaveOrRemoveLeavesTheFileAndNoTempFile) {
  const std::string original = Id3v2Tag(3, {Id3v2TextFrame("TIT2", "Keep")}) + kAudio;
  WriteAll(path, original);
  for (Files::AtomicFile::Fault fault : {Files::AtomicFile::Fault::Write, Files::AtomicFile::Fault::Rename}) {
    Files::AtomicFile::SetFaultForTests(fault);
    TID3v2 t;
    t.FSetTitle("New");
    const bool saved = t.SaveToFile(path);
    const bool removed = t.RemoveFromFile(path);
    Files::AtomicFile::SetFaultForTests(Files::AtomicFile::Fault::None);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(removed);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_FALSE(Exists(path + "~"));
  }
}
