#include "mpris/MprisFront.h"

#include <QThread>
#include <QByteArray>

#include <chrono>
#include <exception>
#include <optional>

#include "mpris/MprisInput.h"
#include "mpris/MprisService.h"
#include "platform/MediaDevice.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PathRules.h"
#include "playlist/PlayList.h"
#include "tags/Kid3lib.h"

namespace {

constexpr qlonglong UsPerMs = 1000;
// How long remote commands run at a time before the window's own events.
constexpr std::chrono::milliseconds CommandSlice{10};
// How long a close waits for the bus thread to stop.
constexpr unsigned long StopLimitMs = 1000;

QString Text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

MprisFront::MprisFront(PlaybackEngine& engine, WindowActions actions, QObject* parent)
    : QObject(parent), engine_(engine), actions_(std::move(actions)) {
  connect(&engine_, &PlaybackEngine::SongLoaded, this, [this] {
    ++trackNumber_;
    PublishSoon();
  });
  for (auto signal : {&PlaybackEngine::StateChanged, &PlaybackEngine::Ticked, &PlaybackEngine::ButtonsChanged,
                      &PlaybackEngine::VolumeChanged, &PlaybackEngine::ModesChanged,
                      &PlaybackEngine::SongTextsChanged})
    connect(&engine_, signal, this, &MprisFront::PublishSoon);
  connect(engine_.List().Model(), &QAbstractItemModel::rowsInserted, this, &MprisFront::PublishSoon);
  connect(engine_.List().Model(), &QAbstractItemModel::modelReset, this, &MprisFront::PublishSoon);
  connect(&engine_, &PlaybackEngine::Seeked, this, [this] {
    // The new position first, then the jump, in this order on the bus thread.
    PublishNow();
    if (!service_) return;
    const qlonglong position = static_cast<qlonglong>(engine_.PlayerPosition()) * UsPerMs;
    QMetaObject::invokeMethod(service_, [service = service_, position] { service->AnnounceSeek(position); },
                              Qt::QueuedConnection);
  });
  publishTimer_.setSingleShot(true);
  publishTimer_.setInterval(0);
  connect(&publishTimer_, &QTimer::timeout, this, &MprisFront::PublishNow);
}

MprisFront::~MprisFront() {
  commands_.Close();
  if (!service_) return;
  // The service is deleted on its own thread, which then ends.
  QMetaObject::invokeMethod(
      service_,
      [service = service_, thread = thread_] {
        delete service;
        thread->quit();
      },
      Qt::QueuedConnection);
  if (thread_->wait(StopLimitMs)) delete thread_;
  // Else it is stuck in a file system call; the process ends around it.
}

void MprisFront::Start() {
  if (service_) return;
  thread_ = new QThread;
  thread_->setObjectName(QStringLiteral("media controls"));
  service_ = new MprisService(*this, commands_, [this] {
    QMetaObject::invokeMethod(this, &MprisFront::RunCommands, Qt::QueuedConnection);
  });
  service_->moveToThread(thread_);
  thread_->start();
  // The state is there before anyone can ask for it.
  PublishNow();
  QMetaObject::invokeMethod(service_, [service = service_] { service->Register(); }, Qt::QueuedConnection);
}

void MprisFront::RunCommands() {
  if (commands_.RunFor(CommandSlice))
    QMetaObject::invokeMethod(this, &MprisFront::RunCommands, Qt::QueuedConnection);
  PublishNow();
}

void MprisFront::Command(const std::function<void()>& command) {
  // A remote command never opens a box (thousands may come): its failure
  // goes to the window's notice instead.
  try {
    if (actions_.RunRemote) actions_.RunRemote(command);
    else command();
  } catch (const std::exception& e) {
    if (actions_.Report) actions_.Report(e.what());
  }
}

// ---- org.mpris.MediaPlayer2 ----

void MprisFront::Raise() {
  if (actions_.Raise) actions_.Raise();
}

void MprisFront::Quit() {
  if (actions_.Quit) actions_.Quit();
}

// ---- commands ----

void MprisFront::Play() {
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

void MprisFront::Pause() {
  Command([this] {
    if (engine_.PlayerMode() == TMPModes::mpPlaying) engine_.Pause();
  });
}

void MprisFront::PlayPause() {
  const TMPModes mode = engine_.PlayerMode();
  if (mode == TMPModes::mpPlaying || mode == TMPModes::mpPaused) Command([this] { engine_.Pause(); });
  else Play();
}

void MprisFront::Stop() {
  Command([this] {
    if (engine_.SongOpen()) engine_.Stop();
  });
}

void MprisFront::Next() {
  Command([this] { engine_.Next(); });
}

void MprisFront::Previous() {
  Command([this] { engine_.Previous(); });
}

void MprisFront::Seek(qlonglong offsetUs) {
  Command([this, offsetUs] {
    if (!CanSeek()) return;
    const qlonglong lengthUs = static_cast<qlonglong>(engine_.Device()->Length()) * UsPerMs;
    const qlonglong positionUs = static_cast<qlonglong>(engine_.PlayerPosition()) * UsPerMs;
    qlonglong target = MprisInput::SeekTarget(positionUs, offsetUs);
    if (target < 0) target = 0;
    // Past the end: as the player's next song would.
    if (target >= lengthUs) engine_.Next();
    else engine_.SeekToMs(target / UsPerMs);
  });
}

void MprisFront::SetPosition(const QString& trackId, qlonglong positionUs) {
  Command([this, &trackId, positionUs] {
    // Stale requests (another song by now) and positions outside the song are ignored.
    if (!CanSeek() || trackId != TrackId() || positionUs < 0) return;
    engine_.SeekToMs(positionUs / UsPerMs);
  });
}

void MprisFront::OpenPath(const std::string& path) {
  Command([this, &path] { engine_.OpenPath(path, false, true); });
}

void MprisFront::SetLoopStatus(const QString& status) {
  Command([this, &status] {
    if (status == QLatin1String("Track")) engine_.SetRepeat(true);
    else if (status == QLatin1String("Playlist") || status == QLatin1String("None")) engine_.SetRepeat(false);
  });
}

void MprisFront::SetShuffle(bool on) {
  Command([this, on] { engine_.SetShuffle(on); });
}

void MprisFront::SetVolumeLevel(float level) {
  Command([this, level] { engine_.SetVolumeLevel(level); });
}

// ---- the state ----

QString MprisFront::TrackId() const {
  if (!engine_.SongOpen()) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  return QStringLiteral("/org/velmaris/track/%1").arg(trackNumber_);
}

bool MprisFront::CanSeek() const { return engine_.SongOpen() && engine_.LengthSeconds() > 0; }

QVariantMap MprisFront::Metadata(std::optional<qlonglong> lengthUs) const {
  QVariantMap m;
  if (!engine_.SongOpen()) return m;
  const std::string& path = engine_.Options().LastSoundFile;
  m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId())));
  if (lengthUs) m.insert(QStringLiteral("mpris:length"), *lengthUs);
  // The name's bytes escaped as they are: a name that is not UTF-8 keeps
  // its bytes (%E9), as OpenUri takes them.
  m.insert(QStringLiteral("xesam:url"),
           QString::fromLatin1("file://" + QByteArray::fromStdString(path).toPercentEncoding("/!$&'()*+,;=:@")));
  // The tag as the engine read it when the song opened: a change never
  // waits on the disk.
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

