// Gapless continuation: the engine queues the line that will follow while a
// song nears its end, shows it when it becomes audible, and drops it when a
// command changes what follows.
#include <cstdio>
#include <functional>

#include "support/EngineFixture.h"

namespace {

constexpr int64_t kLength = 60000;  // the scripted device's song length
constexpr int64_t kBeforeQueueMoment = kLength - PlaybackEngine::QueueAheadMs - 500;
constexpr int64_t kAfterQueueMoment = kLength - PlaybackEngine::QueueAheadMs + 500;

class EngineGapless : public EngineFixture {
protected:
  // `count` lines, the first one playing.
  PlaybackEngine& StartPlaying(int count) {
    auto& e = Start();
    AddSongs(count);
    SetCurrent(0);
    e.PlayCurrentEntry();
    return e;
  }
  // Plays on to just past the moment the next song is queued, with a tick.
  void PlayToQueueMoment() {
    Device->Advance(kAfterQueueMoment - Device->Position());
    Tick();
  }
  int Calls(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : Device->Calls()) n += c.rfind(prefix, 0) == 0;
    return n;
  }
};

TEST_F(EngineGapless, TheNextLineIsQueuedNearTheEndAndTakesOverAtItsFirstSample) {
  auto& e = StartPlaying(3);
  Device->ScriptQueuedLength(30000);
  Device->Advance(kBeforeQueueMoment);
  Tick();
  EXPECT_EQ(Device->QueuedPath(), "");  // too early
  PlayToQueueMoment();
  EXPECT_EQ(Device->QueuedPath(), Paths()[1]);
  EXPECT_EQ(e.QueuedLine(), 1);
  EXPECT_EQ(Current(), 0);  // the focus stays until the song is heard

  // x plays out, then 2.3 s of y before the UI thread gets to it.
  Device->Advance(kLength - kAfterQueueMoment + 2300);
  ClearEvents();
  Device->ClearCalls();
  EXPECT_EQ(Device->DeliverTransitions(), 1);
  EXPECT_EQ(Current(), 1);
  EXPECT_NE(e.Caption().find("song1.mp3"), std::string::npos);
  EXPECT_EQ(e.TrayHint(), " song1.mp3");
  EXPECT_EQ(e.LengthSeconds(), 30);
  EXPECT_EQ(e.PositionSeconds(), 2);  // counted from y's start
  EXPECT_EQ(e.Options().LastSoundFile, Paths()[1]);
  EXPECT_EQ(Count("SongLoaded"), 1);
  EXPECT_EQ(Count("Ticked"), 1);
  EXPECT_EQ(Calls("Open"), 0);  // not opened again: x's end is no "song finished"
  EXPECT_EQ(Device->PendingCompletions(), 0);
  EXPECT_TRUE(e.TimerActive());
  EXPECT_EQ(e.QueuedLine(), -1);

  // The next song is queued for y in turn; after the last line the list wraps.
  Device->ScriptQueuedLength(0);
  Device->Advance(30000 - 2300 - 4000);
  Tick();
  EXPECT_EQ(Device->QueuedPath(), Paths()[2]);
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 2);
  PlayToQueueMoment();
  EXPECT_EQ(Device->QueuedPath(), Paths()[0]);
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Calls("Open"), 0);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(EngineGapless, ATickThatComesBeforeTheTransitionShowsItOnce) {
  auto& e = StartPlaying(2);
  PlayToQueueMoment();
  Device->Advance(kLength - kAfterQueueMoment + 1000);  // y took over, not delivered yet
  ClearEvents();
  Tick();
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(Count("SongLoaded"), 1);
  Device->DeliverTransitions();
  EXPECT_EQ(Count("SongLoaded"), 1);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(e.QueuedLine(), -1);
}

TEST_F(EngineGapless, RepeatQueuesTheSameFileAndKeepsItsLine) {
  auto& e = StartPlaying(3);
  SetCurrent(1);
  e.PlayCurrentEntry();
  e.SetRepeat(true);
  PlayToQueueMoment();
  EXPECT_EQ(Device->QueuedPath(), Paths()[1]);
  ClearEvents();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(Count("SongLoaded"), 1);
  EXPECT_EQ(e.PositionSeconds(), 0);
}

TEST_F(EngineGapless, ShuffleMakesTheDrawnLineCurrent) {
  auto& e = StartPlaying(6);
  e.SetShuffle(true);
  for (int round = 0; round < 12; ++round) {
    const int before = Current();
    PlayToQueueMoment();
    const int drawn = e.QueuedLine();
    ASSERT_GE(drawn, 0);
    EXPECT_NE(drawn, before);
    EXPECT_EQ(Device->QueuedPath(), Paths()[drawn]);
    Device->PlayToEnd();
    EXPECT_EQ(Current(), drawn);
  }
  EXPECT_EQ(Calls("Open"), 1);  // only the first song was opened
}

