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
#include "platform/NullMediaDevice.h"
#include "platform/RegistryStore.h"
#include "platform/WaveOutVolume.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"

// The wave-out volume kept in memory; `Readable` false makes reads fail.
class MemoryWaveOutVolume : public WaveOutVolume {
public:
  uint32_t Value = 0xFFFFFFFFu;
  bool Readable = true;
  std::vector<uint32_t> Sets;
  bool GetVolume(uint32_t& v) override {
    if (!Readable) return false;
    v = Value;
    return true;
  }
  bool SetVolume(uint32_t v) override {
    Value = v;
    Sets.push_back(v);
    return true;
  }
};

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

  void SetUp() override { TestApplication(); }
  void TearDown() override { Window.reset(); }

  // Makes the window (not yet created: call Window->FormCreate()).
  TFrmMainVelmaris& MakeWindow();
  // MakeWindow + FormCreate.
  TFrmMainVelmaris& CreateWindow();
  // Writes an MP3-named file (a copy of a fixture when `fixture` is given)
  // into the program folder and returns its path.
  std::string MakeSong(const std::string& name, const std::string& fixture = "");
  // Lines of the playlist's display texts.
  std::vector<std::string> Lines() const;
  std::vector<std::string> Paths() const;
};
