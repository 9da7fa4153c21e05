#include "platform/PulseAudioOutput.h"

#include <pulse/pulseaudio.h>

#include "platform/MediaDevice.h"

namespace {

constexpr int kBytesPerFrame = 4;  // interleaved stereo, 16 bits
// How often the volume is looked at: a change is heard within this (the
// server applies a stream's volume at once).
constexpr pa_usec_t kVolumeWatchUsec = 40 * PA_USEC_PER_MSEC;

pa_cvolume StreamVolume(uint32_t waveOutVolume) {
  pa_cvolume volume;
  pa_cvolume_init(&volume);
  volume.channels = 2;
  volume.values[0] = pa_sw_volume_from_linear((waveOutVolume & 0xFFFFu) / 65535.0);
  volume.values[1] = pa_sw_volume_from_linear((waveOutVolume >> 16) / 65535.0);
  return volume;
}

void Forget(pa_operation* operation) {
  if (operation) pa_operation_unref(operation);
}

// Holds the main loop's lock for a scope.
class LoopLock {
public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

private:
  pa_threaded_mainloop* loop_;
};

} // namespace

PulseAudioOutput::PulseAudioOutput(RenderFn render, void* user, SharedAudioGain gain)
    : render_(render), user_(user), gain_(std::move(gain)) {}

PulseAudioOutput::~PulseAudioOutput() {
  StopVolumeWatch();
  PulseStream::Disconnect(pulse_);
}

bool PulseAudioOutput::Connect(std::string* reason) {
  if (pulse_.context) return true;
  if (!PulseStream::Connect(pulse_, reason)) return false;
  LoopLock lock(pulse_.loop);
  StartVolumeWatchLocked();
  return true;
}

void PulseAudioOutput::StartVolumeWatchLocked() {
  volumeWatch_ = pa_context_rttime_new(
      pulse_.context, pa_rtclock_now() + kVolumeWatchUsec,
      [](pa_mainloop_api*, pa_time_event* event, const struct timeval*, void* user) {
        auto* self = static_cast<PulseAudioOutput*>(user);
        self->ApplyVolumeLocked();
        pa_context_rttime_restart(self->pulse_.context, event, pa_rtclock_now() + kVolumeWatchUsec);
      },
      this);
}

void PulseAudioOutput::StopVolumeWatch() {
  if (!volumeWatch_) return;
  LoopLock lock(pulse_.loop);
  pa_threaded_mainloop_get_api(pulse_.loop)->time_free(volumeWatch_);
  volumeWatch_ = nullptr;
}

void PulseAudioOutput::Open(int rate) {
  std::string reason;
  if (!Connect(&reason)) throw MediaDeviceError(reason);
  {
    LoopLock lock(pulse_.loop);
    if (pulse_.stream && pulse_.rate == rate) return;
    appliedVolume_ = gain_ ? gain_->volume.load() : AudioGain::kFull;
    volumeApplied_ = true;
  }
  // Not under the lock: opening waits for the loop, which needs it.
  const pa_cvolume volume = StreamVolume(appliedVolume_);
  if (!PulseStream::OpenStream(pulse_, rate, &volume, &reason)) throw MediaDeviceError(reason);
  LoopLock lock(pulse_.loop);
  StartWritingLocked();
}

void PulseAudioOutput::StartWritingLocked() {
  const pa_buffer_attr* got = pa_stream_get_buffer_attr(pulse_.stream);
  requestFrames_ = got ? static_cast<int>(got->minreq / kBytesPerFrame) : 0;
  pa_stream_set_write_callback(pulse_.stream, &PulseAudioOutput::OnWrite, this);
  // The server's first request may have come before anyone listened.
  const size_t writable = pa_stream_writable_size(pulse_.stream);
  if (writable != static_cast<size_t>(-1) && writable > 0) OnWrite(pulse_.stream, writable, this);
}

void PulseAudioOutput::Close() {
  PulseStream::CloseStream(pulse_);
  requestFrames_ = 0;
}

bool PulseAudioOutput::IsOpen() {
  if (!pulse_.loop) return false;
  LoopLock lock(pulse_.loop);
  return pulse_.stream != nullptr;
}

int PulseAudioOutput::Rate() {
  if (!pulse_.loop) return 0;
  LoopLock lock(pulse_.loop);
  return pulse_.rate;
}

int PulseAudioOutput::BufferFrames() {
  if (!pulse_.loop) return 0;
  LoopLock lock(pulse_.loop);
  return pulse_.stream ? requestFrames_ : 0;
}

void PulseAudioOutput::Lock() {
  if (pulse_.loop) pa_threaded_mainloop_lock(pulse_.loop);
}

void PulseAudioOutput::Unlock() {
  if (pulse_.loop) pa_threaded_mainloop_unlock(pulse_.loop);
}

int64_t PulseAudioOutput::HeldFrames() {
  if (!pulse_.loop) return 0;
  LoopLock lock(pulse_.loop);
  if (!pulse_.stream) return 0;
  pa_usec_t latency = 0;
  int negative = 0;
  if (pa_stream_get_latency(pulse_.stream, &latency, &negative) != 0 || negative) return 0;
  return static_cast<int64_t>(latency * static_cast<uint64_t>(pulse_.rate) / PA_USEC_PER_SEC);
}

void PulseAudioOutput::DiscardHeld() {
  if (!pulse_.loop) return;
  LoopLock lock(pulse_.loop);
  if (pulse_.stream) Forget(pa_stream_flush(pulse_.stream, nullptr, nullptr));
}

void PulseAudioOutput::ApplyVolumeLocked() {
  if (!pulse_.stream) return;
  const uint32_t wanted = gain_ ? gain_->volume.load(std::memory_order_relaxed) : AudioGain::kFull;
  if (volumeApplied_ && wanted == appliedVolume_) return;
  const pa_cvolume volume = StreamVolume(wanted);
  Forget(pa_context_set_sink_input_volume(pulse_.context, pa_stream_get_index(pulse_.stream), &volume, nullptr,
                                          nullptr));
  appliedVolume_ = wanted;
  volumeApplied_ = true;
}

void PulseAudioOutput::OnWrite(pa_stream* stream, size_t bytes, void* user) {
  auto* self = static_cast<PulseAudioOutput*>(user);
  while (bytes >= kBytesPerFrame) {
    void* data = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) return;
    size -= size % kBytesPerFrame;
    if (size == 0) {
      pa_stream_cancel_write(stream);
      return;
    }
    self->render_(self->user_, static_cast<int16_t*>(data), static_cast<int>(size / kBytesPerFrame));
    if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes = size < bytes ? bytes - size : 0;
  }
}
