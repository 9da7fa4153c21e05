#include "app/widgets/SpeedButton.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>

TSpeedButton::TSpeedButton(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_Hover);
  setMouseTracking(false);
}

void TSpeedButton::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TSpeedButton::SetGlyph(const QImage& glyph) {
  glyph_ = glyph;
  update();
}

void TSpeedButton::SetFontColor(const QColor& c) {
  fontColor_ = c;
  update();
}

void TSpeedButton::SetDown(bool down) {
  if (down == down_) return;
  if (down && groupIndex_ != 0 && parentWidget()) {
    for (TSpeedButton* other : parentWidget()->findChildren<TSpeedButton*>(Qt::FindDirectChildrenOnly)) {
      if (other != this && other->groupIndex_ == groupIndex_ && other->down_) {
        other->down_ = false;
        other->update();
        other->AnnounceDown();
      }
    }
  }
  down_ = down;
  update();
  AnnounceDown();
}

void TSpeedButton::AnnounceDown() {
  // A toggle button's pressed state is what a screen reader reads out.
  QAccessible::State changed;
  changed.checked = true;
  changed.pressed = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void TSpeedButton::PerformClick() {
  if (!isEnabled()) return;
  if (groupIndex_ != 0) {
    if (!down_) SetDown(true);
    else if (allowAllUp_) SetDown(false);
  }
  emit Click();
}

void TSpeedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  const bool sunken = down_ || (pressed_ && hover_);
  if (sunken) {
    p.fillRect(r, QColor(0, 0, 0, 40));
    p.setPen(QColor(0, 0, 0, 140));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(255, 255, 255, 140));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  } else if (hover_ && isEnabled()) {
    p.fillRect(r, QColor(255, 255, 255, 45));
    p.setPen(QColor(255, 255, 255, 150));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(0, 0, 0, 120));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
  const int shift = sunken ? 1 : 0;
  if (!glyph_.isNull()) {
    QImage g = glyph_;
    const QPoint at((r.width() - g.width()) / 2 + shift, (r.height() - g.height()) / 2 + shift);
    if (!isEnabled()) p.setOpacity(0.35);
    p.drawImage(at, g);
    p.setOpacity(1.0);
  }
  if (!caption_.isEmpty()) {
    p.setFont(font());
    QColor c = fontColor_;
    if (!isEnabled()) c.setAlpha(110);
    p.setPen(c);
    p.drawText(r.translated(shift, shift), Qt::AlignCenter, caption_);
  }
}

void TSpeedButton::mousePressEvent(QMouseEvent* e) {
  const int x = static_cast<int>(e->position().x());
  const int y = static_cast<int>(e->position().y());
  if (e->button() == Qt::LeftButton) {
    pressed_ = true;
    update();
  }
  emit MouseDown(e->button(), e->buttons(), e->modifiers(), x, y);
}

void TSpeedButton::mouseMoveEvent(QMouseEvent* e) {
  const bool inside = rect().contains(e->position().toPoint());
  if (inside != hover_) {
    hover_ = inside;
    update();
  }
  emit MouseMove(e->buttons(), e->modifiers(), static_cast<int>(e->position().x()),
                 static_cast<int>(e->position().y()));
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  update();
  if (rect().contains(e->position().toPoint())) PerformClick();
}

void TSpeedButton::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void TSpeedButton::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

void TSpeedButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(e);
}
