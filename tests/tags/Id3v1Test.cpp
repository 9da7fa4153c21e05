#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "files/AtomicFile.h"
#include "tags/Id3v1.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Id3v1Read : public ::testing::Test {
protected:
  TempDir dir;
  std::string audio = SilentMpegFrames(3);
  // Writes audio + block and reads it back.
  TID3v1 Read(const std::string& block, bool expectOk = true) {
    std::string path = dir.File("a.mp3");
    WriteAll(path, audio + block);
    TID3v1 tag;
    EXPECT_EQ(tag.ReadFromFile(path), expectOk);
    return tag;
  }
};

void ExpectReset(const TID3v1& t) {
  EXPECT_FALSE(t.HasTag());
  EXPECT_EQ(t.VersionCode(), 1);
  EXPECT_EQ(t.Title() + t.Artist() + t.Album() + t.Year() + t.Comment(), "");
  EXPECT_EQ(t.Track(), 0);
  EXPECT_EQ(t.GenreID(), 255);
}

} // namespace

TEST_F(Id3v1Read, FileSizesAroundOneBlock) {
  Id3v1Fields f;
  f.title = "Whole";
  std::string path = dir.File("exact.mp3");
  WriteAll(path, Id3v1Block(f));
  TID3v1 tag;
  ASSERT_TRUE(tag.ReadFromFile(path));
  EXPECT_TRUE(tag.HasTag());
  EXPECT_EQ(tag.Title(), "Whole");

  WriteAll(path, Id3v1Block(f).substr(1)); // 127 bytes
  EXPECT_FALSE(tag.ReadFromFile(path));
  ExpectReset(tag);
  WriteAll(path, "");
  EXPECT_FALSE(tag.ReadFromFile(path));
  EXPECT_FALSE(tag.ReadFromFile(dir.File("missing.mp3")));
  EXPECT_FALSE(tag.ReadFromFile(dir.Path())); // a folder is no file
  ExpectReset(tag);
}

TEST_F(Id3v1Read, MagicIsCaseSensitive) {
  Id3v1Fields f;
  f.magic = "tag";
  f.title = "Song";
  ExpectReset(Read(Id3v1Block(f)));
}

TEST_F(Id3v1Read, TextsLoseTrailingPaddingOnly) {
  Id3v1Fields f;
  f.title = "Song";
  f.artist = "Song" + std::string(26, ' ');
  f.album = std::string(30, 'x');
  f.year = "99 ";
  f.comment = std::string("a\0b\x01 ", 5);
  TID3v1 t = Read(Id3v1Block(f));
  EXPECT_EQ(t.Title(), "Song");
  EXPECT_EQ(t.Artist(), "Song");
  EXPECT_EQ(t.Album(), std::string(30, 'x'));
  EXPECT_EQ(t.Year(), "99");
  EXPECT_EQ(t.Comment(), std::string("a\0b", 3)); // inner zero byte kept
}

TEST_F(Id3v1Read, RawBytesOfAnyCodePageAreKept) {
  Id3v1Fields f;
  f.title = "Caf\xE9";                 // Latin-1
  f.artist = "Bj\xC3\xB6rk";           // UTF-8
  f.album = std::string(29, 'a') + "\xE9"; // high byte at the very end is no padding
  TID3v1 t = Read(Id3v1Block(f));
  EXPECT_EQ(t.Title(), "Caf\xE9");
  EXPECT_EQ(t.Artist(), "Bj\xC3\xB6rk");
  EXPECT_EQ(t.Album(), f.album);
}

TEST_F(Id3v1Read, VersionRuleDecidesTrackAndCommentWidth) {
  struct Case { int b125, b126; uint8_t version, track; std::string comment; };
  const std::string c28 = std::string(28, 'c');
  const Case cases[] = {
      {0, 7, 2, 7, c28},                 // ID3v1.1 with track 7
      {0, 0, 1, 0, c28},                 // zeros: ID3v1.0, trailing zeros trimmed
      {32, 'x', 2, 'x', c28},            // blank then a character: ID3v1.1
      {32, 32, 1, 0, c28},               // blank padding: ID3v1.0
      {'y', 'z', 1, 0, c28 + "yz"},      // full 30-byte comment
  };
  for (const Case& c : cases) {
    Id3v1Fields f;
    f.comment = c28;
    f.byte125 = c.b125;
    f.byte126 = c.b126;
    TID3v1 t = Read(Id3v1Block(f));
    SCOPED_TRACE(std::to_string(c.b125) + "/" + std::to_string(c.b126));
    EXPECT_EQ(t.VersionCode(), c.version);
    EXPECT_EQ(t.Track(), c.track);
    EXPECT_EQ(t.Comment(), c.comment);
  }
}

TEST_F(Id3v1Read, GenreNames) {
  EXPECT_EQ(MusicGenre.size(), 148u);
  EXPECT_EQ(MusicGenre[67], "Psychadelic");
  EXPECT_EQ(MusicGenre[92], "Progessive Rock");
  const std::pair<uint8_t, std::string> cases[] = {
      {0, "Blues"}, {17, "Rock"}, {147, "Synthpop"}, {148, ""}, {255, ""}};
  for (const auto& [id, name] : cases) {
    Id3v1Fields f;
    f.genre = id;
    TID3v1 t = Read(Id3v1Block(f));
    EXPECT_EQ(t.GenreID(), id);
    EXPECT_EQ(t.FGetGenre(), name);
  }
}

