// The application: the main window and the message loop.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <sys/stat.h>

#include "app/CommandLine.h"
#include "app/FrmMainVelmaris.h"
#include "app/QuitSignals.h"
#include "mpris/MprisService.h"
#include "platform/Paths.h"
#include "playlist/PathRules.h"
#include "platform/PlatformFactory.h"
#include "platform/QtUserDialogs.h"
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
// and the loop goes on.
class VelmarisApplication : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      QMessageBox::critical(activeWindow(), QStringLiteral("Velmaris"), MessageBoxText(e.what()));
    } catch (...) {
      QMessageBox::critical(activeWindow(), QStringLiteral("Velmaris"), QStringLiteral("Unknown error"));
    }
    return false;
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

} // namespace

int main(int argc, char** argv) {
  // --version and --help need no display, so they are answered first.
  if (const std::optional<int> code = AnswerInfoOption({argv + 1, argv + argc}, VELMARIS_VERSION, std::cout))
    return *code;
  // Positioning, snapping, the window shape and always-on-top need X11; under
  // Wayland run through XWayland unless the user chose a platform.
  if (std::getenv("WAYLAND_DISPLAY") && std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  // The media device opens the audio output on a thread of its own at once:
  // created before the application, the sound server's stream gets ready
  // while Qt starts and the window is built. (Its completions are posted to
  // an object of this thread, which the application then runs.)
  std::unique_ptr<WaveOutVolume> volume = CreateWaveOutVolume();
  std::unique_ptr<MediaDevice> device = CreateMediaDevice(volume.get());
  // A song on the command line is read while the window is built.
  if (argc == 2 && IsSongArgument(argv[1])) device->ReadAhead(argv[1]);
  // The window class of the main window.
  QCoreApplication::setApplicationName(QStringLiteral("Velmaris_Form"));
  VelmarisApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("velmaris"));
  QGuiApplication::setQuitOnLastWindowClosed(false);
  SubstituteWindowsFonts();

  QtUserDialogs dialogs;
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
  // Ctrl+C or hang-up) closes it the normal way, saving what a close saves.
  QuitSignals quitSignals([&window] { window.close(); });
  window.FormCreate();
  if (!window.StartsHidden()) window.show();

  // The desktop's media controls; without a session bus the player runs as
  // before, silently.
  MprisService mpris(window.Engine(), {[&window] { window.TrayIconDblClick(); }, [&window] { window.close(); }});
  mpris.Register();
  app.exec();
  return 0;
}
