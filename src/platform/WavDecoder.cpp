// WAV by a reader of our own: PCM 8/16/24/32-bit and float 32/64-bit are
// plain arrays of samples behind a few chunk headers, so no library is
// needed, and the header parser is fuzzed with the others. 8- and 16-bit
// sources play as S16, 24- and 32-bit as S32 (every bit kept), float as F32.
#include "platform/ExtraFormatDecoders.h"
#include "platform/SongFile.h"
#include "platform/StereoFold.h"
#include "platform/WavHeader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr size_t kChunkFrames = 4096; // frames read from the file at once

// One source sample as an integer at the top of `bits` (8-bit WAV is
// unsigned), or as a float.
int64_t IntSample(const uint8_t* p, int bits) {
  switch (bits) {
    case 8: return static_cast<int64_t>(p[0]) - 128;
    case 16: return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
    case 24: {
      const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
      return static_cast<int32_t>(u << 8) / 256; // sign-extended
    }
    default: {
      const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      return static_cast<int32_t>(u);
    }
  }
}

// Far beyond full scale (1.0), yet safe to narrow to float; NaN plays as 0.
constexpr double kFloatLimit = 16.0;

double FloatSample(const uint8_t* p, int bits) {
  double d;
  if (bits == 32) {
    float f;
    std::memcpy(&f, p, sizeof f);
    d = f;
  } else {
    std::memcpy(&d, p, sizeof d);
  }
  if (!(d == d)) return 0.0;
  return std::clamp(d, -kFloatLimit, kFloatLimit);
}

class WavDecoder final : public AudioDecoder {
public:
  explicit WavDecoder(const std::string& path) : file_(path) {
    std::string why;
    const WavHeaderStatus status = ParseWavHeader(
        [this](int64_t at, void* dst, size_t n) { return file_.ReadAt(at, dst, n); }, file_.Size(), wav_, why);
    if (status != WavHeaderStatus::Ok) throw AudioDecoderError(why);
    format_.rate = wav_.rate;
    format_.encoding = wav_.isFloat ? SampleEncoding::F32
                       : wav_.bitsPerSample <= 16 ? SampleEncoding::S16
                                                  : SampleEncoding::S32;
    // 8-bit goes up to 16, 24-bit up to 32.
    shift_ = (format_.encoding == SampleEncoding::S16 ? 16 : 32) - wav_.bitsPerSample;
    if (wav_.channels > 2) fold_ = stereofold::For(wav_.channels, stereofold::ChannelOrder::Wave);
    length_ = wav_.dataBytes / wav_.bytesPerFrame;
  }

  AudioFormat Format() const override { return format_; }
  int64_t LengthFrames() const override { return length_; }

  size_t Read(void* out, size_t frames) override {
    auto* dst = static_cast<uint8_t*>(out);
    size_t done = 0;
    const size_t frameBytes = static_cast<size_t>(wav_.bytesPerFrame);
    while (done < frames && position_ < length_) {
      size_t n = std::min({frames - done, kChunkFrames, static_cast<size_t>(length_ - position_)});
      raw_.resize(n * frameBytes);
      if (!file_.ReadAt(wav_.dataOffset + position_ * wav_.bytesPerFrame, raw_.data(), raw_.size())) {
        // The file shrank while playing: the song ends where its data does.
        length_ = position_;
        break;
      }
      Convert(n, dst + done * static_cast<size_t>(format_.BytesPerFrame()));
      position_ += static_cast<int64_t>(n);
      done += n;
    }
    return done;
  }

  void Seek(int64_t frame) override { position_ = std::clamp<int64_t>(frame, 0, length_); }

private:
  template <class Sample>
  void ConvertInt(size_t n, Sample* out) const {
    constexpr double lo = static_cast<double>(std::numeric_limits<Sample>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Sample>::max());
    const int bytes = wav_.bitsPerSample / 8;
    const int64_t scale = int64_t{1} << shift_;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* frame = raw_.data() + i * static_cast<size_t>(wav_.bytesPerFrame);
      if (wav_.channels <= 2) {
        const int64_t l = IntSample(frame, wav_.bitsPerSample);
        out[2 * i] = static_cast<Sample>(l * scale);
        out[2 * i + 1] = wav_.channels == 1 ? out[2 * i] : static_cast<Sample>(IntSample(frame + bytes, wav_.bitsPerSample) * scale);
      } else {
        double l, r;
        stereofold::Fold(fold_, wav_.channels, [&](int c) { return static_cast<double>(IntSample(frame + c * bytes, wav_.bitsPerSample)); }, l, r);
        out[2 * i] = stereofold::ToInt<Sample>(l * static_cast<double>(scale), lo, hi);
        out[2 * i + 1] = stereofold::ToInt<Sample>(r * static_cast<double>(scale), lo, hi);
      }
    }
  }

  void ConvertFloat(size_t n, float* out) const {
    const int bytes = wav_.bitsPerSample / 8;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* frame = raw_.data() + i * static_cast<size_t>(wav_.bytesPerFrame);
      double l, r;
      if (wav_.channels <= 2) {
        l = FloatSample(frame, wav_.bitsPerSample);
        r = wav_.channels == 1 ? l : FloatSample(frame + bytes, wav_.bitsPerSample);
      } else {
        stereofold::Fold(fold_, wav_.channels, [&](int c) { return FloatSample(frame + c * bytes, wav_.bitsPerSample); }, l, r);
      }
      out[2 * i] = static_cast<float>(l);
      out[2 * i + 1] = static_cast<float>(r);
    }
  }

  void Convert(size_t n, uint8_t* out) const {
    switch (format_.encoding) {
      case SampleEncoding::S16: ConvertInt(n, reinterpret_cast<int16_t*>(out)); break;
      case SampleEncoding::S32: ConvertInt(n, reinterpret_cast<int32_t*>(out)); break;
      case SampleEncoding::F32: ConvertFloat(n, reinterpret_cast<float*>(out)); break;
    }
  }

  SongFile file_;
  WavLayout wav_;
  AudioFormat format_;
  stereofold::Weights fold_;
  int shift_ = 0;
  int64_t length_ = 0;
  int64_t position_ = 0;
  std::vector<uint8_t> raw_; // the file's bytes of the frames being converted
};

} // namespace

std::unique_ptr<AudioDecoder> OpenWavDecoder(const std::string& path) { return std::make_unique<WavDecoder>(path); }
