#include "platform/PulseAudioOutput.h"

#include <pulse/pulseaudio.h>

#include <cmath>

namespace {

constexpr const char* kDefaultTitle = "Velmaris";

// Holds the main loop's lock for a scope.
class LoopLock {
public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) {
    if (loop_) pa_threaded_mainloop_lock(loop_);
  }
  ~LoopLock() {
    if (loop_) pa_threaded_mainloop_unlock(loop_);
  }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

private:
  pa_threaded_mainloop* loop_;
};

pa_sample_format_t SampleFormatOf(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::S16: return PA_SAMPLE_S16LE;
    case SampleEncoding::S32: return PA_SAMPLE_S32LE;
    case SampleEncoding::F32: return PA_SAMPLE_FLOAT32LE;
  }
  return PA_SAMPLE_S16LE;
}

pa_cvolume StreamVolume(uint32_t waveOutVolume) {
  pa_cvolume volume;
  pa_cvolume_init(&volume);
  volume.channels = 2;
  volume.values[0] = pa_sw_volume_from_linear((waveOutVolume & 0xFFFFu) / 65535.0);
  volume.values[1] = pa_sw_volume_from_linear((waveOutVolume >> 16) / 65535.0);
  return volume;
}

uint32_t WaveOutOf(pa_volume_t volume) {
  const double linear = std::lround(pa_sw_volume_to_linear(volume) * 65535.0);
  return linear >= 65535.0 ? 65535u : static_cast<uint32_t>(linear < 0 ? 0 : linear);
}

void Forget(pa_operation* operation) {
  if (operation) pa_operation_unref(operation);
}

void Signal(void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }

} // namespace

PulseAudioOutput::~PulseAudioOutput() { Disconnect(); }

bool PulseAudioOutput::WaitLocked(const std::function<bool()>& done, Deadline deadline) {
  struct Wake {
    pa_threaded_mainloop* loop;
  } wake{loop_};
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
  if (done()) return true;
  if (left.count() <= 0) return false;
  // A timer on the loop wakes the wait at the deadline.
  pa_time_event* timer = pa_context_rttime_new(
      context_, pa_rtclock_now() + static_cast<pa_usec_t>(left.count()),
      [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* user) { Signal(static_cast<Wake*>(user)->loop); },
      &wake);
  bool ok = done();
  while (!ok && std::chrono::steady_clock::now() < deadline) {
    pa_threaded_mainloop_wait(loop_);
    ok = done();
  }
  if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
  return ok;
}

void PulseAudioOutput::Connect(Deadline deadline) {
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) throw AudioOutputError("No memory for the sound server's loop");
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "velmaris");
  context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Velmaris", props);
  volumeSetsSent_ = volumeSetsDone_ = 0;  // a lost connection answers none it had
  pa_proplist_free(props);
  if (!context_) {
    Disconnect();
    throw AudioOutputError("The sound server's connection cannot be made");
  }
  pa_context_set_state_callback(
      context_, [](pa_context*, void* self) { static_cast<PulseAudioOutput*>(self)->OnContextState(); }, this);
  lost_.store(false);
  everReady_ = false;
  std::string reason;
  {
    LoopLock lock(loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
      reason = pa_strerror(pa_context_errno(context_));
    } else {
      const bool answered = WaitLocked(
          [this] {
            const pa_context_state_t state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
          },
          deadline);
      if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
        everReady_ = true;
        WatchVolumeLocked();
      } else {
        reason = answered ? pa_strerror(pa_context_errno(context_))
                          : "The sound server did not answer within " + std::to_string(kAnswerLimitMs / 1000) + " s";
      }
    }
  }
  if (!reason.empty()) {
    Disconnect();
    throw AudioOutputError(reason);
  }
}

