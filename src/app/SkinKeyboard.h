#pragma once
// The window used from the keyboard alone. Tab and Shift+Tab walk the
// controls in reading order, skipping those that are hidden, disabled or
// folded out of sight; Space and Enter press the focused button; the arrow
// keys (and Page Up / Page Down) move a focused slider; the Menu key opens
// the window's menu; Esc on a skin control gives the focus back to the
// window, where the window's own keys act again. The focus mark is shown only while the keyboard is in use: a
// mouse press anywhere in the window takes it away.
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QKeyEvent;
class QWidget;
class TFocusMark;

class SkinKeyboard : public QObject {
public:
  using Guard = std::function<void(const std::function<void()>&)>;
  // `controls`: the window's controls in reading order. `guarded` runs a
  // handler so that an error it raises is shown. `showMenu` opens the
  // window's menu, for the Menu key (or Shift+F10) on a skin control.
  SkinKeyboard(QWidget* window, std::vector<QWidget*> controls, Guard guarded, std::function<void()> showMenu);

  bool KeyboardInUse() const { return keyboardInUse_; }
  // The control the mark is drawn around, or null when none is drawn.
  QWidget* MarkedControl() const;
  // Whether Tab can reach `control` now.
  bool Reachable(const QWidget* control) const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool InWindow(const QObject* o) const;
  bool IsControl(const QWidget* w) const;
  void MoveFocus(bool forward);
  bool ControlKey(QWidget* control, const QKeyEvent* key);
  void PressButton(QWidget* control);
  void FocusTwinOf(QWidget* hidden);
  void UpdateMark();

  QWidget* window_;
  std::vector<QWidget*> controls_;
  Guard guarded_;
  std::function<void()> showMenu_;
  TFocusMark* mark_;
  bool keyboardInUse_ = false;
};
