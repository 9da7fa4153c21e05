// The main window's own frame behaviour: dragging it by its surface with
// snapping to the work-area edges, folding between the three heights, the
// taskbar and tray, translucency, the popup menu and the arrow keys.
#include "app/FrmMainVelmaris.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

#include <functional>

#include "app/Tray.h"
#include "app/WindowMover.h"
#include "app/widgets/PlayListBox.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "app/widgets/VirtualKeys.h"
#include "playlist/PlayList.h"

namespace {

constexpr int kMiniHeight = 21;
constexpr int kNormalHeight = 115;
constexpr int kPlayListHeight = 232;
constexpr int kPlayListPanelHeight = 118;
// More slide steps than this are not animated: the window is put where the
// slide would have ended (a position read from the settings may lie far off).
constexpr long long kMaxSlideSteps = 2000;

} // namespace

// ---- dragging ----

void TFrmMainVelmaris::CaptionPanelMouseDown(QWidget* sender, Qt::MouseButton button, QPoint globalPos) {
  // The playlist's popup acts on the selection: without one its line
  // commands are off.
  const bool selection = List().SelCount() > 0;
  for (QAction* a : {Openfolderofselectedfile1, Removeselected1, ViewFileInfoID3TagInfo}) a->setEnabled(selection);
  // Only the left button moves the window; the right one opens the menus.
  if (button != Qt::LeftButton) return;
  // A press on the playlist has selected a line; it becomes a move only
  // when the pointer travels on with the button held.
  if (sender == PlayList) Mover->ListPress(PlayList->viewport(), globalPos);
  else Mover->Press(globalPos);
}

void TFrmMainVelmaris::WMEnterSizeMove(QPoint cursor) { Mover->EnterSizeMove(cursor); }

void TFrmMainVelmaris::WMMoving(QRect& r, QPoint cursor) { Mover->Moving(r, cursor); }

// ---- folding ----

int TFrmMainVelmaris::GetFoldMode() const {
  if (height() == kMiniHeight) return 0;
  if (height() == kNormalHeight) return 1;
  return 2;
}

void TFrmMainVelmaris::SetWindowHeight(int h) {
  resize(width(), h);
  // The playlist panel is aligned to the bottom of the window.
  PlayListPanel->move(0, h - kPlayListPanelHeight);
}

void TFrmMainVelmaris::SetFoldMode(int8_t mode) {
  // Pending events run between the steps; a fold started from one of them
  // runs to its end, then this one goes on from the height and top it finds.
  ++FoldDepth;
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{FoldDepth};

  CaptionLabel->setText(QStringLiteral("Velmaris "));
  SetApplicationTitle("Velmaris ");
  QRect area;
  switch (mode) {
    case 0: {
      if (PlayListPanel->isVisibleTo(this)) OpenPLButtonClick();
      while (height() > 16) {
        SetWindowHeight(height() - 15);
        QCoreApplication::processEvents();
      }
      SetWindowHeight(kMiniHeight);
      if (Mover->ReadWorkArea(area)) {
        const int bottom = area.y() + area.height();
        const long long d = static_cast<long long>(y()) + kNormalHeight - bottom;
        // A strip whose unfolded bottom sat near the work-area bottom slides
        // down onto it.
        if ((d < 0 ? -d : d) < height()) {
          while (y() < bottom - height()) {
            move(x(), y() + 2);
            QCoreApplication::processEvents();
          }
        }
      }
      break;
    }
    case 1:
      SetWindowHeight(kNormalHeight);
      if (Mover->ReadWorkArea(area)) {
        const int bottom = area.y() + area.height();
        // Slide up until the window fits above the work-area bottom.
        long long over = static_cast<long long>(y()) + height() - bottom;
        if (over > 0 && over / 3 > kMaxSlideSteps) move(x(), static_cast<int>(y() - 3 * ((over + 2) / 3)));
        while (static_cast<long long>(y()) + height() > bottom) {
          move(x(), y() - 3);
          QCoreApplication::processEvents();
        }
      }
      break;
    case 2:
      SetFoldMode(1);
      if (!PlayListPanel->isVisibleTo(this)) OpenPLButtonClick();
      break;
    default:
      break;
  }
  VelmarisOptions.Mode = mode;
}

void TFrmMainVelmaris::CaptionPanelDblClick() {
  SetFoldMode(GetFoldMode() == 0 ? 1 : 0);
  MainImage->update();
}

void TFrmMainVelmaris::OpenPLButtonClick() {
  if (GetFoldMode() == 2) {
    PlayListPanel->hide();
    SetWindowHeight(kNormalHeight);
  } else {
    SetWindowHeight(kPlayListHeight);
    PlayListPanel->show();
  }
  // The panel is part of the window's shape only while it shows.
  ApplyColourKey();
}

// ---- taskbar and tray ----

void TFrmMainVelmaris::MinimizeButtonClick() {
  showMinimized();
  if (VelmarisOptions.MinimizeToTray && TrayUsable(Services_->TrayAvailable)) {
    TrayIcon->show();
    hide();
  }
}

void TFrmMainVelmaris::TrayIconDblClick() {
  showNormal();
  raise();
  activateWindow();
  TrayIcon->hide();
}

// ---- translucency, menu, keys ----

void TFrmMainVelmaris::MakeTransButtonClick() {
  Translucent = !Translucent;
  // The colour key (the window's shape) stays in force either way.
  setWindowOpacity(Translucent ? 155 / 255.0 : 1.0);
}

void TFrmMainVelmaris::PopupMenu1Popup() {
  Play1->setEnabled(PlayButton->isEnabled());
  Pause1->setEnabled(PauseButton->isEnabled());
  Stop1->setEnabled(StopButton->isEnabled());
}

void TFrmMainVelmaris::FormKeyDown(int key, Qt::KeyboardModifiers) {
  if (key == VirtualKey::Left) PreviousButtonClick();
  else if (key == VirtualKey::Right) NextButtonClick();
}

void TFrmMainVelmaris::Options1Click() { ShowOptions(); }
