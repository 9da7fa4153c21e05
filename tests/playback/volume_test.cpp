// The volume button: right-click steps, left drags, reading the caption and
// the device volume.
#include <gtest/gtest.h>

#include <limits>

#include "platform/UserDialogs.h"
#include "playback/PlaybackFixture.h"

namespace {

class VolumeControl : public PlaybackFixture {
protected:
  std::string VolumeCaption() const { return Window->btnVolume->Caption().toStdString(); }
  void SetCaption(const char* c) { Window->btnVolume->SetCaption(QString::fromUtf8(c)); }
  uint32_t LastSet() const { return Volume.Sets.empty() ? 0xDEADBEEFu : Volume.Sets.back(); }
};

TEST_F(VolumeControl, RightClicksStepAndWrap) {
  auto& w = Start();
  SetCaption("50%");
  const std::vector<std::string> expected = {"65%", "81%", "96%", "100%", "0%", "16%", "32%",
                                             "47%", "63%", "78%", "94%", "100%", "0%"};
  std::vector<std::string> shown;
  for (size_t i = 0; i < expected.size(); ++i) {
    w.btnVolumeMouseDown(Qt::RightButton, Qt::RightButton, 3);
    shown.push_back(VolumeCaption());
  }
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(LastSet(), 0u);
  // 96 + 15 is clamped to full volume on both channels.
  EXPECT_EQ(Volume.Sets[3], 0xFFFFFFFFu);
  // The right button is tested first, even with the left one held.
  w.btnVolumeMouseDown(Qt::LeftButton, Qt::LeftButton | Qt::RightButton, 3);
  EXPECT_EQ(VolumeCaption(), "16%");
}

TEST_F(VolumeControl, DragChangesOnePercentPerPixel) {
  auto& w = Start();
  SetCaption("50%");
  w.btnVolumeMouseDown(Qt::LeftButton, Qt::LeftButton, 10);
  EXPECT_FLOAT_EQ(w.VolumeDragStartLevel, 0.5f);
  w.btnVolumeMouseMove(Qt::LeftButton, 40);
  EXPECT_EQ(VolumeCaption(), "81%");
  EXPECT_EQ(LastSet(), 52428u * 65537u);
  w.btnVolumeMouseMove(Qt::LeftButton, 30);
  EXPECT_EQ(VolumeCaption(), "70%");
  EXPECT_EQ(LastSet(), 45874u * 65537u);
  w.btnVolumeMouseMove(Qt::LeftButton, -50);
  EXPECT_EQ(VolumeCaption(), "0%");
  EXPECT_EQ(LastSet(), 0u);
  w.btnVolumeMouseMove(Qt::LeftButton, -5000);
  EXPECT_EQ(VolumeCaption(), "0%");
  w.btnVolumeMouseMove(Qt::LeftButton, 5000);
  EXPECT_EQ(VolumeCaption(), "100%");
  EXPECT_EQ(LastSet(), 0xFFFFFFFFu);
  float v = std::numeric_limits<float>::quiet_NaN();
  w.SetWaveVolume(v);
  EXPECT_EQ(v, 0.0f);  // the caller's level is clamped in place

  // Without the left button held a move does nothing.
  const size_t sets = Volume.Sets.size();
  w.btnVolumeMouseMove(Qt::NoButton, 20);
  EXPECT_EQ(Volume.Sets.size(), sets);
  EXPECT_EQ(VolumeCaption(), "100%");
}

TEST_F(VolumeControl, CaptionWithoutANumber) {
  auto& w = Start();
  SetCaption("loud");
  EXPECT_FLOAT_EQ(w.ReadVolumeCaption(), 0.5f);
  w.btnVolumeMouseDown(Qt::RightButton, Qt::RightButton, 0);  // from 77
  EXPECT_EQ(VolumeCaption(), "93%");  // the float nearest 0.92 is a little above
  SetCaption("x%");
  w.btnVolumeMouseDown(Qt::LeftButton, Qt::LeftButton, 0);
  w.btnVolumeMouseMove(Qt::LeftButton, 1);
  EXPECT_EQ(VolumeCaption(), "51%");
  SetCaption("37%");
  EXPECT_FLOAT_EQ(w.ReadVolumeCaption(), 0.37f);
}

TEST_F(VolumeControl, StartUpCaptionFromTheLeftChannel) {
  Volume.Value = 0xFFFF0000u | 32767u;
  CreateWindow();
  EXPECT_EQ(VolumeCaption(), "49%");
  Window.reset();
  Volume.Value = 0x0000FFFFu;  // the right channel is not read
  CreateWindow();
  EXPECT_EQ(VolumeCaption(), "100%");
}

TEST_F(VolumeControl, UnreadableVolumeIsReported) {
  Volume.Readable = false;
  CreateWindow();
  EXPECT_EQ(VolumeCaption(), "50%");
  bool reported = false;
  for (const auto& m : Dialogs.Messages)
    if (m.Text == "Error retrieving the volume of the audio device." && m.Icon == TMsgIcon::None) reported = true;
  EXPECT_TRUE(reported);
}

} // namespace