TEST(Id3v1Fields, SettersCutToWidthThenTrim) {
  TID3v1 t;
  t.FSetTitle(std::string(40, 'T'));
  t.FSetArtist("abc" + std::string(27, ' ') + "xyz"); // cut at 30 leaves blanks only
  t.FSetYear("19999");
  t.FSetComment("hello \t\n");
  EXPECT_EQ(t.Title(), std::string(30, 'T'));
  EXPECT_EQ(t.Artist(), "abc");
  EXPECT_EQ(t.Year(), "1999");
  EXPECT_EQ(t.Comment(), "hello");
}

class Id3v1Write : public ::testing::Test {
protected:
  TempDir dir;
  std::string audio = SilentMpegFrames(2);
  std::string path = dir.File("w.mp3");
};

TEST_F(Id3v1Write, TrackOverwritesLastCommentBytes) {
  WriteAll(path, audio);
  TID3v1 t;
  t.FSetTitle("Title");
  t.FSetComment(std::string(30, 'c'));
  t.FSetTrack(5);
  t.FSetGenreID(17);
  ASSERT_TRUE(t.SaveToFile(path));
  const std::string bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), audio.size() + 128);
  EXPECT_EQ(bytes.substr(0, audio.size()), audio);
  const std::string block = bytes.substr(audio.size());
  EXPECT_EQ(block.substr(0, 8), "TAGTitle");
  EXPECT_EQ(block.substr(97, 30), std::string(28, 'c') + std::string("\0\x05", 2));
  EXPECT_EQ(static_cast<uint8_t>(block[127]), 17);

  TID3v1 back;
  ASSERT_TRUE(back.ReadFromFile(path));
  EXPECT_EQ(back.VersionCode(), 2);
  EXPECT_EQ(back.Track(), 5);
  EXPECT_EQ(back.Comment(), std::string(28, 'c'));
  EXPECT_EQ(back.FGetGenre(), "Rock");
}

TEST_F(Id3v1Write, SaveReplacesAndRemoveCutsTheTag) {
  Id3v1Fields f;
  f.title = "Old";
  WriteAll(path, audio + Id3v1Block(f));
  TID3v1 t;
  t.FSetTitle("New");
  ASSERT_TRUE(t.SaveToFile(path));
  std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.size(), audio.size() + 128); // same length: replaced, not added
  EXPECT_EQ(bytes.substr(0, audio.size()), audio);
  EXPECT_EQ(bytes.substr(audio.size(), 6), "TAGNew");

  ASSERT_TRUE(t.RemoveFromFile(path));
  EXPECT_EQ(ReadAll(path), audio);
  ASSERT_TRUE(t.RemoveFromFile(path)); // nothing to remove: true, untouched
  EXPECT_EQ(ReadAll(path), audio);
}

TEST_F(Id3v1Write, FailuresAreReportedAndChangeNothing) {
  TID3v1 t;
  t.FSetTitle("x");
  EXPECT_FALSE(t.SaveToFile(dir.File("missing.mp3")));
  EXPECT_FALSE(t.RemoveFromFile(dir.File("missing.mp3")));
  EXPECT_FALSE(Exists(dir.File("missing.mp3")));
  WriteAll(path, audio.substr(0, 127)); // too short to hold a block
  EXPECT_FALSE(t.SaveToFile(path));
  EXPECT_EQ(ReadAll(path), audio.substr(0, 127));
  EXPECT_FALSE(t.SaveToFile(dir.Path()));
}

// The old file stays whole when the new one cannot be written completely:
// here the process may not write a file as long as the song (as when the disk
// fills up or the process is killed halfway).
TEST_F(Id3v1Write, ASaveThatCannotFinishKeepsTheOldTag) {
  Id3v1Fields f;
  f.title = "Old";
  const std::string original = audio + Id3v1Block(f);
  WriteAll(path, original);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(original.size() - 1), static_cast<rlim_t>(original.size() - 1)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    TID3v1 t;
    t.FSetTitle("New");
    ::_exit(t.SaveToFile(path) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save reported success";
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_FALSE(Exists(path + "~"));
}

TEST_F(Id3v1Write, FailedSaveOrRemoveLeavesTheFileAndNoTempFile) {
  Id3v1Fields f;
  f.title = "Old";
  const std::string original = audio + Id3v1Block(f);
  WriteAll(path, original);
  for (Files::AtomicFile::Fault fault : {Files::AtomicFile::Fault::Write, Files::AtomicFile::Fault::Rename}) {
    Files::AtomicFile::SetFaultForTests(fault);
    TID3v1 t;
    t.FSetTitle("New");
    const bool saved = t.SaveToFile(path);
    const bool removed = t.RemoveFromFile(path);
    Files::AtomicFile::SetFaultForTests(Files::AtomicFile::Fault::None);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(removed);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_FALSE(Exists(path + "~"));
  }
  // A link to a FIFO is not replaced by a song file.
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_EQ(::symlink(fifo.c_str(), dir.File("link.mp3").c_str()), 0);
  TID3v1 t;
  EXPECT_FALSE(t.SaveToFile(dir.File("link.mp3")));
  EXPECT_FALSE(t.RemoveFromFile(dir.File("link.mp3")));
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
