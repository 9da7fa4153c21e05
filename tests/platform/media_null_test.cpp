// The scripted device that stands in for the real one in tests of the player.
#include <gtest/gtest.h>

#include <functional>

#include "platform/NullMediaDevice.h"

namespace {

TEST(NullMediaDeviceTest, FollowsTheDeviceRulesAndRecordsTheCalls) {
  NullMediaDevice device;
  int completions = 0;
  device.SetEventHandler([&](const MediaEvent& e) { completions += e.kind == MediaEvent::Kind::SongFinished; });
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

TEST(NullMediaDeviceTest, AQueuedSongTakesOverAtTheExactEndOfTheOpenOne) {
  NullMediaDevice device;
  int completions = 0, transitions = 0;
  MediaDevice::Times atTransition;
  std::string from, to;
  device.SetEventHandler([&](const MediaEvent& e) {
    if (e.kind == MediaEvent::Kind::SongFinished) ++completions;
    if (e.kind != MediaEvent::Kind::QueuedSongAudible) return;
    ++transitions;
    from = e.fromPath;
    to = e.path;
    atTransition = device.PositionAndLength();
  });
  device.ScriptLength(2300);
  device.Open("/music/x.mp3");
  device.Play();
  device.ScriptQueuedLength(2700);
  EXPECT_TRUE(device.QueueNext("/music/y.mp3"));
  EXPECT_EQ(device.QueuedPath(), "/music/y.mp3");
  EXPECT_EQ(device.Length(), 2300);  // x until y is heard

  device.Advance(2299);
  EXPECT_EQ(device.PendingTransitions(), 0);
  device.Advance(1);  // x's last millisecond: y is next to be heard
  EXPECT_EQ(device.OpenPath(), "/music/y.mp3");
  EXPECT_EQ(device.Position(), 0);
  device.Advance(250);
  EXPECT_EQ(device.Position(), 250);
  EXPECT_EQ(device.Length(), 2700);
  EXPECT_EQ(device.Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(device.QueuedPath(), "");
  EXPECT_EQ(device.PendingTransitions(), 1);
  EXPECT_EQ(device.PendingCompletions(), 0);  // x's end is not a completion
  EXPECT_EQ(device.DeliverTransitions(), 1);
  EXPECT_EQ(transitions, 1);
  EXPECT_EQ(atTransition.position, 250);

  // y ends without a queue: the play's one completion.
  device.Advance(5000);
  EXPECT_EQ(device.Position(), 2700);
  EXPECT_EQ(device.Mode(), TMPModes::mpStopped);
  EXPECT_EQ(device.PendingCompletions(), 1);

  // PlayToEnd takes over at once and delivers.
  device.Play();
  device.QueueNext("/music/z.mp3");
  device.PlayToEnd();
  EXPECT_EQ(transitions, 2);
  EXPECT_EQ(atTransition.position, 0);
  EXPECT_EQ(device.OpenPath(), "/music/z.mp3");
  EXPECT_TRUE(device.PlayPending());
  const std::vector<std::string> expected{"Open /music/x.mp3", "Play", "QueueNext /music/y.mp3", "Play",
                                          "QueueNext /music/z.mp3"};
  EXPECT_EQ(device.Calls(), expected);
}

TEST(NullMediaDeviceTest, CommandsAndScriptedFailuresDropOrRefuseTheQueue) {
  NullMediaDevice device;
  std::string reason;
  EXPECT_FALSE(device.QueueNext("/music/y.mp3", &reason));
  EXPECT_EQ(reason, kNoDeviceOpen);
  device.Open("/music/x.mp3");
  device.Play();
  const std::function<void()> dropping[] = {
      [&] { device.Stop(); },          [&] { device.SetPosition(10); }, [&] { device.Rewind(); },
      [&] { device.DropQueued(); },    [&] { device.Open("/music/x.mp3"); },
  };
  for (const auto& command : dropping) {
    ASSERT_TRUE(device.QueueNext("/music/y.mp3"));
    command();
    EXPECT_EQ(device.QueuedPath(), "");
  }
  ASSERT_TRUE(device.QueueNext("/music/y.mp3"));
  device.Play();
  device.Pause();
  device.Resume();
  EXPECT_EQ(device.QueuedPath(), "/music/y.mp3");  // pausing keeps it

  device.FailQueue("The next song plays at 48000 Hz, this one at 44100 Hz");
  EXPECT_FALSE(device.QueueNext("/music/z.mp3", &reason));
  EXPECT_EQ(reason, "The next song plays at 48000 Hz, this one at 44100 Hz");
  EXPECT_EQ(device.QueuedPath(), "");
  device.FailQueue("");
  device.DeliverCompletions();  // of the plays the commands above ended
  device.Advance(600000);  // plays to the end: the old behaviour
  EXPECT_EQ(device.PendingCompletions(), 1);
  EXPECT_EQ(device.PendingTransitions(), 0);
  EXPECT_FALSE(device.QueueNext("/music/z.mp3", &reason));
  EXPECT_EQ(reason, "The song has already ended");
}

} // namespace
