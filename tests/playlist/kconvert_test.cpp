#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "playlist/Kconvert.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

using Lines = std::vector<std::string>;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

Lines LinesOf(const TempDir& dir, const std::string& bytes) {
  const std::string path = dir.File("list.txt");
  WriteAll(path, bytes);
  return Kconvert::ReadTextLines(path);
}

} // namespace

TEST(ReadTextLines, LineEndsEmptyLinesNulAndNoTrimming) {
  TempDir dir;
  const Lines three{"/a.mp3", "/b.mp3", "/c.mp3"};
  const std::pair<std::string, Lines> cases[] = {
      {"/a.mp3\r\n/b.mp3\r\n/c.mp3\r\n", three},
      {"/a.mp3\n/b.mp3\n/c.mp3\n", three},
      {"/a.mp3\r/b.mp3\r/c.mp3\r", three},
      {"/a.mp3\r/b.mp3\n/c.mp3", three},
      {"", {}},
      {"\r\n", {""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}}, // LF CR is two line ends
      {"a\r\r\n", {"a", ""}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}}, // a NUL ends the text
      {std::string("\0abc", 4), {}},
      {"\xEF\xBB\xBF /a.mp3 \t\n", {"\xEF\xBB\xBF /a.mp3 \t"}}, // BOM and blanks stay
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(LinesOf(dir, bytes), expected) << bytes;
}

TEST(ReadTextLines, UnreadableFileThrows) {
  TempDir dir;
  EXPECT_THROW(Kconvert::ReadTextLines(dir.File("missing.vpls")), std::runtime_error);
  try {
    Kconvert::ReadTextLines(dir.Path());
    FAIL() << "a folder read as a file";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + dir.Path() + "\". ", 0), 0u) << e.what();
  }
}

TEST(ReadTextLines, LargeFileIsFast) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += "/music/artist/album/track " + std::to_string(i) + ".mp3\r\n";
  WriteAll(dir.File("big.vpls"), bytes);
  const auto start = std::chrono::steady_clock::now();
  const Lines lines = Kconvert::ReadTextLines(dir.File("big.vpls"));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(lines.size(), 100000u);
  EXPECT_EQ(lines[99999], "/music/artist/album/track 99999.mp3");
  EXPECT_LT(ms.count(), 500); // a few ms in a normal build
}

TEST(MakeAbsolutePaths, RelativeEntriesGetThePlaylistFolder) {
  Lines list{"song.mp3", "../Music/a.mp3", "/music/a.mp3", "http://host/a.mp3", "C:\\Hits\\a.mp3", ""};
  Kconvert::MakeAbsolutePaths("/home/u/lists/mix.m3u", list);
  EXPECT_EQ(list, (Lines{"/home/u/lists/song.mp3", "/home/u/lists/../Music/a.mp3", "/music/a.mp3",
                         "http://host/a.mp3", "C:\\Hits\\a.mp3", "/home/u/lists/"}));
  // A playlist path without a folder adds nothing.
  Lines bare{"a.mp3"};
  Kconvert::MakeAbsolutePaths("mix.m3u", bare);
  EXPECT_EQ(bare, Lines{"a.mp3"});
}

TEST(ReadM3u, DropsEveryLineWithAHash) {
  TempDir dir;
  const std::string path = dir.File("l.m3u");
  WriteAll(path, "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsong.mp3\r\n/hits/#1.mp3\r\n\r\n/x y.mp3 \r\n");
  Lines list = Kconvert::ReadM3u(path);
  EXPECT_EQ(list, (Lines{"song.mp3", "", "/x y.mp3 "}));
  Kconvert::MakeAbsolutePaths(path, list);
  EXPECT_EQ(list[0], dir.Path() + "song.mp3");
}

TEST(ReadPls, OnlyFileLinesInExactCase) {
  TempDir dir;
  WriteAll(dir.File("a.pls"), "[playlist]\r\nFile1=/a.mp3\r\nTitle1=A\r\nfile2=/b.mp3\r\nFILE3=/c.mp3\r\n"
                              "File4=/d=e.mp3\r\nFileX\r\nFil\r\nFile5=\r\nNumberOfEntries=1\r\n");
  EXPECT_EQ(Kconvert::ReadPls(dir.File("a.pls")), (Lines{"/a.mp3", "/d=e.mp3", "FileX", ""}));
}

TEST(ReadB4s, PlayStringsBetweenTheDelimiters) {
  TempDir dir;
  WriteAll(dir.File("a.b4s"),
           "<?xml version=\"1.0\"?>\r\n<WinampXML><playlist num_entries=\"4\">\n"
           "<entry Playstring=\"file:/m/a.mp3\"><Name>A</Name></entry>\n"
           "<entry Playstring=\"file:/m/Tom &amp; Jerry.mp3\">\n"
           "<entry Playstring=\"file:\">\n"
           "<entry Playstring=\"http://radio/x.mp3\">\n"
           "<ENTRY Playstring=\"file:/m/upper.mp3\">\n"
           "<entry Playstring=\"file:/m/b%20c.mp3\"></entry>\n"
           "<entry Playstring=\"file:/m/d\ne.mp3\"></entry></playlist></WinampXML>");
  EXPECT_EQ(Kconvert::ReadB4s(dir.File("a.b4s")),
            (Lines{"/m/a.mp3", "/m/Tom &amp; Jerry.mp3", "/m/b%20c.mp3", "/m/d\r\ne.mp3"}));
}

