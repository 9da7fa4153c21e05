#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mpris/MprisState.h"
#include "mpris/RemoteCommands.h"

namespace {

using Kind = RemoteCommands::Kind;
using namespace std::chrono_literals;

struct Sent {
  Kind What;
  std::string Name;
};

// Which commands run, in which order, when all of them arrive before the
// window's thread gets to the queue.
TEST(RemoteCommands, RunsInOrderAndKeepsOnlyTheLastOfARunOfSettings) {
  const struct {
    const char* Case;
    std::vector<Sent> Arrived;
    std::vector<std::string> Ran;
  } table[] = {
      {"settings in a row", {{Kind::Volume, "v1"}, {Kind::Volume, "v2"}, {Kind::Volume, "v3"}}, {"v3"}},
      {"a command between",
       {{Kind::Volume, "v1"}, {Kind::None, "play"}, {Kind::Volume, "v2"}, {Kind::Volume, "v3"}},
       {"v1", "play", "v3"}},
      {"commands are never merged", {{Kind::None, "next"}, {Kind::None, "next"}}, {"next", "next"}},
      {"a setting after commands", {{Kind::None, "stop"}, {Kind::Volume, "v1"}}, {"stop", "v1"}},
  };
  for (const auto& row : table) {
    RemoteCommands commands;
    std::vector<std::string> ran;
    uint64_t last = 0;
    for (const Sent& sent : row.Arrived) last = commands.Add([&ran, name = sent.Name] { ran.push_back(name); }, sent.What).Number;
    EXPECT_FALSE(commands.RunFor(1h)) << row.Case;
    EXPECT_EQ(ran, row.Ran) << row.Case;
    EXPECT_EQ(commands.HandledThrough(), last) << row.Case;
  }
}

// The window's thread is woken once per batch, runs a slice at a time and
// says when some are left.
TEST(RemoteCommands, WakesOncePerBatchAndRunsInSlices) {
  RemoteCommands commands;
  int ran = 0;
  const auto one = [&ran] { ++ran; };
  EXPECT_TRUE(commands.Add(one).Wake);
  EXPECT_FALSE(commands.Add(one).Wake);
  EXPECT_FALSE(commands.Add(one).Wake);
  // A budget already spent still runs one.
  EXPECT_TRUE(commands.RunFor(0ms));
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(commands.HandledThrough(), 1u);
  EXPECT_FALSE(commands.Add(one).Wake) << "a run is still due";
  EXPECT_FALSE(commands.RunFor(1h));
  EXPECT_EQ(ran, 4);
  EXPECT_TRUE(commands.Add(one).Wake) << "the queue ran dry: the next one wakes again";
}

TEST(RemoteCommands, ClosingDropsWhatWaitsAndRefusesWhatComes) {
  RemoteCommands commands;
  int ran = 0;
  const uint64_t last = commands.Add([&ran] { ++ran; }).Number;
  commands.Close();
  EXPECT_EQ(commands.HandledThrough(), last) << "nobody waits for a dropped command";
  EXPECT_EQ(commands.Add([&ran] { ++ran; }).Number, 0u);
  commands.RunFor(1h);
  EXPECT_EQ(ran, 0);
}

// A flood from one thread while another runs the queue whenever woken:
// no wake is lost (the run would never come) and the last value is the one
// that stays.
TEST(RemoteCommands, AFloodFromAnotherThreadEndsWithItsLastValue) {
  RemoteCommands commands;
  std::mutex mutex;
  std::condition_variable woken;
  int wakes = 0;
  bool done = false;
  std::atomic<int> value{-1};
  std::atomic<int> runs{0};
  std::thread runner([&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      woken.wait(lock, [&] { return wakes > 0 || done; });
      if (wakes == 0 && done) return;
      --wakes;
      lock.unlock();
      while (commands.RunFor(50us)) {
      }
      lock.lock();
    }
  });
  constexpr int Values = 20000;
  uint64_t last = 0;
  for (int i = 0; i < Values; ++i) {
    const RemoteCommands::Added added = commands.Add(
        [&value, &runs, i] {
          value = i;
          ++runs;
        },
        Kind::Volume);
    last = added.Number;
    if (added.Wake) {
      std::lock_guard<std::mutex> lock(mutex);
      ++wakes;
      woken.notify_one();
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (commands.HandledThrough() != last && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    woken.notify_one();
  }
  runner.join();
  EXPECT_EQ(commands.HandledThrough(), last);
  EXPECT_EQ(value, Values - 1);
  EXPECT_LT(runs, Values) << "values that waited together were merged";
}

TEST(MprisState, ThePositionMovesOnWhilePlayingAndStopsAtTheEnd) {
  const MprisState::Clock::time_point taken{std::chrono::seconds(100)};
  const struct {
    const char* Case;
    bool Advancing;
    qlonglong PositionUs, LengthUs;
    std::chrono::microseconds Later;
    qlonglong Want;
  } table[] = {
      {"paused stands still", false, 5'000'000, 60'000'000, 2s, 5'000'000},
      {"playing moves on", true, 5'000'000, 60'000'000, 2s, 7'000'000},
      {"never past the end", true, 59'000'000, 60'000'000, 5s, 60'000'000},
      {"length not known", true, 59'000'000, 0, 5s, 64'000'000},
      {"asked before it was taken", true, 5'000'000, 60'000'000, -1s, 5'000'000},
  };
  for (const auto& row : table) {
    MprisState state;
    state.Advancing = row.Advancing;
    state.PositionUs = row.PositionUs;
    state.LengthUs = row.LengthUs;
    state.TakenAt = taken;
    EXPECT_EQ(state.PositionAt(taken + row.Later), row.Want) << row.Case;
  }
}

} // namespace