void PulseAudioOutput::Disconnect() {
  if (!loop_) return;
  {
    LoopLock lock(loop_);
    CloseStreamLocked();
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_set_subscribe_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

void PulseAudioOutput::OnContextState() {
  const pa_context_state_t state = pa_context_get_state(context_);
  if (everReady_ && !PA_CONTEXT_IS_GOOD(state) && !lost_.exchange(true) && listener_)
    listener_->OutputLost(pa_strerror(pa_context_errno(context_)));
  pa_threaded_mainloop_signal(loop_, 0);
}

void PulseAudioOutput::OnStreamState() {
  if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_FAILED && !lost_.exchange(true) && listener_)
    listener_->OutputLost(pa_strerror(pa_context_errno(context_)));
  pa_threaded_mainloop_signal(loop_, 0);
}

void PulseAudioOutput::Open(const AudioFormat& format, uint32_t volume) {
  const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerLimitMs);
  if (lost_.load()) Disconnect();
  if (!loop_) Connect(deadline);
  LoopLock lock(loop_);
  if (stream_ && format == format_) return;
  CloseStreamLocked();
  pa_sample_spec sampleFormat;
  sampleFormat.format = SampleFormatOf(format.encoding);
  sampleFormat.rate = static_cast<uint32_t>(format.rate);
  sampleFormat.channels = 2;
  if (!pa_sample_spec_valid(&sampleFormat)) throw AudioOutputError("The sound server cannot play at " + std::to_string(format.rate) + " Hz");
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
  pa_proplist_sets(props, PA_PROP_MEDIA_NAME, title_.empty() ? kDefaultTitle : title_.c_str());
  stream_ = pa_stream_new_with_proplist(context_, nullptr, &sampleFormat, nullptr, props);
  pa_proplist_free(props);
  if (!stream_) throw AudioOutputError(pa_strerror(pa_context_errno(context_)));
  pa_stream_set_state_callback(
      stream_, [](pa_stream*, void* self) { static_cast<PulseAudioOutput*>(self)->OnStreamState(); }, this);
  pa_stream_set_underflow_callback(
      stream_, [](pa_stream*, void* self) { static_cast<PulseAudioOutput*>(self)->drained_.store(true); }, this);
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kServerBufferMs * PA_USEC_PER_MSEC, &sampleFormat));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestMs * PA_USEC_PER_MSEC, &sampleFormat));
  attr.fragsize = static_cast<uint32_t>(-1);
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                    PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_START_CORKED);
  const pa_cvolume cv = StreamVolume(volume);
  RememberVolumeLocked(volume);
  bool ready = false;
  if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, &cv, nullptr) >= 0) {
    WaitLocked(
        [this] {
          const pa_stream_state_t state = pa_stream_get_state(stream_);
          return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        },
        deadline);
    ready = pa_stream_get_state(stream_) == PA_STREAM_READY;
  }
  if (!ready) {
    const bool failed = !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
    const std::string reason = failed ? pa_strerror(pa_context_errno(context_))
                                      : "The sound server did not open a stream within " +
                                            std::to_string(kAnswerLimitMs / 1000) + " s";
    CloseStreamLocked();
    throw AudioOutputError(reason);
  }
  format_ = format;
  writtenBytes_ = 0;
  corked_ = true;
  drained_.store(true);
}

