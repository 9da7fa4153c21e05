#pragma once
// The few steps of talking to a PulseAudio (or PipeWire) server that both the
// program's launcher and the audio output take: connect, open a playback
// stream of stereo 16-bit frames, close. Plain libpulse, no Qt, so that the
// launcher can open the stream while the rest of the program still loads.
#include <cstdint>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_cvolume;

struct PulseHandles {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  int rate = 0;
  bool connectStarted = false;  // StartOpening's connect has been tried
};

namespace PulseStream {

// What the server holds for us: long enough that it sleeps most of the
// time; commands drop it (Flush), so they need not wait for it.
constexpr int kServerBufferMs = 250;
// How much has to be free before the server asks for more.
constexpr int kRequestMs = 60;

// False when SDL_AUDIODRIVER names a driver other than the sound server's:
// then the user (or a test, with SDL's disk driver) has chosen SDL2.
bool ServerWanted();

// Connects without starting a server. On failure `handles` stay empty and
// `reason` says why.
bool Connect(PulseHandles& handles, std::string* reason);
// Opens a stream at `rate` (closing one of another rate). `volume` may be
// null (full volume). Takes the loop's lock itself; the caller must not
// hold it (waiting for the server releases it only once).
bool OpenStream(PulseHandles& handles, int rate, const pa_cvolume* volume, std::string* reason);
void CloseStream(PulseHandles& handles);
// The same as Connect and OpenStream without waiting: the loop's own thread
// goes on while the caller does other work. `handles` must stay where they
// are until FinishOpening, which waits for the outcome (false: nothing is
// left open).
bool StartOpening(PulseHandles& handles, int rate);
bool FinishOpening(PulseHandles& handles);
// Closes the stream and the connection.
void Disconnect(PulseHandles& handles);

} // namespace PulseStream
