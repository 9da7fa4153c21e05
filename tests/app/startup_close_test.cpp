// Start-up and close of the main window: what is read, restored and written,
// and in which order.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QSystemTrayIcon>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/Tvelmarisoptions.h"
#include "app/widgets/SpeedButton.h"
#include "app/widgets/PlayListBox.h"
#include "playlist/PlayList.h"
#include "support/WindowFixture.h"

using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

class StartupClose : public WindowFixture {
protected:
  std::string Ini() const { return Dir.File("VelmarisOpts.ini"); }
  void WriteIni(const std::string& text) { WriteAll(Ini(), text); }
  // Index of the first recorded device call equal to `call`, or -1.
  int CallIndex(const std::string& call, int from = 0) const {
    const auto& c = Device->Calls();
    for (int i = from; i < static_cast<int>(c.size()); ++i)
      if (c[static_cast<size_t>(i)] == call) return i;
    return -1;
  }
};

TEST_F(StartupClose, FirstRunSeedsDefaultsOpensOptionsOnceAndWritesOnlyAtClose) {
  auto& w = CreateWindow();
  EXPECT_TRUE(w.FirstRun);
  EXPECT_EQ(w.pos(), QPoint(0, 0));
  EXPECT_EQ(w.height(), 115);
  EXPECT_EQ(w.GetFoldMode(), 1);
  w.FormShow();
  EXPECT_EQ(Dialogs.ModalCount, 1);
  EXPECT_EQ(w.VelmarisOptions.SkinDir, Dir.Path() + "Skins");
  EXPECT_EQ(w.VelmarisOptions.MusicDir, Dir.Path());
  EXPECT_EQ(w.VelmarisOptions.DispMini, "- $filename... [$timeleft]");
  // Nothing is written before the close.
  EXPECT_FALSE(Exists(Ini()));
  ASSERT_TRUE(w.FormClose());
  EXPECT_TRUE(Exists(Ini()));
  // An empty list the user did not empty is not saved.
  EXPECT_FALSE(Exists(Dir.File("lastplaylist.vpls")));
  TVelmarisOptions o;
  ReadOptions(o, Ini());
  EXPECT_EQ(o.LastListFile, "");
  EXPECT_EQ(o.DispMini, "- $filename... [$timeleft]");
  EXPECT_EQ(o.Mode, 1);
}

TEST_F(StartupClose, LaterRunsDoNotOpenTheOptionsDialogAndApplyTheSettings) {
  WriteIni("[Position]\r\nTop=40\r\nLeft=-20\r\n[Other]\r\nShuffleIsOn=1\r\nMode=2\r\n");
  auto& w = CreateWindow();
  EXPECT_FALSE(w.FirstRun);
  w.FormShow();
  EXPECT_EQ(Dialogs.ModalCount, 0);
  EXPECT_EQ(w.pos(), QPoint(-20, 40));  // used as read, even off screen
  EXPECT_TRUE(w.ShuffleButton->Down());
  EXPECT_FALSE(w.RepeatButton->Down());
  EXPECT_EQ(w.GetFoldMode(), 2);
}

TEST_F(StartupClose, ArgumentIsOpenedAndPlayedAndTheLastRunIsNotRestored) {
  const std::string last = MakeSong("last.mp3");
  const std::string arg = MakeSong("argument.mp3");
  const std::string other = MakeSong("other.mp3");
  WriteAll(Dir.File("saved.vpls"), other + "\r\n");
  WriteIni("[LastFiles]\r\nLastSoundFile=" + last + "\r\nLastSoundPos=5000\r\nLastListFile=" + Dir.File("saved.vpls") +
           "\r\n");
  Arguments = {arg, "ignored.mp3"};
  auto& w = CreateWindow();
  EXPECT_EQ(Device->OpenPath(), arg);
  EXPECT_NE(CallIndex("Play"), -1);
  EXPECT_EQ(CallIndex("Open " + last), -1);
  EXPECT_EQ(CallIndex("SetPosition 5000"), -1);
  EXPECT_EQ(Paths(), std::vector<std::string>{arg});
  ASSERT_TRUE(w.FormClose());
  // The argument's playlist replaces the one of the previous run.
  EXPECT_EQ(ReadAll(Dir.File("lastplaylist.vpls")), arg + "\r\n");
}

