// The scripted device that stands in for the real one in tests of the player.
#include <gtest/gtest.h>

#include "platform/NullMediaDevice.h"

namespace {

TEST(NullMediaDeviceTest, FollowsTheDeviceRulesAndRecordsTheCalls) {
  NullMediaDevice device;
  int completions = 0;
  device.SetCompletionHandler([&] { ++completions; });
  device.ScriptLength(5000);

  device.Open("/music/a.mp3");
  EXPECT_EQ(device.Mode(), TMPModes::mpStopped);
  EXPECT_EQ(device.Length(), 5000);
  device.Play();
  EXPECT_EQ(device.Mode(), TMPModes::mpPlaying);
  device.ScriptPosition(1200);
  device.Pause();
  EXPECT_EQ(device.Mode(), TMPModes::mpPaused);
  EXPECT_EQ(device.PendingCompletions(), 1);  // the paused play ended
  device.Resume();
  device.SetPosition(99999);  // moves, clamped to the song, and stops
  EXPECT_EQ(device.Position(), 5000);
  EXPECT_EQ(device.Mode(), TMPModes::mpStopped);
  device.Play();  // at the end: starts again
  EXPECT_EQ(device.Position(), 0);
  device.PlayToEnd();
  EXPECT_EQ(device.Position(), device.Length());
  EXPECT_EQ(completions, 3);  // paused, moved and finished plays
  EXPECT_EQ(device.PendingCompletions(), 0);

  const std::vector<std::string> expected{"Open /music/a.mp3", "Play", "Pause", "Resume", "SetPosition 99999",
                                          "Play"};
  EXPECT_EQ(device.Calls(), expected);
}

TEST(NullMediaDeviceTest, ScriptedFailures) {
  NullMediaDevice device;
  device.Open("/music/a.mp3");
  device.Play();
  device.FailOpen("The file is corrupt");
  try {
    device.Open("/music/b.mp3");
    ADD_FAILURE() << "opened";
  } catch (const MediaDeviceError& e) {
    EXPECT_STREQ(e.what(), "The file is corrupt");
  }
  // The previous song was closed first and its play ended.
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.PendingCompletions(), 1);
  EXPECT_EQ(device.OpenPath(), "");
  try {
    device.Stop();
    ADD_FAILURE() << "stopped";
  } catch (const MediaDeviceError& e) {
    EXPECT_STREQ(e.what(), kNoDeviceOpen);
  }
  device.FailOpen("");
  device.Open("/music/b.mp3");
  device.FailResume("resume refused");
  device.ScriptMode(TMPModes::mpPaused);
  EXPECT_THROW(device.Resume(), MediaDeviceError);
}

} // namespace
