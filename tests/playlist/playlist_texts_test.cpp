// The display texts of many lines at once: the thread pool keeps every text
// in its item's slot, and a long add in a tag mode shows exactly what the
// one-by-one pass shows, in the same order.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

#include "playlist/ParallelTexts.h"
#include "playlist/PlayListFixture.h"
#include "support/TagBytes.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

using testsupport::WriteAll;

namespace {

// Handles events until the add under way has put its lines in place.
bool WaitForAdd(PlayList& list) {
  QDeadlineTimer deadline(30000);
  while (list.Adding() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return !list.Adding();
}


TEST(ParallelTexts, ThreadsOnlyForLongLists) {
  using ParallelTexts::ThreadsFor;
  EXPECT_EQ(ThreadsFor(0, 4), 1u);
  EXPECT_EQ(ThreadsFor(ParallelTexts::kMinItemsForThreads - 1, 4), 1u);
  EXPECT_EQ(ThreadsFor(ParallelTexts::kMinItemsForThreads, 1), 4u);
  EXPECT_EQ(ThreadsFor(100000, 64), ParallelTexts::kMaxThreads);
  EXPECT_EQ(ThreadsFor(100000, 0), ParallelTexts::kMaxThreads);  // unknown machine
}

TEST(ParallelTexts, EveryItemOnceInItsOwnSlot) {
  // Counts that end inside a chunk, on a chunk's edge, and below one chunk.
  for (size_t count : {size_t{0}, size_t{1}, ParallelTexts::kChunk, size_t{1000}, size_t{1001}}) {
    for (unsigned threads : {0u, 1u, 3u, 8u}) {
      std::vector<std::atomic<int>> calls(count);
      const std::vector<std::string> texts = ParallelTexts::Compute(
          count,
          [&](size_t i) {
            calls[i].fetch_add(1);
            return "#" + std::to_string(i);
          },
          threads);
      ASSERT_EQ(texts.size(), count);
      for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(texts[i], "#" + std::to_string(i)) << count << " items, " << threads << " threads";
        ASSERT_EQ(calls[i].load(), 1) << i;
      }
    }
  }
}

TEST(ParallelTexts, OneThreadStaysOnTheCallingThread) {
  const std::thread::id caller = std::this_thread::get_id();
  bool elsewhere = false;
  (void)ParallelTexts::Compute(
      500,
      [&](size_t) {
        if (std::this_thread::get_id() != caller) elsewhere = true;
        return std::string();
      },
      1);
  EXPECT_FALSE(elsewhere);
}

TEST(ParallelTexts, AFailureReachesTheCallerAfterAllThreadsStopped) {
  std::atomic<int> running{0};
  try {
    (void)ParallelTexts::Compute(
        5000,
        [&](size_t i) {
          running.fetch_add(1);
          struct Leave {
            std::atomic<int>& r;
            ~Leave() { r.fetch_sub(1); }
          } leave{running};
          if (i == 777) throw std::runtime_error("unreadable 777");
          return std::string("x");
        },
        4);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "unreadable 777");
  }
  EXPECT_EQ(running.load(), 0);  // no worker still at work
}

TEST(ParallelTexts, TheWaitingThreadKeepsAnsweringWhileThePoolWorks) {
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> callerComputed{false};
  int waits = 0;
  const std::vector<std::string> texts = ParallelTexts::Compute(
      400,
      [&](size_t i) {
        if (std::this_thread::get_id() == caller) callerComputed = true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        return std::to_string(i);
      },
      2, [&] {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        ++waits;
      });
  // 400 half-milliseconds on two threads: at least one slice of waiting.
  EXPECT_GE(waits, 2);
  EXPECT_FALSE(callerComputed.load());
  for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(texts[i], std::to_string(i));
}

