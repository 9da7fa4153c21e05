// Ogg Vorbis through libvorbisfile: float frames, the song's length and
// trims taken from the granule positions (the last page's granule ends the
// song where the encoder's input ended).
#include "platform/ExtraFormatDecoders.h"
#include "platform/SongFile.h"
#include "platform/StereoFold.h"

#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <algorithm>
#include <string>

namespace {

constexpr int kStereo = 2;
constexpr int kMaxHolesInARow = 64;
// The most frames asked of the library at once (its count is an int).
constexpr size_t kMaxReadFrames = 1 << 16;

std::string VorbisErrorText(int code) {
  switch (code) {
    case OV_ENOTVORBIS: return "it is not an Ogg Vorbis file";
    case OV_EBADHEADER: return "its Vorbis header is damaged";
    case OV_EVERSION: return "its Vorbis version is not supported";
    case OV_EREAD: return "it cannot be read";
    case OV_EBADLINK: case OV_EFAULT: return "its Ogg Vorbis data is damaged";
    default: return "its Ogg Vorbis data cannot be decoded (error " + std::to_string(code) + ")";
  }
}

class VorbisDecoder final : public AudioDecoder {
public:
  explicit VorbisDecoder(const std::string& path) : file_(path) {
    const ov_callbacks callbacks = {ReadCb, SeekCb, nullptr, TellCb};
    const int r = ov_open_callbacks(&file_, &vf_, nullptr, 0, callbacks);
    if (r != 0) throw AudioDecoderError(VorbisErrorText(r));
    const vorbis_info* info = ov_info(&vf_, -1);
    if (!info || info->channels < 1) {
      ov_clear(&vf_);
      throw AudioDecoderError("its Vorbis header is damaged");
    }
    rate_ = static_cast<int>(info->rate);
    const ogg_int64_t total = ov_pcm_total(&vf_, -1);
    length_ = total >= 0 ? static_cast<int64_t>(total) : -1;
  }
  ~VorbisDecoder() override { ov_clear(&vf_); }

  AudioFormat Format() const override { return {rate_, kStereo, SampleEncoding::F32}; }
  int64_t LengthFrames() const override { return length_; }

  size_t Read(void* out, size_t frames) override {
    auto* dst = static_cast<float*>(out);
    size_t done = 0;
    int holes = 0;
    while (done < frames) {
      float** pcm = nullptr;
      int link = 0;
      const long got = ov_read_float(&vf_, &pcm, static_cast<int>(std::min(frames - done, kMaxReadFrames)), &link);
      if (got == OV_HOLE && ++holes <= kMaxHolesInARow) continue; // play on after a gap
      if (got < 0) throw AudioDecoderError(VorbisErrorText(static_cast<int>(got)));
      if (got == 0) break;
      holes = 0;
      const vorbis_info* info = ov_info(&vf_, link);
      const int channels = info ? info->channels : 1;
      Put(pcm, channels, static_cast<size_t>(got), dst + done * kStereo);
      done += static_cast<size_t>(got);
    }
    return done;
  }

  void Seek(int64_t frame) override {
    if (frame < 0) frame = 0;
    if (length_ >= 0 && frame > length_) frame = length_;
    const int r = ov_pcm_seek(&vf_, static_cast<ogg_int64_t>(frame));
    if (r != 0) throw AudioDecoderError(VorbisErrorText(r));
  }

private:
  void Put(float** pcm, int channels, size_t n, float* out) {
    if (channels <= 2) {
      const float* right = pcm[channels == 1 ? 0 : 1];
      for (size_t i = 0; i < n; ++i) {
        out[2 * i] = pcm[0][i];
        out[2 * i + 1] = right[i];
      }
      return;
    }
    if (static_cast<int>(fold_.left.size()) != channels)
      fold_ = stereofold::For(channels, stereofold::ChannelOrder::Vorbis);
    for (size_t i = 0; i < n; ++i) {
      double l, r;
      stereofold::Fold(fold_, channels, [&](int c) { return static_cast<double>(pcm[c][i]); }, l, r);
      out[2 * i] = static_cast<float>(l);
      out[2 * i + 1] = static_cast<float>(r);
    }
  }

  static size_t ReadCb(void* buf, size_t size, size_t count, void* me) {
    if (size == 0) return 0;
    const long got = static_cast<SongFile*>(me)->Read(buf, size * count);
    return got < 0 ? 0 : static_cast<size_t>(got) / size;
  }
  static int SeekCb(void* me, ogg_int64_t offset, int whence) {
    return static_cast<SongFile*>(me)->Seek(offset, whence) ? 0 : -1;
  }
  static long TellCb(void* me) { return static_cast<long>(static_cast<SongFile*>(me)->Tell()); }

  SongFile file_;
  OggVorbis_File vf_{};
  stereofold::Weights fold_;
  int rate_ = 0;
  int64_t length_ = -1;
};

} // namespace

std::unique_ptr<AudioDecoder> OpenVorbisDecoder(const std::string& path) {
  return std::make_unique<VorbisDecoder>(path);
}
