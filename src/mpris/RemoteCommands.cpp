#include "mpris/RemoteCommands.h"

#include <utility>

RemoteCommands::Added RemoteCommands::Add(Command command, Kind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return {};
  const uint64_t number = ++added_;
  if (kind != Kind::None && !queue_.empty() && queue_.back().What == kind) {
    queue_.back() = Entry{number, kind, std::move(command)};
  } else {
    queue_.push_back(Entry{number, kind, std::move(command)});
  }
  const bool wake = !scheduled_;
  scheduled_ = true;
  return {number, wake};
}

bool RemoteCommands::RunFor(std::chrono::steady_clock::duration budget) {
  const auto deadline = std::chrono::steady_clock::now() + budget;
  for (;;) {
    Entry next;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) {
        scheduled_ = false;
        return false;
      }
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    // Run without the lock: the bus thread never waits on a command.
    next.Run();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handled_ = next.Number;
      if (queue_.empty()) {
        scheduled_ = false;
        return false;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) return true;
  }
}

uint64_t RemoteCommands::HandledThrough() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handled_;
}

void RemoteCommands::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  queue_.clear();
  // Whatever waited counts as handled: nobody is to wait for it any more.
  handled_ = added_;
}
