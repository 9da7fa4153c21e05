// The position timer: time texts, the progress bar, the display formats,
// what happens when a song ends, and seeking by a click on the bar.
#include <gtest/gtest.h>

#include <QFrame>

#include "playback/PlaybackFixture.h"

namespace {

class PositionTimer : public PlaybackFixture {};

TEST(TimeTextTest, MinutesAndSecondsZeroPadded) {
  EXPECT_EQ(TFrmMainVelmaris::TimeText(0), "00:00");
  EXPECT_EQ(TFrmMainVelmaris::TimeText(5), "00:05");
  EXPECT_EQ(TFrmMainVelmaris::TimeText(75), "01:15");
  EXPECT_EQ(TFrmMainVelmaris::TimeText(225), "03:45");
  EXPECT_EQ(TFrmMainVelmaris::TimeText(3725), "62:05");
  EXPECT_EQ(TFrmMainVelmaris::TimeText(7380), "123:00");
}

TEST_F(PositionTimer, TimesFromTheDevice) {
  auto& w = Start();
  Device->ScriptLength(225400);
  w.LoadSong(MakeSong("a.mp3"));
  EXPECT_EQ(w.LengthText->text().toStdString(), " [03:45] total time");
  Device->ScriptPosition(62500);
  Tick();
  EXPECT_EQ(w.PositionSeconds, 62);
  EXPECT_EQ(w.PositionText->text().toStdString(), " [01:02]");
  EXPECT_EQ(w.TimeLeftText(), "02:43");

  // The bar: 90 s of 180 s in the 183-pixel panel is trunc(180 * 0.5).
  Device->ScriptLength(180000);
  w.LoadSong(MakeSong("b.mp3"));
  ASSERT_EQ(w.ProgressPanel->width(), 183);
  Device->ScriptPosition(90000);
  Tick();
  EXPECT_EQ(w.ProgressPanelBar->width(), 90);
  // 179 / 180 kept as a 32-bit float is a little below: 178.99998 pixels.
  Device->ScriptPosition(179999);
  Tick();
  EXPECT_EQ(w.ProgressPanelBar->width(), 178);
}

TEST_F(PositionTimer, DisplayFormats) {
  auto& w = Start();
  w.VelmarisOptions.PlayListMode = 1;  // file name without extension
  Device->ScriptLength(225400);
  w.LoadSong(MakeSong("Artist - Title.mp3"));
  ASSERT_EQ(Caption(), " Artist - Title");
  Device->ScriptPosition(62500);

  w.resize(261, 21);  // mini
  w.VelmarisOptions.DispMini = "- $filename... [$timeleft]";
  w.VelmarisOptions.DispNormal = "$pos of $timeleft";
  w.VelmarisOptions.DispTask = "$pos $pos";
  Tick();
  EXPECT_EQ(w.CaptionLabel->text().toStdString(), "Velmaris - Artist - T... [02:43]");
  EXPECT_EQ(w.ApplicationTitle(), "Velmaris 01:02 01:02");

  w.resize(261, 115);  // normal
  Tick();
  EXPECT_EQ(w.CaptionLabel->text().toStdString(), "Velmaris 01:02 of 02:43");

  // Blank formats leave the caption and the taskbar text as they were.
  w.VelmarisOptions.DispNormal = "  ";
  w.VelmarisOptions.DispTask = "";
  w.SetApplicationTitle("untouched");
  Tick();
  EXPECT_EQ(w.CaptionLabel->text().toStdString(), "Velmaris 01:02 of 02:43");
  EXPECT_EQ(w.ApplicationTitle(), "untouched");
  w.VelmarisOptions.DispTask = " \t ";
  Tick();
  EXPECT_EQ(w.ApplicationTitle(), "untouched");

  // No variables: shown as it is.
  w.VelmarisOptions.DispNormal = "just text $ pos";
  Tick();
  EXPECT_EQ(w.CaptionLabel->text().toStdString(), "Velmaris just text $ pos");
}

TEST_F(PositionTimer, FileNameHoldingATokenStillEnds) {
  auto& w = Start();
  w.VelmarisOptions.PlayListMode = 1;
  w.LoadSong(MakeSong("$filename.mp3"));
  EXPECT_EQ(w.ExpandDisplayFormat("[$filename|$filename]"), "[$filename|$filename]");
  // Later variables are still replaced inside the inserted name.
  w.LoadSong(MakeSong("$pos x.mp3"));
  w.PositionSeconds = 62;
  EXPECT_EQ(w.ExpandDisplayFormat("$filename"), "01:02 x");
  // At most 10 characters of the name, counted as characters.
  w.LoadSong(MakeSong("\xC3\xA4\xC3\xB6\xC3\xBC abcdefghij.mp3"));
  EXPECT_EQ(w.ExpandDisplayFormat("<$filename>"), "<\xC3\xA4\xC3\xB6\xC3\xBC abcdef>");
}

TEST_F(PositionTimer, RepeatPlaysTheSongAgain) {
  auto& w = Start();
  AddSongs(2);
  SetCurrent(0);
  w.PlayCurrentEntry();
  w.RepeatButton->SetDown(true);
  Device->ScriptPosition(30000);
  Tick();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(w.PositionText->text().toStdString(), " [00:00]");
}

TEST_F(PositionTimer, ShuffleMovesToAnotherLine) {
  auto& w = Start();
  AddSongs(4);
  w.ShuffleButton->SetDown(true);
  SetCurrent(2);
  w.PlayCurrentEntry();
  for (int i = 0; i < 20; ++i) {
    const int before = Current();
    Device->PlayToEnd();
    ASSERT_NE(Current(), before);
    ASSERT_EQ(Device->OpenPath(), Dir.File("song" + std::to_string(Current()) + ".mp3"));
    ASSERT_EQ(Device->Mode(), TMPModes::mpPlaying);
  }
}

TEST_F(PositionTimer, AfterTheLastLineComesTheFirst) {
  auto& w = Start();
  AddSongs(2);
  SetCurrent(1);
  w.PlayCurrentEntry();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_TRUE(TimerOn());
}

TEST_F(PositionTimer, EndOfAnEmptyListStopsTheTimer) {
  auto& w = Start();
  w.LoadSong(MakeSong("alone.mp3"));  // loaded, not in the list
  w.PlayButtonClick();
  Device->ScriptPosition(45000);
  Tick();
  Device->PlayToEnd();
  EXPECT_FALSE(TimerOn());
  EXPECT_EQ(w.TrayHint.toStdString(), "Velmaris ");
  EXPECT_EQ(w.PositionSeconds, 0);
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_EQ(w.PositionText->text().toStdString(), " [00:00]");
  // Shuffle on a single current line ends the same way.
  AddSongs(1);
  SetCurrent(0);
  w.ShuffleButton->SetDown(true);
  w.PlayCurrentEntry();
  Device->PlayToEnd();
  EXPECT_FALSE(TimerOn());
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);
}

