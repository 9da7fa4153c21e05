#include "platform/Mpg123SdlDevice.h"

#include <mpg123.h>

#include <QMetaObject>
#include <QObject>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/SdlAudioOutput.h"

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

Mpg123SdlDevice::Mpg123SdlDevice(SharedAudioGain gain)
    : gain_(std::move(gain)), notifier_(std::make_unique<QObject>()),
      output_(std::make_unique<SdlAudioOutput>(&Mpg123SdlDevice::RenderThunk, this)), ring_(kRingFrames),
      scratch_(kChunkFrames * 2) {}

Mpg123SdlDevice::~Mpg123SdlDevice() {
  CloseSong();
  output_.reset();
}

void Mpg123SdlDevice::CheckOpen() const {
  if (!open_) throw MediaDeviceError(kNoDeviceOpen);
}

void Mpg123SdlDevice::Open(const std::string& path) {
  CloseSong();

  long rate = 0;
  HandlePtr mh = OpenHandle(path, &rate);
  bool scanLater = false;
  if (!LengthFromInfoFrame(mh.get())) {
    // A scan takes a few milliseconds for a song of normal size.
    const int64_t size = FileSize(path);
    if (size >= 0 && size <= kInlineScanBytes)
      mpg123_scan(mh.get());
    else
      scanLater = true;
  }
  const off_t length = mpg123_length(mh.get());

  // Take the song's first frames now: this proves the file holds audio, and
  // a Play right after Open finds sound waiting in the ring.
  std::lock_guard<std::mutex> lock(mutex_);
  output_->Lock();
  ring_.Reset();
  output_->Unlock();
  mh_ = mh.release();
  rate_ = static_cast<int>(rate);
  decodedFrames_ = 0;
  decodeDone_ = false;
  decoderEof_.store(false);
  endReached_.store(false);
  playedFrames_.store(0);
  totalFrames_.store(length > 0 ? static_cast<int64_t>(length) : 0);
  playPending_ = false;
  quit_ = false;
  try {
    DecodeChunkLocked();
    if (decodedFrames_ == 0) throw MediaDeviceError(kNoAudioFrame);
    output_->Open(rate_);
  } catch (...) {
    HandleDeleter()(mh_);
    mh_ = nullptr;
    throw;
  }
  mode_.store(kStopped);
  open_ = true;
  decoder_ = std::thread(&Mpg123SdlDevice::DecoderLoop, this);
  if (scanLater) {
    stopScan_.store(false);
    scanner_ = std::thread(&Mpg123SdlDevice::ScanLength, this, path);
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
  }
  stopScan_.store(true);
  Wake();
  if (decoder_.joinable()) decoder_.join();
  if (scanner_.joinable()) scanner_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  HandleDeleter()(mh_);
  mh_ = nullptr;
  open_ = false;
  mode_.store(static_cast<int>(TMPModes::mpNotReady));
}

void Mpg123SdlDevice::Play() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleEndLocked();
  if (mode_.load() == kPlaying) {
    // A new play supersedes the running one, which reports completion.
    if (playPending_) PostCompletion();
    playPending_ = true;
    return;
  }
  const int64_t total = totalFrames_.load();
  if (decodeDone_ && playedFrames_.load() >= total) MoveToLocked(0);
  playPending_ = true;
  mode_.store(kPlaying);
}

void Mpg123SdlDevice::Pause() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleEndLocked();
  if (mode_.load() == kPlaying) EndPlayLocked(TMPModes::mpPaused);
}

void Mpg123SdlDevice::Resume() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleEndLocked();
  if (mode_.load() != kPaused) return;
  playPending_ = true;
  mode_.store(kPlaying);
}

void Mpg123SdlDevice::Stop() {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleEndLocked();
  EndPlayLocked(TMPModes::mpStopped);
}

void Mpg123SdlDevice::SetPosition(int64_t ms) {
  CheckOpen();
  std::lock_guard<std::mutex> lock(mutex_);
  SettleEndLocked();
  EndPlayLocked(TMPModes::mpStopped);
  const int64_t total = totalFrames_.load();
  int64_t frame = ms <= 0 ? 0 : ms * rate_ / 1000;
  // Round up so that the position read back is the one just set.
  if (ms > 0 && frame * 1000 / rate_ < ms) ++frame;
  if (total > 0 && frame > total) frame = total;
  MoveToLocked(frame);
}

void Mpg123SdlDevice::Rewind() { SetPosition(0); }

