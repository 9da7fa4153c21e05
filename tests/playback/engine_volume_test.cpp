// The engine's volume: right-click steps, drags, and the device's volume.
#include <limits>

#include "platform/UserDialogs.h"
#include "support/EngineFixture.h"

namespace {

class EngineVolume : public EngineFixture {
protected:
  uint32_t LastSet() const { return Volume.Sets.empty() ? 0xDEADBEEFu : Volume.Sets.back(); }
};

TEST_F(EngineVolume, RightClicksStepAndWrap) {
  auto& e = Start();
  ASSERT_EQ(e.VolumePercent(), 50);
  const std::vector<int> expected = {65, 81, 96, 100, 0, 16, 32, 47, 63, 78, 94, 100, 0};
  std::vector<int> shown;
  for (size_t i = 0; i < expected.size(); ++i) {
    e.VolumeRightClick();
    shown.push_back(e.VolumePercent());
  }
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(Count("VolumeChanged"), static_cast<int>(expected.size()));
  EXPECT_EQ(Volume.Sets.size(), expected.size());
  EXPECT_EQ(Volume.Sets[3], 0xFFFFFFFFu);  // 96 + 15 is full volume on both channels
  EXPECT_EQ(LastSet(), 0u);
}

TEST_F(EngineVolume, DragChangesOnePercentPerPixel) {
  auto& e = Start();
  e.VolumeDragStart(10);
  e.VolumeDragMove(40);
  EXPECT_EQ(e.VolumePercent(), 81);
  EXPECT_EQ(LastSet(), 52428u * 65537u);
  e.VolumeDragMove(30);  // from the level at the press, not the last move
  EXPECT_EQ(e.VolumePercent(), 70);
  EXPECT_EQ(LastSet(), 45874u * 65537u);
  e.VolumeDragMove(-50);
  EXPECT_EQ(e.VolumePercent(), 0);
  EXPECT_EQ(LastSet(), 0u);
  e.VolumeDragMove(5000);
  EXPECT_EQ(e.VolumePercent(), 100);
  EXPECT_EQ(LastSet(), 0xFFFFFFFFu);

  // A new press starts from what is shown.
  e.VolumeRightClick();  // 100 -> 0
  e.VolumeDragStart(0);
  e.VolumeDragMove(1);
  EXPECT_EQ(e.VolumePercent(), 1);

  e.SetVolumeLevel(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(e.VolumePercent(), 0);
  EXPECT_EQ(LastSet(), 0u);
}

TEST_F(EngineVolume, DeviceVolumeIsReadFromTheLeftChannel) {
  auto& e = Start();
  Volume.Value = 0xFFFF0000u | 32767u;
  EXPECT_TRUE(e.ReadDeviceVolume());
  EXPECT_EQ(e.VolumePercent(), 50);
  Volume.Value = 0x0000FFFFu;
  EXPECT_TRUE(e.ReadDeviceVolume());
  EXPECT_EQ(e.VolumePercent(), 100);
  EXPECT_EQ(Count("VolumeChanged"), 2);
  EXPECT_TRUE(Volume.Sets.empty());  // reading sets nothing
}

TEST_F(EngineVolume, UnreadableVolumeIsReported) {
  auto& e = Start();
  Volume.Readable = false;
  EXPECT_FALSE(e.ReadDeviceVolume());
  EXPECT_EQ(e.VolumePercent(), 50);
  EXPECT_EQ(Count("VolumeChanged"), 0);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Caption, "Velmaris");
  EXPECT_EQ(Messages[0].Text, "Error retrieving the volume of the audio device.");
  EXPECT_EQ(Messages[0].Icon, static_cast<int>(TMsgIcon::None));

  // Without a volume control the level only shows.
  PlaybackEngine bare(std::make_unique<NullMediaDevice>(), nullptr);
  bare.VolumeRightClick();
  EXPECT_EQ(bare.VolumePercent(), 65);
  EXPECT_FALSE(bare.ReadDeviceVolume());
}

} // namespace
