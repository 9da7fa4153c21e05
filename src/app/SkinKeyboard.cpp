#include "app/SkinKeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "app/widgets/AccessibleControl.h"
#include "app/widgets/FocusMark.h"
#include "app/widgets/SpeedButton.h"

namespace {

// The keys that open a context menu from the keyboard.
bool IsMenuKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
}

} // namespace

SkinKeyboard::SkinKeyboard(QWidget* window, std::vector<QWidget*> controls, Guard guarded,
                           std::function<void()> showMenu)
    : QObject(window), window_(window), controls_(std::move(controls)), guarded_(std::move(guarded)),
      showMenu_(std::move(showMenu)), mark_(new TFocusMark(window)) {
  mark_->hide();
  // The skin's controls keep no focus policy: neither a click nor the
  // window's activation gives them the focus, so the window's own keys act
  // until the keyboard walks into the controls (setFocus below ignores the
  // policy).
  // Keys reach the focused control and mouse presses whichever surface is
  // under the pointer: one filter on the application sees both.
  qApp->installEventFilter(this);
}

bool SkinKeyboard::InWindow(const QObject* o) const {
  const auto* w = qobject_cast<const QWidget*>(o);
  return w && w->window() == window_;
}

bool SkinKeyboard::IsControl(const QWidget* w) const {
  return std::find(controls_.begin(), controls_.end(), w) != controls_.end();
}

bool SkinKeyboard::Reachable(const QWidget* control) const {
  if (!control->isVisibleTo(window_) || !control->isEnabled()) return false;
  // A folded window cuts off the controls below its edge.
  const QRect at(control->mapTo(window_, QPoint(0, 0)), control->size());
  return window_->rect().contains(at.center());
}

QWidget* SkinKeyboard::MarkedControl() const { return mark_->isVisible() ? mark_->widget() : nullptr; }

void SkinKeyboard::MoveFocus(bool forward) {
  const int n = static_cast<int>(controls_.size());
  if (n == 0) return;
  const auto at = std::find(controls_.begin(), controls_.end(), window_->focusWidget());
  // From the window itself the walk starts before the first (or after the
  // last) control.
  int i = at == controls_.end() ? (forward ? -1 : n) : static_cast<int>(at - controls_.begin());
  for (int tried = 0; tried < n; ++tried) {
    i = ((forward ? i + 1 : i - 1) % n + n) % n;
    if (Reachable(controls_[i])) {
      controls_[i]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void SkinKeyboard::PressButton(QWidget* control) {
  if (auto* button = qobject_cast<TSpeedButton*>(control)) {
    button->PerformClick();  // its click handler runs guarded
  } else if (AccessibleControl* extra = AccessibleControl::Of(control); extra && extra->Press) {
    guarded_(extra->Press);
  }
}

bool SkinKeyboard::ControlKey(QWidget* control, const QKeyEvent* key) {
  AccessibleControl* extra = AccessibleControl::Of(control);
  if (extra && extra->IsSlider()) {
    int steps = 0;
    int size = extra->Slider.Step;
    switch (key->key()) {
      case Qt::Key_Left: case Qt::Key_Down: steps = -1; break;
      case Qt::Key_Right: case Qt::Key_Up: steps = 1; break;
      case Qt::Key_PageDown: steps = -1; size = extra->Slider.PageStep; break;
      case Qt::Key_PageUp: steps = 1; size = extra->Slider.PageStep; break;
      default: break;
    }
    if (steps != 0) {
      guarded_([extra, steps, size] { extra->StepSlider(steps, size); });
      return true;
    }
  }
  const bool press = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (press && !(extra && extra->IsSlider())) {
    if (!key->isAutoRepeat()) PressButton(control);
    return true;
  }
  if (IsMenuKey(key)) {
    if (showMenu_) showMenu_();
    return true;
  }
  if (key->key() == Qt::Key_Escape) {
    control->clearFocus();
    return true;
  }
  return false;
}

void SkinKeyboard::FocusTwinOf(QWidget* hidden) {
  // Play and Pause share one place: when the one pressed gives way to the
  // other, the focus stays at that place.
  if (hidden->isVisible()) return;
  for (QWidget* w : controls_)
    if (w != hidden && w->parentWidget() == hidden->parentWidget() && w->geometry() == hidden->geometry() &&
        Reachable(w)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
}

void SkinKeyboard::UpdateMark() {
  QWidget* focused = window_->focusWidget();
  const bool show = keyboardInUse_ && focused && focused->hasFocus() && IsControl(focused) && Reachable(focused);
  if (!show) {
    mark_->setWidget(nullptr);
    mark_->hide();
    return;
  }
  if (mark_->widget() != focused) mark_->setWidget(focused);
  mark_->show();
  mark_->raise();
}

bool SkinKeyboard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      if (!InWindow(watched)) break;
      auto* key = static_cast<QKeyEvent*>(event);
      const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
      if (!command && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
        keyboardInUse_ = true;
        MoveFocus(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        UpdateMark();
        return true;
      }
      auto* w = static_cast<QWidget*>(watched);
      if (IsMenuKey(key) && w == window_ && !window_->focusWidget()) {
        if (showMenu_) showMenu_();
        return true;
      }
      // The playlist and the quick-find box keep their own keys.
      if (w->hasFocus() && IsControl(w) && !command && (qobject_cast<TSpeedButton*>(w) || AccessibleControl::Of(w))) {
        keyboardInUse_ = true;
        if (ControlKey(w, key)) {
          UpdateMark();
          return true;
        }
      }
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (InWindow(watched) && keyboardInUse_) {
        keyboardInUse_ = false;
        UpdateMark();
      }
      break;
    case QEvent::Hide:
      if (auto* w = qobject_cast<QWidget*>(watched); w && w->hasFocus() && IsControl(w)) {
        QPointer<QWidget> hidden(w);
        QTimer::singleShot(0, this, [this, hidden] {
          if (hidden) FocusTwinOf(hidden);
          UpdateMark();
        });
      }
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      if (InWindow(watched)) QTimer::singleShot(0, this, [this] { UpdateMark(); });
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}
