// FLAC through libFLAC's stream decoder: 16-bit and smaller sources as S16,
// deeper ones as S32 with every bit kept (shifted to the top).
#include "platform/ExtraFormatDecoders.h"
#include "platform/SongFile.h"
#include "platform/StereoFold.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned kS16Bits = 16, kS32Bits = 32;

class FlacDecoder final : public AudioDecoder {
public:
  explicit FlacDecoder(const std::string& path) : file_(path), decoder_(FLAC__stream_decoder_new()) {
    if (!decoder_) throw AudioDecoderError("Out of memory");
    // Checksums of the whole stream are not needed to play it; each
    // frame's own CRC is still checked by the decoder.
    FLAC__stream_decoder_set_md5_checking(decoder_, false);
    if (FLAC__stream_decoder_init_stream(decoder_, ReadCb, SeekCb, TellCb, LengthCb, EofCb, WriteCb, MetadataCb,
                                         ErrorCb, this) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
      FLAC__stream_decoder_delete(decoder_);
      throw AudioDecoderError("its FLAC decoder could not start");
    }
    if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder_) || !haveInfo_) {
      FLAC__stream_decoder_delete(decoder_);
      throw AudioDecoderError("it is not a FLAC file, or its header is damaged");
    }
  }
  ~FlacDecoder() override { FLAC__stream_decoder_delete(decoder_); }

  AudioFormat Format() const override { return format_; }
  int64_t LengthFrames() const override { return length_; }

  int64_t ScanLength() override {
    if (length_ >= 0) return length_;
    int64_t frames = 0;
    pending_.clear();
    while (!AtEnd()) {
      Step();
      frames += static_cast<int64_t>(PendingFrames());
      pending_.clear();
      taken_ = 0;
    }
    length_ = frames;
    Seek(0);
    return length_;
  }

  size_t Read(void* out, size_t frames) override {
    const size_t frameBytes = static_cast<size_t>(format_.BytesPerFrame());
    auto* dst = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < frames) {
      if (taken_ == pending_.size()) {
        pending_.clear();
        taken_ = 0;
        if (AtEnd()) break;
        Step();
        continue;
      }
      const size_t n = std::min(frames - done, (pending_.size() - taken_) / frameBytes);
      std::memcpy(dst + done * frameBytes, pending_.data() + taken_, n * frameBytes);
      taken_ += n * frameBytes;
      done += n;
    }
    return done;
  }

  void Seek(int64_t frame) override {
    if (frame < 0) frame = 0;
    if (length_ >= 0 && frame > length_) frame = length_;
    pending_.clear();
    taken_ = 0;
    damaged_ = false;
    if (length_ >= 0 && frame == length_) {
      atLengthEnd_ = true;
      return;
    }
    atLengthEnd_ = false;
    if (!FLAC__stream_decoder_seek_absolute(decoder_, static_cast<FLAC__uint64>(frame))) {
      if (FLAC__stream_decoder_get_state(decoder_) == FLAC__STREAM_DECODER_SEEK_ERROR)
        FLAC__stream_decoder_flush(decoder_);
      throw AudioDecoderError("its FLAC data cannot be sought to that point");
    }
  }

