// The wave-out volume kept under $XDG_STATE_HOME.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>
#include <cstdlib>
#include <filesystem>

#include "platform/FileWaveOutVolume.h"
#include "files/AtomicFile.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using testsupport::TempDir;

namespace {

class FileWaveOutVolumeTest : public ::testing::Test {
protected:
  void SetUp() override { setenv("XDG_STATE_HOME", state.Path().c_str(), 1); }
  std::string VolumeFile() const { return state.Path() + "velmaris/volume"; }
  TempDir state;
};

TEST_F(FileWaveOutVolumeTest, LivesUnderTheStateFolder) {
  FileWaveOutVolume volume;
  EXPECT_EQ(std::filesystem::path(volume.FilePath()), std::filesystem::path(VolumeFile()));
}

TEST_F(FileWaveOutVolumeTest, NoValueYetMeansFullVolume) {
  FileWaveOutVolume volume;
  uint32_t value = 0;
  ASSERT_TRUE(volume.GetVolume(value));
  EXPECT_EQ(value, 0xFFFFFFFFu);
  EXPECT_EQ(volume.Gain()->volume.load(), 0xFFFFFFFFu);
}

TEST_F(FileWaveOutVolumeTest, SetValuesComeBackAndReachTheOutputGain) {
  auto gain = std::make_shared<AudioGain>();
  {
    FileWaveOutVolume volume(gain);
    for (uint32_t v : {52428u * 65537u, 0u, 0xFFFFFFFFu, 0x0001FFFEu, 45874u * 65537u}) {
      ASSERT_TRUE(volume.SetVolume(v));
      EXPECT_EQ(gain->volume.load(), v);
      uint32_t back = 1;
      ASSERT_TRUE(volume.GetVolume(back));
      EXPECT_EQ(back, v);
    }
  }
  // A new run starts from the stored value, the output gain included.
  auto next = std::make_shared<AudioGain>();
  FileWaveOutVolume again(next);
  uint32_t value = 0;
  ASSERT_TRUE(again.GetVolume(value));
  EXPECT_EQ(value, 45874u * 65537u);
  EXPECT_EQ(next->volume.load(), value);
  // Only the volume file is left in the folder: no temporary files.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(state.Path() + "velmaris")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(FileWaveOutVolumeTest, AGarbledOrUnreadableValueCannotBeRead) {
  std::filesystem::create_directories(state.Path() + "velmaris");
  for (const std::string& garbage :
       {std::string("loud\n"), std::string(""), std::string("4294967296"), std::string("-1"),
        std::string("12 34"), std::string(100, '7'), std::string("0x10")}) {
    SCOPED_TRACE(garbage);
    testsupport::WriteAll(VolumeFile(), garbage);
    auto gain = std::make_shared<AudioGain>();
    FileWaveOutVolume volume(gain);
    uint32_t value = 7;
    EXPECT_FALSE(volume.GetVolume(value));
    EXPECT_EQ(gain->volume.load(), AudioGain::kFull);  // the output stays at full
    // Setting a value repairs the file.
    ASSERT_TRUE(volume.SetVolume(1234u));
    ASSERT_TRUE(volume.GetVolume(value));
    EXPECT_EQ(value, 1234u);
  }
  // A folder where the file should be cannot be read either.
  std::filesystem::remove(VolumeFile());
  std::filesystem::create_directory(VolumeFile());
  FileWaveOutVolume volume;
  uint32_t value = 0;
  EXPECT_FALSE(volume.GetVolume(value));
  volume.SetVolume(5u);
  EXPECT_FALSE(volume.Flush());
  EXPECT_EQ(volume.Gain()->volume.load(), 5u);  // the sound follows anyway
}

TEST_F(FileWaveOutVolumeTest, AFifoInPlaceOfTheFileIsAnErrorNotAHangAndStays) {
  std::filesystem::create_directories(state.Path() + "velmaris");
  const std::string fifo = state.Path() + "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  for (const std::string& at : {VolumeFile(), state.Path() + "link"}) {
    SCOPED_TRACE(at);
    std::filesystem::remove(VolumeFile());
    if (at == VolumeFile()) {
      ASSERT_EQ(::mkfifo(VolumeFile().c_str(), 0644), 0);
    } else {
      ASSERT_EQ(::symlink(fifo.c_str(), VolumeFile().c_str()), 0);
    }
    // At start-up: the program must come up with full volume.
    EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [] {
      auto gain = std::make_shared<AudioGain>();
      FileWaveOutVolume volume(gain);
      uint32_t value = 0;
      if (volume.GetVolume(value) || gain->volume.load() != AudioGain::kFull) return false;
      volume.SetVolume(7u);
      return !volume.Flush() && gain->volume.load() == 7u;
    }));
    struct stat st {};
    ASSERT_EQ(::stat(VolumeFile().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
  }
}

TEST_F(FileWaveOutVolumeTest, AFailedSaveKeepsTheOldValueAndLeavesNoTempFile) {
  FileWaveOutVolume volume;
  volume.SetVolume(1000u);
  ASSERT_TRUE(volume.Flush());
  Files::AtomicFile::SetFaultForTests(Files::AtomicFile::Fault::Write);
  volume.SetVolume(2000u);
  const bool saved = volume.Flush();
  Files::AtomicFile::SetFaultForTests(Files::AtomicFile::Fault::None);
  EXPECT_FALSE(saved);
  EXPECT_EQ(testsupport::ReadAll(VolumeFile()), "1000\n");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(state.Path() + "velmaris")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

// Polls `done` until it holds or `ms` pass; true when it held.
bool Within(int ms, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::yield();
  }
  return true;
}

// A flood of values (a drag, a remote control) reaches the file paced: the
// first at once, the rest only when the interval has passed (or at the end),
// and the last value set is what the file holds.
TEST_F(FileWaveOutVolumeTest, AFloodOfValuesIsWrittenPacedAndEndsWithTheLast) {
  using namespace std::chrono_literals;
  for (const auto interval : {10000ms, 0ms}) {
    SCOPED_TRACE(interval.count());
    std::filesystem::remove_all(state.Path() + "velmaris");
    const uint32_t last = 7u * 10000u;
    {
      FileWaveOutVolume volume(std::make_shared<AudioGain>(), {}, interval);
      volume.SetVolume(7u);
      ASSERT_TRUE(Within(5000, [&] { return volume.WriteCount() == 1; }));
      for (uint32_t i = 2; i <= 10000; ++i) volume.SetVolume(7u * i);
      EXPECT_EQ(volume.Gain()->volume.load(), last);
      uint32_t back = 0;
      ASSERT_TRUE(volume.GetVolume(back));
      EXPECT_EQ(back, last);  // the value set, even before it is on disk
      // Paced: nothing more within the interval; unpaced: the last one soon.
      const bool more = Within(300, [&] { return volume.WriteCount() > 1; });
      EXPECT_EQ(more, interval == 0ms);
    }  // the end writes what is still waiting
    EXPECT_EQ(testsupport::ReadAll(VolumeFile()), std::to_string(last) + "\n");
  }
}

TEST_F(FileWaveOutVolumeTest, OutputGainOfFindsTheSharedGain) {
  auto gain = std::make_shared<AudioGain>();
  FileWaveOutVolume volume(gain);
  EXPECT_EQ(OutputGainOf(&volume), gain);
  EXPECT_EQ(OutputGainOf(nullptr), nullptr);
}

} // namespace
