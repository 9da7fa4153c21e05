#include "playback/PlaybackEngine.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <cmath>
#include <ctime>
#include <exception>

#include "platform/Paths.h"
#include "platform/UserDialogs.h"
#include "platform/WaveOutVolume.h"
#include "playback/PlayerTexts.h"
#include "playback/VolumeSteps.h"
#include "playlist/LineChoice.h"

PlaybackEngine::PlaybackEngine(std::unique_ptr<MediaDevice> device, WaveOutVolume* volume, QObject* parent)
    : QObject(parent), device_(std::move(device)), volume_(volume), volumePercent_(VolumeSteps::InitialPercent),
      volumeLevel_(VolumeSteps::LevelOfPercent(VolumeSteps::InitialPercent)) {
  list_.BindOptions(options_);
  list_.SeedRandom(static_cast<uint32_t>(std::time(nullptr)));
  timer_.setInterval(TimerIntervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] { RunReported(&PlaybackEngine::Tick); });
  // The device tells what happened on this thread.
  if (device_) device_->SetEventHandler([this](const MediaEvent& event) { OnDeviceEvent(event); });
  // An edited list may have moved or removed the line that follows.
  const TPlayListModel* model = list_.Model();
  connect(model, &QAbstractItemModel::rowsInserted, this, [this] { RunReported(&PlaybackEngine::DropUpcoming); });
  connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { RunReported(&PlaybackEngine::DropUpcoming); });
  connect(model, &QAbstractItemModel::rowsMoved, this, [this] { RunReported(&PlaybackEngine::DropUpcoming); });
  connect(model, &QAbstractItemModel::modelReset, this, [this] { RunReported(&PlaybackEngine::DropUpcoming); });
  connect(model, &QAbstractItemModel::layoutChanged, this, [this] { RunReported(&PlaybackEngine::DropUpcoming); });
  connect(&list_, &PlayList::AddFinished, this, [this] {
    if (!playWhenAdded_) return;
    playWhenAdded_ = false;
    RunReported(&PlaybackEngine::PlayFirstLineIfIdle);
  });
}

PlaybackEngine::~PlaybackEngine() {
  timer_.stop();
  if (device_) device_->SetEventHandler(nullptr);
}

void PlaybackEngine::RunReported(void (PlaybackEngine::*step)()) {
  try {
    (this->*step)();
  } catch (const std::exception& e) {
    emit ErrorRaised(e.what());
  } catch (...) {
    emit ErrorRaised("Unknown error");
  }
}

// ---- the media device's commands ----

MediaDevice& PlaybackEngine::OpenDevice() const {
  if (!device_ || !device_->IsOpen()) throw MediaDeviceError(kNoDeviceOpen);
  return *device_;
}

void PlaybackEngine::PlayerPlay() {
  MediaDevice& d = OpenDevice();
  if (d.Position() >= d.Length()) {
    DropUpcoming();  // the rewind drops it on the device
    d.Rewind();
  }
  d.Play();
  emit StateChanged();
}

void PlaybackEngine::PlayerPause() {
  MediaDevice& d = OpenDevice();
  switch (d.Mode()) {
    case TMPModes::mpPlaying:
      d.Pause();
      break;
    case TMPModes::mpPaused:
      try {
        d.Resume();
      } catch (const MediaDeviceError&) {
        PlayerPlay();
      }
      break;
    default:
      break;
  }
  emit StateChanged();
}

// Stop and a move drop the queued song on the device, so the engine forgets
// it first (showing a song that took over already).
void PlaybackEngine::PlayerStop() {
  DropUpcoming();
  OpenDevice().Stop();
  emit StateChanged();
}

void PlaybackEngine::PlayerSetPosition(int64_t ms) {
  DropUpcoming();
  OpenDevice().SetPosition(ms);
  emit StateChanged();
}

