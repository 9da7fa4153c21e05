// The window's own behaviour: snapping while it is dragged, folding with its
// slides, tray and taskbar, translucency, the popup menu and the right click
// on the shuffle button.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <vector>

#include "app/Snapping.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "app/WindowMover.h"
#include "app/widgets/PlayListBox.h"
#include "support/WindowFixture.h"

using testsupport::WriteAll;

namespace {

// ---- the snapping arithmetic on its own ----

struct SnapCase {
  Snapping::Edges work{0, 0, 1024, 768};
  Snapping::State state;
  int w = 261, h = 115;
  // Proposed rectangle at (left, top), adjusted for the cursor.
  Snapping::Edges Move(int left, int top, Snapping::Point cursor) {
    Snapping::Edges r{left, top, left + w, top + h};
    Snapping::Snap(r, w, h, cursor, work, state);
    return r;
  }
};

TEST(Snapping, LeftEdgeCatchesWithinElevenPixelsAndLetsGoBeyondTwelve) {
  SnapCase s;
  s.work = {100, 50, 1124, 818};
  // 12 pixels away: no snap.
  auto r = s.Move(112, 300, {200, 330});
  EXPECT_EQ(r.left, 112);
  EXPECT_FALSE(s.state.snappedX);
  // 11 pixels away: onto the edge; the anchor is the cursor of this move.
  r = s.Move(111, 300, {199, 330});
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 361);
  EXPECT_TRUE(s.state.snappedX);
  EXPECT_EQ(s.state.anchor.x, 199);
  EXPECT_EQ(s.state.anchor.y, 330);
  // The cursor goes 12 pixels right: the proposal is out of reach of the
  // edge, so it is taken, but the snap is not yet let go.
  r = s.Move(123, 300, {211, 330});
  EXPECT_EQ(r.left, 123);
  EXPECT_TRUE(s.state.snappedX);
  // 13 pixels: let go, and the window catches up with the cursor's way.
  r = s.Move(124, 300, {212, 330});
  EXPECT_FALSE(s.state.snappedX);
  EXPECT_EQ(r.left, 124 + 13);
  EXPECT_EQ(r.right, r.left + 261);
}

TEST(Snapping, CornerSnapsBothAxesAndEachLetsGoOnItsOwn) {
  SnapCase s;
  auto r = s.Move(-5, 7, {60, 40});
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 115);
  EXPECT_TRUE(s.state.snappedX);
  EXPECT_TRUE(s.state.snappedY);
  // Down 13 pixels while still near the left: only the vertical hold goes.
  r = s.Move(-5, 20, {60, 53});
  EXPECT_EQ(r.left, 0);
  EXPECT_TRUE(s.state.snappedX);
  EXPECT_FALSE(s.state.snappedY);
  EXPECT_EQ(r.top, 20 + 13);
}

TEST(Snapping, RightAndBottomEdgesUseExclusiveWorkAreaEdges) {
  SnapCase s;
  auto r = s.Move(1024 - 261 + 6, 768 - 115 - 11, {900, 700});
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.left, 1024 - 261);
  EXPECT_EQ(r.bottom, 768);
  EXPECT_EQ(r.top, 768 - 115);
}

TEST(Snapping, AWindowAsWideAsTheWorkAreaSnapsToTheRight) {
  SnapCase s;
  s.w = 1020;
  auto r = s.Move(3, 300, {500, 300});
  // Both edges are in reach; the right one is tested last and wins.
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.left, 4);
}

// ---- through the window ----

class WindowBehaviour : public WindowFixture {
protected:
  // Calls `probe` on every pass of the event loop while the test runs it.
  std::vector<int> Heights, Tops;
  QTimer* Recorder = nullptr;
  void RecordSteps(std::function<void()> extra = {}) {
    Recorder = new QTimer(Window.get());
    Recorder->setInterval(0);
    QObject::connect(Recorder, &QTimer::timeout, [this, extra] {
      Heights.push_back(Window->height());
      Tops.push_back(Window->y());
      if (extra) extra();
    });
    Recorder->start();
  }
  void StopRecording() { Recorder->stop(); }

  void SendMouse(QWidget* to, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(to->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &e);
  }
};

