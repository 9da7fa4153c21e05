// The program's entry. The application (Qt and everything else, in
// libvelmaris-app.so) takes tens of milliseconds just to load; meanwhile a
// thread of this small launcher connects to the sound server and opens the
// playback stream, which the application's audio output then takes over.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/AudioOutput.h"
#include "platform/EarlyPulse.h"
#include "platform/PulseStream.h"

#ifndef VELMARIS_APP_DIR
#define VELMARIS_APP_DIR "/usr/local/lib/velmaris"
#endif

namespace {

constexpr const char* kAppLibrary = "libvelmaris-app.so";
constexpr const char* kAppEntry = "VelmarisAppMain";
using AppEntry = int (*)(int argc, char** argv, EarlyPulse* early);

class LaunchConnection : public EarlyPulse {
public:
  LaunchConnection() {
    // The sound server's own thread does the work: a thread started while
    // the application loads would wait for the loader.
    if (PulseStream::ServerWanted()) started_ = PulseStream::StartOpening(handles_, AudioOutput::kLikelyRate);
  }
  ~LaunchConnection() override {
    if (!taken_) PulseStream::Disconnect(handles_);
  }
  LaunchConnection(const LaunchConnection&) = delete;
  LaunchConnection& operator=(const LaunchConnection&) = delete;

  // A failure is no error here: the application tries again, then falls
  // back to SDL2, and reports what it cannot do.
  bool Take(PulseHandles& handles) override {
    if (taken_ || !started_) return false;
    taken_ = true;
    if (!PulseStream::FinishOpening(handles_)) return false;
    handles = handles_;
    return true;
  }

private:
  PulseHandles handles_;
  bool started_ = false;
  bool taken_ = false;
};

std::string ProgramDir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  const std::string exe(path, static_cast<size_t>(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

// Beside the program in a build folder or a copy; the installed place else.
void* LoadApplication(std::string& error) {
  for (const std::string& dir : {ProgramDir(), std::string(VELMARIS_APP_DIR) + "/"}) {
    const std::string path = dir + kAppLibrary;
    if (access(path.c_str(), F_OK) != 0) continue;
    if (void* lib = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL)) return lib;
    error = dlerror();
    return nullptr;
  }
  error = std::string(kAppLibrary) + " is missing (looked beside the program and in " VELMARIS_APP_DIR ")";
  return nullptr;
}

} // namespace

int main(int argc, char** argv) {
  LaunchConnection connection;
  std::string error;
  void* app = LoadApplication(error);
  auto entry = app ? reinterpret_cast<AppEntry>(dlsym(app, kAppEntry)) : nullptr;
  if (!entry) {
    std::fprintf(stderr, "velmaris: cannot start: %s\n", app ? dlerror() : error.c_str());
    return 1;
  }
  return entry(argc, argv, &connection);
}
