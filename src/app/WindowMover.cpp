#include "app/WindowMover.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "app/Snapping.h"

namespace {

Snapping::Edges EdgesOf(const QRect& r) {
  // QRect's right() and bottom() are inclusive; the snapping works with the
  // exclusive edges (left + width).
  return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

} // namespace

WindowMover::WindowMover(QWidget* window, std::function<bool(QRect&)> workArea)
    : QObject(window), window_(window), workArea_(std::move(workArea)) {
  window_->installEventFilter(this);
}

bool WindowMover::SystemMove() {
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return false;
  if (QWindow* handle = window_->windowHandle()) handle->startSystemMove();
  return true;
}

void WindowMover::Press(QPoint globalPos) {
  if (SystemMove()) return;
  Begin(globalPos);
  window_->grabMouse();
}

void WindowMover::ListPress(QWidget* viewport, QPoint globalPos) {
  if (listViewport_ != viewport) {
    // Only pointer moves and releases concern the move; the list's other
    // events (also those of its destruction) pass untouched.
    if (listViewport_) listViewport_->removeEventFilter(this);
    listViewport_ = viewport;
    viewport->installEventFilter(this);
  }
  pendingListDrag_ = true;
  pendingStart_ = globalPos;
}

void WindowMover::Begin(QPoint globalPos) {
  dragging_ = true;
  dragOffset_ = globalPos - window_->pos();
  EnterSizeMove(globalPos);
}

void WindowMover::MoveTo(QPoint globalPos) {
  // As the platform's move loop: the window keeps the offset of the press.
  QRect r(globalPos - dragOffset_, window_->size());
  Moving(r, globalPos);
  window_->move(r.topLeft());
}

void WindowMover::Release() {
  dragging_ = false;
  window_->releaseMouse();
}

bool WindowMover::ReadWorkArea(QRect& area) const {
  if (workArea_) return workArea_(area);
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return false;
  area = screen->availableGeometry();
  return !area.isEmpty();
}

void WindowMover::EnterSizeMove(QPoint cursor) {
  SnapAnchor = cursor;
  QRect area;
  if (ReadWorkArea(area)) WorkArea = area;
}

void WindowMover::Moving(QRect& r, QPoint cursor) {
  Snapping::Edges edges = EdgesOf(r);
  Snapping::State state{{SnapAnchor.x(), SnapAnchor.y()}, SnappedX, SnappedY};
  Snapping::Snap(edges, window_->width(), window_->height(), {cursor.x(), cursor.y()}, EdgesOf(WorkArea), state,
                 SnapDistance);
  SnapAnchor = QPoint(state.anchor.x, state.anchor.y);
  SnappedX = state.snappedX;
  SnappedY = state.snappedY;
  r = QRect(edges.left, edges.top, edges.right - edges.left, edges.bottom - edges.top);
}

bool WindowMover::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (t != QEvent::MouseMove && t != QEvent::MouseButtonRelease) return false;
  if (watched == listViewport_) return ListEvent(event);
  if (watched == window_ && dragging_) {
    if (t == QEvent::MouseMove) MoveTo(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    else Release();
  }
  return false;
}

bool WindowMover::ListEvent(QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    pendingListDrag_ = false;
    // The list still sees the release, which ends its own press.
    if (dragging_) Release();
    return false;
  }
  const auto* me = static_cast<QMouseEvent*>(event);
  const QPoint global = me->globalPosition().toPoint();
  if (dragging_) {
    // The list keeps the pointer until the release; it must not extend its
    // selection while the window travels.
    MoveTo(global);
    return true;
  }
  if (!pendingListDrag_ || !(me->buttons() & Qt::LeftButton)) return false;
  if ((global - pendingStart_).manhattanLength() < ListDragThreshold) return false;
  pendingListDrag_ = false;
  if (SystemMove()) return true;
  Begin(pendingStart_);
  MoveTo(global);
  return true;
}

QPoint WindowMover::PlaceOnScreen(int left, int top) const {
  // Reckoned in 64 bits: a stored position may lie anywhere in the int range.
  const long long l = left, t = top, r = l + window_->width(), b = t + window_->height();
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect g = screen->geometry();
    if (l < g.x() + static_cast<long long>(g.width()) && r > g.x() && t < g.y() + static_cast<long long>(g.height()) &&
        b > g.y())
      return QPoint(left, top);
  }
  // No part of the window would show on any screen: the work area's corner.
  QRect area;
  if (ReadWorkArea(area)) return area.topLeft();
  if (const QScreen* primary = QGuiApplication::primaryScreen()) return primary->availableGeometry().topLeft();
  return QPoint(0, 0);
}
