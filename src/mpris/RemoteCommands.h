#pragma once
// Commands that arrive from another thread (the bus), waiting for the
// window's thread, which runs them in arrival order and in slices, so that
// its own input goes between them however many arrive. A setting sent again
// before the last one ran takes that one's place: a flood of volume values
// costs the window one change, not one per value.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

class RemoteCommands {
public:
  using Command = std::function<void()>;
  // Commands of a kind other than None replace a queued command of the same
  // kind when that is the last in the queue (nothing came between).
  enum class Kind { None, Volume };

  struct Added {
    uint64_t Number = 0;  // 0: refused, the queue is closed
    bool Wake = false;    // the runner is idle: the caller must have it run
  };
  // Any thread. Numbers grow with each command added. A command must not
  // throw: it reports its own failures.
  Added Add(Command command, Kind kind = Kind::None);

  // The runner's thread: runs commands in order, at least one, until none is
  // left or `budget` has passed. True when some are left: run again later,
  // after the runner's other work.
  bool RunFor(std::chrono::steady_clock::duration budget);

  // The number of the last command that has run: every command added with a
  // number up to it has run, or was replaced by one that has.
  uint64_t HandledThrough() const;

  // Drops what waits and refuses what comes (the program is closing).
  void Close();

private:
  struct Entry {
    uint64_t Number;
    Kind What;
    Command Run;
  };
  mutable std::mutex mutex_;
  std::deque<Entry> queue_;
  uint64_t added_ = 0;
  uint64_t handled_ = 0;
  bool scheduled_ = false;  // a run is due: no further wake needed
  bool closed_ = false;
};
