#pragma once
// The player engine with no window: a scripted media device, an in-memory
// volume and a temporary folder for song files. Tests drive the engine's
// verbs and assert on its state and the signals it publishes (recorded
// here), never on widgets.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

#include "platform/NullMediaDevice.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PlayList.h"
#include "support/MemoryWaveOutVolume.h"
#include "support/TempDir.h"

// One QCoreApplication for the whole test program.
QCoreApplication& TestCoreApplication();

class EngineFixture : public ::testing::Test {
protected:
  struct Message {
    std::string Caption, Text;
    int Icon;
  };
  testsupport::TempDir Dir;
  MemoryWaveOutVolume Volume;
  NullMediaDevice* Device = nullptr;  // owned by the engine
  std::unique_ptr<PlaybackEngine> Engine;
  // What the engine published, in order.
  std::vector<Message> Messages;
  std::vector<std::string> Errors;  // ErrorRaised and errors of Tick()
  std::vector<std::string> Events;  // signal names: "SongLoaded", "Ticked", ...

  void SetUp() override { TestCoreApplication(); }
  void TearDown() override { Engine.reset(); }

  // A new engine, songs shown by file name (display mode 0).
  PlaybackEngine& Start();
  PlayList& List() const { return Engine->List(); }
  // Writes an MP3-named file (a copy of a fixture when `fixture` is given)
  // into the temporary folder and returns its path.
  std::string MakeSong(const std::string& name, const std::string& fixture = "");
  // Appends a line for `path`.
  void AddLine(const std::string& path);
  // Makes song0.mp3, song1.mp3, ... and a line for each.
  void AddSongs(int count);
  int Current() const { return List().ItemIndex(); }
  void SetCurrent(int i) { List().SetItemIndex(i); }
  // Runs one tick as the timer would: an error goes to Errors.
  void Tick();
  bool Called(const std::string& call) const;
  // How many times the engine published `event` since the last ClearEvents().
  int Count(const std::string& event) const;
  void ClearEvents() { Events.clear(); }
  std::vector<std::string> Lines() const;
  std::vector<std::string> Paths() const;
};
