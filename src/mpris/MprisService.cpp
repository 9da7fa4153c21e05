#include "mpris/MprisService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QUrl>

#include <exception>
#include <unistd.h>

#include "mpris/MprisInput.h"
#include "mpris/MprisProperties.h"
#include "platform/MediaDevice.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PathRules.h"
#include "playlist/PlayList.h"
#include "tags/Kid3lib.h"

namespace {

constexpr qlonglong UsPerMs = 1000;

QString Text(const std::string& s) { return QString::fromStdString(s); }

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
  QString PlaybackStatus() const { return s_->PlaybackStatus(); }
  QString LoopStatus() const { return s_->LoopStatus(); }
  void SetLoopStatus(const QString& v) { s_->SetLoopStatus(v); }
  double Rate() const { return 1.0; }
  void SetRate(double) {}  // one rate only
  bool Shuffle() const { return s_->Shuffle(); }
  void SetShuffle(bool v) { s_->SetShuffle(v); }
  QVariantMap Metadata() const { return s_->Metadata(); }
  double Volume() const { return s_->Volume(); }
  void SetVolume(double v) { s_->SetVolume(v); }
  qlonglong Position() const { return s_->Position(); }
  bool CanGoNext() const { return s_->CanGoNext(); }
  bool CanGoPrevious() const { return s_->CanGoPrevious(); }
  bool CanPlay() const { return s_->CanPlay(); }
  bool CanPause() const { return s_->CanPause(); }
  bool CanSeek() const { return s_->CanSeek(); }
  bool CanControl() const { return true; }
public slots:
  void Play() { s_->Play(); }
  void Pause() { s_->Pause(); }
  void PlayPause() { s_->PlayPause(); }
  void Stop() { s_->Stop(); }
  void Next() { s_->Next(); }
  void Previous() { s_->Previous(); }
  void Seek(qlonglong offset) { s_->Seek(offset); }
  void SetPosition(const QDBusObjectPath& track, qlonglong position) { s_->SetPosition(track, position); }
  void OpenUri(const QString& uri) { s_->OpenUri(uri); }
signals:
  void Seeked(qlonglong Position);

private:
  MprisService* s_;
};

} // namespace

MprisService::MprisService(PlaybackEngine& engine, WindowActions actions, QObject* parent)
    : QObject(parent), engine_(engine), actions_(std::move(actions)) {
  new RootAdaptor(this);
  new PlayerAdaptor(this);
  AddMprisProperties(*this);
  connect(&engine_, &PlaybackEngine::SongLoaded, this, [this] {
    ++trackNumber_;
    AnnounceChanges();
  });
  for (auto signal : {&PlaybackEngine::StateChanged, &PlaybackEngine::Ticked, &PlaybackEngine::ButtonsChanged,
                      &PlaybackEngine::VolumeChanged, &PlaybackEngine::ModesChanged,
                      &PlaybackEngine::SongTextsChanged})
    connect(&engine_, signal, this, &MprisService::AnnounceChanges);
  connect(engine_.List().Model(), &QAbstractItemModel::rowsInserted, this, &MprisService::AnnounceChanges);
  connect(engine_.List().Model(), &QAbstractItemModel::modelReset, this, &MprisService::AnnounceChanges);
  connect(&engine_, &PlaybackEngine::Seeked, this, [this] { emit Seeked(Position()); });
  announced_ = PlayerProperties();
  // Changes are gathered and announced once the pending events are done, so
  // a flood of commands costs one comparison, not one per command.
  announceTimer_.setSingleShot(true);
  announceTimer_.setInterval(0);
  connect(&announceTimer_, &QTimer::timeout, this, &MprisService::AnnounceNow);
}

QString MprisService::BusName() const {
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

void MprisService::Command(const std::function<void()>& command) {
  // A remote command never opens a box (its caller waits for the reply, and
  // thousands may come): its failure goes to the window's notice instead.
  const auto run = [this, &command] {
    try {
      command();
    } catch (const std::exception& e) {
      if (actions_.Report) actions_.Report(e.what());
    }
  };
  if (actions_.RunRemote) actions_.RunRemote(run);
  else run();
  AnnounceChanges();
}

// ---- org.mpris.MediaPlayer2 ----

void MprisService::Raise() {
  if (actions_.Raise) actions_.Raise();
}

void MprisService::Quit() {
  if (actions_.Quit) actions_.Quit();
}

// ---- commands ----

void MprisService::Play() {
  Command([this] {
    if (engine_.SongOpen()) {
      if (engine_.PlayerMode() != TMPModes::mpPlaying) engine_.Play();
    } else if (engine_.List().Count() > 0) {
      // Nothing loaded yet: the current line, or the first, as a double click would.
      if (engine_.List().ItemIndex() < 0) engine_.List().MakeCurrent(0);
      engine_.PlayCurrentEntry();
    }
  });
}

void MprisService::Pause() {
  Command([this] {
    if (engine_.PlayerMode() == TMPModes::mpPlaying) engine_.Pause();
  });
}

void MprisService::PlayPause() {
  const TMPModes mode = engine_.PlayerMode();
  if (mode == TMPModes::mpPlaying || mode == TMPModes::mpPaused) Command([this] { engine_.Pause(); });
  else Play();
}

void MprisService::Stop() {
  Command([this] {
    if (engine_.SongOpen()) engine_.Stop();
  });
}

void MprisService::Next() {
  Command([this] { engine_.Next(); });
}

void MprisService::Previous() {
  Command([this] { engine_.Previous(); });
}

void MprisService::Seek(qlonglong offsetUs) {
  Command([this, offsetUs] {
    if (!CanSeek()) return;
    const qlonglong lengthUs = static_cast<qlonglong>(engine_.Device()->Length()) * UsPerMs;
    qlonglong target = MprisInput::SeekTarget(Position(), offsetUs);
    if (target < 0) target = 0;
    // Past the end: as the player's next song would.
    if (target >= lengthUs) engine_.Next();
    else engine_.SeekToMs(target / UsPerMs);
  });
}

void MprisService::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs) {
  Command([this, &trackId, positionUs] {
    // Stale requests (another song by now) and positions outside the song are ignored.
    if (!CanSeek() || trackId != TrackId() || positionUs < 0) return;
    engine_.SeekToMs(positionUs / UsPerMs);
  });
}

