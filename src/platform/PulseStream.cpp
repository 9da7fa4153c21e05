#include "platform/PulseStream.h"

#include <pulse/pulseaudio.h>

#include <cstdlib>

namespace {

void SignalLoop(void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }
void OnContextState(pa_context*, void* loop) { SignalLoop(loop); }
void OnStreamState(pa_stream*, void* loop) { SignalLoop(loop); }

// A playback stream at `rate` on its way to the server; nullptr when it
// cannot even be asked for.
pa_stream* ConnectPlayback(pa_context* context, int rate, const pa_cvolume* volume, pa_stream_notify_cb_t onState,
                           void* user) {
  pa_sample_spec sampleFormat;
  sampleFormat.format = PA_SAMPLE_S16NE;
  sampleFormat.rate = static_cast<uint32_t>(rate);
  sampleFormat.channels = 2;
  if (!pa_sample_spec_valid(&sampleFormat)) return nullptr;
  pa_stream* stream = pa_stream_new(context, "Music", &sampleFormat, nullptr);
  if (!stream) return nullptr;
  pa_stream_set_state_callback(stream, onState, user);
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength =
      static_cast<uint32_t>(pa_usec_to_bytes(PulseStream::kServerBufferMs * PA_USEC_PER_MSEC, &sampleFormat));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(PulseStream::kRequestMs * PA_USEC_PER_MSEC, &sampleFormat));
  attr.fragsize = static_cast<uint32_t>(-1);
  // The buffer is the whole latency (the server's included); the position
  // is interpolated between the server's reports, which come on their own.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                    PA_STREAM_AUTO_TIMING_UPDATE);
  if (pa_stream_connect_playback(stream, nullptr, &attr, flags, volume, nullptr) < 0) {
    pa_stream_unref(stream);
    return nullptr;
  }
  return stream;
}

// StartOpening's steps, taken on the loop's thread.
void OnOpeningStreamState(pa_stream* stream, void* user) {
  auto* handles = static_cast<PulseHandles*>(user);
  (void)stream;
  pa_threaded_mainloop_signal(handles->loop, 0);
}

void OnOpeningContextState(pa_context* context, void* user) {
  auto* handles = static_cast<PulseHandles*>(user);
  if (pa_context_get_state(context) == PA_CONTEXT_READY && !handles->stream)
    handles->stream = ConnectPlayback(context, handles->rate, nullptr, &OnOpeningStreamState, handles);
  pa_threaded_mainloop_signal(handles->loop, 0);
}

// A context that names the program to the server (its mixer shows it).
pa_context* NewContext(pa_threaded_mainloop* loop) {
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "velmaris");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "velmaris");
  pa_context* context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Velmaris", props);
  pa_proplist_free(props);
  return context;
}

std::string ContextError(pa_context* context) {
  return context ? pa_strerror(pa_context_errno(context)) : "The sound server did not answer";
}

} // namespace

namespace PulseStream {

bool ServerWanted() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (!driver || !*driver) return true;
  const std::string name = driver;
  return name == "pulseaudio" || name == "pulse" || name == "pipewire";
}

