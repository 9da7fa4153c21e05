#include "platform/Mpg123SdlDevice.h"

#include <mpg123.h>

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/PreferredAudioOutput.h"

namespace {

constexpr int kPlaying = static_cast<int>(TMPModes::mpPlaying);
constexpr int kPaused = static_cast<int>(TMPModes::mpPaused);
constexpr int kStopped = static_cast<int>(TMPModes::mpStopped);

// About 0.74 s at 44.1 kHz: the decoder wakes about three times a second.
constexpr size_t kRingFrames = 32768;
// mpg123_read hands out at most this many frames per call here (one MPEG
// layer III frame is 1152).
constexpr size_t kChunkFrames = 4608;

// Text for a file in which the decoder finds no audio at all (empty, or
// not MPEG audio); the decoder itself only says the track has ended.
constexpr const char* kNoAudioFrame = "The file holds no playable MPEG audio";

void InitDecoderLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

std::string DecoderText(mpg123_handle* mh, int result) {
  int code = result;
  if (result == MPG123_ERR && mh != nullptr) code = mpg123_errcode(mh);
  if (code == MPG123_DONE) return kNoAudioFrame;
  const char* text = mpg123_plain_strerror(code);
  return text && *text ? text : "Unknown error code";
}

struct HandleDeleter {
  void operator()(mpg123_handle* mh) const {
    if (mh == nullptr) return;
    mpg123_close(mh);
    mpg123_delete(mh);
  }
};
using HandlePtr = std::unique_ptr<mpg123_handle, HandleDeleter>;

// A decoder handle for `path` that gives stereo 16-bit output, gapless.
HandlePtr OpenHandle(const std::string& path, long* rate) {
  InitDecoderLibrary();
  int err = MPG123_OK;
  HandlePtr mh(mpg123_new(nullptr, &err));
  if (!mh) throw MediaDeviceError(DecoderText(nullptr, err));
  mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0.0);
  // Only stereo 16-bit output: mono songs are doubled by the decoder.
  mpg123_format_none(mh.get());
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) mpg123_format(mh.get(), rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);

  int r = mpg123_open(mh.get(), path.c_str());
  if (r != MPG123_OK) throw MediaDeviceError(DecoderText(mh.get(), r));
  int channels = 0, encoding = 0;
  r = mpg123_getformat(mh.get(), rate, &channels, &encoding);
  if (r != MPG123_OK) throw MediaDeviceError(DecoderText(mh.get(), r));
  if (*rate <= 0) throw MediaDeviceError(kNoAudioFrame);
  // Keep this format for the whole song; frames at other rates get resampled.
  mpg123_format_none(mh.get());
  mpg123_format(mh.get(), *rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return mh;
}

// True when the song's length comes from a LAME info frame (it also names
// the encoder delay). Otherwise the decoder guessed it from the file size;
// only a scan of every frame header makes it exact.
bool LengthFromInfoFrame(mpg123_handle* mh) {
  long delay = -1;
  double unused = 0;
  return mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK && delay >= 0;
}

int64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

} // namespace

void Mpg123SdlDevice::HandleCloser::operator()(Handle* mh) const { HandleDeleter()(mh); }

Mpg123SdlDevice::Mpg123SdlDevice(SharedAudioGain gain)
    : Mpg123SdlDevice(gain, [gain](AudioOutput::RenderFn render, void* user) {
        return std::make_unique<PreferredAudioOutput>(render, user, gain);
      }) {}

Mpg123SdlDevice::Mpg123SdlDevice(SharedAudioGain gain, const OutputFactory& makeOutput)
    : gain_(std::move(gain)), notifier_(std::make_unique<QObject>()),
      output_(makeOutput(&Mpg123SdlDevice::RenderThunk, this)), ring_(kRingFrames), scratch_(kChunkFrames * 2) {
  // The sound server's stream gets ready while the program builds its
  // window; Open waits for it only when it needs it.
  output_->OpenInBackground(AudioOutput::kLikelyRate);
}

