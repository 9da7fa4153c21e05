#pragma once
// The decoder contract: one song file turned into interleaved stereo frames.
// The player thread owns every decoder; nothing here is called on the
// window's thread, so a decoder may read its file and take its time.
// libmpg123 is one decoder; other formats add theirs behind the same calls.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// How one sample is stored. Decoders pick the one that keeps their
// precision: S16 for MP3 (equal to libmpg123's own 16-bit decoding), S32 for
// 24-bit sources (the low bits kept, shifted to the top), F32 for decoders
// whose natural output is float.
enum class SampleEncoding { S16, S32, F32 };

struct AudioFormat {
  int rate = 0;       // frames per second
  int channels = 2;   // always 2: decoders duplicate mono and fold down more
  SampleEncoding encoding = SampleEncoding::S16;

  int BytesPerSample() const { return encoding == SampleEncoding::S16 ? 2 : 4; }
  int BytesPerFrame() const { return channels * BytesPerSample(); }
  bool operator==(const AudioFormat& o) const {
    return rate == o.rate && channels == o.channels && encoding == o.encoding;
  }
  bool operator!=(const AudioFormat& o) const { return !(*this == o); }
};

// A decoder's failure; what() is the text to show (the library's own words
// where it has them).
class AudioDecoderError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class AudioDecoder {
public:
  virtual ~AudioDecoder() = default;

  // The format of every frame Read delivers; fixed once the decoder is open.
  virtual AudioFormat Format() const = 0;

  // The song's length in frames, its own frames only (the encoder's delay
  // and padding trimmed). -1 while it is not known without a scan.
  virtual int64_t LengthFrames() const = 0;
  // Finds the exact length when LengthFrames() is -1, reading the whole
  // file if it must (a long MP3 without an info frame); returns it. May take
  // long: call it on the player thread, never on the window's.
  virtual int64_t ScanLength() { return LengthFrames(); }
  // What to show while LengthFrames() is -1 (a guess from the file's size).
  virtual int64_t EstimatedLengthFrames() const { return LengthFrames() > 0 ? LengthFrames() : 0; }

  // Decodes up to `frames` frames into `out` (frames * BytesPerFrame bytes).
  // Returns the frames written; 0 only at the song's end. Gapless trims are
  // applied: the first frame is the song's first, the last is its last.
  // Throws AudioDecoderError when the file cannot be decoded further.
  virtual size_t Read(void* out, size_t frames) = 0;

  // Moves so that the next Read starts at song frame `frame` (clamped to
  // the length). Throws AudioDecoderError when it cannot.
  virtual void Seek(int64_t frame) = 0;
};

// Opens `path` with the decoder for its kind (by content where the formats
// can be told apart, else by the name's extension). Throws AudioDecoderError
// with the text to show when the file cannot be opened or decoded.
std::unique_ptr<AudioDecoder> OpenAudioDecoder(const std::string& path);

// The decoders for the formats beyond MP3 (FLAC, Ogg Vorbis, Opus, WAV):
// null when `path` is none of them, so OpenAudioDecoder goes on to MP3.
std::unique_ptr<AudioDecoder> OpenExtraFormatDecoder(const std::string& path);