bool Connect(PulseHandles& handles, std::string* reason) {
  if (handles.context) return true;
  handles.loop = pa_threaded_mainloop_new();
  if (!handles.loop) {
    if (reason) *reason = "No memory for the sound server's loop";
    return false;
  }
  handles.context = NewContext(handles.loop);
  bool ready = false;
  if (handles.context) {
    pa_context_set_state_callback(handles.context, &OnContextState, handles.loop);
    if (pa_context_connect(handles.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        pa_threaded_mainloop_start(handles.loop) >= 0) {
      pa_threaded_mainloop_lock(handles.loop);
      for (;;) {
        const pa_context_state_t state = pa_context_get_state(handles.context);
        if (state == PA_CONTEXT_READY) {
          ready = true;
          break;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) break;
        pa_threaded_mainloop_wait(handles.loop);
      }
      pa_threaded_mainloop_unlock(handles.loop);
    }
  }
  if (!ready) {
    if (reason) *reason = ContextError(handles.context);
    Disconnect(handles);
  }
  return ready;
}

bool OpenStream(PulseHandles& handles, int rate, const pa_cvolume* volume, std::string* reason) {
  if (!handles.context) {
    if (reason) *reason = "Not connected to the sound server";
    return false;
  }
  pa_threaded_mainloop_lock(handles.loop);
  if (handles.stream && handles.rate == rate) {
    pa_threaded_mainloop_unlock(handles.loop);
    return true;
  }
  CloseStream(handles);
  bool ready = false;
  std::string why;
  handles.stream = ConnectPlayback(handles.context, rate, volume, &OnStreamState, handles.loop);
  if (handles.stream) {
    for (;;) {
      const pa_stream_state_t state = pa_stream_get_state(handles.stream);
      if (state == PA_STREAM_READY) {
        ready = true;
        break;
      }
      if (!PA_STREAM_IS_GOOD(state)) break;
      pa_threaded_mainloop_wait(handles.loop);
    }
  }
  if (!ready) {
    why = ContextError(handles.context);
    if (why.empty() || pa_context_errno(handles.context) == PA_OK)
      why = "The sound server cannot play at " + std::to_string(rate) + " Hz";
    CloseStream(handles);
  }
  if (ready) handles.rate = rate;
  pa_threaded_mainloop_unlock(handles.loop);
  if (!ready && reason) *reason = why;
  return ready;
}

bool StartOpening(PulseHandles& handles, int rate) {
  handles.loop = pa_threaded_mainloop_new();
  if (!handles.loop) return false;
  handles.context = NewContext(handles.loop);
  handles.rate = rate;
  if (handles.context) {
    pa_context_set_state_callback(handles.context, &OnOpeningContextState, &handles);
    // Even connecting (reading the settings, finding the server) is left to
    // the loop's thread.
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(handles.loop);
    api->defer_new(
        api,
        [](pa_mainloop_api* loopApi, pa_defer_event* event, void* user) {
          loopApi->defer_free(event);
          auto* h = static_cast<PulseHandles*>(user);
          pa_context_connect(h->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
          h->connectStarted = true;
          pa_threaded_mainloop_signal(h->loop, 0);
        },
        &handles);
    if (pa_threaded_mainloop_start(handles.loop) >= 0) return true;
  }
  Disconnect(handles);
  return false;
}

bool FinishOpening(PulseHandles& handles) {
  if (!handles.loop) return false;
  bool ready = false;
  pa_threaded_mainloop_lock(handles.loop);
  for (;;) {
    const pa_context_state_t state = pa_context_get_state(handles.context);
    const bool notYet = state == PA_CONTEXT_UNCONNECTED && !handles.connectStarted;
    if (!notYet && !PA_CONTEXT_IS_GOOD(state)) break;
    if (state == PA_CONTEXT_READY) {
      if (!handles.stream) break;  // the stream could not be asked for
      const pa_stream_state_t streamState = pa_stream_get_state(handles.stream);
      if (streamState == PA_STREAM_READY) {
        ready = true;
        break;
      }
      if (!PA_STREAM_IS_GOOD(streamState)) break;
    }
    pa_threaded_mainloop_wait(handles.loop);
  }
  if (ready) {
    // From now on the handles may move: the callbacks no longer point at them.
    pa_context_set_state_callback(handles.context, &OnContextState, handles.loop);
    pa_stream_set_state_callback(handles.stream, &OnStreamState, handles.loop);
  }
  pa_threaded_mainloop_unlock(handles.loop);
  if (!ready) Disconnect(handles);
  return ready;
}

void CloseStream(PulseHandles& handles) {
  if (!handles.stream) return;
  pa_threaded_mainloop_lock(handles.loop);
  pa_stream_set_write_callback(handles.stream, nullptr, nullptr);
  pa_stream_set_state_callback(handles.stream, nullptr, nullptr);
  pa_stream_disconnect(handles.stream);
  pa_stream_unref(handles.stream);
  handles.stream = nullptr;
  handles.rate = 0;
  pa_threaded_mainloop_unlock(handles.loop);
}

void Disconnect(PulseHandles& handles) {
  if (!handles.loop) return;
  pa_threaded_mainloop_lock(handles.loop);
  CloseStream(handles);
  if (handles.context) {
    pa_context_set_state_callback(handles.context, nullptr, nullptr);
    pa_context_disconnect(handles.context);
    pa_context_unref(handles.context);
    handles.context = nullptr;
  }
  pa_threaded_mainloop_unlock(handles.loop);
  pa_threaded_mainloop_stop(handles.loop);
  pa_threaded_mainloop_free(handles.loop);
  handles.loop = nullptr;
}

} // namespace PulseStream
