#pragma once
// The keyboard focus mark: a two-colour frame drawn just outside the focused
// control, over the skin, so that it shows on light and dark skins alike.
// It follows the control as it moves and hides with it; it takes no clicks.
#include <QFocusFrame>

class TFocusMark : public QFocusFrame {
  Q_OBJECT
public:
  explicit TFocusMark(QWidget* parent = nullptr);

  // Pixels the mark reaches beyond the control on each side.
  static constexpr int Margin = 2;

protected:
  void paintEvent(QPaintEvent*) override;
  bool event(QEvent* e) override;
};