// Neither query ever raises, so start-up, close and the playlist's "is
// something playing" test need no guard of their own.
TMPModes PlaybackEngine::PlayerMode() const {
  if (!SongOpen()) return TMPModes::mpNotReady;
  try {
    return device_->Mode();
  } catch (const MediaDeviceError&) {
    return TMPModes::mpNotReady;
  }
}

int64_t PlaybackEngine::PlayerPosition() const {
  if (!SongOpen()) return 0;
  try {
    return device_->Position();
  } catch (const MediaDeviceError&) {
    return 0;
  }
}

// ---- songs and lines ----

void PlaybackEngine::LoadSong(const std::string& path) {
  if (!device_) throw MediaDeviceError(kNoDeviceOpen);
  try {
    device_->Open(path);
  } catch (const MediaDeviceError& e) {
    throw MediaDeviceError(PlayerTexts::OpenErrorText(path, e.what()));
  }
  ForgetUpcoming();  // the Open dropped it
  ShowOpenedSong(path);
  if (!timer_.isActive()) timer_.start();
  emit SongLoaded();
}

void PlaybackEngine::ShowOpenedSong(const std::string& path) {
  songTag_ = KID3Lib::SimpleID3();
  ShowSongTexts(path);
  PositionSeconds_ = 0;
  LengthText();
  options_.LastSoundFile = path;
  ReadSongTag(path);
}

void PlaybackEngine::ShowSongTexts(const std::string& path) {
  const std::string display = list_.EntryDisplayText(path, songTag_);
  const PlayerTexts::SongCaption caption = PlayerTexts::MakeSongCaption(display);
  caption_ = caption.Text;
  captionCut_ = caption.Cut;
  SetTrayHint(" " + display);
  if (device_) device_->SetTitle(display);
}

void PlaybackEngine::ReadSongTag(const std::string& path) {
  // The tag is read once per song, off this thread (a hostile tag takes a
  // minute to read), and kept: every text of the song (caption, taskbar,
  // tray, the media controls) comes from this copy. Until it is there the
  // texts show the file name.
  auto tag = std::make_shared<KID3Lib::SimpleID3>();
  const KID3Lib::TagReading reading = list_.TagReading();
  const auto read = [tag, path, reading](const std::atomic<bool>&) { *tag = KID3Lib::ReadSimpleID3(path, reading); };
  const auto landed = [this, tag, path] {
    songTagWork_.Finished();
    if (!SongOpen() || options_.LastSoundFile != path) return;  // another song by now
    songTag_ = *tag;
    ShowSongTexts(path);
    emit SongTextsChanged();
  };
  if (!songTagWork_.Start(this, read, landed)) {
    read(std::atomic<bool>{false});
    songTag_ = *tag;
    ShowSongTexts(path);
  }
}

void PlaybackEngine::PlayCurrentEntry() {
  const int i = list_.ItemIndex();
  if (i < 0 || i >= list_.Count()) return;  // no current line: nothing to play
  const std::string path = list_.Path(i);
  if (!Paths::FileExists(path)) {
    emit MessageRequested("Error: File does not exist", path + " does not exist.", static_cast<int>(TMsgIcon::Error));
    return;
  }
  // The chosen line replaces whatever was to follow (also a song that took
  // over a moment ago and is not shown yet: the Open supersedes it).
  if (upcoming_.line >= 0 && SongOpen()) device_->DropQueued();
  ForgetUpcoming();
  LoadSong(path);
  PlayerPlay();
  UpdateButtons();
}

bool PlaybackEngine::OpenPath(const std::string& path, bool keep, bool play) {
  const PlayList::Opened opened = list_.OpenPath(path, keep);
  if (opened == PlayList::Opened::Nothing) return false;
  if (opened == PlayList::Opened::Song && play) {
    LoadSong(path);
    PlayerPlay();
  }
  // A long list in a tag mode arrives later: it plays when it is there.
  playWhenAdded_ = play && list_.Adding();
  if (play && !playWhenAdded_) PlayFirstLineIfIdle();
  return true;
}