TEST_F(WindowBehaviour, WMMovingSnapsWithTheWorkAreaReadAtTheStartOfTheMove) {
  Work = QRect(0, 30, 1280, 994);  // exclusive bottom 1024
  auto& w = CreateWindow();
  w.WMEnterSizeMove(QPoint(400, 400));
  EXPECT_EQ(w.Mover->WorkArea, Work);
  QRect r(8, 500, 261, 115);
  w.WMMoving(r, QPoint(408, 520));
  EXPECT_EQ(r, QRect(0, 500, 261, 115));
  // Bottom: 1024 exclusive, so a window 115 high ends at top 909.
  r = QRect(0, 905, 261, 115);
  w.WMMoving(r, QPoint(408, 905 + 20));
  EXPECT_EQ(r.top(), 909);
  EXPECT_TRUE(w.Mover->SnappedY);
  // The snap state outlives the move: a new move does not reset it.
  w.WMEnterSizeMove(QPoint(408, 925));
  EXPECT_TRUE(w.Mover->SnappedX);
  EXPECT_TRUE(w.Mover->SnappedY);
}

TEST_F(WindowBehaviour, DraggingTheImageMovesTheWindowAndSnapsToTheLeftEdge) {
  auto& w = CreateWindow();
  w.move(200, 300);
  w.show();
  const QPoint press(260, 310);  // 60, 10 inside the window
  w.CaptionPanelMouseDown(w.MainImage, Qt::LeftButton, press);
  SendMouse(&w, QEvent::MouseMove, press + QPoint(100, 50), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.pos(), QPoint(300, 350));
  // Within 11 pixels of the left edge: it jumps there.
  SendMouse(&w, QEvent::MouseMove, QPoint(70, 400), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.pos(), QPoint(0, 390));
  SendMouse(&w, QEvent::MouseButtonRelease, QPoint(70, 400), Qt::LeftButton, Qt::NoButton);
  // After the release, moves no longer drag.
  SendMouse(&w, QEvent::MouseMove, QPoint(500, 500), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(w.pos(), QPoint(0, 390));
}

TEST_F(WindowBehaviour, ARightPressDoesNotDrag) {
  auto& w = CreateWindow();
  w.move(200, 300);
  w.show();
  w.CaptionPanelMouseDown(w.FileText, Qt::RightButton, QPoint(220, 340));
  SendMouse(&w, QEvent::MouseMove, QPoint(400, 500), Qt::NoButton, Qt::RightButton);
  EXPECT_EQ(w.pos(), QPoint(200, 300));
}

TEST_F(WindowBehaviour, APressOnThePlaylistDragsOnlyAfterThePointerTravels) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  w.move(200, 300);
  w.show();
  QWidget* viewport = w.PlayList->viewport();
  const QPoint press = viewport->mapToGlobal(QPoint(50, 20));
  w.CaptionPanelMouseDown(w.PlayList, Qt::LeftButton, press);
  // A small wobble stays a click.
  SendMouse(viewport, QEvent::MouseMove, press + QPoint(1, 2), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.pos(), QPoint(200, 300));
  // Further: the window follows with the offset of the press.
  SendMouse(viewport, QEvent::MouseMove, press + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.pos(), QPoint(240, 330));
  SendMouse(viewport, QEvent::MouseButtonRelease, press + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
  SendMouse(viewport, QEvent::MouseMove, press + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(w.pos(), QPoint(240, 330));
  // A press and release without travel never moves it.
  w.CaptionPanelMouseDown(w.PlayList, Qt::LeftButton, press);
  SendMouse(viewport, QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
  SendMouse(viewport, QEvent::MouseMove, press + QPoint(50, 50), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.pos(), QPoint(240, 330));
}

TEST_F(WindowBehaviour, MiniFromPlaylistModeHidesThePlaylistThenShrinksInStepsOf15) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  EXPECT_EQ(w.height(), 232);
  EXPECT_TRUE(w.PlayListPanel->isVisibleTo(&w));
  EXPECT_EQ(w.PlayListPanel->y(), 232 - 118);
  EXPECT_EQ(w.VelmarisOptions.Mode, 2);
  RecordSteps();
  w.SetFoldMode(0);
  StopRecording();
  EXPECT_EQ(Heights, (std::vector<int>{100, 85, 70, 55, 40, 25, 10}));
  EXPECT_EQ(w.height(), 21);
  EXPECT_EQ(w.GetFoldMode(), 0);
  EXPECT_FALSE(w.PlayListPanel->isVisibleTo(&w));
  EXPECT_EQ(w.VelmarisOptions.Mode, 0);
  EXPECT_EQ(w.CaptionLabel->text(), QStringLiteral("Velmaris "));
  EXPECT_EQ(w.ApplicationTitle(), "Velmaris ");
}

TEST_F(WindowBehaviour, MiniSlidesDownOntoTheWorkAreaBottomInStepsOf2) {
  auto& w = CreateWindow();
  // The unfolded bottom edge 10 pixels above the work-area bottom (768).
  w.move(100, 768 - 115 - 10);
  RecordSteps();
  w.SetFoldMode(0);
  StopRecording();
  EXPECT_EQ(w.y() + w.height(), 768);
  // The slide part: tops rising by 2 from the start.
  std::vector<int> slide;
  for (size_t i = 7; i < Tops.size(); ++i) slide.push_back(Tops[i]);
  ASSERT_EQ(slide.size(), 52u);
  for (size_t i = 0; i < slide.size(); ++i) EXPECT_EQ(slide[i], 643 + 2 * static_cast<int>(i + 1));
}

TEST_F(WindowBehaviour, NormalSlidesUpInStepsOf3UntilItFits) {
  auto& w = CreateWindow();
  w.SetFoldMode(0);
  w.move(100, 700);
  RecordSteps();
  w.SetFoldMode(1);
  StopRecording();
  EXPECT_EQ(w.height(), 115);
  EXPECT_EQ(w.y(), 652);  // 700 - 16 * 3: the first top that fits
  ASSERT_EQ(Tops.size(), 16u);
  EXPECT_EQ(Tops.front(), 697);
}

TEST_F(WindowBehaviour, WithoutAWorkAreaTheHeightIsSetButNothingSlides) {
  auto& w = CreateWindow();
  WorkReadable = false;
  w.move(100, 700);
  w.SetFoldMode(1);
  EXPECT_EQ(w.height(), 115);
  EXPECT_EQ(w.y(), 700);
  w.move(100, 643);
  w.SetFoldMode(0);
  EXPECT_EQ(w.height(), 21);
  EXPECT_EQ(w.y(), 643);
}

TEST_F(WindowBehaviour, AFarOffWindowFromTheSettingsStillFoldsAtOnce) {
  auto& w = CreateWindow();
  w.move(100, 2000000);
  w.SetFoldMode(1);
  EXPECT_EQ(w.y() + w.height() <= 768, true);
  EXPECT_GT(w.y() + w.height(), 768 - 3);
}

TEST_F(WindowBehaviour, ModeSevenKeepsTheLaidOutHeightWithThePanelHidden) {
  WriteAll(Dir.File("VelmarisOpts.ini"), "[Other]\r\nMode=7\r\n");
  auto& w = CreateWindow();
  EXPECT_EQ(w.height(), 231);
  EXPECT_FALSE(w.PlayListPanel->isVisibleTo(&w));
  EXPECT_EQ(w.GetFoldMode(), 2);
  EXPECT_EQ(w.VelmarisOptions.Mode, 7);
  // From there the shrink to mini takes 15 steps.
  RecordSteps();
  w.SetFoldMode(0);
  StopRecording();
  EXPECT_EQ(Heights.size(), 15u);
  EXPECT_EQ(w.height(), 21);
}

TEST_F(WindowBehaviour, AFoldEnteredDuringAFoldRunsFirstAndTheFirstGoesOnFromWhatItFinds) {
  auto& w = CreateWindow();
  w.move(100, 200);
  bool nested = false;
  RecordSteps([&] {
    if (!nested && w.height() == 70) {
      nested = true;
      w.SetFoldMode(1);  // back to 115 while the first fold is at 70
    }
  });
  w.SetFoldMode(0);
  StopRecording();
  EXPECT_TRUE(nested);
  // The outer fold shrinks again from 115 and ends in mini mode.
  EXPECT_EQ(w.height(), 21);
  EXPECT_EQ(w.VelmarisOptions.Mode, 0);
  const std::vector<int> expected{100, 85, 70, 100, 85, 70, 55, 40, 25, 10};
  EXPECT_EQ(std::vector<int>(Heights.begin(), Heights.begin() + 10), expected);
}

TEST_F(WindowBehaviour, DoubleClickFoldsToMiniFromPlaylistModeAndUnfoldsToNormal) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  w.CaptionPanelDblClick();
  EXPECT_EQ(w.GetFoldMode(), 0);
  w.CaptionPanelDblClick();
  EXPECT_EQ(w.GetFoldMode(), 1);
  EXPECT_FALSE(w.PlayListPanel->isVisibleTo(&w));
}

TEST_F(WindowBehaviour, PlaylistButtonTogglesThePanelWithoutTouchingTheMode) {
  auto& w = CreateWindow();
  w.show();
  w.OpenPLButtonClick();
  EXPECT_EQ(w.height(), 232);
  EXPECT_TRUE(w.PlayListPanel->isVisible());
  EXPECT_EQ(w.PlayListPanel->geometry(), QRect(0, 114, 261, 118));
  // The panel belongs to the window's shape while it shows.
  EXPECT_TRUE(w.mask().contains(QPoint(130, 200)));
  EXPECT_EQ(w.VelmarisOptions.Mode, 1);
  w.OpenPLButtonClick();
  EXPECT_EQ(w.height(), 115);
  EXPECT_FALSE(w.PlayListPanel->isVisible());
  EXPECT_FALSE(w.mask().contains(QPoint(130, 200)));
}

TEST_F(WindowBehaviour, TranslucencyToggledTwiceIsOpaqueAgainAndKeepsTheShape) {
  auto& w = CreateWindow();
  const QRegion shape = w.mask();
  ASSERT_FALSE(shape.isEmpty());
  w.MakeTransButtonClick();
  EXPECT_TRUE(w.TranslucencyOn());
  EXPECT_NEAR(w.windowOpacity(), 155 / 255.0, 0.005);
  EXPECT_EQ(w.mask(), shape);
  w.MakeTransButtonClick();
  EXPECT_FALSE(w.TranslucencyOn());
  EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);
  EXPECT_EQ(w.mask(), shape);
}

