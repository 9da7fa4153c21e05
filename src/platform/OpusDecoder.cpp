// Opus through libopusfile: float frames at 48 kHz, the pre-skip and the
// end trimming of the last page applied by the library, mono and surround
// turned into stereo by its own downmix.
#include "platform/ExtraFormatDecoders.h"
#include "platform/SongFile.h"

#include <opusfile.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kOpusRate = 48000;
constexpr int kStereo = 2;
// Holes (missing or damaged pages) skipped in a row before giving up.
constexpr int kMaxHolesInARow = 64;

std::string OpusErrorText(int code) {
  switch (code) {
    case OP_ENOTFORMAT: return "it is not an Ogg Opus file";
    case OP_EBADHEADER: return "its Opus header is damaged";
    case OP_EVERSION: return "its Opus version is not supported";
    case OP_EBADLINK: case OP_EBADPACKET: case OP_EBADTIMESTAMP: return "its Opus data is damaged";
    case OP_EFAULT: return "Out of memory";
    default: return "its Opus data cannot be decoded (error " + std::to_string(code) + ")";
  }
}

class OggOpusDecoder final : public AudioDecoder {
public:
  explicit OggOpusDecoder(const std::string& path) : file_(path) {
    const OpusFileCallbacks callbacks = {ReadCb, SeekCb, TellCb, nullptr};
    int error = 0;
    file_.Seek(0, SEEK_SET);
    opus_ = op_open_callbacks(&file_, &callbacks, nullptr, 0, &error);
    if (!opus_) throw AudioDecoderError(OpusErrorText(error));
    const ogg_int64_t total = op_pcm_total(opus_, -1);
    length_ = total >= 0 ? static_cast<int64_t>(total) : -1;
  }
  ~OggOpusDecoder() override { op_free(opus_); }

  AudioFormat Format() const override { return {kOpusRate, kStereo, SampleEncoding::F32}; }
  int64_t LengthFrames() const override { return length_; }

  size_t Read(void* out, size_t frames) override {
    if (atEnd_) return 0;
    auto* dst = static_cast<float*>(out);
    size_t done = 0;
    int holes = 0;
    while (done < frames) {
      const size_t want = std::min<size_t>(frames - done, kMaxReadFrames);
      const int got = op_read_float_stereo(opus_, dst + done * kStereo, static_cast<int>(want * kStereo));
      if (got == OP_HOLE && ++holes <= kMaxHolesInARow) continue; // play on after a gap
      if (got < 0) throw AudioDecoderError(OpusErrorText(got));
      if (got == 0) break;
      holes = 0;
      done += static_cast<size_t>(got);
    }
    return done;
  }

  void Seek(int64_t frame) override {
    if (frame < 0) frame = 0;
    if (length_ >= 0 && frame > length_) frame = length_;
    // The library refuses a seek to the very end; there is nothing to read.
    atEnd_ = frame == length_;
    if (atEnd_) return;
    const int r = op_pcm_seek(opus_, static_cast<ogg_int64_t>(frame));
    if (r != 0) throw AudioDecoderError(OpusErrorText(r));
  }

private:
  // The largest request handed to the library at once (its count is an int).
  static constexpr size_t kMaxReadFrames = 1 << 20;

  static int ReadCb(void* me, unsigned char* buf, int n) {
    const long got = static_cast<SongFile*>(me)->Read(buf, static_cast<size_t>(n < 0 ? 0 : n));
    return got < 0 ? -1 : static_cast<int>(got);
  }
  static int SeekCb(void* me, opus_int64 offset, int whence) {
    return static_cast<SongFile*>(me)->Seek(offset, whence) ? 0 : -1;
  }
  static opus_int64 TellCb(void* me) { return static_cast<SongFile*>(me)->Tell(); }

  SongFile file_;
  OggOpusFile* opus_ = nullptr;
  int64_t length_ = -1;
  bool atEnd_ = false; // sought to the end
};

} // namespace

std::unique_ptr<AudioDecoder> OpenOpusDecoder(const std::string& path) { return std::make_unique<OggOpusDecoder>(path); }