Mpg123SdlDevice::~Mpg123SdlDevice() {
  if (reader_.joinable()) reader_.join();
  CloseSong();
  output_.reset();
}

void Mpg123SdlDevice::CheckOpen() const {
  if (!open_) throw MediaDeviceError(kNoDeviceOpen);
}

int Mpg123SdlDevice::OutputBufferFrames() const { return output_->BufferFrames(); }

Mpg123SdlDevice::Song Mpg123SdlDevice::PrepareSong(const std::string& path) {
  Song song;
  long rate = 0;
  HandlePtr mh = OpenHandle(path, &rate);
  if (!LengthFromInfoFrame(mh.get())) {
    // A scan takes a few milliseconds for a song of normal size.
    const int64_t size = FileSize(path);
    if (size >= 0 && size <= kInlineScanBytes)
      mpg123_scan(mh.get());
    else
      song.scanLater = true;
  }
  const off_t length = mpg123_length(mh.get());
  // Take the song's first frames now: this proves the file holds audio, and
  // a Play right after Open finds sound waiting.
  song.head.resize(kChunkFrames * 2);
  size_t bytes = 0;
  int r = mpg123_read(mh.get(), song.head.data(), kChunkFrames * 4, &bytes);
  if (r == MPG123_NEW_FORMAT) r = MPG123_OK;  // the format is fixed; go on
  if (bytes / 4 == 0) throw MediaDeviceError(r == MPG123_OK || r == MPG123_DONE ? kNoAudioFrame : DecoderText(mh.get(), r));
  song.head.resize(bytes / 4 * 2);
  song.decodeDone = r != MPG123_OK;
  song.mh.reset(mh.release());
  song.path = path;
  song.rate = static_cast<int>(rate);
  song.length = length > 0 ? static_cast<int64_t>(length) : 0;
  return song;
}

void Mpg123SdlDevice::ReadAhead(const std::string& path) {
  if (reader_.joinable() || open_) return;
  readAheadPath_ = path;
  reader_ = std::thread([this, path] {
    try {
      readAhead_ = PrepareSong(path);
    } catch (const MediaDeviceError&) {
      // Open tries again and reports it.
    }
  });
}

Mpg123SdlDevice::Song Mpg123SdlDevice::TakeSong(const std::string& path) {
  if (reader_.joinable()) reader_.join();
  Song song = std::move(readAhead_);
  const bool same = readAheadPath_ == path;
  readAhead_ = Song{};
  readAheadPath_.clear();
  if (same && song.mh) return song;
  return PrepareSong(path);
}

void Mpg123SdlDevice::Open(const std::string& path) {
  CloseSong();

  Song song = TakeSong(path);
  output_->Open(song.rate);
  softwareGain_.store(!output_->AppliesVolume());

  std::lock_guard<std::mutex> lock(mutex_);
  output_->Lock();
  ring_.Reset();
  switchAt_.store(kNoSwitch);
  output_->Unlock();
  const bool scanLater = song.scanLater;
  rate_ = song.rate;
  cur_ = std::move(song);
  next_ = Song{};
  decodingNext_ = false;
  curSerial_ = (curSerial_ + 1) & 0xFFFF;
  lengths_[curSerial_ & 1].store(cur_.length);
  clock_.store(static_cast<uint64_t>(curSerial_) << kSerialShift, std::memory_order_release);
  decoderEof_.store(false);
  endReached_.store(false);
  transitioned_.store(false);
  playPending_ = false;
  quit_ = false;
  DecodeChunkLocked();  // the head goes into the ring at once
  mode_.store(kStopped);
  open_ = true;
  decoder_ = std::thread(&Mpg123SdlDevice::DecoderLoop, this);
  if (scanLater) {
    stopScan_.store(false);
    scanner_ = std::thread(&Mpg123SdlDevice::ScanLength, this, path, curSerial_);
  }
}

void Mpg123SdlDevice::Close() {
  CloseSong();
  output_->Close();
}

