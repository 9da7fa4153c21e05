#include "platform/Mpg123Decoder.h"

#include <mpg123.h>

#include <mutex>

namespace {

// Text for a file in which the decoder finds no audio at all (empty, or not
// MPEG audio); libmpg123 itself only says the track has ended.
constexpr const char* kNoAudioFrame = "The file holds no playable MPEG audio";
constexpr int kBytesPerFrame = 4;  // stereo, 16 bits

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

void Free(mpg123_handle* mh) {
  if (!mh) return;
  mpg123_close(mh);
  mpg123_delete(mh);
}

// Closes a handle unless released.
struct HandleGuard {
  mpg123_handle* mh;
  ~HandleGuard() { Free(mh); }
};

// True when the song's length comes from a LAME info frame (it also names
// the encoder delay); otherwise libmpg123 guesses it from the file's size.
bool LengthFromInfoFrame(mpg123_handle* mh) {
  long delay = -1;
  double unused = 0;
  return mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK && delay >= 0;
}

} // namespace

mpg123_handle* Mpg123Decoder::OpenHandle(const std::string& path, long* rate) {
  InitDecoderLibrary();
  int err = MPG123_OK;
  HandleGuard guard{mpg123_new(nullptr, &err)};
  mpg123_handle* mh = guard.mh;
  if (!mh) throw AudioDecoderError(DecoderText(nullptr, err));
  // The tags are ours to read: libmpg123 steps over an ID3v2 tag by its
  // size instead of parsing it (a 100 MB tag took 0.6 s to open).
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN | MPG123_SKIP_ID3V2, 0.0);
  // Stereo 16-bit only: libmpg123 doubles mono itself.
  mpg123_format_none(mh);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
  int r = mpg123_open(mh, path.c_str());
  if (r != MPG123_OK) throw AudioDecoderError(DecoderText(mh, r));
  int channels = 0, encoding = 0;
  r = mpg123_getformat(mh, rate, &channels, &encoding);
  if (r != MPG123_OK) throw AudioDecoderError(DecoderText(mh, r));
  if (*rate <= 0) throw AudioDecoderError(kNoAudioFrame);
  // One format for the whole song: frames at other rates get resampled.
  mpg123_format_none(mh);
  mpg123_format(mh, *rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  guard.mh = nullptr;
  return mh;
}

Mpg123Decoder::Mpg123Decoder(const std::string& path) : path_(path) {
  long rate = 0;
  mh_ = OpenHandle(path, &rate);
  format_.rate = static_cast<int>(rate);
  const off_t length = mpg123_length(mh_);
  estimate_ = length > 0 ? static_cast<int64_t>(length) : 0;
  if (LengthFromInfoFrame(mh_)) length_ = estimate_;
}

Mpg123Decoder::~Mpg123Decoder() { Free(mh_); }

int64_t Mpg123Decoder::ScanLength() {
  if (length_ >= 0) return length_;
  long rate = 0;
  HandleGuard scan{OpenHandle(path_, &rate)};
  if (mpg123_scan(scan.mh) != MPG123_OK) throw AudioDecoderError(DecoderText(scan.mh, MPG123_ERR));
  const off_t length = mpg123_length(scan.mh);
  length_ = length > 0 ? static_cast<int64_t>(length) : 0;
  return length_;
}

size_t Mpg123Decoder::Read(void* out, size_t frames) {
  size_t done = 0;
  auto* bytes = static_cast<unsigned char*>(out);
  while (done < frames && !ended_) {
    size_t got = 0;
    const int r = mpg123_read(mh_, bytes + done * kBytesPerFrame, (frames - done) * kBytesPerFrame, &got);
    done += got / kBytesPerFrame;
    if (r == MPG123_DONE) ended_ = true;
    else if (r != MPG123_OK && r != MPG123_NEW_FORMAT && r != MPG123_NEED_MORE)
      throw AudioDecoderError(DecoderText(mh_, r));
    else if (got == 0 && r == MPG123_NEED_MORE) ended_ = true;  // a file cut short
  }
  return done;
}

void Mpg123Decoder::Seek(int64_t frame) {
  const off_t found = mpg123_seek(mh_, static_cast<off_t>(frame < 0 ? 0 : frame), SEEK_SET);
  if (found < 0) throw AudioDecoderError(DecoderText(mh_, static_cast<int>(found)));
  ended_ = false;
}