TEST_F(WindowBehaviour, MinimiseGoesToTheTrayAndADoubleClickBringsItBack) {
  auto& w = CreateWindow();
  w.show();
  w.VelmarisOptions.MinimizeToTray = true;
  w.MinimizeButtonClick();
  EXPECT_TRUE(w.TrayIcon->isVisible());
  EXPECT_TRUE(w.isHidden());
  w.TrayIconDblClick();
  EXPECT_FALSE(w.TrayIcon->isVisible());
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(WindowBehaviour, WithoutTheTrayOptionMinimiseOnlyGoesToTheTaskbar) {
  auto& w = CreateWindow();
  w.show();
  w.MinimizeButtonClick();
  EXPECT_TRUE(w.isMinimized());
  EXPECT_FALSE(w.TrayIcon->isVisible());
  EXPECT_FALSE(w.isHidden());
}

TEST_F(WindowBehaviour, AStartInTheTrayStaysHiddenUntilTheTrayIconIsDoubleClicked) {
  WriteAll(Dir.File("VelmarisOpts.ini"), "[Position]\r\nMinimized=1\r\n[Other]\r\nMinimizeToTray=1\r\n");
  auto& w = CreateWindow();
  EXPECT_TRUE(w.StartsHidden());
  EXPECT_TRUE(w.TrayIcon->isVisible());
  EXPECT_FALSE(w.isVisible());
  w.TrayIconDblClick();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.TrayIcon->isVisible());
}

