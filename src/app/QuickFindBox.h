#pragma once
// The quick-find box under the playlist: a letter typed in the list opens it,
// each key in it searches the playlist (Enter: the next hit), Esc closes it,
// and it closes by itself after a few idle timer ticks.
#include <QObject>
#include <QString>

#include <functional>

class PlayList;
class QLineEdit;
class QWidget;

class QuickFindBox : public QObject {
public:
  // `guarded` runs a step so that an error it raises is shown.
  QuickFindBox(QLineEdit* edit, QWidget* list, PlayList& playlist,
               std::function<void(const std::function<void()>&)> guarded);

  // A character typed in the list: opens the box with it when it is one
  // that starts a search; true when it did.
  bool Open(const QString& ch);
  // A key going down in the box: one search step.
  void KeyDown(int key);
  // One idle tick of the position timer.
  void IdleStep();

  // Quick find gives up after this many idle timer ticks.
  static constexpr int IdleTicks = 4;
  int Idle = 0;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Close();

  QLineEdit* edit_;
  QWidget* list_;
  PlayList& playlist_;
  std::function<void(const std::function<void()>&)> guarded_;
};
