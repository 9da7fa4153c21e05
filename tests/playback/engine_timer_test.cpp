// The engine's position timer: times read from the device, the display
// formats, and what follows the end of a song.
#include "platform/UserDialogs.h"
#include "support/EngineFixture.h"

namespace {

class EngineTimer : public EngineFixture {
protected:
  int Opens() const {
    int n = 0;
    for (const std::string& c : Device->Calls()) n += c.rfind("Open ", 0) == 0;
    return n;
  }
};

TEST_F(EngineTimer, TimesFromTheDevice) {
  auto& e = Start();
  Device->ScriptLength(225400);
  e.LoadSong(MakeSong("a.mp3"));
  EXPECT_EQ(e.LengthText(), " [03:45] total time");
  EXPECT_EQ(e.PositionText(), " [00:00]");
  Device->ScriptPosition(62500);
  ClearEvents();
  Tick();
  EXPECT_EQ(e.PositionSeconds(), 62);
  EXPECT_EQ(e.PositionText(), " [01:02]");
  EXPECT_EQ(e.TimeLeftText(), "02:43");
  EXPECT_EQ(Events, (std::vector<std::string>{"ButtonsChanged", "Ticked"}));
}

TEST_F(EngineTimer, DisplayFormatsUseTheShownCaption) {
  auto& e = Start();
  e.Options().PlayListMode = 1;  // file name without extension
  Device->ScriptLength(225400);
  e.LoadSong(MakeSong("Artist - Title.mp3"));
  Device->ScriptPosition(62500);
  Tick();
  EXPECT_EQ(e.ExpandDisplayFormat("- $filename... [$timeleft]"), "- Artist - T... [02:43]");
  EXPECT_EQ(e.ExpandDisplayFormat("$pos of $timeleft"), "01:02 of 02:43");
}

TEST_F(EngineTimer, RepeatPlaysTheSongAgain) {
  auto& e = Start();
  AddSongs(2);
  SetCurrent(0);
  e.PlayCurrentEntry();
  e.SetRepeat(true);
  Device->ScriptPosition(30000);
  Tick();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_TRUE(e.TimerActive());
  EXPECT_EQ(e.PositionText(), " [00:00]");
  EXPECT_TRUE(Errors.empty());
}

TEST_F(EngineTimer, ShuffleMovesToAnotherLine) {
  auto& e = Start();
  AddSongs(4);
  e.SetShuffle(true);
  SetCurrent(2);
  e.PlayCurrentEntry();
  for (int i = 0; i < 20; ++i) {
    const int before = Current();
    Device->PlayToEnd();
    ASSERT_NE(Current(), before);
    ASSERT_EQ(Device->OpenPath(), Dir.File("song" + std::to_string(Current()) + ".mp3"));
    ASSERT_EQ(Device->Mode(), TMPModes::mpPlaying);
    ASSERT_TRUE(e.TimerActive());
  }
}

TEST_F(EngineTimer, AfterTheLastLineComesTheFirst) {
  auto& e = Start();
  AddSongs(2);
  SetCurrent(1);
  e.PlayCurrentEntry();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_TRUE(e.TimerActive());
}

TEST_F(EngineTimer, NothingToFollowStopsTheTimer) {
  auto& e = Start();
  e.LoadSong(MakeSong("alone.mp3"));  // loaded, not in the list
  e.Play();
  Device->ScriptPosition(45000);
  Tick();
  Device->PlayToEnd();
  EXPECT_FALSE(e.TimerActive());
  EXPECT_EQ(e.TrayHint(), "Velmaris ");
  EXPECT_EQ(e.PositionSeconds(), 0);
  EXPECT_EQ(Device->Position(), 0);

  // Shuffle on a single current line ends the same way.
  AddSongs(1);
  SetCurrent(0);
  e.SetShuffle(true);
  e.PlayCurrentEntry();
  Device->PlayToEnd();
  EXPECT_FALSE(e.TimerActive());
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(Current(), 0);
}

TEST_F(EngineTimer, MissingNextFileStopsTheAdvance) {
  auto& e = Start();
  AddSongs(1);
  AddLine(Dir.File("gone.mp3"));
  SetCurrent(0);
  e.PlayCurrentEntry();
  Device->PlayToEnd();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Caption, "Error: File does not exist");
  EXPECT_FALSE(e.TimerActive());
  Tick();
  EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(EngineTimer, SongsWithoutLengthDoNotCycleForEver) {
  auto& e = Start();
  Device->ScriptLength(0);
  AddSongs(3);
  SetCurrent(0);
  e.PlayCurrentEntry();
  for (int i = 0; i < 20 && e.TimerActive(); ++i) Tick();
  EXPECT_FALSE(e.TimerActive());
  EXPECT_EQ(Opens(), 3);  // each line once
  EXPECT_EQ(e.TrayHint(), "Velmaris ");
  EXPECT_EQ(e.PositionSeconds(), 0);

  // A song that plays for a while in between starts the count again.
  Device->ClearCalls();
  SetCurrent(0);
  e.PlayCurrentEntry();
  Tick();  // song1
  Device->ScriptLength(60000);
  Tick();  // song1 has length after all
  Device->ScriptLength(0);
  for (int i = 0; i < 20 && e.TimerActive(); ++i) Tick();
  EXPECT_EQ(Opens(), 4);  // song0, song1, then song2 and song0 again
}

TEST_F(EngineTimer, AnErrorInATickIsReportedOnceAndStopsTheTimer) {
  auto& e = Start();
  AddSongs(2);
  SetCurrent(0);
  e.PlayCurrentEntry();
  Device->FailOpen("Cannot decode this file");
  Device->PlayToEnd();  // the next line fails to open
  EXPECT_EQ(Errors, std::vector<std::string>{"Cannot play \"" + Dir.File("song1.mp3") + "\": Cannot decode this file."});
  EXPECT_EQ(Count("ErrorRaised"), 1);
  EXPECT_FALSE(e.TimerActive());
  for (int i = 0; i < 3; ++i) Tick();
  Device->FireCompletion();
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_FALSE(e.TimerActive());

  // A tick run directly throws the error, again with the timer stopped.
  Device->FailOpen("");
  e.PlayCurrentEntry();
  Device->FailOpen("Cannot decode this file");
  Device->ScriptPosition(60000);
  ASSERT_TRUE(e.TimerActive());
  EXPECT_THROW(e.Tick(), MediaDeviceError);
  EXPECT_FALSE(e.TimerActive());
}

} // namespace
