#include "app/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Which of them this program handles (see the constructor).
bool g_handled[std::size(kQuitSignals)] = {};
// The pipe's ends; the write end is what the handler sees.
int g_pipe[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a close request: the byte may be lost.
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> close, QObject* parent) : QObject(parent), close_(std::move(close)) {
  if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
    throw std::runtime_error(std::string("Cannot watch for quit signals: ") + std::strerror(errno));
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
    const int sig = kQuitSignals[i];
    // A hang-up or interrupt the starter chose to ignore (nohup, a shell's
    // background job) stays ignored, as programs have always done; SIGTERM
    // always closes.
    struct sigaction old {};
    if (sig != SIGTERM && ::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    g_handled[i] = ::sigaction(sig, &action, nullptr) == 0;
  }
}

QuitSignals::~QuitSignals() {
  for (size_t i = 0; i < std::size(kQuitSignals); ++i)
    if (g_handled[i]) ::signal(kQuitSignals[i], SIG_DFL);
  delete notifier_;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::Drain() {
  char buffer[64];
  while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
  }
  if (close_) close_();
}