TEST_F(PositionTimer, MissingNextFileStopsTheAdvance) {
  auto& w = Start();
  AddSongs(1);
  AddLine(Dir.File("gone.mp3"));
  SetCurrent(0);
  w.PlayCurrentEntry();
  Device->PlayToEnd();
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Caption, "Error: File does not exist");
  EXPECT_FALSE(TimerOn());
  Tick();
  EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

TEST_F(PositionTimer, SongsWithoutLengthDoNotCycleForEver) {
  auto& w = Start();
  Device->ScriptLength(0);
  AddSongs(3);
  SetCurrent(0);
  w.PlayCurrentEntry();
  int opens = 0;
  for (int i = 0; i < 20 && TimerOn(); ++i) {
    Tick();
    for (const std::string& c : Device->Calls()) opens += c.rfind("Open ", 0) == 0;
    Device->ClearCalls();
  }
  EXPECT_FALSE(TimerOn());
  EXPECT_EQ(opens, 3);  // each line once
  EXPECT_EQ(w.TrayHint.toStdString(), "Velmaris ");
}

TEST_F(PositionTimer, ClickOnTheBarSeeks) {
  auto& w = Start();
  Device->ScriptLength(180000);
  w.LoadSong(MakeSong("a.mp3"));
  Device->ClearCalls();
  w.ProgressPanelMouseDown(w.ProgressPanel, 0);
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_TRUE(Called("SetPosition 0"));
  w.ProgressPanelMouseDown(w.ProgressPanelBar, 122);
  EXPECT_EQ(w.PositionSeconds, 120);  // trunc(122 / 183 * 180)
  EXPECT_EQ(Device->Position(), 120000);
  Device->ClearCalls();
  w.ProgressPanelMouseDown(w.ProgressPanel, 183);  // the end is outside the song
  w.ProgressPanelMouseDown(w.ProgressPanel, -5);
  EXPECT_TRUE(Device->Calls().empty());
}

} // namespace