void Mpg123SdlDevice::CloseSong() {
  if (!open_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    EndPlayLocked(TMPModes::mpStopped);
    quit_ = true;
    openGeneration_.fetch_add(1);
  }
  stopScan_.store(true);
  Wake();
  if (decoder_.joinable()) decoder_.join();
  if (scanner_.joinable()) scanner_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  cur_ = Song{};
  next_ = Song{};
  decodingNext_ = false;
  output_->Lock();
  switchAt_.store(kNoSwitch);
  transitioned_.store(false);
  output_->Unlock();
  unannouncedPath_.clear();
  announcePending_.store(false);
  open_ = false;
  mode_.store(static_cast<int>(TMPModes::mpNotReady));
}

void Mpg123SdlDevice::Play() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  if (mode_.load() == kPlaying) {
    // A new play supersedes the running one, which reports completion.
    if (playPending_) PostCompletion();
    playPending_ = true;
    return;
  }
  if (cur_.inRing && !decodingNext_ && PlayedFramesLocked() >= lengths_[curSerial_ & 1].load()) MoveToLocked(0);
  playPending_ = true;
  StartSoundLocked();
}

void Mpg123SdlDevice::Pause() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  if (mode_.load() != kPlaying) return;
  ContinueFromHeardLocked(EndPlayLocked(TMPModes::mpPaused));
}

void Mpg123SdlDevice::Resume() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  if (mode_.load() != kPaused) return;
  playPending_ = true;
  StartSoundLocked();
}

void Mpg123SdlDevice::Stop() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  const bool wasPlaying = mode_.load() == kPlaying;
  const int64_t heard = EndPlayLocked(TMPModes::mpStopped);
  DropQueuedLocked();
  if (wasPlaying) ContinueFromHeardLocked(heard);
}

void Mpg123SdlDevice::SetPosition(int64_t ms) {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  EndPlayLocked(TMPModes::mpStopped);
  const int64_t total = lengths_[curSerial_ & 1].load();
  int64_t frame = ms <= 0 ? 0 : ms * rate_ / 1000;
  // Round up so that the position read back is the one just set.
  if (ms > 0 && frame * 1000 / rate_ < ms) ++frame;
  if (total > 0 && frame > total) frame = total;
  MoveToLocked(frame);
}

void Mpg123SdlDevice::Rewind() { SetPosition(0); }

int64_t Mpg123SdlDevice::Length() const { return PositionAndLength().length; }

int64_t Mpg123SdlDevice::Position() const { return PositionAndLength().position; }

MediaDevice::Times Mpg123SdlDevice::PositionAndLength() const {
  CheckOpen();
  const uint64_t clock = clock_.load(std::memory_order_acquire);
  const auto frames = static_cast<int64_t>(clock & kFramesMask);
  const uint64_t serial = clock >> kSerialShift;
  const int64_t length = lengths_[serial & 1].load();
  // What the output still holds has not been heard: the position is that
  // far back, in the song before when a change of song is not audible yet.
  const int64_t held = HeldSongFrames();
  if (held > frames && announcePending_.load()) {
    const int64_t before = lengths_[(serial + 1) & 1].load();
    const int64_t at = before - (held - frames);
    return {(at > 0 ? at : 0) * 1000 / rate_, before * 1000 / rate_};
  }
  const int64_t heard = frames > held ? frames - held : 0;
  return {heard * 1000 / rate_, length * 1000 / rate_};
}

int64_t Mpg123SdlDevice::HeldSongFrames() const {
  // Silence rendered after the song's last frame is held too, in front of
  // what the server will play last.
  const int64_t held = output_->HeldFrames() - trailingSilence_.load(std::memory_order_acquire);
  return held > 0 ? held : 0;
}

void Mpg123SdlDevice::StartSoundLocked() {
  mode_.store(kPlaying);
  // The output held silence while nothing played; the song is heard at once.
  output_->DiscardHeld();
}

