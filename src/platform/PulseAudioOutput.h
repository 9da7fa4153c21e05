#pragma once
// A PulseAudio playback stream (PipeWire serves the same protocol), plain
// libpulse on a threaded main loop. The player thread writes into the
// server's buffer; the server holds about a quarter of a second, so the
// player wakes rarely, and a command drops that buffer (Flush) instead of
// waiting for it. The stream's volume is the server's own: set here, and
// watched, so that a change in the desktop's mixer comes back as a notice.
// A server that goes away is a notice too; the next Open connects anew.
// Connecting and opening a stream wait at most kAnswerLimitMs.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "platform/AudioOutput.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class PulseAudioOutput : public AudioOutput {
public:
  static constexpr int kAnswerLimitMs = 2000;
  // What the server holds for us, and how much must be free before it asks.
  static constexpr int kServerBufferMs = 250;
  static constexpr int kRequestMs = 60;

  PulseAudioOutput() = default;
  ~PulseAudioOutput() override;
  PulseAudioOutput(const PulseAudioOutput&) = delete;
  PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

  void Open(const AudioFormat& format, uint32_t volume) override;
  void Close() override;
  bool IsOpen() const override;
  AudioFormat Format() const override { return format_; }
  size_t WritableFrames() override;
  size_t Write(const void* data, size_t frames) override;
  int64_t HeldFrames() override;
  int64_t BufferFrames() override;
  void SetPaused(bool paused) override;
  int64_t Flush() override;
  void Start() override;
  void SetVolume(uint32_t waveOutVolume) override;
  void SetTitle(const std::string& title) override;
  std::string Name() const override { return "PulseAudio"; }

private:
  using Deadline = std::chrono::steady_clock::time_point;
  void Connect(Deadline deadline);
  void Disconnect();
  void CloseStreamLocked();
  // Waits on the loop (its lock held) until `done` or the deadline.
  bool WaitLocked(const std::function<bool()>& done, Deadline deadline);
  void WatchVolumeLocked();
  void OnContextState();
  void OnStreamState();
  void RememberVolumeLocked(uint32_t waveOutVolume);
  static void OnSubscription(pa_context* context, int type, uint32_t index, void* self);

  // The loop's lock guards the handles and every field below that the
  // loop's thread reads (the callbacks run under it).
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  AudioFormat format_;
  bool everReady_ = false;  // the context was connected (a failure now is a loss)
  int64_t writtenBytes_ = 0;  // the stream's write index
  bool corked_ = true;
  uint32_t volumeSet_ = 0xFFFFFFFFu;
  // The stream's volume as last seen in the server (set here or outside).
  uint32_t seenVolume_[2] = {0, 0};
  bool seenMute_ = false;
  // Our own volume and mute settings sent to the server and answered: while
  // one is on its way, what the server says of the volume may be older than
  // it (the server answers in order), so it is no news from the mixer.
  uint64_t volumeSetsSent_ = 0;
  uint64_t volumeSetsDone_ = 0;
  std::string title_;
  std::atomic<bool> lost_{false};
  std::atomic<bool> drained_{false};  // the server played all it had
};
