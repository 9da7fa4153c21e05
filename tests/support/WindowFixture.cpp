#include "support/WindowFixture.h"

#include "playlist/PlayList.h"

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "velmaris-tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

TFrmMainVelmaris& WindowFixture::MakeWindow() {
  TFrmMainVelmaris::Services s;
  s.ProgramDir = Dir.Path();
  s.ProgramPath = Dir.Path() + "velmaris";
  s.DataDir = Dir.Path();
  s.SkinsDir = Dir.Path() + "Skins";
  s.MusicDir = Dir.Path();
  s.Arguments = Arguments;
  auto device = std::make_unique<NullMediaDevice>();
  Device = device.get();
  s.Device = std::move(device);
  s.Volume = &Volume;
  s.Dialogs = &Dialogs;
  s.Registry = &Registry;
  s.TrayAvailable = [this] { return TrayAvailable; };
  s.WorkArea = [this](QRect& r) {
    if (!WorkReadable) return false;
    r = Work;
    return true;
  };
  Window = std::make_unique<TFrmMainVelmaris>(std::move(s));
  return *Window;
}

TFrmMainVelmaris& WindowFixture::CreateWindow() {
  MakeWindow();
  Window->FormCreate();
  return *Window;
}

std::string WindowFixture::MakeSong(const std::string& name, const std::string& fixture) {
  const std::string path = Dir.File(name);
  testsupport::WriteAll(path, fixture.empty() ? std::string("not really audio")
                                              : testsupport::ReadAll(testsupport::FixturesDir() + fixture));
  return path;
}

PlaybackEngine& WindowFixture::Engine() const { return Window->Engine(); }
PlayList& WindowFixture::List() const { return Window->List(); }

std::vector<std::string> WindowFixture::Lines() const {
  std::vector<std::string> out;
  for (int i = 0; i < List().Count(); ++i) out.push_back(List().Text(i));
  return out;
}

std::vector<std::string> WindowFixture::Paths() const {
  std::vector<std::string> out;
  for (int i = 0; i < List().Count(); ++i) out.push_back(List().Path(i));
  return out;
}