void Mpg123SdlDevice::ContinueFromHeardLocked(int64_t heard) {
  // The output ran ahead of the ear: go on from what was heard, so nothing
  // is skipped on the way back.
  if (heard < PlayedFramesLocked()) MoveToLocked(heard);
}

TMPModes Mpg123SdlDevice::Mode() const {
  CheckOpen();
  return static_cast<TMPModes>(mode_.load());
}

int64_t Mpg123SdlDevice::PlayedFramesLocked() const {
  return static_cast<int64_t>(clock_.load(std::memory_order_acquire) & kFramesMask);
}

bool Mpg123SdlDevice::QueueNext(const std::string& path, std::string* reason) {
  const auto refuse = [reason](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  if (!open_) return refuse(kNoDeviceOpen);
  Song song;
  try {
    song = PrepareSong(path);
  } catch (const MediaDeviceError& e) {
    return refuse(e.what());
  }
  if (song.rate != rate_)
    return refuse("The next song plays at " + std::to_string(song.rate) + " Hz, this one at " +
                  std::to_string(rate_) + " Hz");
  if (song.scanLater) return refuse("The next song's length is not known before a scan");

  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  DropQueuedLocked();
  lengths_[(curSerial_ + 1) & 1].store(song.length);
  if (!cur_.inRing) {
    // The decoder turns to the queued song when it reaches this one's end.
    next_ = std::move(song);
    return true;
  }
  // This song is all in the ring already: the queued one follows what is there.
  output_->Lock();
  const bool ended = decoderEof_.load() && ring_.Readable() == 0;
  if (!ended) {
    next_ = std::move(song);
    decodingNext_ = true;
    switchAt_.store(ring_.WrittenTotal(), std::memory_order_release);
    decoderEof_.store(false);
  }
  output_->Unlock();
  if (ended) return refuse("The song has already ended");
  Wake();
  return true;
}

void Mpg123SdlDevice::DropQueued() {
  if (!open_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  SettleLocked();
  DropQueuedLocked();
}

std::string Mpg123SdlDevice::QueuedPath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  // A change of song not heard yet: the song is still the queued one.
  if (!unannouncedPath_.empty()) return unannouncedPath_;
  return next_.path;
}

void Mpg123SdlDevice::DropQueuedLocked() {
  if (!next_.mh) return;
  output_->Lock();
  if (transitioned_.load()) {
    // Too late: the queued song is playing already.
    output_->Unlock();
    SettleLocked();
    return;
  }
  const uint64_t at = switchAt_.load();
  if (at != kNoSwitch) {
    // Forget the queued song's frames; the open song ends where it ends.
    ring_.DropAfter(at);
    switchAt_.store(kNoSwitch);
    decoderEof_.store(true, std::memory_order_release);
  }
  output_->Unlock();
  decodingNext_ = false;
  next_ = Song{};
}

int64_t Mpg123SdlDevice::EndPlayLocked(TMPModes mode) {
  mode_.store(static_cast<int>(mode));
  // Wait out a callback that may still be taking frames, so that the
  // position is final when this returns.
  output_->Lock();
  output_->Unlock();
  // A change of song in that last buffer is reported before the play's end.
  SettleLocked();
  const int64_t played = PlayedFramesLocked();
  const int64_t held = HeldSongFrames();
  // What was rendered and not heard goes now, not after the server's buffer.
  output_->DiscardHeld();
  if (playPending_) {
    playPending_ = false;
    PostCompletion();
  }
  return played > held ? played - held : 0;
}

void Mpg123SdlDevice::SettleLocked() {
  if (transitioned_.exchange(false)) {
    cur_ = std::move(next_);
    next_ = Song{};
    decodingNext_ = false;
    curSerial_ = (curSerial_ + 1) & 0xFFFF;
    // Announced when the new song is heard: the output may hold the end of
    // the one before.
    const int64_t ahead = HeldSongFrames() - PlayedFramesLocked();
    unannouncedPath_ = cur_.path;
    announcePending_.store(true);
    PostTransition(ahead > 0 ? ahead * 1000 / rate_ : 0);
  }
  if (endReached_.exchange(false) && playPending_) {
    playPending_ = false;
    // The end of the last song is heard when the output has played it out.
    PostCompletion(HeldSongFrames() * 1000 / rate_);
  }
}

void Mpg123SdlDevice::MoveToLocked(int64_t frame) {
  DropQueuedLocked();
  endReached_.store(false);
  const int64_t total = lengths_[curSerial_ & 1].load();
  int64_t at = frame;
  cur_.headAt = cur_.head.size() / 2;  // what comes next is decoded afresh
  if (total > 0 && frame >= total) {
    // At the end: nothing is left to decode.
    at = total;
    cur_.decodeDone = true;
  } else {
    const off_t found = mpg123_seek(cur_.mh.get(), static_cast<off_t>(frame), SEEK_SET);
    cur_.decodeDone = found < 0;
    if (found >= 0) at = static_cast<int64_t>(found);
    else lengths_[curSerial_ & 1].store(at);  // the song ends here after all
  }
  cur_.inRing = cur_.decodeDone;
  cur_.decodedFrames = at;
  output_->Lock();
  ring_.Reset();
  switchAt_.store(kNoSwitch);
  clock_.store((static_cast<uint64_t>(curSerial_) << kSerialShift) | static_cast<uint64_t>(at),
               std::memory_order_release);
  decoderEof_.store(cur_.inRing, std::memory_order_release);
  output_->Unlock();
  if (!cur_.inRing) Wake();
}

bool Mpg123SdlDevice::DecodeChunkLocked() {
  Song& song = decodingNext_ ? next_ : cur_;
  if (!song.mh || song.inRing) return false;
  const size_t room = ring_.Writable();
  if (room < 1152) return false;
  const size_t headFrames = song.head.size() / 2;
  if (song.headAt < headFrames) {
    const size_t put = ring_.Write(song.head.data() + song.headAt * 2, headFrames - song.headAt);
    song.headAt += put;
    song.decodedFrames += static_cast<int64_t>(put);
    return ring_.Writable() >= 1152;
  }
  if (song.decodeDone) return FinishSongLocked(song);
  const size_t want = room < kChunkFrames ? room : kChunkFrames;
  size_t bytes = 0;
  int r = mpg123_read(song.mh.get(), scratch_.data(), want * 4, &bytes);
  if (r == MPG123_NEW_FORMAT) r = MPG123_OK;  // the format is fixed; go on
  const size_t frames = bytes / 4;
  if (frames > 0) {
    ring_.Write(scratch_.data(), frames);
    song.decodedFrames += static_cast<int64_t>(frames);
  }
  if (r != MPG123_OK) {
    // The end of the file, or a read error: the song ends with what was
    // decoded, so the final position and the length agree.
    song.decodeDone = true;
    return FinishSongLocked(song);
  }
  return ring_.Writable() >= 1152;
}

bool Mpg123SdlDevice::FinishSongLocked(Song& song) {
  song.inRing = true;
  const bool isNext = &song == &next_;
  lengths_[(curSerial_ + (isNext ? 1 : 0)) & 1].store(song.decodedFrames);
  if (!isNext && next_.mh) {
    // The queued song starts at the next frame written.
    switchAt_.store(ring_.WrittenTotal(), std::memory_order_release);
    decodingNext_ = true;
    return true;
  }
  decoderEof_.store(true, std::memory_order_release);
  return false;
}

void Mpg123SdlDevice::DecoderLoop() {
  for (;;) {
    const uint32_t seen = wake_.load(std::memory_order_acquire);
    bool more = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (quit_) return;
      more = DecodeChunkLocked();
      SettleLocked();
    }
    if (!more) wake_.wait(seen, std::memory_order_acquire);
  }
}

