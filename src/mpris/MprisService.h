#pragma once
// The desktop's media controls (MPRIS2 on the session D-Bus): media keys,
// panel widgets, the lock screen, headsets, playerctl. A second front beside
// the window: every command goes to the player engine, exactly as the
// window's own button would send it, and every change the engine publishes
// is announced. A command that does not apply is ignored, never an error.
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <string>

class PlaybackEngine;

class MprisService : public QObject, protected QDBusContext {
  Q_OBJECT
public:
  static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
  static constexpr const char* RootInterface = "org.mpris.MediaPlayer2";
  static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";

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
  MprisService(PlaybackEngine& engine, WindowActions actions, QObject* parent = nullptr);

  // Registers "org.mpris.MediaPlayer2.velmaris.instance<pid>" on the session
  // bus; false (and nothing registered) without a session bus.
  bool Register();
  QString BusName() const;

  // ---- org.mpris.MediaPlayer2 ----
  void Raise();
  void Quit();
  // ---- org.mpris.MediaPlayer2.Player ----
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  void Seek(qlonglong offsetUs);
  void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs);
  void OpenUri(const QString& uri);

  QString PlaybackStatus() const;
  QString LoopStatus() const;
  void SetLoopStatus(const QString& status);
  bool Shuffle() const;
  void SetShuffle(bool on);
  double Volume() const;
  void SetVolume(double volume);
  qlonglong Position() const;
  QVariantMap Metadata() const;
  bool CanGoNext() const;
  bool CanGoPrevious() const;
  bool CanPlay() const;
  bool CanPause() const;
  bool CanSeek() const;
  QDBusObjectPath TrackId() const;

  // Answers the bus call being handled with an error (outside one: nothing).
  void RefuseCall(const QString& errorName, const QString& text);

  // The player properties as the bus shows them (Position left out).
  QVariantMap PlayerProperties() const;

signals:
  void Seeked(qlonglong positionUs);

private:
  // Runs an engine command; an error it raises is not the bus's business.
  void Command(const std::function<void()>& command);
  // Announces, once the pending events are handled, every player property
  // whose value changed since the last announcement.
  void AnnounceChanges();
  void AnnounceNow();

  PlaybackEngine& engine_;
  WindowActions actions_;
  uint64_t trackNumber_ = 0;  // counts the songs loaded: the track id changes per song
  QVariantMap announced_;
  bool registered_ = false;
  QTimer announceTimer_;
};
