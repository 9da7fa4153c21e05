// The player engine: transport commands and buttons, loading songs, moving
// through the playlist, seeking, the open dialog and start-up restore.
#include <gtest/gtest.h>

#include <QFrame>
#include <QSystemTrayIcon>

#include <set>

#include "platform/UserDialogs.h"
#include "playback/PlaybackFixture.h"

using testsupport::WriteAll;

namespace {

class Transport : public PlaybackFixture {};

TEST_F(Transport, ButtonsFollowTheDeviceMode) {
  auto& w = Start();
  for (TSpeedButton* b : {w.PlayButton, w.PauseButton, w.StopButton, w.RewButton, w.FFButton})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_TRUE(w.PreviousButton->isEnabled());
  EXPECT_TRUE(w.NextButton->isEnabled());

  w.LoadSong(MakeSong("a.mp3"));
  EXPECT_TRUE(TimerOn());
  Tick();  // stopped at 0
  EXPECT_TRUE(Shown(w.PlayButton) && w.PlayButton->isEnabled());
  EXPECT_FALSE(Shown(w.PauseButton) || w.PauseButton->isEnabled());
  EXPECT_FALSE(w.StopButton->isEnabled());
  EXPECT_TRUE(w.RewButton->isEnabled() && w.FFButton->isEnabled());

  w.PlayButtonClick();
  Tick();
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_FALSE(Shown(w.PlayButton) || w.PlayButton->isEnabled());
  EXPECT_TRUE(Shown(w.PauseButton) && w.PauseButton->isEnabled());
  EXPECT_TRUE(w.StopButton->isEnabled());

  w.PauseButtonClick();
  Tick();
  EXPECT_EQ(Device->Mode(), TMPModes::mpPaused);
  EXPECT_TRUE(Shown(w.PlayButton) && w.PlayButton->isEnabled());
  EXPECT_FALSE(w.StopButton->isEnabled());

  // Pause again resumes.
  w.PauseButtonClick();
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Device->Calls().back(), "Resume");

  // Modes the buttons do not know leave Play, Pause and Stop as they are.
  Tick();
  Device->ScriptMode(TMPModes::mpSeeking);
  Tick();
  EXPECT_TRUE(Shown(w.PauseButton) && w.StopButton->isEnabled());

  // Stop goes back to the start; the song stays loaded and the timer runs.
  Device->ScriptMode(TMPModes::mpPlaying);
  Device->ScriptPosition(20000);
  w.StopButtonClick();
  EXPECT_FALSE(w.StopButton->isEnabled());
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_TRUE(Device->IsOpen() && TimerOn());
}

