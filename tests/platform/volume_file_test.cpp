// The wave-out volume kept under $XDG_STATE_HOME.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
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

// A flood of values (a drag, a remote control) reaches the file paced: the
// first at once, then at most one per interval, and always the last one.
TEST_F(FileWaveOutVolumeTest, AFloodOfValuesIsWrittenPacedAndEndsWithTheLast) {
  using namespace std::chrono_literals;
  struct Case {
    std::chrono::milliseconds interval;
    int values;
    int maxWrites;  // the pacing allows no more in the time the flood takes
  };
  for (const Case c : {Case{10000ms, 10000, 2}, Case{10000ms, 1, 1}, Case{0ms, 3, 3}}) {
    SCOPED_TRACE(c.values);
    std::filesystem::remove_all(state.Path() + "velmaris");
    uint32_t last = 0;
    int writes = 0;
    {
      FileWaveOutVolume volume(std::make_shared<AudioGain>(), {}, c.interval);
      for (int i = 1; i <= c.values; ++i) {
        last = static_cast<uint32_t>(i) * 7u;
        volume.SetVolume(last);
        if (c.interval == 0ms) ASSERT_TRUE(volume.Flush());
        EXPECT_EQ(volume.Gain()->volume.load(), last);
      }
      uint32_t back = 0;
      ASSERT_TRUE(volume.GetVolume(back));
      EXPECT_EQ(back, last);  // the value set, even before it is on disk
      writes = volume.WriteCount();
    }  // closing writes what is still waiting
    EXPECT_LE(writes, c.maxWrites);
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