TEST_F(WindowBehaviour, PopupEnablesPlayPauseStopLikeTheirButtons) {
  auto& w = CreateWindow();
  w.PlayButton->setEnabled(true);
  w.PauseButton->setEnabled(false);
  w.StopButton->setEnabled(true);
  w.PopupMenu1Popup();
  EXPECT_TRUE(w.Play1->isEnabled());
  EXPECT_FALSE(w.Pause1->isEnabled());
  EXPECT_TRUE(w.Stop1->isEnabled());
  w.PlayButton->setEnabled(false);
  w.PauseButton->setEnabled(true);
  emit w.PopupMenu1->aboutToShow();  // the menu's own signal runs it as well
  EXPECT_FALSE(w.Play1->isEnabled());
  EXPECT_TRUE(w.Pause1->isEnabled());
}

TEST_F(WindowBehaviour, RightClickOnShuffleWithAnEmptyListPlaysNothingAndDoesNotToggle) {
  auto& w = CreateWindow();
  Device->ClearCalls();
  w.ShuffleButtonMouseDown(Qt::RightButton);
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_FALSE(w.ShuffleButton->Down());
}

TEST_F(WindowBehaviour, ArrowKeysStepThroughSongsOnlyWhileNoControlHasTheFocus) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  w.show();
  std::vector<std::string> songs;
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
    songs.push_back(MakeSong(name));
    w.List().Add(songs.back(), -1);
  }
  w.List().SetItemIndex(1);
  Device->ClearCalls();
  auto press = [&w](int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
  };
  // The list holds the focus: an arrow key it passes on is not the window's.
  w.PlayList->setFocus();
  ASSERT_EQ(w.focusWidget(), w.PlayList);
  press(Qt::Key_Left);
  press(Qt::Key_Right);
  EXPECT_TRUE(Device->Calls().empty());
  EXPECT_EQ(w.List().ItemIndex(), 1);
  // No control has the focus: left plays the previous song, right the next.
  w.PlayList->clearFocus();
  press(Qt::Key_Left);
  EXPECT_EQ(Device->OpenPath(), songs[0]);
  press(Qt::Key_Right);
  EXPECT_EQ(Device->OpenPath(), songs[1]);
  // Shift makes no difference; other keys do nothing.
  QKeyEvent shifted(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&w, &shifted);
  EXPECT_EQ(Device->OpenPath(), songs[2]);
  Device->ClearCalls();
  press(Qt::Key_Up);
  EXPECT_TRUE(Device->Calls().empty());
}

} // namespace