TEST_F(Transport, PauseTogglesAndFallsBackToPlay) {
  auto& w = Start();
  w.LoadSong(MakeSong("a.mp3"));
  Device->ClearCalls();
  w.PauseButtonClick();  // stopped: nothing
  EXPECT_TRUE(Device->Calls().empty());

  w.PlayButtonClick();
  w.PauseButtonClick();
  Device->FailResume("resume refused");
  Device->ClearCalls();
  w.PauseButtonClick();
  EXPECT_EQ(Device->Calls(), (std::vector<std::string>{"Resume", "Play"}));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(Transport, PlayAfterTheEndStartsAgain) {
  auto& w = Start();
  w.LoadSong(MakeSong("a.mp3"));
  Device->ScriptPosition(60000);
  Device->ClearCalls();
  w.PlayButtonClick();
  EXPECT_EQ(Device->Calls(), (std::vector<std::string>{"Rewind", "Play"}));
  EXPECT_EQ(Device->Position(), 0);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(Transport, LoadSongShowsTheSongAndRemembersIt) {
  auto& w = Start();
  Device->ScriptLength(225400);
  const std::string path = MakeSong("Artist - Title.mp3");
  w.PositionSeconds = 17;
  w.LoadSong(path);
  EXPECT_EQ(Device->OpenPath(), path);
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);  // loaded, not started
  EXPECT_EQ(Caption(), " Artist - Title.mp3");
  EXPECT_EQ(w.TrayHint.toStdString(), " Artist - Title.mp3");
  EXPECT_EQ(w.FileText->font().family(), "Tahoma");
  EXPECT_EQ(w.LengthText->text().toStdString(), " [03:45] total time");
  EXPECT_EQ(w.LengthSeconds, 225);
  EXPECT_EQ(w.PositionSeconds, 0);
  EXPECT_EQ(w.VelmarisOptions.LastSoundFile, path);
  EXPECT_TRUE(TimerOn());

  // The next load closes this song first: one open device at a time.
  Device->ClearCalls();
  w.LoadSong(MakeSong("b.mp3"));
  EXPECT_EQ(Device->Calls(), (std::vector<std::string>{"Open " + Dir.File("b.mp3")}));
}

TEST_F(Transport, LongCaptionsAreCutByCharacters) {
  auto& w = Start();
  // " " + 44 characters = 45: kept whole.
  const std::string name45 = std::string(40, 'a') + ".mp3";
  w.LoadSong(MakeSong(name45));
  EXPECT_EQ(Caption(), " " + name45);

  // 46 characters: the first 39 and "...".
  const std::string name46 = std::string(41, 'b') + ".mp3";
  w.LoadSong(MakeSong(name46));
  EXPECT_EQ(Caption(), " " + std::string(38, 'b') + "...");
  EXPECT_EQ(w.TrayHint.toStdString(), " " + name46);

  // Characters, not bytes: 40 two-byte letters stay whole, 41 are cut after
  // a whole letter.
  std::string umlauts40;
  for (int i = 0; i < 40; ++i) umlauts40 += "\xC3\xA4";
  w.LoadSong(MakeSong(umlauts40 + ".mp3"));
  EXPECT_EQ(Caption(), " " + umlauts40 + ".mp3");
  w.LoadSong(MakeSong(umlauts40 + "\xC3\xA4.mp3"));
  EXPECT_EQ(Caption(), " " + umlauts40.substr(0, 38 * 2) + "...");
  EXPECT_EQ(w.FileText->text().size(), 42);
}

TEST_F(Transport, AFailedOpenEndsTheCommandAndKeepsTheTexts) {
  auto& w = Start();
  AddSongs(2);
  SetCurrent(0);
  w.PlayCurrentEntry();
  const std::string caption = Caption();
  Device->FailOpen("Cannot decode this file");
  SetCurrent(1);
  Device->ClearCalls();
  w.Guarded([&] { w.PlayCurrentEntry(); });
  EXPECT_EQ(Dialogs.Errors, std::vector<std::string>{"Cannot decode this file"});
  EXPECT_FALSE(Device->IsOpen());  // the previous song has stopped
  EXPECT_FALSE(Called("Play"));
  EXPECT_EQ(Caption(), caption);
  EXPECT_EQ(w.VelmarisOptions.LastSoundFile, Dir.File("song0.mp3"));

  // The running timer stops on its next tick without a second message.
  Tick();
  Tick();
  EXPECT_FALSE(TimerOn());
  EXPECT_EQ(Dialogs.Errors.size(), 1u);
}

TEST_F(Transport, MissingFileIsReportedAndTheSongPlaysOn) {
  auto& w = Start();
  AddSongs(1);
  const std::string gone = Dir.File("gone.mp3");
  AddLine(gone);
  SetCurrent(0);
  w.PlayCurrentEntry();
  SetCurrent(1);
  w.PlayListDblClick();
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Caption, "Error: File does not exist");
  EXPECT_EQ(Dialogs.Messages[0].Text, gone + " does not exist.");
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(Transport, NoCurrentLineOrEmptyListDoesNothing) {
  auto& w = Start();
  w.PlayListDblClick();
  w.NextButtonClick();
  w.PreviousButtonClick();
  w.ShuffleButtonMouseDown(Qt::RightButton);
  EXPECT_FALSE(w.SelectNextEntry());
  EXPECT_FALSE(w.SelectPreviousEntry());
  EXPECT_FALSE(w.SelectRandomEntry());
  // No song loaded: no seek reaches the device.
  EXPECT_FALSE(w.SeekTo(0));
  w.FFButtonClick();
  w.ProgressPanelMouseDown(w.ProgressPanel, 90);
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_TRUE(Dialogs.Messages.empty() && Dialogs.Errors.empty());
}

TEST_F(Transport, NextAndPreviousWrapAround) {
  auto& w = Start();
  AddSongs(3);
  SetCurrent(2);
  w.NextButtonClick();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song0.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  w.PreviousButtonClick();
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song2.mp3"));
  w.PreviousButtonClick();
  EXPECT_EQ(Current(), 1);

  // Without a current line Next starts at the first, Previous at the last.
  SetCurrent(-1);
  EXPECT_TRUE(w.SelectNextEntry());
  EXPECT_EQ(Current(), 0);
  SetCurrent(-1);
  EXPECT_TRUE(w.SelectPreviousEntry());
  EXPECT_EQ(Current(), 2);
}

TEST_F(Transport, RandomLineIsNeverTheCurrentOne) {
  auto& w = Start();
  AddSongs(3);
  SetCurrent(1);
  std::set<int> seen;
  for (int i = 0; i < 300; ++i) {
    const int before = Current();
    ASSERT_TRUE(w.SelectRandomEntry());
    ASSERT_NE(Current(), before);
    ASSERT_GE(Current(), 0);
    ASSERT_LT(Current(), 3);
    seen.insert(Current());
  }
  EXPECT_EQ(seen.size(), 3u);

  // The right button on the shuffle button plays a random other line.
  SetCurrent(0);
  w.ShuffleButtonMouseDown(Qt::RightButton);
  EXPECT_NE(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song" + std::to_string(Current()) + ".mp3"));
}

TEST_F(Transport, RandomOnASingleCurrentLineReturns) {
  auto& w = Start();
  AddSongs(1);
  SetCurrent(0);
  EXPECT_FALSE(w.SelectRandomEntry());
  EXPECT_EQ(Current(), 0);
}

TEST_F(Transport, SeekStaysInsideTheSong) {
  auto& w = Start();
  w.LoadSong(MakeSong("a.mp3"));  // 60 s
  w.PlayButtonClick();
  Tick();  // buttons show the playing state
  Device->ClearCalls();

  w.PositionSeconds = 7;
  w.RewButtonClick();  // -3: outside
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_EQ(w.PositionSeconds, 7);

  w.PositionSeconds = 49;  // Length - 11
  w.FFButtonClick();
  EXPECT_EQ(w.PositionSeconds, 59);
  EXPECT_EQ(Device->Calls(), (std::vector<std::string>{"Pause", "SetPosition 59000", "Play"}));
  EXPECT_EQ(Device->Position(), 59000);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);  // playing goes on
  EXPECT_EQ(w.ProgressPanelBar->width(), static_cast<int>(183 * (59.0f / 60.0f)));

  Device->ClearCalls();
  w.PositionSeconds = 50;  // in the last 10 seconds
  w.FFButtonClick();
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_FALSE(w.SeekTo(60));
  EXPECT_FALSE(w.SeekTo(-1));
  EXPECT_TRUE(Device->Calls().empty());

  // Paused: the position moves and the song stays still.
  w.PauseButtonClick();
  Tick();
  w.PositionSeconds = 40;
  w.RewButtonClick();
  EXPECT_EQ(Device->Position(), 30000);
  EXPECT_NE(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(w.ProgressPanelBar->width(), 91);  // trunc(183 * 0.5)
}

TEST_F(Transport, CommandsOnAClosedDeviceReportOnce) {
  auto& w = Start();
  EXPECT_EQ(w.PlayerMode(), TMPModes::mpNotReady);
  EXPECT_EQ(w.PlayerPosition(), 0);

  w.Guarded([&] { w.PlayButtonClick(); });
  EXPECT_EQ(Dialogs.Errors, std::vector<std::string>{kNoDeviceOpen});
  // The timer that Play switched on does not keep asking the closed device.
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_FALSE(TimerOn());
  EXPECT_EQ(Dialogs.Errors.size(), 1u);

  Dialogs.Errors.clear();
  w.Guarded([&] { w.PauseButtonClick(); });
  w.Guarded([&] { w.StopButtonClick(); });
  EXPECT_EQ(Dialogs.Errors, (std::vector<std::string>{kNoDeviceOpen, kNoDeviceOpen}));
}

TEST_F(Transport, OpenDialogChoices) {
  auto& w = Start();
  w.OpenButtonClick();  // cancelled
  ASSERT_EQ(Dialogs.Filters.size(), 1u);
  EXPECT_EQ(Dialogs.Filters[0], TFrmMainVelmaris::OpenFilter);
  EXPECT_EQ(Dialogs.FilterIndexes[0], 3);
  EXPECT_EQ(Dialogs.Filters[0].substr(0, 19), "MP3s (*.mp3)|*.mp3|");
  EXPECT_TRUE(Device->Calls().empty());

  // One file: it replaces the list, plays and is the current line.
  const std::string one = MakeSong("one.mp3");
  Dialogs.OpenAnswers.push_back({one});
  w.OpenButtonClick();
  EXPECT_EQ(Paths(), std::vector<std::string>{one});
  EXPECT_EQ(Device->OpenPath(), one);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Current(), 0);

  // Several: appended, none loaded, Play for the loaded song.
  w.PauseButtonClick();
  Device->ClearCalls();
  const std::vector<std::string> three = {MakeSong("x.mp3"), MakeSong("y.mp3"), MakeSong("z.mp3")};
  Dialogs.OpenAnswers.push_back(three);
  w.OpenButtonClick();
  EXPECT_EQ(Paths(), (std::vector<std::string>{one, three[0], three[1], three[2]}));
  EXPECT_EQ(Device->OpenPath(), one);
  EXPECT_EQ(Device->Calls(), std::vector<std::string>{"Play"});
}

TEST_F(Transport, LastSongResumesAtItsPositionAndIsStoredAtClose) {
  const std::string song = MakeSong("last.mp3");
  TVelmarisOptions o;
  o.LastSoundFile = song;
  o.LastSoundPos = 42000;
  WriteOptions(o, Dir.File("VelmarisOpts.ini"));

  auto& w = CreateWindow();
  EXPECT_EQ(Device->OpenPath(), song);
  EXPECT_TRUE(Called("SetPosition 42000"));
  EXPECT_EQ(Device->Calls().back(), "Play");
  EXPECT_EQ(Device->Position(), 42000);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_TRUE(TimerOn());

  Device->ScriptPosition(75500);
  ASSERT_TRUE(w.FormClose());
  TVelmarisOptions saved;
  ReadOptions(saved, Dir.File("VelmarisOpts.ini"));
  EXPECT_EQ(saved.LastSoundPos, 75500);
  EXPECT_EQ(saved.LastSoundFile, song);
}

} // namespace
