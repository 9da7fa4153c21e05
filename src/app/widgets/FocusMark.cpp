#include "app/widgets/FocusMark.h"

#include <QEvent>
#include <QPainter>

namespace {
const QColor MarkDark(0, 0, 0);
const QColor MarkLight(255, 214, 0);  // amber
} // namespace

TFocusMark::TFocusMark(QWidget* parent) : QFocusFrame(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

bool TFocusMark::event(QEvent* e) {
  const bool handled = QFocusFrame::event(e);
  // The frame places itself with the style's margins; the mark keeps its own
  // so that it looks the same under every style.
  if ((e->type() == QEvent::Move || e->type() == QEvent::Resize) && widget()) {
    const QRect want = widget()->geometry().adjusted(-Margin, -Margin, Margin, Margin);
    if (geometry() != want) setGeometry(want);
    clearMask();
  }
  return handled;
}

void TFocusMark::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect outer = rect().adjusted(0, 0, -1, -1);
  // A dark line outside a light one, both beside the control rather than on
  // it: one of them stands out on any skin.
  p.setPen(QPen(MarkDark, 1));
  p.drawRect(outer);
  p.setPen(QPen(MarkLight, 1));
  p.drawRect(outer.adjusted(1, 1, -1, -1));
}
