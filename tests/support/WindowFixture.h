#pragma once
// A main window on the offscreen platform with fakes behind it: a scripted
// media device, recording dialogs, an in-memory volume and registry, and a
// temporary program folder. Tests build it, optionally prepare files and
// settings, then call FormCreate() themselves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>

#include <memory>
#include <string>
#include <vector>

#include "app/FrmMainVelmaris.h"
#include "playback/PlaybackEngine.h"
#include "platform/NullMediaDevice.h"
#include "platform/RegistryStore.h"
#include "support/FakeDialogs.h"
#include "support/MemoryWaveOutVolume.h"
#include "support/TempDir.h"

// One QApplication for the whole test program.
QApplication& TestApplication();

class WindowFixture : public ::testing::Test {
protected:
  testsupport::TempDir Dir;      // the program folder (and data folder)
  FakeDialogs Dialogs;
  MemoryWaveOutVolume Volume;
  MemoryRegistryStore Registry;
  NullMediaDevice* Device = nullptr;  // owned by the window
  std::unique_ptr<TFrmMainVelmaris> Window;
  std::vector<std::string> Arguments;
  QRect Work{0, 0, 1024, 768};
  bool WorkReadable = true;
  bool TrayAvailable = true;  // the desktop has a notification area

  void SetUp() override { TestApplication(); }
  void TearDown() override { Window.reset(); }

  // Makes the window (not yet created: call Window->FormCreate()).
  TFrmMainVelmaris& MakeWindow();
  // MakeWindow + FormCreate.
  TFrmMainVelmaris& CreateWindow();
  // Writes an MP3-named file (a copy of a fixture when `fixture` is given)
  // into the program folder and returns its path.
  std::string MakeSong(const std::string& name, const std::string& fixture = "");
  PlaybackEngine& Engine() const;
  PlayList& List() const;
  // Lines of the playlist's display texts.
  std::vector<std::string> Lines() const;
  std::vector<std::string> Paths() const;
};
