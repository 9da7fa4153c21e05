#pragma once
// The media controls from the window's side: starts the bus thread with its
// MprisService, publishes the engine's state to it whenever that changes,
// and runs the commands it hands over, exactly as the window's own buttons
// would send them, in short slices between the window's own events.
#include <QObject>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "mpris/MprisState.h"
#include "mpris/RemoteCommands.h"

class MprisService;
class PlaybackEngine;

class MprisFront : public QObject {
  Q_OBJECT
public:
  // What only the window can do: show itself, and close through its normal
  // close path (settings and the last playlist saved).
  struct WindowActions {
    std::function<void()> Raise;
    std::function<void()> Quit;
    // Runs a remote command so that whatever it reports goes to the window's
    // notice, never to a box (empty: run as is).
    std::function<void(const std::function<void()>&)> RunRemote;
    // Shows why a remote command failed, without a box.
    std::function<void(const std::string&)> Report;
  };
  MprisFront(PlaybackEngine& engine, WindowActions actions, QObject* parent = nullptr);
  // Stops the bus thread; a thread that does not stop in time is left to
  // the end of the process.
  ~MprisFront() override;

  // Starts the bus thread, which registers on the session bus (without one
  // the player runs as before, silently).
  void Start();

  // ---- run on this thread, handed over by the bus thread ----
  void Raise();
  void Quit();
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  void Seek(qlonglong offsetUs);
  void SetPosition(const QString& trackId, qlonglong positionUs);
  void OpenPath(const std::string& path);
  void SetLoopStatus(const QString& status);
  void SetShuffle(bool on);
  void SetVolumeLevel(float level);

  // The state as the bus shows it now.
  MprisState State() const;

private:
  // Runs an engine command; an error it raises goes to the window's notice.
  void Command(const std::function<void()>& command);
  // Runs waiting commands for a slice of time, then publishes the state.
  void RunCommands();
  // Publishes the state once the pending events are handled, so a flood of
  // changes costs one state, not one per change.
  void PublishSoon();
  void PublishNow();
  QString TrackId() const;
  bool CanSeek() const;
  QVariantMap Metadata(std::optional<qlonglong> lengthUs) const;

  PlaybackEngine& engine_;
  WindowActions actions_;
  uint64_t trackNumber_ = 0;  // counts the songs loaded: the track id changes per song
  RemoteCommands commands_;
  QThread* thread_ = nullptr;  // left running at exit if it does not stop in time
  MprisService* service_ = nullptr;  // lives on thread_
  QTimer publishTimer_;
};