void Mpg123SdlDevice::ScanLength(std::string path, uint32_t serial) {
  // A second handle keeps the decoder free while this one reads the file.
  try {
    long rate = 0;
    HandlePtr mh = OpenHandle(path, &rate);
    if (stopScan_.load()) return;
    if (mpg123_scan(mh.get()) != MPG123_OK) return;
    const off_t length = mpg123_length(mh.get());
    if (length <= 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (serial == curSerial_ && !cur_.inRing) lengths_[serial & 1].store(static_cast<int64_t>(length));
  } catch (const MediaDeviceError&) {
    // The estimate stays; the end of decoding corrects it.
  }
}

void Mpg123SdlDevice::PostToUiThread(int64_t delayMs, std::function<void()> run) {
  QObject* notifier = notifier_.get();
  QMetaObject::invokeMethod(
      notifier,
      [notifier, delayMs, run = std::move(run)] {
        if (delayMs <= 0) run();
        else QTimer::singleShot(static_cast<int>(delayMs), notifier, run);
      },
      Qt::QueuedConnection);
}

void Mpg123SdlDevice::PostCompletion(int64_t delayMs) {
  PostToUiThread(delayMs, [this] { NotifyCompletion(); });
}

void Mpg123SdlDevice::PostTransition(int64_t delayMs) {
  const uint32_t generation = openGeneration_.load();
  PostToUiThread(delayMs, [this, generation] {
    if (generation != openGeneration_.load()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      unannouncedPath_.clear();
      announcePending_.store(false);
    }
    NotifyTransition();
  });
}

void Mpg123SdlDevice::Wake() {
  wake_.fetch_add(1, std::memory_order_release);
  wake_.notify_one();
}

void Mpg123SdlDevice::RenderThunk(void* self, int16_t* out, int frames) {
  static_cast<Mpg123SdlDevice*>(self)->Render(out, frames);
}

void Mpg123SdlDevice::Render(int16_t* out, int frames) noexcept {
  const size_t want = frames > 0 ? static_cast<size_t>(frames) : 0;
  if (mode_.load(std::memory_order_acquire) != kPlaying) {
    std::memset(out, 0, want * 4);
    trailingSilence_.fetch_add(static_cast<int64_t>(want), std::memory_order_release);
    return;
  }
  const uint64_t readBefore = ring_.ReadTotal();
  const size_t got = ring_.Read(out, want);
  if (got > 0 && softwareGain_.load(std::memory_order_relaxed))
    ApplyAudioGain(out, got, gain_ ? gain_->volume.load(std::memory_order_relaxed) : AudioGain::kFull);
  if (got < want) std::memset(out + got * 2, 0, (want - got) * 4);
  trailingSilence_.store(got > 0 ? static_cast<int64_t>(want - got) : trailingSilence_.load() + static_cast<int64_t>(want),
                         std::memory_order_release);

  // Count the frames played; from the queued song's first frame on they are its own.
  const uint64_t readAfter = readBefore + got;
  const uint64_t clock = clock_.load(std::memory_order_relaxed);
  const uint64_t switchAt = switchAt_.load(std::memory_order_acquire);
  if (switchAt != kNoSwitch && readAfter >= switchAt) {
    const uint64_t serial = ((clock >> kSerialShift) + 1) & 0xFFFF;
    switchAt_.store(kNoSwitch, std::memory_order_relaxed);
    clock_.store((serial << kSerialShift) | (readAfter - switchAt), std::memory_order_release);
    transitioned_.store(true, std::memory_order_release);
    Wake();
  } else {
    clock_.store(clock + got, std::memory_order_release);
  }

  if (decoderEof_.load(std::memory_order_acquire) && switchAt_.load(std::memory_order_relaxed) == kNoSwitch) {
    if (ring_.Readable() == 0) {
      int expected = kPlaying;
      if (mode_.compare_exchange_strong(expected, kStopped)) {
        endReached_.store(true);
        Wake();
      }
    }
  } else {
    if (got < want) underrunFrames_.fetch_add(static_cast<int64_t>(want - got), std::memory_order_relaxed);
    if (ring_.Writable() >= ring_.Capacity() / 2) Wake();
  }
}