TEST(ParallelTexts, AFailureWhileWaitingStopsThePool) {
  std::atomic<int> computed{0};
  EXPECT_THROW((void)ParallelTexts::Compute(
                   100000,
                   [&](size_t) {
                     computed.fetch_add(1);
                     std::this_thread::sleep_for(std::chrono::microseconds(100));
                     return std::string();
                   },
                   2, [] { throw std::runtime_error("window gone"); }),
               std::runtime_error);
  EXPECT_LT(computed.load(), 100000);
}

class PlayListTexts : public PlayListTest {
protected:
  // A few hundred paths: ID3v1 and ID3v2 tagged files, an empty tag, files
  // without tags, missing files, and repeats of earlier paths.
  Strings MixedSongs() {
    Strings paths;
    const std::string audio = testsupport::SilentMpegFrames(2);
    for (int i = 0; i < 300; ++i) {
      const std::string path = Dir.File("song " + std::to_string(i) + ".mp3");
      switch (i % 6) {
      case 0: {
        testsupport::Id3v1Fields f;
        f.artist = "One " + std::to_string(i);
        f.title = "Title " + std::to_string(i);
        f.album = "Album " + std::to_string(i % 7);
        WriteAll(path, audio + testsupport::Id3v1Block(f));
        break;
      }
      case 1:
      case 2:
        WriteAll(path, testsupport::Id3v2Tag(i % 6 == 1 ? 3 : 4,
                                             {testsupport::Id3v2TextFrame("TIT2", "T" + std::to_string(i)),
                                              testsupport::Id3v2TextFrame("TPE1", "Two " + std::to_string(i)),
                                              testsupport::Id3v2TextFrame("TALB", "B" + std::to_string(i))}) +
                           audio);
        break;
      case 3:
        WriteAll(path, audio);  // no tag
        break;
      case 4:
        break;  // missing
      case 5:
        WriteAll(path, testsupport::Id3v2Tag(3, {testsupport::Id3v2TextFrame("TYER", "2024")}) + audio);
        break;
      }
      paths.push_back(path);
      if (i % 25 == 24) paths.push_back(paths[static_cast<size_t>(i) / 3]);  // a repeat
    }
    return paths;
  }

  Strings OneByOne(int mode, const Strings& paths) const {
    Strings texts;
    for (const std::string& p : paths) texts.push_back(List().EntryDisplayText(mode, p));
    return texts;
  }
};

TEST_F(PlayListTexts, ThePoolGivesTheTextsOfTheOneByOnePass) {
  const Strings paths = MixedSongs();
  for (bool allVersions : {false, true}) {
    Engine->Options().ReadAllTagVersions = allVersions;
    for (int mode : {2, 3}) {
      const Strings expected = OneByOne(mode, paths);
      EXPECT_EQ(List().EntryDisplayTexts(mode, paths), expected) << mode;
      EXPECT_GT(List().LastTextThreads(), 1u);
    }
  }
  // The file-name modes read no tags and start no threads.
  for (int mode : {0, 1}) {
    EXPECT_EQ(List().EntryDisplayTexts(mode, paths), OneByOne(mode, paths)) << mode;
    EXPECT_EQ(List().LastTextThreads(), 1u);
  }
  // A short list stays on one thread too.
  const Strings few(paths.begin(), paths.begin() + 10);
  EXPECT_EQ(List().EntryDisplayTexts(3, few), OneByOne(3, few));
  EXPECT_EQ(List().LastTextThreads(), 1u);
}

TEST_F(PlayListTexts, ALongAddShowsWhatSingleAddsShow) {
  Strings paths = MixedSongs();
  // Names that are refused stay out and keep their neighbours' order.
  paths.insert(paths.begin() + 5, Dir.File("cover.jpg"));
  paths.insert(paths.begin() + 100, Dir.File("line\nbreak.mp3"));
  int skipped = 0;
  QObject::connect(&List(), &PlayList::LinesSkipped, [&skipped](int n) { skipped += n; });
  List().SetDisplayMode(3);
  List().SetTextThreadLimit(1);
  for (const std::string& p : paths) List().Add(p, -1);
  const Strings singleTexts = Lines(), singlePaths = Paths();
  ASSERT_EQ(singleTexts.size(), paths.size() - 2);
  ASSERT_EQ(skipped, 1);

  List().SetTextThreadLimit(0);
  List().AddFileList(paths, false);
  ASSERT_TRUE(WaitForAdd(List()));
  EXPECT_GT(List().LastTextThreads(), 1u);
  EXPECT_EQ(Lines(), singleTexts);
  EXPECT_EQ(Paths(), singlePaths);
  EXPECT_EQ(skipped, 2);
}

