// Which names are songs with the other formats switched off (MP3 only, as
// always) and on (FLAC, Ogg Vorbis, Opus, WAV too): folders, file lists,
// other players' playlists and single paths.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "playlist/PathRules.h"
#include "playlist/PlayListFixture.h"

using testsupport::WriteAll;

namespace {

TEST(PathRules, SongFileByExtensionWithAndWithoutTheOtherFormats) {
  const struct {
    const char* ext;
    bool off, on;
  } cases[] = {
      {".mp3", true, true},   {".MP3", true, true},   {".flac", false, true}, {".FLAC", false, true},
      {".ogg", false, true},  {".Ogg", false, true},  {".oga", false, true},  {".opus", false, true},
      {".OPUS", false, true}, {".wav", false, true},  {".WaV", false, true},  {".wave", false, false},
      {".fla", false, false}, {".mp4", false, false}, {"flac", false, false}, {".flac ", false, false},
      {"", false, false},     {".m3u", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathRules::IsSongFile(c.ext, false), c.off) << c.ext;
    EXPECT_EQ(PathRules::IsSongFile(c.ext, true), c.on) << c.ext;
    EXPECT_EQ(PathRules::IsSongFile(c.ext, false), PathRules::IsMp3File(c.ext)) << c.ext;
  }
}

class PlayListFormats : public PlayListTest {
protected:
  void SetAllFormats(bool on) { Engine->Options().PlayAllFormats = on; }
  const std::vector<std::string> kNames = {"a.mp3", "b.FLAC", "c.ogg", "d.oga", "e.Opus", "f.wav", "g.txt", "h.m4a"};
};

TEST_F(PlayListFormats, FolderFileListAndPlaylistTakeOnlyMp3WhenOff) {
  const std::string folder = Dir.File("music");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  std::vector<std::string> paths;
  std::string m3u;
  for (const std::string& n : kNames) {
    WriteAll(folder + "/" + n, "x");
    paths.push_back(folder + "/" + n);
    m3u += n + "\n";
  }
  WriteAll(folder + "/list.m3u", m3u);
  List().SetDisplayMode(0);
  for (bool on : {false, true}) {
    SCOPED_TRACE(on ? "on" : "off");
    SetAllFormats(on);
    List().New();
    const Strings expected = on ? Strings{"a.mp3", "b.FLAC", "c.ogg", "d.oga", "e.Opus", "f.wav"} : Strings{"a.mp3"};
    List().AddFileList(paths, true);
    EXPECT_EQ(Lines(), expected);
    List().New();
    EXPECT_EQ(List().OpenPath(folder + "/list.m3u", true), PlayList::Opened::PlayListFile);
    EXPECT_EQ(Lines(), expected);
    List().New();
    EXPECT_EQ(List().AddFolder(folder), static_cast<int>(expected.size()));
    Strings reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(Lines(), reversed);
    // A single path, as the command line, a drop or the desktop's OpenUri give it.
    List().New();
    EXPECT_EQ(List().OpenPath(folder + "/b.FLAC", true), on ? PlayList::Opened::Song : PlayList::Opened::Nothing);
    EXPECT_EQ(List().OpenPath(folder + "/a.mp3", true), PlayList::Opened::Song);
  }
}

} // namespace
