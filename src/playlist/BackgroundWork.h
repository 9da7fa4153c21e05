#pragma once
// Work that waits on the disk, run on a thread of its own so the window's
// thread never does; its end is announced back on the thread of a QObject.
// The work cannot be waited for: a tag read of a hostile file may take a
// minute and a close must not. A job that is no longer wanted is abandoned:
// it sees `cancelled` set, its `done` never runs, and its thread ends by
// itself (Running() tells the program's end whether any still runs).
// QtCore only.
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class BackgroundWork {
public:
  struct State {
    std::atomic<bool> cancelled{false};
    std::mutex lock;  // guards context: where `done` is to run, null once abandoned
    QObject* context = nullptr;
  };

  BackgroundWork() = default;
  BackgroundWork(BackgroundWork&&) = default;
  BackgroundWork& operator=(BackgroundWork&&) = default;
  // An unfinished job is abandoned when its handle goes.
  ~BackgroundWork() { Abandon(); }

  // Runs work(cancelled) on a new thread, then done() on `context`'s thread
  // (unless abandoned by then). False when no thread could be started
  // (nothing runs then).
  bool Start(QObject* context, std::function<void(const std::atomic<bool>& cancelled)> work,
             std::function<void()> done);
  void Abandon();
  bool Active() const { return static_cast<bool>(state_); }
  // Called by `done`'s owner when it has run: the handle is free again.
  void Finished() { state_.reset(); }

  // Jobs whose threads have not ended yet, abandoned ones included.
  static int Running();

private:
  std::shared_ptr<State> state_;
};