void MprisService::OpenUri(const QString& uri) {
  // Refused before anything changes: the song playing goes on.
  const MprisInput::UriPath file = MprisInput::LocalFileOfUri(uri);
  if (!file.Refusal.isEmpty()) return RefuseCall(QDBusError::errorString(QDBusError::InvalidArgs), file.Refusal);
  Command([this, &file] { engine_.OpenPath(file.Path, false, true); });
}

// ---- input checks ----

void MprisService::RefuseCall(const QString& errorName, const QString& text) {
  if (calledFromDBus()) sendErrorReply(errorName, text);
}

// ---- properties ----

QString MprisService::PlaybackStatus() const {
  switch (engine_.PlayerMode()) {
    case TMPModes::mpPlaying:
      return QStringLiteral("Playing");
    case TMPModes::mpPaused:
      return QStringLiteral("Paused");
    default:
      return QStringLiteral("Stopped");
  }
}

// The playlist always wraps: without the song repeated, the loop is the list.
QString MprisService::LoopStatus() const {
  return engine_.Repeat() ? QStringLiteral("Track") : QStringLiteral("Playlist");
}

void MprisService::SetLoopStatus(const QString& status) {
  Command([this, &status] {
    if (status == QLatin1String("Track")) engine_.SetRepeat(true);
    else if (status == QLatin1String("Playlist") || status == QLatin1String("None")) engine_.SetRepeat(false);
  });
}

bool MprisService::Shuffle() const { return engine_.Shuffle(); }

void MprisService::SetShuffle(bool on) {
  Command([this, on] { engine_.SetShuffle(on); });
}

double MprisService::Volume() const { return engine_.VolumeLevel(); }

void MprisService::SetVolume(double volume) {
  float level = 0;
  if (!MprisInput::VolumeLevel(volume, level)) return;
  Command([this, level] { engine_.SetVolumeLevel(level); });
}

qlonglong MprisService::Position() const { return static_cast<qlonglong>(engine_.PlayerPosition()) * UsPerMs; }

QDBusObjectPath MprisService::TrackId() const {
  if (!engine_.SongOpen()) return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
  return QDBusObjectPath(QStringLiteral("/org/velmaris/track/%1").arg(trackNumber_));
}

QVariantMap MprisService::Metadata() const {
  QVariantMap m;
  if (!engine_.SongOpen()) return m;
  const std::string& path = engine_.Options().LastSoundFile;
  m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
  try {
    m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(engine_.Device()->Length()) * UsPerMs);
  } catch (const std::exception&) {
  }
  m.insert(QStringLiteral("xesam:url"), QString::fromLatin1(QUrl::fromLocalFile(QFile::decodeName(
                                                                 QByteArray::fromStdString(path)))
                                                                 .toEncoded()));
  // The tag as the engine read it when the song opened: a Get or a change
  // announcement never waits on the disk.
  const KID3Lib::SimpleID3& tag = engine_.SongTag();
  if (tag.Version.empty() || tag.Title.empty()) {
    m.insert(QStringLiteral("xesam:title"), Text(PathRules::ExtractFileName(path)));
  } else {
    m.insert(QStringLiteral("xesam:title"), Text(tag.Title));
  }
  if (!tag.Version.empty()) {
    if (!tag.Artist.empty()) m.insert(QStringLiteral("xesam:artist"), QStringList{Text(tag.Artist)});
    if (!tag.Album.empty()) m.insert(QStringLiteral("xesam:album"), Text(tag.Album));
    if (!tag.Genre.empty()) m.insert(QStringLiteral("xesam:genre"), QStringList{Text(tag.Genre)});
    bool ok = false;
    const int track = Text(tag.Track).toInt(&ok);
    if (ok && track > 0) m.insert(QStringLiteral("xesam:trackNumber"), track);
  }
  return m;
}

bool MprisService::CanGoNext() const { return engine_.List().Count() > 0; }
bool MprisService::CanGoPrevious() const { return engine_.List().Count() > 0; }
bool MprisService::CanPlay() const { return engine_.SongOpen() || engine_.List().Count() > 0; }
bool MprisService::CanPause() const { return engine_.SongOpen(); }
bool MprisService::CanSeek() const { return engine_.SongOpen() && engine_.LengthSeconds() > 0; }

QVariantMap MprisService::PlayerProperties() const {
  return {{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
          {QStringLiteral("LoopStatus"), LoopStatus()},
          {QStringLiteral("Shuffle"), Shuffle()},
          {QStringLiteral("Volume"), Volume()},
          {QStringLiteral("Metadata"), Metadata()},
          {QStringLiteral("CanGoNext"), CanGoNext()},
          {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
          {QStringLiteral("CanPlay"), CanPlay()},
          {QStringLiteral("CanPause"), CanPause()},
          {QStringLiteral("CanSeek"), CanSeek()}};
}

void MprisService::AnnounceChanges() {
  if (!announceTimer_.isActive()) announceTimer_.start();
}

void MprisService::AnnounceNow() {
  const QVariantMap now = PlayerProperties();
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