MprisState MprisFront::State() const {
  MprisState state;
  const TMPModes mode = engine_.PlayerMode();
  const bool open = engine_.SongOpen();
  const int count = engine_.List().Count();
  std::optional<qlonglong> lengthUs;  // none: the device cannot tell
  if (open) {
    try {
      lengthUs = static_cast<qlonglong>(engine_.Device()->Length()) * UsPerMs;
    } catch (const std::exception&) {
    }
  }
  state.LengthUs = lengthUs.value_or(0);
  state.Player = {
      {QStringLiteral("PlaybackStatus"), mode == TMPModes::mpPlaying  ? QStringLiteral("Playing")
                                         : mode == TMPModes::mpPaused ? QStringLiteral("Paused")
                                                                      : QStringLiteral("Stopped")},
      // The playlist always wraps: without the song repeated, the loop is the list.
      {QStringLiteral("LoopStatus"), engine_.Repeat() ? QStringLiteral("Track") : QStringLiteral("Playlist")},
      {QStringLiteral("Shuffle"), engine_.Shuffle()},
      {QStringLiteral("Volume"), static_cast<double>(engine_.VolumeLevel())},
      {QStringLiteral("Metadata"), Metadata(lengthUs)},
      {QStringLiteral("CanGoNext"), count > 0},
      {QStringLiteral("CanGoPrevious"), count > 0},
      {QStringLiteral("CanPlay"), open || count > 0},
      {QStringLiteral("CanPause"), open},
      {QStringLiteral("CanSeek"), CanSeek()}};
  state.PositionUs = static_cast<qlonglong>(engine_.PlayerPosition()) * UsPerMs;
  state.Advancing = mode == TMPModes::mpPlaying;
  state.TakenAt = MprisState::Clock::now();
  state.HandledThrough = commands_.HandledThrough();
  return state;
}

void MprisFront::PublishSoon() {
  if (!publishTimer_.isActive()) publishTimer_.start();
}

void MprisFront::PublishNow() {
  publishTimer_.stop();
  if (!service_) return;
  QMetaObject::invokeMethod(service_, [service = service_, state = State()] { service->Publish(state); },
                            Qt::QueuedConnection);
}
