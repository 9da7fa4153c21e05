#pragma once
// The desktop's media controls (MPRIS2 on the session D-Bus): media keys,
// panel widgets, the lock screen, headsets, playerctl. This object lives on
// a thread of its own, so that no bus client, however many calls it sends,
// holds up the window: it answers from the state the window's thread
// publishes (MprisState) and hands commands to the window's thread
// (MprisFront), which runs them as the window's own buttons would. A command
// that does not apply is ignored, never an error.
//
// A property read waits until every command received before it has run, so
// a client reads what it has just set; but never longer than ReadWaitLimitMs:
// a window busy with a long job still lets the desktop read the state.
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mpris/MprisState.h"
#include "mpris/RemoteCommands.h"

class MprisFront;

class MprisService : public QObject, protected QDBusContext {
  Q_OBJECT
public:
  static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
  static constexpr const char* RootInterface = "org.mpris.MediaPlayer2";
  static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
  static constexpr int ReadWaitLimitMs = 50;

  // `front` runs the commands on the window's thread; `commands` is its
  // queue, `wake` has it run the queue.
  MprisService(MprisFront& front, RemoteCommands& commands, std::function<void()> wake);

  // Registers "org.mpris.MediaPlayer2.velmaris.instance<pid>" on the session
  // bus; false (and nothing registered) without a session bus.
  bool Register();
  static QString BusName();

  // The window's thread has a newer state (queued to this thread).
  void Publish(const MprisState& state);
  // The position jumped (queued to this thread).
  void AnnounceSeek(qlonglong positionUs);

  // ---- org.mpris.MediaPlayer2 ----
  void Raise();
  void Quit();
  // ---- org.mpris.MediaPlayer2.Player ----
  // Hands `command` to the window's thread; a setting of `kind` replaces the
  // same setting still waiting there.
  void Send(const std::function<void(MprisFront&)>& command, RemoteCommands::Kind kind = RemoteCommands::Kind::None);
  // Checked here before anything is sent.
  void OpenUri(const QString& uri);
  void SetVolume(double volume);

  // A player property as last published.
  QVariant Value(const char* name) const { return state_.Player.value(QLatin1String(name)); }
  qlonglong Position() const;

  // Answers the bus call being handled with an error (outside one: nothing).
  void RefuseCall(const QString& errorName, const QString& text);

  // For a property read of the call being handled: true when a command
  // received before it has not run yet; the read is then answered with
  // `read()` once it has (on this thread), and the caller's own answer is
  // not sent. False: the caller answers now.
  bool AnswerLater(const std::function<QVariant()>& read);

signals:
  void Seeked(qlonglong positionUs);

private:
  void AnnounceChanges(const QVariantMap& now);
  // Answers the waiting reads whose commands have run (all of them: `all`).
  void AnswerWaiting(bool all);

  struct WaitingRead {
    QDBusMessage Call;
    uint64_t After;  // answered once this command has run
    std::function<QVariant()> Read;
  };

  MprisFront& front_;
  RemoteCommands& commands_;
  std::function<void()> wake_;
  MprisState state_;
  uint64_t lastSent_ = 0;  // the number of the last command handed over
  std::vector<WaitingRead> waiting_;
  QTimer waitLimit_;  // the oldest waiting read is answered when it runs out
  QVariantMap announced_;
  bool published_ = false;
  bool registered_ = false;
};