void PlaybackEngine::PlayFirstLineIfIdle() {
  if (list_.Count() > 0) {
    const TMPModes mode = PlayerMode();
    if (mode != TMPModes::mpPlaying && mode != TMPModes::mpOpen) {
      list_.SetItemIndex(0);
      PlayCurrentEntry();
    }
  }
}

// ---- transport commands ----

// The transport commands show their result on the buttons at once, not at
// the next tick: what the buttons show is also what a seek takes for "was it
// playing", so a seek right after Play must find the song playing.
void PlaybackEngine::Play() {
  if (!timer_.isActive()) timer_.start();
  PlayerPlay();
  UpdateButtons();
}

void PlaybackEngine::Pause() {
  PlayerPause();
  UpdateButtons();
}

void PlaybackEngine::Stop() {
  buttons_.StopEnabled = false;
  emit ButtonsChanged();
  PlayerStop();
  OpenDevice().Rewind();
  UpdateButtons();
}

void PlaybackEngine::Next() {
  DropUpcoming();
  if (list_.SelectNext()) PlayCurrentEntry();
}

void PlaybackEngine::Previous() {
  DropUpcoming();
  if (list_.SelectPrevious()) PlayCurrentEntry();
}

void PlaybackEngine::PlayRandom() {
  DropUpcoming();
  if (list_.SelectRandom()) PlayCurrentEntry();
}

bool PlaybackEngine::SeekTo(int32_t t) {
  if (t < 0 || t >= LengthSeconds_) return false;
  return SeekToMs(static_cast<int64_t>(static_cast<double>(t) * 1000.0));
}

bool PlaybackEngine::SeekToMs(int64_t ms) {
  DropUpcoming();  // re-queued when the song nears its end again
  if (ms < 0 || (SongOpen() && ms >= device_->Length())) return false;
  PlayerPause();  // without a song: the device's error
  PlayerSetPosition(ms);
  // "Was it playing" is what the buttons showed last: a play button that
  // was not offered means the song was playing.
  if (!buttons_.PlayEnabled) PlayerPlay();
  PositionSeconds_ = PlayerTexts::WholeSeconds(ms);
  emit Seeked();
  return true;
}

void PlaybackEngine::SeekAt(int x, int width) {
  if (width <= 0) return;
  const double t = std::trunc(static_cast<double>(x) / width * LengthSeconds_);
  // Targets outside the song are ignored; out-of-range values never reach
  // the integer conversion.
  if (!(t >= 0.0 && t < static_cast<double>(LengthSeconds_))) return;
  SeekTo(static_cast<int32_t>(t));
}

// ---- play modes ----

void PlaybackEngine::SetShuffle(bool on) {
  if (shuffle_ == on && !(on && repeat_)) return;
  shuffle_ = on;
  if (on) repeat_ = false;
  DropUpcoming();
  emit ModesChanged();
}

void PlaybackEngine::SetRepeat(bool on) {
  if (repeat_ == on && !(on && shuffle_)) return;
  repeat_ = on;
  if (on) shuffle_ = false;
  DropUpcoming();
  emit ModesChanged();
}

// ---- the position timer ----

void PlaybackEngine::Tick() {
  // No song open (a failed open, or Play before any load): the failing
  // command has shown its error once; the timer stops rather than asking a
  // closed device again on every tick.
  if (!SongOpen()) {
    timer_.stop();
    return;
  }
  // Likewise an error inside a tick is shown once: the timer stops before
  // the error leaves, and Play or the next song starts it again.
  try {
    CatchUp();
    if (!SongOpen()) return;
    const MediaDevice::Times times = device_->PositionAndLength();
    const int64_t p = times.position;
    const int64_t n = times.length;
    if (p < n) {
      PositionSeconds_ = PlayerTexts::WholeSeconds(p);
      zeroLengthEnds_ = 0;
      QueueUpcoming(p, n);
    } else {
      // A song without length ends as soon as it starts. Moving on from such
      // songs stops once each line has had its turn, so a list of them cannot
      // keep the player busy for ever.
      if (n > 0) zeroLengthEnds_ = 0;
      else if (++zeroLengthEnds_ >= std::max(1, list_.Count())) {
        timer_.stop();
        PositionSeconds_ = 0;
        zeroLengthEnds_ = 0;
        SetTrayHint(PlayerTexts::TitlePrefix);
        return;
      }
      if (SongFinished()) return;
    }
    UpdateButtons();
    emit Ticked();
  } catch (...) {
    timer_.stop();
    throw;
  }
}