// ---- files that are not playlists ----

TEST(ReadTextLines, FifoDeviceAndHugeFilesAreRefusedAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo.m3u").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.m3u").c_str()), 0);
  for (const char* name : {"fifo.m3u", "zero.m3u"}) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&path] {
      try {
        Kconvert::ReadM3u(path);
      } catch (const std::runtime_error& e) {
        return std::string(e.what()) == "Cannot open file \"" + path + "\". Not a regular file";
      }
      return false;
    })) << name;
  }
  // A sparse file one byte over the limit: refused without reading it.
  const std::string huge = dir.File("huge.vpls");
  WriteAll(huge, "");
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(Kconvert::kMaxPlaylistBytes + 1)), 0);
  EXPECT_THROW(Kconvert::ReadTextLines(huge), std::runtime_error);
  WriteAll(dir.File("small"), "a\nbb\n");
  EXPECT_EQ(Kconvert::ReadTextLines(dir.File("small"), 5), (Lines{"a", "bb"}));
  EXPECT_THROW(Kconvert::ReadTextLines(dir.File("small"), 4), std::runtime_error);
}

TEST(ReadTextLines, AListOfMoreLinesThanAPlaylistMayHaveIsRefused) {
  TempDir dir;
  const std::string path = dir.File("long.m3u");
  // Lines as the line rules count them: CR LF is one line end, a last line
  // needs none, an empty line between two ends counts.
  const std::size_t max = Kconvert::kMaxPlaylistLines;
  for (const std::string line : {"a.mp3\r\n", "a.mp3\n", "a.mp3\r", "\n"}) {
    std::string text;
    for (std::size_t i = 0; i < max; ++i) text += line;
    WriteAll(path, text);
    EXPECT_EQ(Kconvert::ReadM3u(path).size(), max) << line;
    WriteAll(path, text + "b.mp3");
    try {
      Kconvert::ReadM3u(path);
      ADD_FAILURE() << "one line more was read: " << line;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". It has more than 1000000 lines.");
    }
  }
}

// ---- playlists written by other players ----

TEST(FileUriToPath, OnlyLocalFileUrisAreDecoded) {
  const std::pair<std::string, std::string> cases[] = {
      {"file:///m/b%20c.mp3", "/m/b c.mp3"},
      {"file:///m/%C3%A9t%c3%a9.mp3", "/m/\xC3\xA9t\xC3\xA9.mp3"},
      {"FILE://LocalHost/m/a.mp3", "/m/a.mp3"},
      {"file:///m/100%.mp3", "/m/100%.mp3"},    // not an escape: kept
      {"file:///m/a%2", "/m/a%2"},              // cut short: kept
      {"file:///m/%zz.mp3", "/m/%zz.mp3"},
      {"file:///m/%E9t%E9.mp3", "/m/\xE9t\xE9.mp3"}, // Latin-1 bytes as they are
      {"file:///m/a%00b.mp3", "file:///m/a%00b.mp3"}, // no name holds a NUL
      {"file://server/share/a.mp3", "file://server/share/a.mp3"},
      {"file:/m/a.mp3", "file:/m/a.mp3"},
      {"file:", "file:"},
      {"http://radio/a%20b.mp3", "http://radio/a%20b.mp3"},
      {"/m/a%20b.mp3", "/m/a%20b.mp3"},
      {"", ""},
  };
  for (const auto& [uri, path] : cases) EXPECT_EQ(Kconvert::FileUriToPath(uri), path) << uri;
}

TEST(PlaylistEntries, M3uFromWindowsAndOtherPlayers) {
  TempDir dir;
  const std::string path = dir.File("l.m3u");
  WriteAll(dir.File("lit\\eral.mp3"), "x"); // a real file with a backslash in its name
  WriteAll(path, "#EXTM3U\r\nsub\\rel1.mp3\r\n\\top.mp3\r\nlit\\eral.mp3\r\nfile:///m/b%20c.mp3\r\n"
                 "song.mp3\r\n/abs/a.mp3\r\nhttp://host/a.mp3\r\nC:\\Hits\\a.mp3\r\n");
  EXPECT_EQ(Kconvert::ReadM3uEntries(path),
            (Lines{dir.Path() + "sub/rel1.mp3", dir.Path() + "top.mp3", dir.Path() + "lit\\eral.mp3", "/m/b c.mp3",
                   dir.Path() + "song.mp3", "/abs/a.mp3", "http://host/a.mp3", "C:\\Hits\\a.mp3"}));
  // Entries that worked before come out as before.
  WriteAll(path, "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsong.mp3\r\n/hits/#1.mp3\r\n\r\n/x y.mp3 \r\n");
  Lines old = Kconvert::ReadM3u(path);
  Kconvert::MakeAbsolutePaths(path, old);
  EXPECT_EQ(Kconvert::ReadM3uEntries(path), old);
}

