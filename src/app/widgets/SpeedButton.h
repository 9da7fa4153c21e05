#pragma once
// A flat speed button: a caption or a glyph, no frame until hovered, an
// optional toggle group (at most one button of a group down; all up allowed
// when AllowAllUp), a down state, a hint and a tag.
#include <QWidget>
#include <QImage>
#include <QString>
#include <QColor>

class TSpeedButton : public QWidget {
  Q_OBJECT
public:
  explicit TSpeedButton(QWidget* parent = nullptr);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  void SetGlyph(const QImage& glyph);
  void SetFontColor(const QColor& c);
  QColor FontColor() const { return fontColor_; }

  // Toggle groups: buttons with the same non-zero group index and the same
  // parent release each other when one goes down.
  void SetGroupIndex(int group) { groupIndex_ = group; }
  int GroupIndex() const { return groupIndex_; }
  void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }
  void SetDown(bool down);
  bool Down() const { return down_; }

  int Tag = 0;

  // What a user's left click does: toggles within the group, then Click().
  void PerformClick();

signals:
  void Click();
  // buttons: all buttons held after this press (the pressed one included).
  void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x, int y);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x, int y);

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void changeEvent(QEvent*) override;

private:
  void AnnounceDown();

  QString caption_;
  QImage glyph_;
  QColor fontColor_{Qt::black};
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool down_ = false;
  bool hover_ = false;
  bool pressed_ = false;
};
