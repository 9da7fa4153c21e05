#pragma once
// Texts computed for many items at once on a small pool of threads, each
// text in the slot of its item, so the order is exactly the items' order.
// Used for the display texts of many new playlist lines, whose tags are read
// from disk: the reads of one file wait on the disk, several overlap. std only.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace ParallelTexts {

// Fewer items than this are computed on the calling thread: starting
// threads costs more than it saves.
constexpr size_t kMinItemsForThreads = 64;
// Threads at most; more only add contention on the disk queue.
constexpr unsigned kMaxThreads = 8;
constexpr unsigned kThreadsPerCore = 4;
// Items a thread takes at a time from the shared index.
constexpr size_t kChunk = 16;

// The threads (the calling one included) a pass over `count` items uses on a
// machine with `hardware` threads (0 when unknown): 1 below
// kMinItemsForThreads, else min(kMaxThreads, kThreadsPerCore * hardware),
// at least 2.
unsigned ThreadsFor(size_t count, unsigned hardware);

// How often the calling thread runs `whileWaiting` (below): well inside the
// 100 ms a window may take to answer, as a busy machine wakes it late.
constexpr int kWaitSliceMs = 25;

// texts[i] = textOf(i) for every i < count, computed by `threads` threads of
// which the calling thread is one (1 or 0: all on the calling thread). When a
// thread cannot be started the others do its share. The first exception
// thrown by textOf is rethrown here after every thread has stopped.
// `textOf` must be safe to call from several threads at once.
// With `whileWaiting` and more than one thread, the calling thread computes
// nothing: it runs whileWaiting at once and then every kWaitSliceMs until
// the others are done (an exception from it stops them and is rethrown).
std::vector<std::string> Compute(size_t count, const std::function<std::string(size_t)>& textOf,
                                 unsigned threads, const std::function<void()>& whileWaiting = {});

} // namespace ParallelTexts