TEST_F(StartupClose, EmptyFirstArgumentIsLikeNoArgument) {
  const std::string last = MakeSong("last.mp3");
  WriteIni("[LastFiles]\r\nLastSoundFile=" + last + "\r\nLastSoundPos=1234\r\n");
  Arguments = {""};
  CreateWindow();
  EXPECT_EQ(Device->OpenPath(), last);
  EXPECT_NE(CallIndex("SetPosition 1234"), -1);
}

TEST_F(StartupClose, LastSongResumesAtItsPositionAndTheStoredPlaylistReplacesTheList) {
  const std::string last = MakeSong("last.mp3");
  const std::string a = MakeSong("a.mp3");
  const std::string b = MakeSong("b.mp3");
  WriteAll(Dir.File("lastplaylist.vpls"), a + "\r\n" + b + "\r\n");
  WriteIni("[LastFiles]\r\nLastSoundFile=" + last + "\r\nLastSoundPos=61500\r\nLastListFile=" +
           Dir.File("lastplaylist.vpls") + "\r\n");
  auto& w = MakeWindow();
  Device->ScriptLength(120000);
  w.FormCreate();
  const int open = CallIndex("Open " + last);
  ASSERT_NE(open, -1);
  const int seek = CallIndex("SetPosition 61500", open);
  ASSERT_NE(seek, -1);
  EXPECT_NE(CallIndex("Play", seek), -1);
  // The list of the last run is back and the song plays on: nothing else was
  // opened after it.
  EXPECT_EQ(Paths(), (std::vector<std::string>{a, b}));
  EXPECT_EQ(Device->OpenPath(), last);
  EXPECT_EQ(w.VelmarisOptions.LastSoundFile, last);
  // The position at close is what the device reports.
  Device->ScriptPosition(70250);
  ASSERT_TRUE(w.FormClose());
  TVelmarisOptions o;
  ReadOptions(o, Ini());
  EXPECT_EQ(o.LastSoundPos, 70250);
  EXPECT_EQ(o.LastSoundFile, last);
}

TEST_F(StartupClose, MissingLastSongIsSkippedSilentlyAndItsPositionKept) {
  WriteIni("[LastFiles]\r\nLastSoundFile=" + Dir.File("gone.mp3") + "\r\nLastSoundPos=777\r\nLastListFile=" +
           Dir.File("gone.vpls") + "\r\n");
  auto& w = CreateWindow();
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_TRUE(Dialogs.Errors.empty());
  EXPECT_TRUE(Dialogs.Messages.empty());
  ASSERT_TRUE(w.FormClose());
  TVelmarisOptions o;
  ReadOptions(o, Ini());
  // No song was opened during the run, so the stored position stays.
  EXPECT_EQ(o.LastSoundPos, 777);
}

TEST_F(StartupClose, FailingSkinStopsTheRestOfStartUp) {
  const std::string last = MakeSong("last.mp3");
  WriteAll(Dir.File("bad.vskin"), "TranspColor=notacolour;\r\n");
  WriteIni("[Position]\r\nTop=10\r\nLeft=10\r\n[LastFiles]\r\nLastSkinFile=" + Dir.File("bad.vskin") +
           "\r\nLastSoundFile=" + last + "\r\n[Other]\r\nMode=0\r\nMinimizeToTray=1\r\n[Position]\r\nMinimized=1\r\n");
  auto& w = CreateWindow();
  ASSERT_EQ(Dialogs.Errors.size(), 1u);
  EXPECT_EQ(Dialogs.Errors[0], "'notacolour' is not a valid integer value");
  // Designed place and laid-out height; the last song is not restored and the
  // window is shown, not hidden in the tray.
  EXPECT_EQ(w.pos(), QPoint(533, 418));
  EXPECT_EQ(w.height(), 231);
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_FALSE(w.StartsHidden());
}

