#include "platform/PulseAudioOutput.h"

#include <pulse/pulseaudio.h>

#include "platform/MediaDevice.h"

namespace {

constexpr int kBytesPerFrame = 4;  // interleaved stereo, 16 bits

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
  WaitForBackgroundOpen();
  Disconnect();
}

bool PulseAudioOutput::Connect(std::string* reason) {
  if (context_) return true;
  mainloop_ = pa_threaded_mainloop_new();
  if (!mainloop_) {
    if (reason) *reason = "No memory for the sound server's loop";
    return false;
  }
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "velmaris");
  context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(mainloop_), "Velmaris", props);
  pa_proplist_free(props);
  bool ready = false;
  if (context_) {
    pa_context_set_state_callback(context_, &PulseAudioOutput::OnContextState, this);
    // No server is started for us: without one the SDL output takes over.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        pa_threaded_mainloop_start(mainloop_) >= 0) {
      LoopLock lock(mainloop_);
      for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
          ready = true;
          break;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) break;
        pa_threaded_mainloop_wait(mainloop_);
      }
    }
    if (!ready && reason) *reason = pa_strerror(pa_context_errno(context_));
  }
  if (!ready) Disconnect();
  return ready;
}

void PulseAudioOutput::Disconnect() {
  if (!mainloop_) return;
  {
    LoopLock lock(mainloop_);
    CloseStreamLocked();
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  pa_threaded_mainloop_stop(mainloop_);
  pa_threaded_mainloop_free(mainloop_);
  mainloop_ = nullptr;
}

void PulseAudioOutput::OnContextState(pa_context*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseAudioOutput*>(self)->mainloop_, 0);
}

void PulseAudioOutput::OnStreamState(pa_stream*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseAudioOutput*>(self)->mainloop_, 0);
}

void PulseAudioOutput::OpenInBackground(int rate) {
  WaitForBackgroundOpen();
  opener_ = std::thread([this, rate] {
    try {
      if (Connect()) OpenNow(rate);
    } catch (const MediaDeviceError&) {
      // Open reports it when a song needs the output.
    }
  });
}

void PulseAudioOutput::WaitForBackgroundOpen() {
  if (opener_.joinable()) opener_.join();
}

void PulseAudioOutput::Open(int rate) {
  WaitForBackgroundOpen();
  std::string reason;
  if (!Connect(&reason)) throw MediaDeviceError(reason);
  OpenNow(rate);
}

void PulseAudioOutput::OpenNow(int rate) {
  LoopLock lock(mainloop_);
  if (stream_ && rate == rate_) return;
  CloseStreamLocked();
  pa_sample_spec spec;
  spec.format = PA_SAMPLE_S16NE;
  spec.rate = static_cast<uint32_t>(rate);
  spec.channels = 2;
  if (!pa_sample_spec_valid(&spec)) throw MediaDeviceError("The sound server cannot play at this sample rate");
  stream_ = pa_stream_new(context_, "Music", &spec, nullptr);
  if (!stream_) throw MediaDeviceError(pa_strerror(pa_context_errno(context_)));
  pa_stream_set_state_callback(stream_, &PulseAudioOutput::OnStreamState, this);
  pa_stream_set_write_callback(stream_, &PulseAudioOutput::OnWrite, this);
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kServerBufferMs * PA_USEC_PER_MSEC, &spec));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestMs * PA_USEC_PER_MSEC, &spec));
  attr.fragsize = static_cast<uint32_t>(-1);
  // The buffer is the whole latency (server included); the position is
  // interpolated between the server's reports, which come on their own.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                    PA_STREAM_AUTO_TIMING_UPDATE);
  appliedVolume_ = gain_ ? gain_->volume.load() : AudioGain::kFull;
  volumeApplied_ = true;
  const pa_cvolume volume = StreamVolume(appliedVolume_);
  bool ready = false;
  if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, &volume, nullptr) >= 0) {
    for (;;) {
      const pa_stream_state_t state = pa_stream_get_state(stream_);
      if (state == PA_STREAM_READY) {
        ready = true;
        break;
      }
      if (!PA_STREAM_IS_GOOD(state)) break;
      pa_threaded_mainloop_wait(mainloop_);
    }
  }
  if (!ready) {
    const std::string reason = pa_strerror(pa_context_errno(context_));
    CloseStreamLocked();
    throw MediaDeviceError(reason);
  }
  rate_ = rate;
  const pa_buffer_attr* got = pa_stream_get_buffer_attr(stream_);
  requestFrames_ = got ? static_cast<int>(got->minreq / kBytesPerFrame) : 0;
}

void PulseAudioOutput::CloseStreamLocked() {
  if (!stream_) return;
  pa_stream_set_write_callback(stream_, nullptr, nullptr);
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
  rate_ = 0;
  requestFrames_ = 0;
}

void PulseAudioOutput::Close() {
  WaitForBackgroundOpen();
  if (!mainloop_) return;
  LoopLock lock(mainloop_);
  CloseStreamLocked();
}

bool PulseAudioOutput::IsOpen() {
  WaitForBackgroundOpen();
  if (!mainloop_) return false;
  LoopLock lock(mainloop_);
  return stream_ != nullptr;
}

int PulseAudioOutput::Rate() {
  WaitForBackgroundOpen();
  if (!mainloop_) return 0;
  LoopLock lock(mainloop_);
  return rate_;
}

int PulseAudioOutput::BufferFrames() {
  WaitForBackgroundOpen();
  if (!mainloop_) return 0;
  LoopLock lock(mainloop_);
  return requestFrames_;
}

void PulseAudioOutput::Lock() {
  WaitForBackgroundOpen();
  if (mainloop_) pa_threaded_mainloop_lock(mainloop_);
}

void PulseAudioOutput::Unlock() {
  if (mainloop_) pa_threaded_mainloop_unlock(mainloop_);
}

int64_t PulseAudioOutput::HeldFrames() {
  WaitForBackgroundOpen();
  if (!mainloop_) return 0;
  LoopLock lock(mainloop_);
  if (!stream_) return 0;
  pa_usec_t latency = 0;
  int negative = 0;
  if (pa_stream_get_latency(stream_, &latency, &negative) != 0 || negative) return 0;
  return static_cast<int64_t>(latency * static_cast<uint64_t>(rate_) / PA_USEC_PER_SEC);
}

void PulseAudioOutput::DiscardHeld() {
  WaitForBackgroundOpen();
  if (!mainloop_) return;
  LoopLock lock(mainloop_);
  if (stream_) Forget(pa_stream_flush(stream_, nullptr, nullptr));
}

void PulseAudioOutput::ApplyVolumeLocked() {
  const uint32_t wanted = gain_ ? gain_->volume.load(std::memory_order_relaxed) : AudioGain::kFull;
  if (volumeApplied_ && wanted == appliedVolume_) return;
  const pa_cvolume volume = StreamVolume(wanted);
  Forget(pa_context_set_sink_input_volume(context_, pa_stream_get_index(stream_), &volume, nullptr, nullptr));
  appliedVolume_ = wanted;
  volumeApplied_ = true;
}

void PulseAudioOutput::OnWrite(pa_stream* stream, size_t bytes, void* user) {
  auto* self = static_cast<PulseAudioOutput*>(user);
  // A change of volume reaches the stream with the next request for sound.
  self->ApplyVolumeLocked();
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
