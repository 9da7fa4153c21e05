#pragma once
// The media device: one open song at a time, all times in milliseconds.
// The player engine drives it; the real device decodes with libmpg123 and plays
// through SDL2, the tests use a scripted fake.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// Device modes, numbered as the player reports them.
enum class TMPModes : int {
  mpNotReady = 0,
  mpStopped = 1,
  mpPlaying = 2,
  mpRecording = 3,
  mpSeeking = 4,
  mpPaused = 5,
  mpOpen = 6,
};

// Raised by every operation that fails; what() is the decoder's or output's
// own text ("Unknown error code" when there is none, "No media device open"
// when no song is open).
class MediaDeviceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class MediaDevice {
public:
  virtual ~MediaDevice() = default;

  // Closes the open song first (if any), then opens `path`. On failure no
  // song is open and MediaDeviceError is thrown.
  virtual void Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Starts playing from the current position, asynchronously. When the
  // position equals the length the device first moves to the start. The
  // completion handler runs (on the UI thread) when this play ends: played to
  // the end, superseded by another command, or aborted.
  virtual void Play() = 0;
  virtual void Pause() = 0;   // playing -> paused
  virtual void Resume() = 0;  // paused -> playing (completion reported like Play)
  virtual void Stop() = 0;    // stops; the position stays
  virtual void SetPosition(int64_t ms) = 0;  // moves; a playing device stops playing
  virtual void Rewind() = 0;  // to the start (SetPosition(0))

  virtual int64_t Length() const = 0;    // ms; throws when closed
  virtual int64_t Position() const = 0;  // ms played out; throws when closed
  virtual TMPModes Mode() const = 0;     // throws when closed

  // The handler is always invoked on the UI thread, never from inside a
  // device call.
  void SetCompletionHandler(std::function<void()> handler) { onCompletion_ = std::move(handler); }

protected:
  void NotifyCompletion() {
    if (onCompletion_) onCompletion_();
  }

private:
  std::function<void()> onCompletion_;
};

inline constexpr const char* kNoDeviceOpen = "No media device open";
