#pragma once
// The session ends the program with a signal (SIGTERM at logout or from
// `kill` and systemd, SIGINT from a terminal, SIGHUP when the terminal
// goes): the program then closes the way a click on its close button does,
// so the settings and the last playlist are saved.
//
// SIGINT and SIGHUP that were ignored when the program started (nohup, a
// shell's background job) stay ignored.
//
// A signal handler may do almost nothing, so it only writes a byte into a
// pipe; a socket notifier on the UI thread reads it and runs the close.
#include <QObject>

#include <functional>

class QSocketNotifier;

class QuitSignals : public QObject {
public:
  // Installs the handlers; `close` runs on this (the UI) thread, once per
  // burst of signals. One instance per program. Throws std::runtime_error
  // with the system's reason when the pipe cannot be made.
  explicit QuitSignals(std::function<void()> close, QObject* parent = nullptr);
  // Restores the default handlers.
  ~QuitSignals() override;

  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

private:
  void Drain();

  std::function<void()> close_;
  QSocketNotifier* notifier_ = nullptr;
};
