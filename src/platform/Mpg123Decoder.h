#pragma once
// MP3 (MPEG audio layers I-III) through libmpg123: stereo 16-bit frames,
// exactly those libmpg123 gives with its gapless trims (the encoder's delay
// and padding named in a LAME info frame are cut off).
#include <string>

#include "platform/AudioDecoder.h"

struct mpg123_handle_struct;

class Mpg123Decoder : public AudioDecoder {
public:
  // Opens `path` and decodes nothing yet. Throws AudioDecoderError with
  // libmpg123's words when the file does not open or holds no MPEG audio.
  explicit Mpg123Decoder(const std::string& path);
  ~Mpg123Decoder() override;
  Mpg123Decoder(const Mpg123Decoder&) = delete;
  Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

  AudioFormat Format() const override { return format_; }
  // -1 for a file without an info frame until ScanLength has run: the
  // decoder's own figure is a guess from the file's size.
  int64_t LengthFrames() const override { return length_; }
  // Reads every frame header once, on a handle of its own, so decoding
  // goes on meanwhile from wherever it is.
  int64_t ScanLength() override;
  // The length as the file's size suggests it (exact with an info frame).
  int64_t EstimatedLengthFrames() const override { return estimate_; }
  size_t Read(void* out, size_t frames) override;
  void Seek(int64_t frame) override;

private:
  using Handle = mpg123_handle_struct;
  static Handle* OpenHandle(const std::string& path, long* rate);

  std::string path_;
  Handle* mh_ = nullptr;
  AudioFormat format_;
  int64_t length_ = -1;
  int64_t estimate_ = 0;
  bool ended_ = false;
};