private:
  bool AtEnd() const {
    return atLengthEnd_ || FLAC__stream_decoder_get_state(decoder_) == FLAC__STREAM_DECODER_END_OF_STREAM;
  }
  size_t PendingFrames() const { return pending_.size() / static_cast<size_t>(format_.BytesPerFrame()); }

  // Decodes one frame into pending_; a damaged frame ends the song there
  // with its reason (the frames before it have been played).
  void Step() {
    const bool ok = FLAC__stream_decoder_process_single(decoder_);
    if (damaged_) {
      pending_.clear();
      throw AudioDecoderError(damage_);
    }
    if (!ok && FLAC__stream_decoder_get_state(decoder_) != FLAC__STREAM_DECODER_END_OF_STREAM)
      throw AudioDecoderError(std::string("its FLAC data cannot be decoded (") +
                              FLAC__stream_decoder_get_resolved_state_string(decoder_) + ")");
  }

  template <class Sample>
  void Append(const FLAC__Frame* frame, const FLAC__int32* const buffer[], unsigned shift) {
    const unsigned n = frame->header.blocksize;
    const int channels = static_cast<int>(frame->header.channels);
    const size_t old = pending_.size();
    pending_.resize(old + n * 2 * sizeof(Sample));
    auto* out = reinterpret_cast<Sample*>(pending_.data() + old);
    const double scale = static_cast<double>(1u << shift);
    constexpr double lo = static_cast<double>(std::numeric_limits<Sample>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Sample>::max());
    for (unsigned i = 0; i < n; ++i) {
      if (channels <= 2) {
        // Shifting by multiplying keeps negative values well defined.
        const Sample l = static_cast<Sample>(static_cast<int64_t>(buffer[0][i]) * (int64_t{1} << shift));
        out[2 * i] = l;
        out[2 * i + 1] =
            channels == 1 ? l : static_cast<Sample>(static_cast<int64_t>(buffer[1][i]) * (int64_t{1} << shift));
      } else {
        double left, right;
        stereofold::Fold(fold_, channels, [&](int c) { return static_cast<double>(buffer[c][i]); }, left, right);
        out[2 * i] = stereofold::ToInt<Sample>(left * scale, lo, hi);
        out[2 * i + 1] = stereofold::ToInt<Sample>(right * scale, lo, hi);
      }
    }
  }

  static FLAC__StreamDecoderReadStatus ReadCb(const FLAC__StreamDecoder*, FLAC__byte buf[], size_t* bytes, void* me) {
    auto* self = static_cast<FlacDecoder*>(me);
    const long got = self->file_.Read(buf, *bytes);
    if (got < 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    *bytes = static_cast<size_t>(got);
    return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
  }
  static FLAC__StreamDecoderSeekStatus SeekCb(const FLAC__StreamDecoder*, FLAC__uint64 to, void* me) {
    return static_cast<FlacDecoder*>(me)->file_.Seek(static_cast<int64_t>(to), SEEK_SET)
               ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
               : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
  }
  static FLAC__StreamDecoderTellStatus TellCb(const FLAC__StreamDecoder*, FLAC__uint64* at, void* me) {
    *at = static_cast<FLAC__uint64>(static_cast<FlacDecoder*>(me)->file_.Tell());
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  }
  static FLAC__StreamDecoderLengthStatus LengthCb(const FLAC__StreamDecoder*, FLAC__uint64* size, void* me) {
    *size = static_cast<FLAC__uint64>(static_cast<FlacDecoder*>(me)->file_.Size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
  }
  static FLAC__bool EofCb(const FLAC__StreamDecoder*, void* me) {
    const SongFile& f = static_cast<FlacDecoder*>(me)->file_;
    return f.Tell() >= f.Size();
  }
  static FLAC__StreamDecoderWriteStatus WriteCb(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* me) {
    auto* self = static_cast<FlacDecoder*>(me);
    if (frame->header.channels != self->channels_ || frame->header.bits_per_sample != self->bits_) {
      self->damaged_ = true;
      self->damage_ = "its FLAC frames change their channels or sample size";
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    if (self->format_.encoding == SampleEncoding::S16) self->Append<int16_t>(frame, buffer, kS16Bits - self->bits_);
    else self->Append<int32_t>(frame, buffer, kS32Bits - self->bits_);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }
  static void MetadataCb(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* me) {
    if (m->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    auto* self = static_cast<FlacDecoder*>(me);
    const FLAC__StreamMetadata_StreamInfo& info = m->data.stream_info;
    self->haveInfo_ = true;
    self->channels_ = info.channels;
    self->bits_ = info.bits_per_sample;
    self->format_.rate = static_cast<int>(info.sample_rate);
    self->format_.encoding = info.bits_per_sample <= kS16Bits ? SampleEncoding::S16 : SampleEncoding::S32;
    self->length_ = info.total_samples > 0 ? static_cast<int64_t>(info.total_samples) : -1;
    if (info.channels > 2) self->fold_ = stereofold::For(static_cast<int>(info.channels), stereofold::ChannelOrder::Wave);
  }
  static void ErrorCb(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* me) {
    auto* self = static_cast<FlacDecoder*>(me);
    // Lost sync is reported for junk between frames, which the decoder skips.
    if (status == FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC) return;
    self->damaged_ = true;
    self->damage_ = status == FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH
                        ? "its FLAC data is damaged (a frame's checksum does not match)"
                        : std::string("its FLAC data is damaged (") + FLAC__StreamDecoderErrorStatusString[status] + ")";
  }

  SongFile file_;
  FLAC__StreamDecoder* decoder_;
  AudioFormat format_;
  stereofold::Weights fold_;
  unsigned channels_ = 0, bits_ = 0;
  int64_t length_ = -1;
  bool haveInfo_ = false;
  bool atLengthEnd_ = false;
  bool damaged_ = false;
  std::string damage_;
  std::vector<uint8_t> pending_; // decoded frames in the output format not yet read
  size_t taken_ = 0;             // bytes of pending_ already read
};

} // namespace

std::unique_ptr<AudioDecoder> OpenFlacDecoder(const std::string& path) { return std::make_unique<FlacDecoder>(path); }