int64_t Mpg123SdlDevice::Length() const {
  CheckOpen();
  return totalFrames_.load() * 1000 / rate_;
}

int64_t Mpg123SdlDevice::Position() const {
  CheckOpen();
  return playedFrames_.load() * 1000 / rate_;
}

TMPModes Mpg123SdlDevice::Mode() const {
  CheckOpen();
  return static_cast<TMPModes>(mode_.load());
}

void Mpg123SdlDevice::EndPlayLocked(TMPModes mode) {
  mode_.store(static_cast<int>(mode));
  // Wait out a callback that may still be taking frames, so that the
  // position is final when this returns.
  output_->Lock();
  output_->Unlock();
  if (playPending_) {
    playPending_ = false;
    PostCompletion();
  }
}

void Mpg123SdlDevice::SettleEndLocked() {
  if (endReached_.exchange(false) && playPending_) {
    playPending_ = false;
    PostCompletion();
  }
}

void Mpg123SdlDevice::MoveToLocked(int64_t frame) {
  endReached_.store(false);
  const int64_t total = totalFrames_.load();
  int64_t at = frame;
  if (total > 0 && frame >= total) {
    // At the end: nothing is left to decode.
    at = total;
    decodeDone_ = true;
  } else {
    const off_t found = mpg123_seek(mh_, static_cast<off_t>(frame), SEEK_SET);
    decodeDone_ = found < 0;
    if (found >= 0) at = static_cast<int64_t>(found);
    else totalFrames_.store(at);  // the song ends here after all
  }
  decodedFrames_ = at;
  output_->Lock();
  ring_.Reset();
  playedFrames_.store(at);
  decoderEof_.store(decodeDone_, std::memory_order_release);
  output_->Unlock();
  if (!decodeDone_) Wake();
}

bool Mpg123SdlDevice::DecodeChunkLocked() {
  if (decodeDone_ || mh_ == nullptr) return false;
  const size_t room = ring_.Writable();
  if (room < 1152) return false;
  const size_t want = room < kChunkFrames ? room : kChunkFrames;
  size_t bytes = 0;
  int r = mpg123_read(mh_, scratch_.data(), want * 4, &bytes);
  if (r == MPG123_NEW_FORMAT) r = MPG123_OK;  // the format is fixed; go on
  const size_t frames = bytes / 4;
  if (frames > 0) {
    ring_.Write(scratch_.data(), frames);
    decodedFrames_ += static_cast<int64_t>(frames);
  }
  if (r != MPG123_OK) {
    // The end of the file, or a read error: the song ends with what was
    // decoded, so the final position and the length agree.
    decodeDone_ = true;
    totalFrames_.store(decodedFrames_);
    decoderEof_.store(true, std::memory_order_release);
    return false;
  }
  return ring_.Writable() >= 1152;
}

void Mpg123SdlDevice::DecoderLoop() {
  for (;;) {
    const uint32_t seen = wake_.load(std::memory_order_acquire);
    bool more = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (quit_) return;
      more = DecodeChunkLocked();
      SettleEndLocked();
    }
    if (!more) wake_.wait(seen, std::memory_order_acquire);
  }
}

void Mpg123SdlDevice::ScanLength(std::string path) {
  // A second handle keeps the decoder free while this one reads the file.
  try {
    long rate = 0;
    HandlePtr mh = OpenHandle(path, &rate);
    if (stopScan_.load()) return;
    if (mpg123_scan(mh.get()) != MPG123_OK) return;
    const off_t length = mpg123_length(mh.get());
    if (length <= 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!decodeDone_) totalFrames_.store(static_cast<int64_t>(length));
  } catch (const MediaDeviceError&) {
    // The estimate stays; the end of decoding corrects it.
  }
}

void Mpg123SdlDevice::PostCompletion() {
  QMetaObject::invokeMethod(notifier_.get(), [this] { NotifyCompletion(); }, Qt::QueuedConnection);
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
    return;
  }
  const size_t got = ring_.Read(out, want);
  if (got > 0) {
    ApplyAudioGain(out, got, gain_ ? gain_->volume.load(std::memory_order_relaxed) : AudioGain::kFull);
    playedFrames_.fetch_add(static_cast<int64_t>(got), std::memory_order_release);
  }
  if (got < want) std::memset(out + got * 2, 0, (want - got) * 4);

  if (decoderEof_.load(std::memory_order_acquire)) {
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
