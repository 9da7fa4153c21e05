#include "support/EngineFixture.h"

#include <algorithm>
#include <exception>

QCoreApplication& TestCoreApplication() {
  static int argc = 1;
  static char name[] = "velmaris-engine-tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

PlaybackEngine& EngineFixture::Start() {
  auto device = std::make_unique<NullMediaDevice>();
  Device = device.get();
  Engine = std::make_unique<PlaybackEngine>(std::move(device), &Volume);
  Engine->Options().PlayListMode = 0;
  PlaybackEngine* e = Engine.get();
  auto record = [this](const char* name) { return [this, name] { Events.emplace_back(name); }; };
  QObject::connect(e, &PlaybackEngine::SongLoaded, record("SongLoaded"));
  QObject::connect(e, &PlaybackEngine::Ticked, record("Ticked"));
  QObject::connect(e, &PlaybackEngine::Seeked, record("Seeked"));
  QObject::connect(e, &PlaybackEngine::ButtonsChanged, record("ButtonsChanged"));
  QObject::connect(e, &PlaybackEngine::TrayHintChanged, record("TrayHintChanged"));
  QObject::connect(e, &PlaybackEngine::VolumeChanged, record("VolumeChanged"));
  QObject::connect(e, &PlaybackEngine::ModesChanged, record("ModesChanged"));
  QObject::connect(e, &PlaybackEngine::MessageRequested,
                   [this](const std::string& caption, const std::string& text, int icon) {
                     Events.emplace_back("MessageRequested");
                     Messages.push_back({caption, text, icon});
                   });
  QObject::connect(e, &PlaybackEngine::ErrorRaised, [this](const std::string& text) {
    Events.emplace_back("ErrorRaised");
    Errors.push_back(text);
  });
  return *Engine;
}

std::string EngineFixture::MakeSong(const std::string& name, const std::string& fixture) {
  const std::string path = Dir.File(name);
  testsupport::WriteAll(path, fixture.empty() ? std::string("not really audio")
                                              : testsupport::ReadAll(testsupport::FixturesDir() + fixture));
  return path;
}

void EngineFixture::AddLine(const std::string& path) { List().Add(path, -1); }

void EngineFixture::AddSongs(int count) {
  for (int i = 0; i < count; ++i) AddLine(MakeSong("song" + std::to_string(i) + ".mp3"));
}

void EngineFixture::Tick() {
  try {
    Engine->Tick();
  } catch (const std::exception& e) {
    Errors.emplace_back(e.what());
  }
}

bool EngineFixture::Called(const std::string& call) const {
  const auto& calls = Device->Calls();
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

int EngineFixture::Count(const std::string& event) const {
  return static_cast<int>(std::count(Events.begin(), Events.end(), event));
}

std::vector<std::string> EngineFixture::Lines() const {
  std::vector<std::string> out;
  for (int i = 0; i < List().Count(); ++i) out.push_back(List().Text(i));
  return out;
}

std::vector<std::string> EngineFixture::Paths() const {
  std::vector<std::string> out;
  for (int i = 0; i < List().Count(); ++i) out.push_back(List().Path(i));
  return out;
}
