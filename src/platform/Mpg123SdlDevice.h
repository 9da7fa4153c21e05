#pragma once
// The real media device: libmpg123 decodes the open song on a decoder thread
// into a ring buffer, SDL2 plays the ring out. Position counts the frames the
// audio output has taken, so at the end of a song Position equals Length.
// Completion of a play is posted to the thread that created the device (the
// UI thread) and runs the completion handler there.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioGain.h"
#include "platform/AudioRing.h"
#include "platform/MediaDevice.h"

class QObject;
class SdlAudioOutput;
struct mpg123_handle_struct;

class Mpg123SdlDevice : public MediaDevice {
public:
  // `gain` is the volume the output applies (shared with the wave-out
  // volume); none means full volume. Create the device on the UI thread,
  // with a QCoreApplication in place.
  explicit Mpg123SdlDevice(SharedAudioGain gain = nullptr);
  ~Mpg123SdlDevice() override;
  Mpg123SdlDevice(const Mpg123SdlDevice&) = delete;
  Mpg123SdlDevice& operator=(const Mpg123SdlDevice&) = delete;

  void Open(const std::string& path) override;
  // Closes the song and releases the audio output. (Open keeps the output
  // when it changes songs, so that songs follow each other without a gap.)
  void Close() override;
  bool IsOpen() const override { return open_; }

  void Play() override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  void SetPosition(int64_t ms) override;
  void Rewind() override;

  int64_t Length() const override;
  int64_t Position() const override;
  TMPModes Mode() const override;

  // Sample rate of the open song (0 when none); for measurements.
  int SampleRate() const { return open_ ? rate_ : 0; }
  // Frames of silence the output had to play because the decoder fell
  // behind, since the device was created; for measurements.
  int64_t UnderrunFrames() const { return underrunFrames_.load(); }
  // Files without an info frame up to this size are scanned for their exact
  // length while they open; bigger ones are scanned in the background.
  static constexpr int64_t kInlineScanBytes = 24 * 1024 * 1024;

private:
  using Handle = mpg123_handle_struct;

  void CheckOpen() const;
  void CloseSong();
  void DecoderLoop();
  void ScanLength(std::string path);
  // Decodes one piece into the ring. Caller holds mutex_. True while there
  // is room and data for more.
  bool DecodeChunkLocked();
  void MoveToLocked(int64_t frame);
  // Ends the current play (if any): `mode` becomes the new mode, the output
  // is synchronised, a pending play reports completion.
  void EndPlayLocked(TMPModes mode);
  void SettleEndLocked();
  void PostCompletion();
  void Wake();
  static void RenderThunk(void* self, int16_t* out, int frames);
  void Render(int16_t* out, int frames) noexcept;

  SharedAudioGain gain_;
  std::unique_ptr<QObject> notifier_;
  std::unique_ptr<SdlAudioOutput> output_;
  AudioRing ring_;
  std::vector<int16_t> scratch_;

  // The song. mutex_ guards the decoder handle and the fields below that
  // are not atomic; the audio callback never takes it.
  std::mutex mutex_;
  Handle* mh_ = nullptr;
  bool open_ = false;
  int rate_ = 0;
  int64_t decodedFrames_ = 0;
  bool decodeDone_ = false;
  bool quit_ = false;
  bool playPending_ = false;
  std::thread decoder_;
  std::thread scanner_;

  std::atomic<int> mode_{static_cast<int>(TMPModes::mpNotReady)};
  std::atomic<int64_t> playedFrames_{0};
  std::atomic<int64_t> totalFrames_{0};
  std::atomic<bool> decoderEof_{false};  // every frame of the song is in the ring
  std::atomic<bool> endReached_{false};  // the callback played the last frame
  std::atomic<bool> stopScan_{false};
  std::atomic<uint32_t> wake_{0};
  std::atomic<int64_t> underrunFrames_{0};
};
