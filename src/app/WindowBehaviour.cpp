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

#include "app/Snapping.h"
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
// How far the pointer must travel after a press on the playlist before the
// press becomes a window drag; shorter moves stay clicks on a line.
constexpr int kPlayListDragThreshold = 4;
// More slide steps than this are not animated: the window is put where the
// slide would have ended (a position read from the settings may lie far off).
constexpr long long kMaxSlideSteps = 2000;

// Hands the events of one object to a function of the window.
class EventWatcher : public QObject {
public:
  EventWatcher(QObject* parent, std::function<bool(QEvent*)> handler)
      : QObject(parent), handler_(std::move(handler)) {}

protected:
  bool eventFilter(QObject*, QEvent* event) override { return handler_(event); }

private:
  std::function<bool(QEvent*)> handler_;
};

// Pure Wayland does not let a window place itself: the compositor moves it.
bool CompositorMovesWindows() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// The tray needs a notification area; without one the window would vanish
// for good, so it only goes to the taskbar. Headless runs (the offscreen
// platform) keep the tray path so it behaves as on a desktop.
bool TrayUsable() {
  return QSystemTrayIcon::isSystemTrayAvailable() || QGuiApplication::platformName() == QLatin1String("offscreen");
}

Snapping::Edges EdgesOf(const QRect& r) {
  // QRect's right() and bottom() are inclusive; the snapping works with the
  // exclusive edges (left + width).
  return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

} // namespace

// ---- dragging ----

void TFrmMainVelmaris::CaptionPanelMouseDown(QWidget* sender, Qt::MouseButton button, QPoint globalPos) {
  // The playlist's popup acts on the selection: without one its line
  // commands are off.
  const bool selection = List().SelCount() > 0;
  for (QAction* a : {Openfolderofselectedfile1, Removeselected1, ViewFileInfoID3TagInfo}) a->setEnabled(selection);
  // Only the left button moves the window; the right one opens the menus.
  if (button != Qt::LeftButton) return;
  if (sender == PlayList) {
    // The press has selected a line; it becomes a drag only when the pointer
    // travels on with the button held.
    if (!PlayListDragWatcher) {
      // Only pointer moves and releases concern the drag; the list's other
      // events (also those of its destruction) pass untouched.
      QWidget* viewport = PlayList->viewport();
      PlayListDragWatcher = new EventWatcher(viewport, [this](QEvent* e) {
        const QEvent::Type t = e->type();
        return (t == QEvent::MouseMove || t == QEvent::MouseButtonRelease) && PlayListDragEvent(e);
      });
      viewport->installEventFilter(PlayListDragWatcher);
    }
    PendingDrag = true;
    PendingDragStart = globalPos;
    return;
  }
  if (CompositorMovesWindows()) {
    if (QWindow* handle = windowHandle()) handle->startSystemMove();
    return;
  }
  BeginMoveLoop(globalPos);
  grabMouse();
}

void TFrmMainVelmaris::BeginMoveLoop(QPoint globalPos) {
  Dragging = true;
  DragOffset = globalPos - pos();
  WMEnterSizeMove(globalPos);
}

bool TFrmMainVelmaris::PlayListDragEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove: {
      const auto* me = static_cast<QMouseEvent*>(event);
      const QPoint global = me->globalPosition().toPoint();
      if (Dragging) {
        // The list keeps the pointer until the release; it must not extend
        // its selection while the window travels.
        MoveLoopMouseMove(global);
        return true;
      }
      if (!PendingDrag || !(me->buttons() & Qt::LeftButton)) return false;
      if ((global - PendingDragStart).manhattanLength() < kPlayListDragThreshold) return false;
      PendingDrag = false;
      if (CompositorMovesWindows()) {
        if (QWindow* handle = windowHandle()) handle->startSystemMove();
        return true;
      }
      BeginMoveLoop(PendingDragStart);
      MoveLoopMouseMove(global);
      return true;
    }
    case QEvent::MouseButtonRelease:
      PendingDrag = false;
      // The list still sees the release, which ends its own press.
      if (Dragging) MoveLoopRelease();
      return false;
    default:
      return false;
  }
}

void TFrmMainVelmaris::MoveLoopMouseMove(QPoint globalPos) {
  // As the platform's move loop: the window keeps the offset of the press.
  QRect r(globalPos - DragOffset, size());
  WMMoving(r, globalPos);
  move(r.topLeft());
}

void TFrmMainVelmaris::MoveLoopRelease() {
  Dragging = false;
  releaseMouse();
}

bool TFrmMainVelmaris::ReadWorkArea(QRect& area) const {
  if (Services_->WorkArea) return Services_->WorkArea(area);
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return false;
  area = screen->availableGeometry();
  return !area.isEmpty();
}

void TFrmMainVelmaris::WMEnterSizeMove(QPoint cursor) {
  SnapAnchor = cursor;
  QRect area;
  if (ReadWorkArea(area)) WorkArea = area;
}

void TFrmMainVelmaris::WMMoving(QRect& r, QPoint cursor) {
  Snapping::Edges edges = EdgesOf(r);
  Snapping::State state{{SnapAnchor.x(), SnapAnchor.y()}, SnappedX, SnappedY};
  Snapping::Snap(edges, width(), height(), {cursor.x(), cursor.y()}, EdgesOf(WorkArea), state, SnapDistance);
  SnapAnchor = QPoint(state.anchor.x, state.anchor.y);
  SnappedX = state.snappedX;
  SnappedY = state.snappedY;
  r = QRect(edges.left, edges.top, edges.right - edges.left, edges.bottom - edges.top);
}

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
      if (ReadWorkArea(area)) {
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
      if (ReadWorkArea(area)) {
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
  if (VelmarisOptions.MinimizeToTray && TrayUsable()) {
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
