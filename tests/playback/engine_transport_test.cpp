// The engine's transport: commands and the buttons they leave, loading
// songs, moving through the playlist and seeking.
#include "platform/UserDialogs.h"
#include "support/EngineFixture.h"

namespace {

using Calls = std::vector<std::string>;
using Buttons = PlaybackEngine::TransportButtons;

class EngineTransport : public EngineFixture {
protected:
  // Moves the shown position to `seconds` by a tick, as the timer would.
  void TickAt(int seconds) {
    Device->ScriptPosition(seconds * 1000);
    Tick();
  }
};

bool Same(const Buttons& a, const Buttons& b) {
  return a.PlayVisible == b.PlayVisible && a.PlayEnabled == b.PlayEnabled && a.PauseVisible == b.PauseVisible &&
         a.PauseEnabled == b.PauseEnabled && a.StopEnabled == b.StopEnabled && a.SeekEnabled == b.SeekEnabled;
}

TEST_F(EngineTransport, ButtonsFollowTheDeviceModeAtEachTickAndEachCommand) {
  auto& e = Start();
  EXPECT_TRUE(Same(e.Buttons(), {true, false, false, false, false, false}));  // nothing offered yet

  e.LoadSong(MakeSong("a.mp3"));
  EXPECT_TRUE(e.TimerActive());
  Tick();  // stopped at 0
  const Buttons stopped{true, true, false, false, false, true};
  EXPECT_TRUE(Same(e.Buttons(), stopped));
  EXPECT_EQ(Count("ButtonsChanged"), 1);

  e.Play();
  const Buttons playing{false, false, true, true, true, true};
  EXPECT_TRUE(Same(e.Buttons(), playing));  // shown at once, not at the next tick
  Tick();
  EXPECT_TRUE(Same(e.Buttons(), playing));

  e.Pause();
  Tick();
  EXPECT_EQ(Device->Mode(), TMPModes::mpPaused);
  EXPECT_TRUE(Same(e.Buttons(), stopped));
  e.Pause();  // again: resumes
  EXPECT_EQ(Device->Calls().back(), "Resume");
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  Tick();

  // Modes the buttons do not know leave Play, Pause and Stop as they are.
  Device->ScriptMode(TMPModes::mpSeeking);
  Tick();
  EXPECT_TRUE(Same(e.Buttons(), playing));

  // Stop: the Stop button goes off at once; back to the start, song and timer kept.
  Device->ScriptMode(TMPModes::mpPlaying);
  Device->ScriptPosition(20000);
  ClearEvents();
  Device->ClearCalls();
  e.Stop();
  EXPECT_TRUE(Same(e.Buttons(), stopped));
  EXPECT_EQ(Events, (Calls{"ButtonsChanged", "ButtonsChanged"}));  // Stop off at once, then the stopped state
  EXPECT_EQ(Device->Calls(), (Calls{"Stop", "Rewind"}));
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_TRUE(Device->IsOpen() && e.TimerActive());

  // A song shorter than a second offers no seeking.
  Device->ScriptLength(500);
  e.LoadSong(MakeSong("b.mp3"));
  Tick();
  EXPECT_FALSE(e.Buttons().SeekEnabled);
}

TEST_F(EngineTransport, PauseTogglesAndFallsBackToPlay) {
  auto& e = Start();
  e.LoadSong(MakeSong("a.mp3"));
  Device->ClearCalls();
  e.Pause();  // stopped: nothing
  EXPECT_TRUE(Device->Calls().empty());

  e.Play();
  e.Pause();
  Device->FailResume("resume refused");
  Device->ClearCalls();
  e.Pause();
  EXPECT_EQ(Device->Calls(), (Calls{"Resume", "Play"}));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(EngineTransport, PlayAfterTheEndStartsAgain) {
  auto& e = Start();
  e.LoadSong(MakeSong("a.mp3"));
  e.StopTimer();
  Device->ScriptPosition(60000);
  Device->ClearCalls();
  e.Play();
  EXPECT_EQ(Device->Calls(), (Calls{"Rewind", "Play"}));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_TRUE(e.TimerActive());  // Play starts the timer
}

TEST_F(EngineTransport, LoadSongPublishesTheSongAndRemembersIt) {
  auto& e = Start();
  e.LoadSong(MakeSong("first.mp3"));
  e.Play();
  Device->ScriptPosition(17000);
  Tick();
  ASSERT_EQ(e.PositionSeconds(), 17);

  Device->ScriptLength(225400);
  const std::string path = MakeSong("Artist - Title.mp3");
  ClearEvents();
  Device->ClearCalls();
  e.LoadSong(path);
  // One open device at a time: opening closes the previous song.
  EXPECT_EQ(Device->Calls(), Calls{"Open " + path});
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);  // loaded, not started
  EXPECT_EQ(e.Caption(), " Artist - Title.mp3");
  EXPECT_FALSE(e.CaptionCut());
  EXPECT_EQ(e.TrayHint(), " Artist - Title.mp3");
  EXPECT_EQ(e.LengthText(), " [03:45] total time");
  EXPECT_EQ(e.LengthSeconds(), 225);
  EXPECT_EQ(e.PositionSeconds(), 0);
  EXPECT_EQ(e.Options().LastSoundFile, path);
  EXPECT_TRUE(e.TimerActive());
  EXPECT_EQ(Events, (Calls{"TrayHintChanged", "SongLoaded"}));
}

TEST_F(EngineTransport, AFailedOpenNamesTheFileInPlainWords) {
  auto& e = Start();
  AddSongs(1);
  SetCurrent(0);
  const std::string quoted = "Cannot play \"" + Dir.File("song0.mp3") + "\": ";
  const struct {
    const char* device;
    std::string shown;
  } cases[] = {
      {"Failed to find valid MPEG data within limit on resync.",
       quoted + "it holds no MP3 audio; it may be damaged, or a file of another kind."},
      {"The file holds no playable MPEG audio",
       quoted + "it holds no MP3 audio; it may be empty, damaged, or a file of another kind."},
      {"Unknown error code", quoted + "its audio cannot be decoded."},
  };
  for (const auto& c : cases) {
    Device->FailOpen(c.device);
    try {
      e.PlayCurrentEntry();
      ADD_FAILURE() << "no error for " << c.device;
    } catch (const MediaDeviceError& error) {
      EXPECT_EQ(std::string(error.what()), c.shown);
    }
  }
}

TEST_F(EngineTransport, AFailedOpenEndsTheCommandAndKeepsTheTexts) {
  auto& e = Start();
  AddSongs(2);
  SetCurrent(0);
  e.PlayCurrentEntry();
  Device->FailOpen("Cannot decode this file");
  SetCurrent(1);
  Device->ClearCalls();
  ClearEvents();
  try {
    e.PlayCurrentEntry();
    ADD_FAILURE() << "no error";
  } catch (const MediaDeviceError& error) {
    // Which file, and the device's own words where they are not ones the
    // player knows.
    EXPECT_EQ(std::string(error.what()), "Cannot play \"" + Dir.File("song1.mp3") + "\": Cannot decode this file.");
  }
  EXPECT_FALSE(Device->IsOpen());  // the previous song has stopped
  EXPECT_FALSE(Called("Play"));
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(e.Caption(), " song0.mp3");
  EXPECT_EQ(e.Options().LastSoundFile, Dir.File("song0.mp3"));

  // The running timer stops on its next tick without a second error.
  Tick();
  Tick();
  EXPECT_FALSE(e.TimerActive());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(EngineTransport, MissingFileIsReportedAndTheSongPlaysOn) {
  auto& e = Start();
  AddSongs(1);
  const std::string gone = Dir.File("gone.mp3");
  AddLine(gone);
  SetCurrent(0);
  e.PlayCurrentEntry();
  SetCurrent(1);
  e.PlayCurrentEntry();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Caption, "Error: File does not exist");
  EXPECT_EQ(Messages[0].Text, gone + " does not exist.");
  EXPECT_EQ(Messages[0].Icon, static_cast<int>(TMsgIcon::Error));
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(EngineTransport, NothingToMoveToOrSeekInDoesNothing) {
  auto& e = Start();
  e.PlayCurrentEntry();
  e.Next();
  e.Previous();
  e.PlayRandom();
  EXPECT_FALSE(e.SeekTo(0));  // no song: no length
  e.SkipForward();
  e.SeekAt(90, 183);
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_TRUE(Messages.empty() && Errors.empty());
}

TEST_F(EngineTransport, NextAndPreviousWrapAndPlay) {
  auto& e = Start();
  AddSongs(3);
  SetCurrent(2);
  e.Next();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  e.Previous();
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song2.mp3"));
  e.Previous();
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song1.mp3"));
}

TEST_F(EngineTransport, RandomPlaysAnotherLine) {
  auto& e = Start();
  AddSongs(3);
  SetCurrent(0);
  e.PlayRandom();
  EXPECT_NE(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song" + std::to_string(Current()) + ".mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);

  // The only line is current: nothing else to play.
  List().Clear();
  AddSongs(1);
  SetCurrent(0);
  Device->ClearCalls();
  e.PlayRandom();
  EXPECT_EQ(Current(), 0);
  EXPECT_TRUE(Device->Calls().empty());
}

TEST_F(EngineTransport, SeekStaysInsideTheSongAndKeepsPlaying) {
  auto& e = Start();
  e.LoadSong(MakeSong("a.mp3"));  // 60 s
  e.Play();
  TickAt(7);  // the buttons show the playing state
  Device->ClearCalls();
  ClearEvents();

  e.SkipBack();  // -3: outside
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_EQ(e.PositionSeconds(), 7);

  TickAt(49);  // length - 11
  Device->ClearCalls();
  ClearEvents();
  e.SkipForward();
  EXPECT_EQ(e.PositionSeconds(), 59);
  EXPECT_EQ(Device->Calls(), (Calls{"Pause", "SetPosition 59000", "Play"}));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);  // it was playing: it goes on
  EXPECT_EQ(Events, Calls{"Seeked"});

  TickAt(50);  // in the last 10 seconds
  Device->ClearCalls();
  e.SkipForward();
  EXPECT_FALSE(e.SeekTo(60));
  EXPECT_FALSE(e.SeekTo(-1));
  EXPECT_TRUE(Device->Calls().empty());

  // "Was it playing" is what the buttons showed last, not the device's mode:
  // paused and shown paused, the song stays still after the seek.
  e.Pause();
  TickAt(40);
  Device->ClearCalls();
  e.SkipBack();
  EXPECT_EQ(Device->Calls(), (Calls{"Resume", "SetPosition 30000"}));  // the pause toggles
  EXPECT_EQ(Device->Position(), 30000);
  EXPECT_NE(Device->Mode(), TMPModes::mpPlaying);
  // Playing again: the buttons show it at once, so a seek right after Play
  // (before any tick) keeps the song playing.
  e.Play();
  e.SkipForward();
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  // The device stopped by itself and no tick has shown it yet: the buttons
  // still show it playing, so the seek plays.
  Device->ScriptMode(TMPModes::mpStopped);
  Device->ClearCalls();
  e.SkipBack();
  EXPECT_EQ(Device->Calls().back(), "Play");
}

TEST_F(EngineTransport, SeekAtAClickOnTheBar) {
  auto& e = Start();
  Device->ScriptLength(180000);
  e.LoadSong(MakeSong("a.mp3"));
  Device->ClearCalls();
  e.SeekAt(0, 183);
  EXPECT_EQ(Device->Calls(), (Calls{"SetPosition 0", "Play"}));  // no tick yet: counts as playing
  e.SeekAt(122, 183);
  EXPECT_EQ(e.PositionSeconds(), 120);  // trunc(122 / 183 * 180)
  EXPECT_EQ(Device->Position(), 120000);
  Device->ClearCalls();
  e.SeekAt(183, 183);  // the end is outside the song
  e.SeekAt(-5, 183);
  e.SeekAt(50, 0);
  EXPECT_TRUE(Device->Calls().empty());
}

TEST_F(EngineTransport, CommandsOnAClosedDeviceFailAndTheTimerStopsQuietly) {
  auto& e = Start();
  EXPECT_EQ(e.PlayerMode(), TMPModes::mpNotReady);
  EXPECT_EQ(e.PlayerPosition(), 0);
  EXPECT_THROW(e.Play(), MediaDeviceError);
  // The timer Play switched on does not keep asking the closed device.
  EXPECT_TRUE(e.TimerActive());
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_FALSE(e.TimerActive());
  EXPECT_TRUE(Errors.empty());

  EXPECT_THROW(e.Pause(), MediaDeviceError);
  EXPECT_THROW(e.Stop(), MediaDeviceError);
}

TEST_F(EngineTransport, ShuffleAndRepeatAreOneGroup) {
  auto& e = Start();
  e.SetShuffle(true);
  EXPECT_TRUE(e.Shuffle());
  e.SetRepeat(true);
  EXPECT_TRUE(e.Repeat());
  EXPECT_FALSE(e.Shuffle());
  e.SetShuffle(true);
  EXPECT_FALSE(e.Repeat());
  EXPECT_EQ(Count("ModesChanged"), 3);
  e.SetShuffle(true);  // no change: nothing published
  e.SetRepeat(false);
  EXPECT_EQ(Count("ModesChanged"), 3);
  e.SetShuffle(false);
  EXPECT_FALSE(e.Shuffle() || e.Repeat());
  EXPECT_EQ(Count("ModesChanged"), 4);
}

} // namespace