TEST_F(StartupClose, APlaylistThatStartUpNeverRestoredIsNotOverwrittenAtClose) {
  const std::string song = MakeSong("kept.mp3");
  const std::string last = Dir.File("lastplaylist.vpls");
  WriteAll(last, song + "\r\n" + song + "\r\n");
  WriteAll(Dir.File("bad.vskin"), "TranspColor=notacolour;\r\n");
  WriteIni("[LastFiles]\r\nLastSkinFile=" + Dir.File("bad.vskin") + "\r\nLastListFile=" + last + "\r\n");
  auto& w = CreateWindow();
  ASSERT_EQ(Dialogs.Errors.size(), 1u);
  EXPECT_EQ(w.List().Count(), 0);
  ASSERT_TRUE(w.FormClose());
  EXPECT_EQ(ReadAll(last), song + "\r\n" + song + "\r\n");
  TVelmarisOptions o;
  ReadOptions(o, Ini());
  EXPECT_EQ(o.LastListFile, last);

  // Once the user builds a list in such a session, that list is saved.
  auto& again = CreateWindow();
  const std::string other = MakeSong("other.mp3");
  again.List().Add(other, -1);
  ASSERT_TRUE(again.FormClose());
  EXPECT_EQ(ReadAll(last), other + "\r\n");
}