void PulseAudioOutput::CloseStreamLocked() {
  if (!stream_) return;
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

void PulseAudioOutput::Close() {
  if (!loop_) return;
  if (lost_.load()) {
    Disconnect();
    return;
  }
  LoopLock lock(loop_);
  CloseStreamLocked();
}

bool PulseAudioOutput::IsOpen() const {
  if (!loop_ || lost_.load()) return false;
  LoopLock lock(loop_);
  return stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY;
}

size_t PulseAudioOutput::WritableFrames() {
  if (!IsOpen()) return 0;
  LoopLock lock(loop_);
  const size_t bytes = pa_stream_writable_size(stream_);
  return bytes == static_cast<size_t>(-1) ? 0 : bytes / static_cast<size_t>(format_.BytesPerFrame());
}

size_t PulseAudioOutput::Write(const void* data, size_t frames) {
  if (!IsOpen() || frames == 0) return 0;
  LoopLock lock(loop_);
  const size_t bytes = frames * static_cast<size_t>(format_.BytesPerFrame());
  if (pa_stream_write(stream_, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) return 0;
  writtenBytes_ += static_cast<int64_t>(bytes);
  drained_.store(false);
  return frames;
}

int64_t PulseAudioOutput::HeldFrames() {
  if (!IsOpen() || drained_.load()) return 0;
  LoopLock lock(loop_);
  pa_usec_t latency = 0;
  int negative = 0;
  if (pa_stream_get_latency(stream_, &latency, &negative) != 0) {
    // No timing yet (it comes with the server's first report): nothing heard.
    return writtenBytes_ / format_.BytesPerFrame();
  }
  if (negative) return 0;
  return static_cast<int64_t>(latency * static_cast<uint64_t>(format_.rate) / PA_USEC_PER_SEC);
}

int64_t PulseAudioOutput::BufferFrames() {
  return IsOpen() ? static_cast<int64_t>(format_.rate) * kServerBufferMs / 1000 : 0;
}

void PulseAudioOutput::SetPaused(bool paused) {
  if (!IsOpen()) return;
  LoopLock lock(loop_);
  if (paused == corked_) return;
  corked_ = paused;
  Forget(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
}

int64_t PulseAudioOutput::Flush() {
  if (!IsOpen()) return 0;
  const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerLimitMs);
  LoopLock lock(loop_);
  // Where the server's reading stands once the flush is done tells exactly
  // what was played: the rest was dropped.
  const auto waitFor = [this, deadline](pa_operation* operation) {
    if (!operation) return;
    WaitLocked([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, deadline);
    pa_operation_unref(operation);
  };
  const auto signalled = [](pa_stream*, int, void* loop) { Signal(loop); };
  waitFor(pa_stream_flush(stream_, signalled, loop_));
  waitFor(pa_stream_update_timing_info(stream_, signalled, loop_));
  const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
  const int64_t before = writtenBytes_;
  int64_t dropped = 0;
  if (timing && timing->read_index_corrupt == 0) {
    const int64_t read = timing->read_index;
    dropped = before > read ? (before - read) / format_.BytesPerFrame() : 0;
    writtenBytes_ = timing->write_index;
  }
  drained_.store(true);
  return dropped;
}

void PulseAudioOutput::Start() {
  if (!IsOpen()) return;
  LoopLock lock(loop_);
  if (!corked_) Forget(pa_stream_trigger(stream_, nullptr, nullptr));
}

void PulseAudioOutput::SetVolume(uint32_t waveOutVolume) {
  if (!IsOpen()) return;
  LoopLock lock(loop_);
  if (waveOutVolume == volumeSet_ && !seenMute_) return;
  const auto done = [](pa_context*, int, void* self) { ++static_cast<PulseAudioOutput*>(self)->volumeSetsDone_; };
  if (seenMute_) {
    ++volumeSetsSent_;
    Forget(pa_context_set_sink_input_mute(context_, pa_stream_get_index(stream_), 0, done, this));
  }
  RememberVolumeLocked(waveOutVolume);
  const pa_cvolume cv = StreamVolume(waveOutVolume);
  ++volumeSetsSent_;
  Forget(pa_context_set_sink_input_volume(context_, pa_stream_get_index(stream_), &cv, done, this));
}

void PulseAudioOutput::SetTitle(const std::string& title) {
  if (!loop_) {
    title_ = title;
    return;
  }
  LoopLock lock(loop_);
  title_ = title;
  if (!stream_ || lost_.load()) return;
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_MEDIA_NAME, title.empty() ? kDefaultTitle : title.c_str());
  Forget(pa_stream_proplist_update(stream_, PA_UPDATE_REPLACE, props, nullptr, nullptr));
  pa_proplist_free(props);
}

// ---- the volume the desktop's mixer sets ----

void PulseAudioOutput::WatchVolumeLocked() {
  pa_context_set_subscribe_callback(
      context_,
      [](pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* self) {
        OnSubscription(context, static_cast<int>(type), index, self);
      },
      this);
  Forget(pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
}

void PulseAudioOutput::OnSubscription(pa_context* context, int type, uint32_t index, void* user) {
  auto* self = static_cast<PulseAudioOutput*>(user);
  if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
  if (!self->stream_ || index != pa_stream_get_index(self->stream_)) return;
  if (self->volumeSetsDone_ != self->volumeSetsSent_) return;  // our own change
  Forget(pa_context_get_sink_input_info(
      context, index,
      [](pa_context*, const pa_sink_input_info* info, int eol, void* me) {
        if (eol || !info) return;
        auto* out = static_cast<PulseAudioOutput*>(me);
        if (out->volumeSetsDone_ != out->volumeSetsSent_) return;  // older than our own change
        const uint32_t left = WaveOutOf(info->volume.values[0]);
        const uint32_t right = WaveOutOf(info->volume.channels > 1 ? info->volume.values[1] : info->volume.values[0]);
        const uint32_t heard = info->mute ? 0 : (left | (right << 16));
        // Our own setting comes back too, and a cork is a change as well:
        // only a volume not seen before is news.
        const uint32_t second = info->volume.channels > 1 ? info->volume.values[1] : info->volume.values[0];
        if (info->volume.values[0] == out->seenVolume_[0] && second == out->seenVolume_[1] &&
            (info->mute != 0) == out->seenMute_)
          return;
        out->seenVolume_[0] = info->volume.values[0];
        out->seenVolume_[1] = second;
        out->seenMute_ = info->mute != 0;
        out->volumeSet_ = heard;
        if (out->listener_) out->listener_->OutputVolumeChanged(heard);
      },
      self));
}

void PulseAudioOutput::RememberVolumeLocked(uint32_t waveOutVolume) {
  volumeSet_ = waveOutVolume;
  const pa_cvolume cv = StreamVolume(waveOutVolume);
  seenVolume_[0] = cv.values[0];
  seenVolume_[1] = cv.values[1];
  seenMute_ = false;
}
