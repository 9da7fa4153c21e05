#pragma once
// Moving the frameless window by its surface: our own move loop (press,
// move, release) with snapping to the work-area edges, a press on the
// playlist that becomes a move only when the pointer travels on, and the
// compositor's own move where a window may not place itself (Wayland).
#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

class QWidget;

class WindowMover : public QObject {
public:
  // `workArea` reads the desktop work area (false when it cannot); empty:
  // the primary screen's available geometry.
  WindowMover(QWidget* window, std::function<bool(QRect&)> workArea);

  // A left press on the window's surface starts a move.
  void Press(QPoint globalPos);
  // A left press on a line of the list (whose viewport is given): it becomes
  // a move only when the pointer travels on with the button held.
  void ListPress(QWidget* viewport, QPoint globalPos);

  // The start of a move with the pointer at `cursor`: the work area is read.
  void EnterSizeMove(QPoint cursor);
  // The window's proposed rectangle during a move, snapped in place.
  void Moving(QRect& r, QPoint cursor);
  bool ReadWorkArea(QRect& area) const;
  // Where the window goes for a stored position: there, or the work area's
  // corner when no part of the window would show on any screen.
  QPoint PlaceOnScreen(int left, int top) const;

  // Snap state of the move.
  QRect WorkArea;
  QPoint SnapAnchor;
  bool SnappedX = false;
  bool SnappedY = false;
  static constexpr int SnapDistance = 12;
  // How far the pointer must travel after a press on the playlist before the
  // press becomes a move; shorter moves stay clicks on a line.
  static constexpr int ListDragThreshold = 4;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Begin(QPoint globalPos);
  void MoveTo(QPoint globalPos);
  void Release();
  bool ListEvent(QEvent* event);
  // Pure Wayland does not let a window place itself: the compositor moves it.
  bool SystemMove();

  QWidget* window_;
  std::function<bool(QRect&)> workArea_;
  QWidget* listViewport_ = nullptr;
  bool dragging_ = false;
  QPoint dragOffset_;  // cursor minus window top-left at the press
  bool pendingListDrag_ = false;
  QPoint pendingStart_;
};