TEST_F(EngineGapless, NothingIsQueuedWhenItCannotFollow) {
  // Paused, a line whose file is gone, a list of one line under shuffle:
  // no queue; the end of the song goes the old way.
  auto& e = StartPlaying(2);
  e.Pause();
  Device->ScriptPosition(kAfterQueueMoment);
  Tick();
  EXPECT_EQ(Calls("QueueNext"), 0);
  e.Pause();

  ASSERT_EQ(std::remove(Paths()[1].c_str()), 0);
  Tick();
  Tick();
  EXPECT_EQ(Calls("QueueNext"), 0);
  ClearEvents();
  Device->PlayToEnd();
  EXPECT_EQ(Count("MessageRequested"), 1);  // "does not exist", as before

  Start();
  AddSongs(1);
  SetCurrent(0);
  Engine->PlayCurrentEntry();
  Engine->SetShuffle(true);
  PlayToQueueMoment();
  EXPECT_EQ(Calls("QueueNext"), 0);
}

TEST_F(EngineGapless, ARefusedQueueFallsBackToOpenAndPlayAtTheEnd) {
  StartPlaying(2);
  Device->FailQueue("The sample rate differs");
  PlayToQueueMoment();
  Tick();
  EXPECT_EQ(Calls("QueueNext"), 1);  // tried once per song, not at every tick
  Device->ClearCalls();
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 1);
  EXPECT_TRUE(Called("Open " + Paths()[1]));
  EXPECT_TRUE(Called("Play"));

  // A file that opens neither way: the usual error at the end.
  Device->FailOpen("Bad file");
  PlayToQueueMoment();
  Errors.clear();
  Device->PlayToEnd();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("song0.mp3"), std::string::npos);
}

TEST_F(EngineGapless, CommandsDropTheQueuedSong) {
  struct Case {
    const char* name;
    std::function<void(PlaybackEngine&)> command;
  };
  const std::vector<Case> cases = {
      {"Next", [](PlaybackEngine& e) { e.Next(); }},
      {"Previous", [](PlaybackEngine& e) { e.Previous(); }},
      {"Stop", [](PlaybackEngine& e) { e.Stop(); }},
      {"double click", [this](PlaybackEngine& e) {
         SetCurrent(2);
         e.PlayCurrentEntry();
       }},
      {"seek", [](PlaybackEngine& e) { EXPECT_TRUE(e.SeekTo(10)); }},
      {"shuffle", [](PlaybackEngine& e) { e.SetShuffle(true); }},
      {"repeat", [](PlaybackEngine& e) { e.SetRepeat(true); }},
      {"line added", [this](PlaybackEngine&) { AddLine(MakeSong("new.mp3")); }},
      {"list sorted", [this](PlaybackEngine&) { List().SortByName(); }},
      {"list cleared", [this](PlaybackEngine&) { List().Clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& e = StartPlaying(3);
    PlayToQueueMoment();
    ASSERT_EQ(Device->QueuedPath(), Paths()[1]);
    c.command(e);
    EXPECT_TRUE(Called("DropQueued"));
    EXPECT_EQ(Device->QueuedPath(), "");
    EXPECT_EQ(e.QueuedLine(), -1);
  }
}

TEST_F(EngineGapless, PauseKeepsTheQueueAndAnEditQueuesAnewAtTheNextTick) {
  auto& e = StartPlaying(3);
  PlayToQueueMoment();
  e.Pause();
  e.Pause();
  EXPECT_EQ(Device->QueuedPath(), Paths()[1]);
  EXPECT_FALSE(Called("DropQueued"));

  // A line inserted after the current one is what follows now.
  List().Add(MakeSong("inserted.mp3"), 1);
  EXPECT_EQ(Device->QueuedPath(), "");
  Tick();
  EXPECT_EQ(Device->QueuedPath(), Dir.File("inserted.mp3"));
  Device->PlayToEnd();
  EXPECT_EQ(Current(), 1);
}

TEST_F(EngineGapless, ACommandAfterAnUnshownTransitionActsOnTheNewSong) {
  // y has taken over but the UI thread has not seen it: Next goes on from y.
  auto& e = StartPlaying(4);
  PlayToQueueMoment();
  Device->Advance(kLength);
  e.Next();
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(Device->OpenPath(), Paths()[2]);
  ClearEvents();
  Device->DeliverTransitions();  // the late transition changes nothing
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(Count("SongLoaded"), 0);
}

} // namespace
