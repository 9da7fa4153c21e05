#pragma once
// A plain connection to the tests' private sound server, for asking it what
// it knows of our stream (the program's output keeps its own).
#include <pulse/pulseaudio.h>

struct PulseTestConnection {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;

  PulseTestConnection() = default;
  PulseTestConnection(const PulseTestConnection&) = delete;
  PulseTestConnection& operator=(const PulseTestConnection&) = delete;
  ~PulseTestConnection() { Disconnect(); }

  // Connects without starting a server; false when none answers.
  bool Connect() {
    loop = pa_threaded_mainloop_new();
    if (!loop) return false;
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "media_pulse_test");
    if (!context) return false;
    pa_context_set_state_callback(context, &Signal, loop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop) < 0)
      return false;
    pa_threaded_mainloop_lock(loop);
    pa_context_state_t state;
    while ((state = pa_context_get_state(context)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
      pa_threaded_mainloop_wait(loop);
    pa_threaded_mainloop_unlock(loop);
    return state == PA_CONTEXT_READY;
  }

  void Disconnect() {
    if (!loop) return;
    pa_threaded_mainloop_lock(loop);
    if (context) {
      pa_context_set_state_callback(context, nullptr, nullptr);
      pa_context_disconnect(context);
      pa_context_unref(context);
      context = nullptr;
    }
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
  }

private:
  static void Signal(pa_context*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
  }
};
