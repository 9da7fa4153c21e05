#include "playlist/ParallelTexts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace ParallelTexts {

unsigned ThreadsFor(size_t count, unsigned hardware) {
  if (count < kMinItemsForThreads) return 1;
  // Four a core: from a cold cache nearly all of a tag read is waiting for
  // the disk, and the disk serves several reads at once (measured on two
  // cores: 8 threads take 0.35 of the one-thread time, 4 threads 0.56).
  const unsigned wanted = hardware == 0 ? kMaxThreads : std::min(kMaxThreads, kThreadsPerCore * hardware);
  return std::max(2u, wanted);
}

std::vector<std::string> Compute(size_t count, const std::function<std::string(size_t)>& textOf,
                                 unsigned threads, const std::function<void()>& whileWaiting) {
  std::vector<std::string> texts(count);
  std::atomic<size_t> next{0};
  std::mutex lock;  // guards failure and finished
  std::condition_variable allFinished;
  std::exception_ptr failure;
  unsigned finished = 0;

  // Takes chunks of items from the shared index until none is left; each
  // text goes to its own slot, so no two threads write the same string.
  auto work = [&] {
    while (true) {
      const size_t begin = next.fetch_add(kChunk, std::memory_order_relaxed);
      if (begin >= count) return;
      const size_t end = std::min(count, begin + kChunk);
      try {
        for (size_t i = begin; i < end; ++i) texts[i] = textOf(i);
      } catch (...) {
        const std::lock_guard<std::mutex> hold(lock);
        if (!failure) failure = std::current_exception();
        next.store(count, std::memory_order_relaxed);  // the others stop too
        return;
      }
    }
  };
  auto helper = [&] {
    work();
    const std::lock_guard<std::mutex> hold(lock);
    ++finished;
    allFinished.notify_one();
  };

  const bool waits = static_cast<bool>(whileWaiting) && threads > 1 && count > 0;
  unsigned helpers = threads > 1 && count > 1 ? threads - 1 : 0;
  if (waits) helpers = threads;  // the calling thread only waits
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned t = 0; t < helpers; ++t) {
    try {
      pool.emplace_back(helper);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the started ones (and this one) do the rest
    }
  }
  auto joinAll = [&] {
    for (std::thread& t : pool) t.join();
  };
  if (!waits || pool.empty()) {
    work();
  } else {
    try {
      whileWaiting();
      std::unique_lock<std::mutex> hold(lock);
      while (finished < pool.size()) {
        if (allFinished.wait_for(hold, std::chrono::milliseconds(kWaitSliceMs),
                                 [&] { return finished >= pool.size(); }))
          break;
        hold.unlock();
        whileWaiting();
        hold.lock();
      }
    } catch (...) {
      next.store(count, std::memory_order_relaxed);
      joinAll();
      throw;
    }
  }
  joinAll();
  if (failure) std::rethrow_exception(failure);
  return texts;
}

} // namespace ParallelTexts
