#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "playlist/Kconvert.h"
#include "support/TempDir.h"

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
