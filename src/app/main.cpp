// The application: the main window and the message loop.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <exception>
#include <iostream>
#include <string>
#include <sys/stat.h>

#include "app/CommandLine.h"
#include "app/FrmMainVelmaris.h"
#include "app/QuitSignals.h"
#include "mpris/MprisFront.h"
#include "platform/Paths.h"
#include "playlist/PathRules.h"
#include "platform/PlatformFactory.h"
#include "platform/QtUserDialogs.h"
#include "playlist/BackgroundWork.h"
#include "platform/RegistryStore.h"
#include "options/XdgSync.h"

#ifndef VELMARIS_SHARE_DIR
#define VELMARIS_SHARE_DIR "/usr/local/share/velmaris"
#endif
#ifndef VELMARIS_BIN_DIR
#define VELMARIS_BIN_DIR "/usr/local/bin"
#endif
#ifndef VELMARIS_VERSION
#define VELMARIS_VERSION "unknown"
#endif

namespace {

// The last line of defence: an error that escapes an event handler is shown
// (through the dialogs, so boxes never stack) and the loop goes on.
class VelmarisApplication : public QApplication {
public:
  using QApplication::QApplication;
  UserDialogs* Dialogs = nullptr;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      ShowError(e.what());
    } catch (...) {
      ShowError("Unknown error");
    }
    return false;
  }

private:
  void ShowError(const std::string& text) {
    if (Dialogs) Dialogs->ShowError(activeWindow(), text);
    else std::cerr << "velmaris: " << text << '\n';
  }
};

void SubstituteWindowsFonts() {
  // Liberation Sans comes closest to Tahoma's width; DejaVu Sans is wider.
  const QStringList candidates = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                                  QStringLiteral("Noto Sans"), QStringLiteral("FreeSans")};
  for (const char* family : {"Tahoma", "MS Sans Serif"})
    QFont::insertSubstitutions(QString::fromLatin1(family), candidates);
}

bool IsSongArgument(const std::string& path) {
  return PathRules::IsMp3File(PathRules::ExtractFileExt(path)) && Paths::FileExists(path);
}

// Declared first, so it goes last: when a tag read of a hostile file still
// runs on its own thread (abandoned, it cannot be stopped), the program ends
// without running the static destructors that thread may still reach.
// Everything is saved by then (the window's close, the volume file).
struct AbandonedWorkGuard {
  ~AbandonedWorkGuard() {
    if (BackgroundWork::Running() == 0) return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
  }
};

} // namespace

int main(int argc, char** argv) {
  // --version and --help need no display, so they are answered first.
  if (const std::optional<int> code = AnswerInfoOption({argv + 1, argv + argc}, VELMARIS_VERSION, std::cout))
    return *code;
  const AbandonedWorkGuard abandonedWork;
  // Positioning, snapping, the window shape and always-on-top need X11; under
  // Wayland run through XWayland unless the user chose a platform.
  if (std::getenv("WAYLAND_DISPLAY") && std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  // The media device works on a player thread of its own: created before the
  // application, it can connect to the sound server while Qt starts and the
  // window is built. (Its events are posted to an object of this thread,
  // which the application then runs.)
  std::unique_ptr<WaveOutVolume> volume = CreateWaveOutVolume();
  std::unique_ptr<MediaDevice> device = CreateMediaDevice(volume.get());
  // A song on the command line is read, and the sound server's stream made,
  // while the window is built.
  if (argc == 2 && IsSongArgument(argv[1])) device->ReadAhead(argv[1]);
  else if (argc >= 2) device->PrepareOutput();  // a list or folder: a song plays soon
  // The window class of the main window.
  QCoreApplication::setApplicationName(QStringLiteral("Velmaris_Form"));
  VelmarisApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("velmaris"));
  QGuiApplication::setQuitOnLastWindowClosed(false);
  SubstituteWindowsFonts();

  QtUserDialogs dialogs;
  app.Dialogs = &dialogs;
  std::unique_ptr<RegistryStore> registry = CreateRegistryStore();

  TFrmMainVelmaris::Services services;
  services.ProgramDir = Paths::ProgramDir();
  services.ProgramPath = Paths::ProgramPath();
  for (int i = 1; i < argc; ++i) services.Arguments.emplace_back(argv[i]);
  services.Volume = volume.get();
  services.Dialogs = &dialogs;
  services.Registry = registry.get();
  services.Device = std::move(device);
  // Every change of the file associations is mirrored into the desktop's own
  // files, so file managers open the files with this program.
  services.ConnectAssociations = [path = services.ProgramPath](TRegExtension& r) { ConnectXdgSync(r, path); };
  // A portable copy keeps its files beside the program; an installed one in
  // the user's configuration folder.
  // An installed copy never writes beside itself, not even when root may.
  const bool installed = services.ProgramDir == std::string(VELMARIS_BIN_DIR) + "/" ||
                         services.ProgramDir.rfind("/usr/", 0) == 0;
  if (!installed && Paths::IsWritableDir(services.ProgramDir)) {
    services.DataDir = services.ProgramDir;
    services.MusicDir = services.ProgramDir;
  } else {
    services.DataDir = Paths::XdgConfigHome() + "/velmaris/";
    Paths::MakeDirs(services.DataDir);
    const char* home = std::getenv("HOME");
    const std::string music = home ? std::string(home) + "/Music/" : std::string();
    services.MusicDir = Paths::DirExists(music) ? music : (home ? std::string(home) + "/" : services.ProgramDir);
  }
  services.SkinsDir = Paths::DirExists(services.ProgramDir + "Skins") ? services.ProgramDir + "Skins"
                                                            : std::string(VELMARIS_SHARE_DIR) + "/Skins";

  TFrmMainVelmaris window(std::move(services));
  // A session that ends the program (logout, kill, systemd, a terminal's
  // Ctrl+C or hang-up) closes it the normal way, saving what a close saves,
  // at any moment: also while a start-up box is open.
  QuitSignals quitSignals([&window] { window.CloseNow(); });

  // The desktop's media controls, there from the start so that their Quit
  // works during start-up too; without a session bus the player runs as
  // before, silently. They are served on a thread of their own; their
  // commands report failures in the window's notice, never in a box.
  MprisFront::WindowActions actions;
  actions.Raise = [&window] { window.TrayIconDblClick(); };
  actions.Quit = [&window] { window.CloseNow(); };
  actions.RunRemote = [&window](const std::function<void()>& command) { window.RunRemote(command); };
  actions.Report = [&window](const std::string& text) { window.ShowNotice(text); };
  MprisFront mpris(window.Engine(), std::move(actions));
  mpris.Start();

  window.FormCreate();
  // Closed during start-up: everything is saved, and the main loop would
  // never see the request to end.
  if (window.Closed()) return 0;
  if (!window.StartsHidden()) window.show();
  app.exec();
  return 0;
}
