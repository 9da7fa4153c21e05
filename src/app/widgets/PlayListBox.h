#pragma once
// The playlist list box: multi-select with Shift and Ctrl, the focused line is
// the current line. Key and mouse events are reported to the main window
// through signals; the list's own type-ahead is built in.
#include <QElapsedTimer>
#include <QListView>
#include <QString>

#include <cstdint>
#include <set>
#include <functional>
#include <vector>

class PlayList;
class QKeyEvent;

class TPlayListBox : public QListView {
  Q_OBJECT
public:
  explicit TPlayListBox(QWidget* parent = nullptr);
  // Shows `list`: its lines, its focus and its selection (shared with it).
  void SetPlayList(PlayList* list);
  PlayList* List() const { return list_; }

  // Type-ahead: characters typed within this many milliseconds of the
  // previous one extend the prefix; after a longer pause it starts afresh.
  static constexpr int64_t TypeAheadDelayMs = 100;
  // Milliseconds of a monotonic clock; tests may replace it.
  void SetTypeAheadClock(std::function<int64_t()> now) { now_ = std::move(now); }
  const QString& TypeAheadPrefix() const { return prefix_; }
  void keyboardSearch(const QString& search) override;

  // The platform's virtual-key number of a key (see VirtualKeys.h; letters
  // and digits their capital character); 0 for keys without one.
  static int VirtualKeyOf(const QKeyEvent* e);

signals:
  // After the list's own handling of a press (a left press, or a right
  // press on a line that was not selected, has selected its line).
  void MousePressed(Qt::MouseButton button, QPoint globalPos);
  // Pointer movement over the lines, in viewport coordinates.
  void MouseMoved(QPoint pos);
  // Every key going down (Delete is consumed by the list), every key coming
  // up that went down in the list (auto-repeat excluded), and every typed
  // character before the list's own type-ahead sees it.
  void KeyDown(int key);
  void KeyUp(int key);
  void KeyChar(const QString& ch);
  // A left double click anywhere in the list, on a line or below the last.
  void DoubleClicked();

protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
  int64_t Now() const;

  PlayList* list_ = nullptr;
  std::set<int> pressed_;  // keys that went down in the list and are still down
  QElapsedTimer clock_;
  std::function<int64_t()> now_;
  QString prefix_;
  int64_t lastTypeAhead_ = 0;
  bool typedBefore_ = false;
};