TEST(PlaylistEntries, PlsEntriesAreResolvedAgainstThePlaylistFolder) {
  TempDir dir;
  const std::string path = dir.File("a.pls");
  WriteAll(path, "[playlist]\r\nFile1=/a.mp3\r\nFile2=rel.mp3\r\nFile3=file:///m/b%20c.mp3\r\n"
                 "File4=sub\\d.mp3\r\nFile5=http://radio/x\r\nNumberOfEntries=5\r\n");
  EXPECT_EQ(Kconvert::ReadPlsEntries(path), (Lines{"/a.mp3", dir.Path() + "rel.mp3", "/m/b c.mp3",
                                                    dir.Path() + "sub/d.mp3", "http://radio/x"}));
}

TEST(PlaylistEntries, M3u8IsUtf8M3uWithCommentsAndABom) {
  TempDir dir;
  const std::string path = dir.File("l.m3u8");
  WriteAll(path, "\xEF\xBB\xBF#EXTM3U\n#EXTINF:5,\xC3\xA9t\xC3\xA9\n\xC3\xA9t\xC3\xA9.mp3\n\n  /abs/#1.mp3 \n"
                 "file:///m/x%20y.mp3\nsub\\z.mp3\n");
  EXPECT_EQ(Kconvert::ReadM3u8(path), (Lines{"\xC3\xA9t\xC3\xA9.mp3", "/abs/#1.mp3", "file:///m/x%20y.mp3",
                                             "sub\\z.mp3"}));
  EXPECT_EQ(Kconvert::ReadM3u8Entries(path), (Lines{dir.Path() + "\xC3\xA9t\xC3\xA9.mp3", "/abs/#1.mp3",
                                                    "/m/x y.mp3", dir.Path() + "sub/z.mp3"}));
  // A file that starts with an entry (no header, no BOM).
  WriteAll(path, "/a.mp3\r\n");
  EXPECT_EQ(Kconvert::ReadM3u8Entries(path), Lines{"/a.mp3"});
}

TEST(PlaylistEntries, ReaderByExtension) {
  using Kconvert::PlaylistReader;
  const std::pair<std::string, PlaylistReader> cases[] = {
      {"/l/a.m3u8", &Kconvert::ReadM3u8Entries},
      {"/l/a.M3U8", &Kconvert::ReadM3u8Entries},
      {"/l/a.m3u", &Kconvert::ReadM3uEntries},
      {"/l/a.Pls", &Kconvert::ReadPlsEntries},
      {"/l/a.b4s", &Kconvert::ReadB4s},
      {"/l/a.VPLS", static_cast<PlaylistReader>(&Kconvert::ReadTextLines)},
      {"/l/a.mp3", nullptr},
      {"/l/m3u8", nullptr},
      {"/l.m3u8/a", nullptr},
      {"/l/a.m3u8.txt", nullptr},
  };
  for (const auto& [path, reader] : cases) EXPECT_EQ(Kconvert::PlaylistReaderFor(path), reader) << path;
}

// Names in a list written on Windows are in its 8-bit code page; the disk
// names the same file in UTF-8.
TEST(PlaylistEntries, NamesNotInUtf8FallBackToWindows1252WhenThatFileExists) {
  TempDir dir;
  const std::string cafe = "caf\xC3\xA9.mp3", cafeLatin1 = "caf\xE9.mp3";
  ::mkdir(dir.File("M\xC3\xBAsica \xC3\xB1").c_str(), 0755);
  WriteAll(dir.File("M\xC3\xBAsica \xC3\xB1/" + cafe), "x");
  WriteAll(dir.File(cafe), "x");
  WriteAll(dir.File("\xE2\x82\xAC.mp3"), "x");
  WriteAll(dir.File("kept\xE9.mp3"), "x");        // a Latin-1 name on disk: used as it is
  WriteAll(dir.File("kept\xC3\xA9.mp3"), "x");
  const std::pair<std::string, std::string> cases[] = {
      {"M\xFAsica \xF1\\" + cafeLatin1, dir.Path() + "M\xC3\xBAsica \xC3\xB1/" + cafe},
      {cafeLatin1, dir.File(cafe)},
      {"\x80.mp3", dir.File("\xE2\x82\xAC.mp3")},    // the euro sign of Windows-1252
      {dir.File(cafeLatin1), dir.File(cafe)},          // absolute
      {"file://" + dir.File("caf%E9.mp3"), dir.File(cafe)},
      {"kept\xE9.mp3", dir.File("kept\xE9.mp3")},
      {"gone\xE9.mp3", dir.File("gone\xE9.mp3")},    // neither exists: the bytes stay
      {"gone\xC3\xA9.mp3", dir.File("gone\xC3\xA9.mp3")},
  };
  for (const auto& [entry, resolved] : cases) {
    WriteAll(dir.File("l.m3u"), entry + "\r\n");
    EXPECT_EQ(Kconvert::ReadM3uEntries(dir.File("l.m3u")), Lines{resolved}) << entry;
  }
}
