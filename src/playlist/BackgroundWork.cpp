#include "playlist/BackgroundWork.h"

#include <system_error>
#include <thread>

namespace {

std::atomic<int> g_running{0};

} // namespace

int BackgroundWork::Running() { return g_running.load(); }

bool BackgroundWork::Start(QObject* context, std::function<void(const std::atomic<bool>&)> work,
                           std::function<void()> done) {
  Abandon();
  auto state = std::make_shared<State>();
  state->context = context;
  ++g_running;
  try {
    std::thread([state, work = std::move(work), done = std::move(done)]() mutable {
      work(state->cancelled);
      {
        const std::lock_guard<std::mutex> hold(state->lock);
        if (state->context) {
          QMetaObject::invokeMethod(
              state->context,
              [state, done = std::move(done)] {
                // Abandoned after it was posted: not wanted any more.
                if (!state->cancelled) done();
              },
              Qt::QueuedConnection);
        }
      }
      --g_running;
    }).detach();
  } catch (const std::system_error&) {
    --g_running;
    return false;
  }
  state_ = std::move(state);
  return true;
}

void BackgroundWork::Abandon() {
  if (!state_) return;
  state_->cancelled = true;
  {
    const std::lock_guard<std::mutex> hold(state_->lock);
    state_->context = nullptr;
  }
  state_.reset();
}
