#include "mpris/MprisService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

#include <unistd.h>
#include <utility>

#include "mpris/MprisFront.h"
#include "mpris/MprisInput.h"
#include "mpris/MprisProperties.h"

namespace {

// The root interface, as the bus sees it.
class RootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
  RootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return QStringLiteral("Velmaris"); }
  QString DesktopEntry() const { return QStringLiteral("velmaris"); }
  QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-mpegurl"), QStringLiteral("audio/mpegurl"),
            QStringLiteral("audio/x-scpls"), QStringLiteral("application/x-velmaris-playlist"),
            QStringLiteral("application/x-b4s-playlist")};
  }
public slots:
  void Raise() { service_->Raise(); }
  void Quit() { service_->Quit(); }

private:
  MprisService* service_;
};

// The player interface, as the bus sees it.
class PlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(double MinimumRate READ Rate)
  Q_PROPERTY(double MaximumRate READ Rate)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanPause)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)
public:
  PlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), s_(service) {
    connect(service, &MprisService::Seeked, this, &PlayerAdaptor::Seeked);
  }
  QString PlaybackStatus() const { return s_->Value("PlaybackStatus").toString(); }
  QString LoopStatus() const { return s_->Value("LoopStatus").toString(); }
  void SetLoopStatus(const QString& v) {
    s_->Send([v](MprisFront& f) { f.SetLoopStatus(v); });
  }
  double Rate() const { return 1.0; }
  void SetRate(double) {}  // one rate only
  bool Shuffle() const { return s_->Value("Shuffle").toBool(); }
  void SetShuffle(bool v) {
    s_->Send([v](MprisFront& f) { f.SetShuffle(v); });
  }
  QVariantMap Metadata() const { return s_->Value("Metadata").toMap(); }
  double Volume() const { return s_->Value("Volume").toDouble(); }
  void SetVolume(double v) { s_->SetVolume(v); }
  qlonglong Position() const { return s_->Position(); }
  bool CanGoNext() const { return s_->Value("CanGoNext").toBool(); }
  bool CanGoPrevious() const { return s_->Value("CanGoPrevious").toBool(); }
  bool CanPlay() const { return s_->Value("CanPlay").toBool(); }
  bool CanPause() const { return s_->Value("CanPause").toBool(); }
  bool CanSeek() const { return s_->Value("CanSeek").toBool(); }
  bool CanControl() const { return true; }
public slots:
  // Run on the window's thread by the front, in the order they came.
  void Play() { s_->Send(&MprisFront::Play); }
  void Pause() { s_->Send(&MprisFront::Pause); }
  void PlayPause() { s_->Send(&MprisFront::PlayPause); }
  void Stop() { s_->Send(&MprisFront::Stop); }
  void Next() { s_->Send(&MprisFront::Next); }
  void Previous() { s_->Send(&MprisFront::Previous); }
  void Seek(qlonglong offset) {
    s_->Send([offset](MprisFront& f) { f.Seek(offset); });
  }
  void SetPosition(const QDBusObjectPath& track, qlonglong position) {
    s_->Send([track = track.path(), position](MprisFront& f) { f.SetPosition(track, position); });
  }
  void OpenUri(const QString& uri) { s_->OpenUri(uri); }
signals:
  void Seeked(qlonglong Position);

private:
  MprisService* s_;
};

} // namespace

MprisService::MprisService(MprisFront& front, RemoteCommands& commands, std::function<void()> wake)
    : front_(front), commands_(commands), wake_(std::move(wake)) {
  new RootAdaptor(this);
  new PlayerAdaptor(this);
  AddMprisProperties(*this);
  waitLimit_.setParent(this);  // moves to the bus thread with the service
  waitLimit_.setSingleShot(true);
  waitLimit_.setInterval(ReadWaitLimitMs);
  connect(&waitLimit_, &QTimer::timeout, this, [this] { AnswerWaiting(true); });
}

QString MprisService::BusName() {
  return QStringLiteral("org.mpris.MediaPlayer2.velmaris.instance%1").arg(::getpid());
}

bool MprisService::Register() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  if (!bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors)) return false;
  if (!bus.registerService(BusName())) {
    bus.unregisterObject(QString::fromLatin1(ObjectPath));
    return false;
  }
  registered_ = true;
  return true;
}

void MprisService::Send(const std::function<void(MprisFront&)>& command, RemoteCommands::Kind kind) {
  MprisFront* front = &front_;
  const RemoteCommands::Added added = commands_.Add([front, command] { command(*front); }, kind);
  if (added.Number == 0) return;  // closing
  lastSent_ = added.Number;
  if (added.Wake) wake_();
}

// ---- org.mpris.MediaPlayer2 ----

// Straight to the window, past any waiting commands: a Quit must not wait
// behind a flood.
void MprisService::Raise() {
  QMetaObject::invokeMethod(&front_, [front = &front_] { front->Raise(); }, Qt::QueuedConnection);
}

void MprisService::Quit() {
  QMetaObject::invokeMethod(&front_, [front = &front_] { front->Quit(); }, Qt::QueuedConnection);
}

// ---- commands that are looked at here first ----

void MprisService::OpenUri(const QString& uri) {
  // Refused before anything changes: the song playing goes on. The file is
  // looked at here, so a slow disk holds up this thread, not the window.
  const MprisInput::UriPath file = MprisInput::LocalFileOfUri(uri);
  if (!file.Refusal.isEmpty()) return RefuseCall(QDBusError::errorString(QDBusError::InvalidArgs), file.Refusal);
  Send([path = file.Path](MprisFront& f) { f.OpenPath(path); });
}

void MprisService::SetVolume(double volume) {
  float level = 0;
  if (!MprisInput::VolumeLevel(volume, level)) return;
  Send([level](MprisFront& f) { f.SetVolumeLevel(level); }, RemoteCommands::Kind::Volume);
}

// ---- answers ----

void MprisService::RefuseCall(const QString& errorName, const QString& text) {
  if (calledFromDBus()) sendErrorReply(errorName, text);
}

qlonglong MprisService::Position() const { return state_.PositionAt(MprisState::Clock::now()); }

bool MprisService::AnswerLater(const std::function<QVariant()>& read) {
  if (!calledFromDBus() || lastSent_ <= state_.HandledThrough) return false;
  setDelayedReply(true);
  waiting_.push_back(WaitingRead{message(), lastSent_, read});
  if (!waitLimit_.isActive()) waitLimit_.start();
  return true;
}

void MprisService::Publish(const MprisState& state) {
  state_ = state;
  if (published_) AnnounceChanges(state_.Player);
  else announced_ = state_.Player;
  published_ = true;
  AnswerWaiting(false);
}

void MprisService::AnswerWaiting(bool all) {
  std::vector<WaitingRead> still;
  for (WaitingRead& read : waiting_) {
    if (all || read.After <= state_.HandledThrough)
      QDBusConnection::sessionBus().send(read.Call.createReply(read.Read()));
    else still.push_back(std::move(read));
  }
  waiting_ = std::move(still);
  if (waiting_.empty()) waitLimit_.stop();
  else if (!waitLimit_.isActive()) waitLimit_.start();
}

void MprisService::AnnounceSeek(qlonglong positionUs) { emit Seeked(positionUs); }

void MprisService::AnnounceChanges(const QVariantMap& now) {
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it)
    if (announced_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  announced_ = now;
  if (changed.isEmpty() || !registered_) return;
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(PlayerInterface) << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

#include "MprisService.moc"