bool PlaybackEngine::SongFinished() {
  ForgetUpcoming();  // a song ends only when nothing took over
  timer_.stop();
  PositionSeconds_ = 0;
  PlayerSetPosition(0);
  if (repeat_) {
    Play();
    return false;
  }
  const bool next = shuffle_ ? list_.SelectRandom() : list_.SelectNext();
  if (next) {
    PlayCurrentEntry();
    return true;
  }
  SetTrayHint(PlayerTexts::TitlePrefix);
  return false;
}

// ---- gapless continuation ----

int PlaybackEngine::UpcomingLine() {
  const int count = list_.Count();
  const int focus = list_.ItemIndex();
  if (repeat_) return focus >= 0 && focus < count ? focus : -1;
  if (shuffle_) return list_.DrawRandomLine();
  return LineChoice::Next(focus, count);
}

void PlaybackEngine::QueueUpcoming(int64_t position, int64_t length) {
  // A song of no length keeps the old way: it ends at once and the tick
  // moves on.
  if (upcoming_.line >= 0 || upcoming_.tried || length <= 0 || length - position >= QueueAheadMs) return;
  if (device_->Mode() != TMPModes::mpPlaying) return;
  upcoming_.tried = true;
  const int line = UpcomingLine();
  if (line < 0) return;
  const std::string path = list_.Path(line);
  if (!Paths::FileExists(path)) return;  // the end of the song shows the error
  // A refusal (the file does not open, another sample rate) needs no
  // message here: the end of the song opens the line the usual way and
  // shows the error then.
  if (!device_->QueueNext(path)) return;
  upcoming_.line = line;
  upcoming_.path = path;
}

void PlaybackEngine::OnDeviceEvent(const MediaEvent& event) {
  switch (event.kind) {
    case MediaEvent::Kind::QueuedSongAudible:
      ShowQueuedSong(event.path);
      if (!catchingUp_) RunReported(&PlaybackEngine::Tick);
      break;
    case MediaEvent::Kind::SongFinished:
      // The end of the song is seen by the same tick the timer runs (the
      // command that caught up goes on by itself).
      if (!catchingUp_) RunReported(&PlaybackEngine::Tick);
      break;
    case MediaEvent::Kind::Failure:
    case MediaEvent::Kind::OutputLost:
      // The device has stopped: shown at once, said once.
      UpdateButtons();
      emit StateChanged();
      emit ErrorRaised(event.kind == MediaEvent::Kind::Failure ? event.text
                                                               : "The sound output was lost: " + event.text);
      break;
    case MediaEvent::Kind::VolumeChangedOutside:
      // Kept like a volume set here, without telling the device again.
      if (volume_) volume_->SetVolume(event.volume);
      volumePercent_ = VolumeSteps::PercentOfDeviceValue(event.volume);
      volumeLevel_ = VolumeSteps::LevelOfDeviceValue(event.volume);
      emit VolumeChanged();
      break;
    case MediaEvent::Kind::SongAudible:
    case MediaEvent::Kind::OutputBack:
      break;
  }
}

void PlaybackEngine::ShowQueuedSong(const std::string& path) {
  // A song the engine no longer waits for (a command came between) is not
  // shown: the command has replaced it.
  if (upcoming_.line < 0 || upcoming_.path != path || !SongOpen()) return;
  const int line = upcoming_.line;
  ForgetUpcoming();
  // The line may have moved since (an edit that came after the change):
  // the focus moves only to the line that still holds the song.
  if (line < list_.Count() && list_.Path(line) == path) list_.MakeCurrent(line);
  ShowOpenedSong(path);
  zeroLengthEnds_ = 0;
  emit SongLoaded();
}

