// The volume control's rules: clamping, percents, device values, steps.
#include <gtest/gtest.h>

#include <limits>

#include "playback/VolumeSteps.h"

namespace {

using namespace VolumeSteps;

TEST(VolumeStepsTest, ClampLevel) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float Level, Clamped;
  } cases[] = {{0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 1.0f}, {-0.01f, 0.0f}, {-inf, 0.0f}, {1.01f, 1.0f}, {inf, 1.0f}};
  for (const auto& c : cases) EXPECT_EQ(ClampLevel(c.Level), c.Clamped) << c.Level;
  EXPECT_EQ(ClampLevel(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(VolumeStepsTest, PercentsAndDeviceValues) {
  // The smallest whole percent not below the stored float.
  EXPECT_EQ(PercentOfLevel(0.0f), 0);
  EXPECT_EQ(PercentOfLevel(0.65f), 65);  // kept a little below
  EXPECT_EQ(PercentOfLevel(0.8f), 81);   // kept a little above
  EXPECT_EQ(PercentOfLevel(1.0f), 100);
  EXPECT_FLOAT_EQ(LevelOfPercent(37), 0.37f);
  EXPECT_EQ(LevelOfPercent(0), 0.0f);

  // Both channels the same, the left one in the low word.
  EXPECT_EQ(DeviceValue(0.0f), 0u);
  EXPECT_EQ(DeviceValue(1.0f), 0xFFFFFFFFu);
  EXPECT_EQ(DeviceValue(0.8f), 52428u * 65537u);
  EXPECT_EQ(DeviceValue(0.7f), 45874u * 65537u);
  // Only the left channel is shown.
  EXPECT_EQ(PercentOfDeviceValue(0xFFFF0000u | 32767u), 50);  // 49.9992: the nearest percent
  EXPECT_EQ(PercentOfDeviceValue(0x0000FFFFu), 100);
  EXPECT_EQ(PercentOfDeviceValue(0xFFFF0000u), 0);
}

// The volume is kept between runs only as the device value: a level shown
// as a whole percent reads back as that percent at the next start, instead
// of one less each time (70 % is stored as 45874, which is 69.9992 %).
TEST(VolumeStepsTest, AStoredVolumeReadsBackAsTheSamePercent) {
  const float dragged = ClampLevel(DragLevel(LevelOfPercent(50), 0, 20));
  ASSERT_EQ(PercentOfLevel(dragged), 70);
  EXPECT_EQ(PercentOfDeviceValue(DeviceValue(dragged)), 70);
  int checked = 0;
  for (int p = 0; p <= 100; ++p) {
    const float level = LevelOfPercent(p);
    if (PercentOfLevel(level) != p) continue;  // shown one higher by the float rounding of the caption rule
    EXPECT_EQ(PercentOfDeviceValue(DeviceValue(level)), p) << p << " %";
    ++checked;
  }
  EXPECT_GT(checked, 50);
}

TEST(VolumeStepsTest, RightClicksStepAndWrapAfterTheTop) {
  // Shown percent -> percent shown after the click (the level clamped as the engine does).
  const struct {
    int Percent, Next;
  } cases[] = {{50, 65}, {65, 81}, {81, 96}, {85, 100}, {96, 100}, {99, 100}, {100, 0}, {0, 16}, {77, 93}};
  for (const auto& c : cases) EXPECT_EQ(PercentOfLevel(ClampLevel(RightClickLevel(c.Percent))), c.Next) << c.Percent;
}

TEST(VolumeStepsTest, DragIsOnePercentPerPixel) {
  EXPECT_FLOAT_EQ(DragLevel(0.5f, 10, 40), 0.8f);
  EXPECT_FLOAT_EQ(DragLevel(0.5f, 10, 30), 0.7f);
  EXPECT_FLOAT_EQ(DragLevel(0.5f, 10, 10), 0.5f);
  EXPECT_FLOAT_EQ(DragLevel(0.5f, 10, -50), -0.1f);  // clamped by the caller
  EXPECT_EQ(ClampLevel(DragLevel(0.5f, 10, 5000)), 1.0f);
}

} // namespace