// ---- the playlist's own presses and keys ----

TEST_F(WindowBehaviour, ARightPressSelectsTheLineUnderThePointerForThePopup) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  w.show();
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) w.List().Add(MakeSong(name), -1);
  QWidget* viewport = w.PlayList->viewport();
  const QPoint line2 = viewport->mapToGlobal(w.PlayList->visualRect(w.List().Model()->index(2, 0)).center());
  SendMouse(viewport, QEvent::MouseButtonPress, line2, Qt::RightButton, Qt::RightButton);
  SendMouse(viewport, QEvent::MouseButtonRelease, line2, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(w.List().ItemIndex(), 2);
  EXPECT_EQ(w.List().SelectedFlags(), (std::vector<char>{0, 0, 1}));
  EXPECT_TRUE(w.Removeselected1->isEnabled());
  EXPECT_TRUE(w.ViewFileInfoID3TagInfo->isEnabled());

  // On a line of a selection of several: the selection stays for the popup.
  w.List().SetSelectedFlags({1, 0, 1});
  SendMouse(viewport, QEvent::MouseButtonPress, line2, Qt::RightButton, Qt::RightButton);
  SendMouse(viewport, QEvent::MouseButtonRelease, line2, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(w.List().SelectedFlags(), (std::vector<char>{1, 0, 1}));
}

TEST_F(WindowBehaviour, AKeyActsInTheListOnlyWhenItWentDownThere) {
  auto& w = CreateWindow();
  w.SetFoldMode(2);
  w.show();
  w.List().Add(MakeSong("a.mp3"), -1);
  w.List().SetItemIndex(0);
  Device->ClearCalls();
  auto key = [&w](QEvent::Type type, int k) {
    QKeyEvent e(type, k, Qt::NoModifier);
    QCoreApplication::sendEvent(w.PlayList, &e);
  };
  // The Enter that closed a message box comes up in the list: nothing plays.
  key(QEvent::KeyRelease, Qt::Key_Return);
  EXPECT_TRUE(Device->Calls().empty());
  // Went down in the list, then the list lost the focus: its release is not the list's.
  key(QEvent::KeyPress, Qt::Key_Return);
  QFocusEvent out(QEvent::FocusOut);
  QCoreApplication::sendEvent(w.PlayList, &out);
  key(QEvent::KeyRelease, Qt::Key_Return);
  EXPECT_TRUE(Device->Calls().empty());
  // Down and up in the list: the focused line plays.
  key(QEvent::KeyPress, Qt::Key_Return);
  key(QEvent::KeyRelease, Qt::Key_Return);
  EXPECT_EQ(Device->OpenPath(), Dir.File("a.mp3"));
  // Esc likewise: only a press in the list clears the selection.
  w.List().SetSelected(0, true);
  key(QEvent::KeyRelease, Qt::Key_Escape);
  EXPECT_TRUE(w.List().Selected(0));
  key(QEvent::KeyPress, Qt::Key_Escape);
  key(QEvent::KeyRelease, Qt::Key_Escape);
  EXPECT_FALSE(w.List().Selected(0));
}