void PlaybackEngine::CatchUp() {
  if (!device_ || catchingUp_) return;
  catchingUp_ = true;
  try {
    device_->DeliverEvents();
  } catch (...) {
    catchingUp_ = false;
    throw;
  }
  catchingUp_ = false;
}

void PlaybackEngine::DropUpcoming() {
  CatchUp();
  if (upcoming_.line >= 0 && SongOpen()) device_->DropQueued();
  ForgetUpcoming();
}

void PlaybackEngine::ForgetUpcoming() { upcoming_ = Upcoming{}; }

void PlaybackEngine::UpdateButtons() {
  switch (PlayerMode()) {
    case TMPModes::mpStopped:
    case TMPModes::mpPaused:
      buttons_.PlayVisible = buttons_.PlayEnabled = true;
      buttons_.StopEnabled = false;
      buttons_.PauseVisible = buttons_.PauseEnabled = false;
      break;
    case TMPModes::mpPlaying:
      buttons_.PlayVisible = buttons_.PlayEnabled = false;
      buttons_.StopEnabled = true;
      buttons_.PauseVisible = buttons_.PauseEnabled = true;
      break;
    default:
      break;
  }
  buttons_.SeekEnabled = LengthSeconds_ > 0;
  emit ButtonsChanged();
}

// ---- what the fronts show ----

void PlaybackEngine::SetTrayHint(const std::string& hint) {
  trayHint_ = hint;
  emit TrayHintChanged();
}

std::string PlaybackEngine::LengthText() {
  LengthSeconds_ = PlayerTexts::WholeSeconds(OpenDevice().Length());
  return " [" + PlayerTexts::TimeText(LengthSeconds_) + "] total time";
}

std::string PlaybackEngine::PositionText() const { return " [" + PlayerTexts::TimeText(PositionSeconds_) + "]"; }

std::string PlaybackEngine::TimeLeftText() {
  LengthSeconds_ = PlayerTexts::WholeSeconds(OpenDevice().Length());
  return PlayerTexts::TimeText(LengthSeconds_ - PositionSeconds_);
}

std::string PlaybackEngine::ExpandDisplayFormat(const std::string& format) {
  return PlayerTexts::ExpandDisplayFormat(
      format, {[this] { return PlayerTexts::FileNameToken(caption_); }, [this] { return TimeLeftText(); },
               [this] { return PlayerTexts::TimeText(PositionSeconds_); }});
}

// ---- volume ----

bool PlaybackEngine::ReadDeviceVolume() {
  uint32_t value = 0;
  if (!volume_ || !volume_->GetVolume(value)) {
    emit MessageRequested("Velmaris", "Error retrieving the volume of the audio device.",
                          static_cast<int>(TMsgIcon::None));
    return false;
  }
  volumePercent_ = VolumeSteps::PercentOfDeviceValue(value);
  volumeLevel_ = VolumeSteps::LevelOfDeviceValue(value);
  emit VolumeChanged();
  return true;
}

void PlaybackEngine::SetVolumeLevel(float level) {
  level = VolumeSteps::ClampLevel(level);
  if (volume_) volume_->SetVolume(VolumeSteps::DeviceValue(level));
  if (device_) device_->SetVolume(VolumeSteps::DeviceValue(level));
  volumePercent_ = VolumeSteps::PercentOfLevel(level);
  volumeLevel_ = level;
  emit VolumeChanged();
}

void PlaybackEngine::VolumeRightClick() { SetVolumeLevel(VolumeSteps::RightClickLevel(volumePercent_)); }

void PlaybackEngine::VolumeDragStart(int x) {
  volumeDragStartLevel_ = VolumeSteps::LevelOfPercent(volumePercent_);
  volumeDragStartX_ = x;
}

void PlaybackEngine::VolumeDragMove(int x) {
  SetVolumeLevel(VolumeSteps::DragLevel(volumeDragStartLevel_, volumeDragStartX_, x));
}
