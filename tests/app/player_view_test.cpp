// What the window shows of the player engine: transport buttons, the song
// caption and its font, the progress bar, time labels, the caption and
// taskbar formats, the volume caption and the play-mode buttons; and the
// handlers that reach the engine only through the window (open dialog,
// right clicks).
#include <gtest/gtest.h>

#include <QFont>
#include <QFrame>
#include <QLabel>

#include "app/widgets/SpeedButton.h"
#include "platform/UserDialogs.h"
#include "playlist/PlayList.h"
#include "support/WindowFixture.h"

namespace {

class PlayerView : public WindowFixture {
protected:
  TFrmMainVelmaris& Start() {
    auto& w = CreateWindow();
    w.VelmarisOptions.PlayListMode = 0;
    Device->ClearCalls();
    Dialogs.Messages.clear();
    return w;
  }
  void Tick() { Window->Guarded([this] { Window->MP3TimerTimer(); }); }
  void TickAt(int ms) {
    Device->ScriptPosition(ms);
    Tick();
  }
  static bool Shown(const TSpeedButton* b) { return !b->isHidden(); }
  static std::string Text(const QLabel* l) { return l->text().toStdString(); }
  std::string VolumeCaption() const { return Window->btnVolume->Caption().toStdString(); }
  void AddSongs(int n) {
    for (int i = 0; i < n; ++i) List().Add(MakeSong("song" + std::to_string(i) + ".mp3"), -1);
  }
};

TEST_F(PlayerView, TransportButtonsShowTheEngineAfterATick) {
  auto& w = Start();
  for (TSpeedButton* b : {w.PlayButton, w.PauseButton, w.StopButton, w.RewButton, w.FFButton})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_FALSE(Shown(w.PauseButton));
  EXPECT_TRUE(w.PreviousButton->isEnabled() && w.NextButton->isEnabled());

  Engine().LoadSong(MakeSong("a.mp3"));
  Tick();
  EXPECT_TRUE(Shown(w.PlayButton) && w.PlayButton->isEnabled());
  EXPECT_FALSE(Shown(w.PauseButton) || w.PauseButton->isEnabled());
  EXPECT_FALSE(w.StopButton->isEnabled());
  EXPECT_TRUE(w.RewButton->isEnabled() && w.FFButton->isEnabled());

  w.PlayButtonClick();
  Tick();
  EXPECT_FALSE(Shown(w.PlayButton) || w.PlayButton->isEnabled());
  EXPECT_TRUE(Shown(w.PauseButton) && w.PauseButton->isEnabled());
  EXPECT_TRUE(w.StopButton->isEnabled());

  w.StopButtonClick();  // off at once, before any tick
  EXPECT_FALSE(w.StopButton->isEnabled());
  EXPECT_EQ(Device->Mode(), TMPModes::mpStopped);
}

TEST_F(PlayerView, SongCaptionFontAndTimeLabels) {
  auto& w = Start();
  QFont skin = w.FileText->font();
  skin.setFamily("DejaVu Sans Mono");
  w.FileText->setFont(skin);  // as a skin sets it
  const std::string longName = std::string(41, 'b') + ".mp3";
  Engine().LoadSong(MakeSong(longName));
  EXPECT_EQ(Text(w.FileText), " " + std::string(38, 'b') + "...");
  EXPECT_EQ(w.FileText->font().family(), "DejaVu Sans Mono");  // a cut caption keeps the skin's font
  EXPECT_EQ(w.TrayHint.toStdString(), " " + longName);

  Device->ScriptLength(225400);
  Engine().LoadSong(MakeSong("a.mp3"));
  EXPECT_EQ(Text(w.FileText), " a.mp3");
  EXPECT_EQ(w.FileText->font().family(), "Tahoma");
  EXPECT_EQ(w.FileText->font().pixelSize(), 11);
  EXPECT_EQ(Text(w.LengthText), " [03:45] total time");
  TickAt(62500);
  EXPECT_EQ(Text(w.PositionText), " [01:02]");
}

TEST_F(PlayerView, ProgressBarAfterATickAndAfterASeek) {
  auto& w = Start();
  ASSERT_EQ(w.ProgressPanel->width(), 183);
  Device->ScriptLength(180000);
  Engine().LoadSong(MakeSong("a.mp3"));
  w.PlayButtonClick();
  TickAt(90000);
  EXPECT_EQ(w.ProgressPanelBar->width(), 90);  // inside the edge: trunc(180 * 0.5)

  // A seek measures the whole panel: trunc(183 * 100 / 180).
  w.FFButtonClick();
  EXPECT_EQ(w.ProgressPanelBar->width(), 101);
  // A click on the bar seeks in the panel's width.
  w.ProgressPanelMouseDown(w.ProgressPanel, 122);
  EXPECT_EQ(Engine().PositionSeconds(), 120);
  EXPECT_EQ(w.ProgressPanelBar->width(), 122);
}

TEST_F(PlayerView, CaptionAndTaskbarTextFollowTheFoldMode) {
  auto& w = Start();
  w.VelmarisOptions.PlayListMode = 1;
  Device->ScriptLength(225400);
  Engine().LoadSong(MakeSong("Artist - Title.mp3"));
  w.VelmarisOptions.DispMini = "- $filename... [$timeleft]";
  w.VelmarisOptions.DispNormal = "$pos of $timeleft";
  w.VelmarisOptions.DispTask = "$pos $pos";

  w.resize(261, 21);  // mini
  ASSERT_EQ(w.GetFoldMode(), 0);
  TickAt(62500);
  EXPECT_EQ(Text(w.CaptionLabel), "Velmaris - Artist - T... [02:43]");
  EXPECT_EQ(w.ApplicationTitle(), "Velmaris 01:02 01:02");

  w.resize(261, 115);  // normal
  Tick();
  EXPECT_EQ(Text(w.CaptionLabel), "Velmaris 01:02 of 02:43");

  // Blank formats leave the caption and the taskbar text as they were.
  w.VelmarisOptions.DispNormal = "  ";
  w.VelmarisOptions.DispTask = " \t ";
  w.SetApplicationTitle("untouched");
  Tick();
  EXPECT_EQ(Text(w.CaptionLabel), "Velmaris 01:02 of 02:43");
  EXPECT_EQ(w.ApplicationTitle(), "untouched");
}

TEST_F(PlayerView, VolumeCaption) {
  Volume.Value = 0xFFFF0000u | 32767u;
  auto& w = Start();
  EXPECT_EQ(VolumeCaption(), "50%");  // read at start-up, to the nearest percent
  emit w.btnVolume->MouseDown(Qt::RightButton, Qt::RightButton, {}, 3, 3);
  EXPECT_EQ(VolumeCaption(), "65%");
  // The right button is tested first, even with the left one held.
  emit w.btnVolume->MouseDown(Qt::LeftButton, Qt::LeftButton | Qt::RightButton, {}, 3, 3);
  EXPECT_EQ(VolumeCaption(), "81%");
  emit w.btnVolume->MouseDown(Qt::LeftButton, Qt::LeftButton, {}, 10, 3);
  emit w.btnVolume->MouseMove(Qt::LeftButton, {}, 5, 3);
  EXPECT_EQ(VolumeCaption(), "76%");
  emit w.btnVolume->MouseMove(Qt::NoButton, {}, 40, 3);  // no button held: no drag
  EXPECT_EQ(VolumeCaption(), "76%");

  Window.reset();
  Volume.Readable = false;
  CreateWindow();
  EXPECT_EQ(VolumeCaption(), "50%");
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, "Error retrieving the volume of the audio device.");
}

