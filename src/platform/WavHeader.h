#pragma once
// The header of a WAV file: its "fmt " chunk and where its "data" chunk lies.
// Std only, so that the parser can be fuzzed; the decoder reads the samples.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct WavLayout {
  bool isFloat = false;  // IEEE float samples, else signed PCM (8-bit: unsigned)
  int channels = 0;
  int rate = 0;
  int bitsPerSample = 0;   // PCM 8, 16, 24, 32; float 32, 64
  int bytesPerFrame = 0;
  int64_t dataOffset = 0;  // the first sample's byte
  int64_t dataBytes = 0;   // whole frames only, within the file
};

enum class WavHeaderStatus {
  Ok,
  NotWav,      // no RIFF/WAVE signature
  Unsupported, // a WAV file in an encoding other than PCM or float
  Damaged,     // chunks missing or out of order
};

// Reads `n` bytes at `at`; false when the file has fewer.
using WavReadAt = std::function<bool(int64_t at, void* dst, size_t n)>;

// Walks the chunks of a file of `fileSize` bytes. A data chunk that claims
// more than the file holds, or a size of 0 or 0xFFFFFFFF (left by a writer
// that never finished), is taken to reach the end of the file, so the audio
// plays as far as it goes. `why` receives the reason for any other status.
WavHeaderStatus ParseWavHeader(const WavReadAt& read, int64_t fileSize, WavLayout& out, std::string& why);