// A saved list is replaced only by a list the user made, an empty one only
// when the user emptied it.
TEST_F(StartupClose, TheSavedListIsReplacedOnlyByWhatTheUserChose) {
  const std::string song = MakeSong("kept.mp3"), other = MakeSong("other.mp3");
  const std::string last = Dir.File("lastplaylist.vpls");
  const std::string saved = song + "\r\n" + song + "\r\n" + song + "\r\n";
  const std::string restoring = "[LastFiles]\r\nLastListFile=" + last + "\r\n";
  WriteAll(Dir.File("list.xspf"), "<playlist/>");
  struct Case {
    const char* what;
    std::string ini;                 // empty: no settings file
    bool iniIsFolder;
    std::vector<std::string> args;
    std::function<void(TFrmMainVelmaris&)> user;
    std::string expectedList;        // after the close
    std::string expectedMessage;     // a part of the start-up message, empty: none
  };
  const Case cases[] = {
      {"an unsupported argument", restoring, false, {Dir.File("list.xspf")}, {}, saved, "not a playlist or MP3 file"},
      {"a missing argument", restoring, false, {Dir.File("gone.m3u")}, {}, saved, "does not exist"},
      {"an unreadable settings file", "", true, {}, {}, saved, "Cannot read the settings file"},
      {"a restored list left alone", restoring, false, {}, {}, saved, ""},
      {"New Playlist", restoring, false, {}, [](TFrmMainVelmaris& w) { w.ButtonNewClick(); }, "", ""},
      {"every line removed", restoring, false, {},
       [](TFrmMainVelmaris& w) {
         for (int i = 0; i < w.List().Count(); ++i) w.List().SetSelected(i, true);
         w.List().SetItemIndex(0);
         w.ButtonRemoveClick();
       },
       "", ""},
      {"a line added to an argument's empty list", restoring, false, {Dir.File("gone.m3u")},
       [&](TFrmMainVelmaris& w) { w.List().Add(other, -1); }, other + "\r\n", "does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(Ini());
    if (c.iniIsFolder) std::filesystem::create_directory(Ini());
    else WriteIni(c.ini);
    WriteAll(last, saved);
    Dialogs.Messages.clear();
    Arguments = c.args;
    auto& w = CreateWindow();
    const bool told = std::any_of(Dialogs.Messages.begin(), Dialogs.Messages.end(), [&](const auto& m) {
      return !c.expectedMessage.empty() && m.Text.find(c.expectedMessage) != std::string::npos;
    });
    EXPECT_EQ(told, !c.expectedMessage.empty());
    if (c.user) c.user(w);
    ASSERT_TRUE(w.FormClose());
    EXPECT_EQ(Exists(last) ? ReadAll(last) : "(none)", c.expectedList);
    if (c.iniIsFolder) EXPECT_TRUE(std::filesystem::is_directory(Ini()));
  }
}

// A command of the media controls that fails is told in the caption, never
// in a box; the window's own click still gets its box.
TEST_F(StartupClose, RemoteFailuresGoToTheNoticeAndClicksToABox) {
  WriteIni("[Options]\r\n");
  auto& w = CreateWindow();
  const std::string gone = Dir.File("gone.mp3");
  WriteAll(Dir.File("one.m3u"), gone + "\r\n");
  for (int i = 0; i < 50; ++i) w.RunRemote([&] { w.Engine().OpenPath(Dir.File("one.m3u"), false, true); });
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_TRUE(Dialogs.Errors.empty());
  EXPECT_TRUE(w.NoticeShown());
  w.Guarded([&] { w.Engine().OpenPath(Dir.File("one.m3u"), false, true); });
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_NE(Dialogs.Messages[0].Text.find("gone.mp3"), std::string::npos);
}

TEST_F(StartupClose, WithoutANotificationAreaMinimisedStartsAndMinimiseStayOnTheTaskbar) {
  TrayAvailable = false;
  WriteIni("[Position]\r\nMinimized=1\r\n[Other]\r\nMinimizeToTray=1\r\n");
  auto& w = CreateWindow();
  EXPECT_FALSE(w.StartsHidden());
  w.show();
  w.MinimizeButtonClick();
  EXPECT_FALSE(w.isHidden());
  EXPECT_FALSE(w.TrayIcon->isVisible());
}

TEST_F(StartupClose, APositionOffEveryScreenIsMovedOntoTheWorkArea) {
  Work = QRect(20, 30, 1000, 700);
  WriteIni("[Position]\r\nTop=2147483647\r\nLeft=2147483647\r\n");
  EXPECT_EQ(CreateWindow().pos(), QPoint(20, 30));
  WriteIni("[Position]\r\nTop=-5000\r\nLeft=100\r\n");
  EXPECT_EQ(CreateWindow().pos(), QPoint(20, 30));
  // Partly on a screen: kept where it was.
  WriteIni("[Position]\r\nTop=-100\r\nLeft=-200\r\n");
  EXPECT_EQ(CreateWindow().pos(), QPoint(-200, -100));
}

TEST_F(StartupClose, MinimisedToTrayAtCloseStartsHiddenInTheTray) {
  WriteIni("[Position]\r\nMinimized=1\r\n[Other]\r\nMinimizeToTray=1\r\n");
  auto& w = CreateWindow();
  EXPECT_TRUE(w.StartsHidden());
  EXPECT_FALSE(w.isVisible());
  // A window that is not visible stores Minimized at close.
  ASSERT_TRUE(w.FormClose());
  TVelmarisOptions o;
  ReadOptions(o, Ini());
  EXPECT_TRUE(o.Minimized);
}

TEST_F(StartupClose, DropOnTheUpperAreaInsertsAtTheTopPlaysTheFirstAndStopsAtANonMp3) {
  auto& w = CreateWindow();
  const std::string old = MakeSong("old.mp3");
  w.List().Add(old, -1);
  const std::string first = MakeSong("first.mp3");
  const std::string text = Dir.File("notes.txt");
  WriteAll(text, "hello");
  const std::string second = MakeSong("second.mp3");
  w.WMDropFiles({first, text, second}, QPoint(50, 40));
  EXPECT_EQ(Paths(), (std::vector<std::string>{first, old}));
  EXPECT_EQ(Device->OpenPath(), first);
  EXPECT_NE(CallIndex("Play"), -1);
}

TEST_F(StartupClose, DropOnAPlaylistLineInsertsBeforeItInDropOrder) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  std::vector<std::string> base;
  for (int i = 0; i < 5; ++i) {
    base.push_back(MakeSong("s" + std::to_string(i) + ".mp3"));
    w.List().Add(base.back(), -1);
  }
  const QRect line3 = w.PlayList->visualRect(w.List().Model()->index(3, 0));
  const QPoint at = w.PlayList->viewport()->mapTo(&w, line3.center());
  ASSERT_GT(at.y(), 115);
  const std::string x = MakeSong("x.mp3"), y = MakeSong("y.mp3");
  w.WMDropFiles({x, y}, at);
  EXPECT_EQ(Paths(), (std::vector<std::string>{base[0], base[1], base[2], x, y, base[3], base[4]}));
  // Dropped below the last line: appended.
  const std::string z = MakeSong("z.mp3");
  w.WMDropFiles({z}, QPoint(20, w.height() - 3));
  EXPECT_EQ(Paths().back(), z);
  EXPECT_TRUE(Device->Calls().empty());
}