TEST_F(PlayerView, PlayModeButtonsAreOneGroupWithTheEngine) {
  auto& w = Start();
  w.ShuffleButton->PerformClick();
  EXPECT_TRUE(Engine().Shuffle());
  w.RepeatButton->PerformClick();
  EXPECT_TRUE(Engine().Repeat());
  EXPECT_FALSE(Engine().Shuffle());
  EXPECT_FALSE(w.ShuffleButton->Down());
  w.RepeatButton->PerformClick();  // all up is allowed
  EXPECT_FALSE(Engine().Repeat() || Engine().Shuffle());

  // The engine's modes show on the buttons.
  Engine().SetShuffle(true);
  EXPECT_TRUE(w.ShuffleButton->Down());
  Engine().SetRepeat(true);
  EXPECT_TRUE(w.RepeatButton->Down());
  EXPECT_FALSE(w.ShuffleButton->Down());
}

TEST_F(PlayerView, RightClickOnShufflePlaysARandomLine) {
  auto& w = Start();
  AddSongs(3);
  List().SetItemIndex(0);
  emit w.ShuffleButton->MouseDown(Qt::RightButton, Qt::RightButton, {}, 3, 3);
  EXPECT_NE(List().ItemIndex(), 0);
  EXPECT_EQ(Device->OpenPath(), Dir.File("song" + std::to_string(List().ItemIndex()) + ".mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_FALSE(w.ShuffleButton->Down() || Engine().Shuffle());  // not toggled
}

TEST_F(PlayerView, OpenDialogChoices) {
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
  EXPECT_EQ(List().ItemIndex(), 0);

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

} // namespace