TEST_F(PlayListTexts, AFolderInATagModeReadsOnThePool) {
  const Strings paths = MixedSongs();
  const Strings texts = OneByOne(2, paths);
  List().SetDisplayMode(2);
  List().SetTextThreadLimit(1);
  ASSERT_EQ(List().AddFolder(Dir.Path()), 250);  // the missing ones are not in the folder
  const Strings singleTexts = Lines(), singlePaths = Paths();
  List().Clear();
  List().SetTextThreadLimit(0);
  ASSERT_EQ(List().AddFolder(Dir.Path()), 250);
  ASSERT_TRUE(WaitForAdd(List()));
  EXPECT_GT(List().LastTextThreads(), 1u);
  EXPECT_EQ(Lines(), singleTexts);
  EXPECT_EQ(Paths(), singlePaths);
  // Every line shows the text the one-by-one pass gives its path.
  const Strings shown = Lines(), added = Paths();
  for (size_t i = 0; i < added.size(); ++i) {
    const auto at = std::find(paths.begin(), paths.end(), added[i]);
    ASSERT_NE(at, paths.end()) << added[i];
    EXPECT_EQ(shown[i], texts[static_cast<size_t>(at - paths.begin())]) << added[i];
  }
}

// A long add in a tag mode reads on its own thread: the list stays as it was
// until every tag is read, then the new lines arrive in one insertion; what
// comes meanwhile follows it, replaces it, or drops it.
TEST_F(PlayListTexts, ALongAddArrivesWholeAndWhatComesMeanwhileFollowsOrReplacesIt) {
  const Strings paths = MixedSongs();
  List().SetDisplayMode(2);
  const Strings first(paths.begin(), paths.begin() + 200), second(paths.begin() + 200, paths.end());
  const std::string old = paths[3];
  const Strings texts = OneByOne(2, paths);
  const Strings firstTexts(texts.begin(), texts.begin() + 200), secondTexts(texts.begin() + 200, texts.end());
  struct Case {
    const char* what;
    std::function<void()> meanwhile;  // while the first add reads
    Strings expected;                 // the texts at the end
    int finished;                     // adds that arrived from the thread
  };
  const Case cases[] = {
      {"nothing", [] {}, firstTexts, 1},
      {"an add that keeps the list follows it",
       [&] { List().AddFileList(second, true); },
       [&] { Strings t = firstTexts; t.insert(t.end(), secondTexts.begin(), secondTexts.end()); return t; }(), 2},
      {"a list that replaces it drops it", [&] { List().AddFileList(second, false); }, secondTexts, 1},
      {"a cancel keeps the old line", [&] { List().CancelAdds(); }, OneByOne(2, {old}), 0},
      {"New empties the list", [&] { List().New(); }, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    List().Clear();
    List().Add(old, -1);
    int finished = 0;
    const auto connection = QObject::connect(&List(), &PlayList::AddFinished, [&] { ++finished; });
    List().AddFileList(first, false);
    ASSERT_TRUE(List().Adding());
    // Until the tags are read the old list stays, and events are handled.
    EXPECT_EQ(Lines(), OneByOne(2, {old}));
    c.meanwhile();
    ASSERT_TRUE(WaitForAdd(List()));
    EXPECT_EQ(Lines(), c.expected);
    // A dropped add never arrives, not even late.
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, c.finished);
    QObject::disconnect(connection);
  }
}

} // namespace