TEST_F(StartupClose, DropOnALongListAppendsBelowTheListAndHitsTheLineShownWhenScrolled) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  for (int i = 0; i < 40; ++i) w.List().Add(MakeSong("s" + std::to_string(i) + ".mp3"), -1);
  // On the button strip under the list, where lines further down the list
  // lie out of sight: appended, not inserted before a hidden line.
  const std::string y = MakeSong("y.mp3"), z = MakeSong("z.mp3");
  w.WMDropFiles({y, z}, QPoint(20, w.height() - 3));
  ASSERT_EQ(Paths().size(), 42u);
  EXPECT_EQ(Paths()[40], y);
  EXPECT_EQ(Paths()[41], z);
  // On a line of the scrolled list: inserted before the line shown there.
  w.PlayList->scrollTo(w.List().Model()->index(10, 0), QAbstractItemView::PositionAtTop);
  const int shown = w.PlayList->indexAt(QPoint(20, 3)).row();
  ASSERT_GE(shown, 10);
  const std::string x = MakeSong("x.mp3");
  w.WMDropFiles({x}, w.PlayList->viewport()->mapTo(&w, QPoint(20, 3)));
  EXPECT_EQ(Paths()[static_cast<size_t>(shown)], x);
}

TEST_F(StartupClose, FailedSaveAtCloseIsShownAndKeepsTheWindowOpenOnce) {
  auto& w = CreateWindow();
  // The data folder disappears: neither file can be written.
  std::filesystem::remove_all(Dir.Path());
  QCloseEvent first;
  QApplication::sendEvent(&w, &first);
  EXPECT_FALSE(first.isAccepted());
  ASSERT_EQ(Dialogs.Errors.size(), 1u);
  // The settings are written first: when they fail, the saved list is not touched.
  EXPECT_NE(Dialogs.Errors[0].find("VelmarisOpts.ini"), std::string::npos);
  // The second close is not refused again.
  QCloseEvent second;
  QApplication::sendEvent(&w, &second);
  EXPECT_TRUE(second.isAccepted());
}

TEST_F(StartupClose, ApplicationTitleStartsAsTheProgramName) {
  auto& w = MakeWindow();
  EXPECT_EQ(w.ApplicationTitle(), "Velmaris");
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Velmaris"));
  EXPECT_EQ(w.size(), QSize(261, 231));
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(w.PlayButton->isEnabled());
  EXPECT_FALSE(w.PauseButton->isEnabled());
  EXPECT_FALSE(w.StopButton->isEnabled());
  EXPECT_FALSE(w.RewButton->isEnabled());
  EXPECT_FALSE(w.FFButton->isEnabled());
  EXPECT_TRUE(w.NextButton->isEnabled());
  EXPECT_EQ(w.btnVolume->Caption(), QStringLiteral("50%"));
  EXPECT_EQ(TFrmMainVelmaris::OpenFilter,
            "MP3s (*.mp3)|*.mp3|Extended Playlists (*.vpls)(*.b4s)(*.m3u)(*.m3u8)(*.pls)|*.vpls;*.b4s;*.m3u;*.m3u8;*.pls|"
            "Velmaris Files (*.mp3)(*.vpls)|*.mp3;*.vpls|All Files (*.*)|*.*");
}

} // namespace
