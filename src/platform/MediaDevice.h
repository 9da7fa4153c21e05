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

  // Position and length read together, from one moment of the device (a
  // song change between two separate calls cannot mix the two songs).
  struct Times {
    int64_t position = 0;
    int64_t length = 0;
  };
  virtual Times PositionAndLength() const { return {Position(), Length()}; }

  // --- Gapless continuation ---
  // QueueNext opens `path` as the song that follows the open one in the same
  // output stream: its first sample comes right after the open song's last
  // one. Call it while a song is open, best while it plays, any time before
  // its end (the engine knows which line comes next). It replaces a song
  // queued before. False, with the reason in `*reason` when given, when the
  // song cannot follow gaplessly: nothing open, the open song has already
  // ended, the file cannot be opened, or its sample rate differs. Then
  // nothing is queued and the engine goes on as without a queue (Open and
  // Play at the end, with the usual error box when Open fails).
  //
  // When the open song plays to its end with a song queued, the queued song
  // becomes the open one at the exact sample where it becomes audible: from
  // then on Length, Position (counting from its start) and Mode describe it,
  // and the play goes on (mode playing). The open song's end is NOT reported
  // to the completion handler; the play that started it reports completion
  // once, when it ends later (at the queued song's end, or by a command).
  // The transition handler runs once per such change, on the UI thread,
  // after the change (so the engine shows the new song "as if it had been
  // opened then").
  //
  // Open, Close, Stop, SetPosition, Rewind, Play at the end of the song, and
  // DropQueued drop a song that is queued and not yet audible; Pause and
  // Resume keep it. A command that comes after the change acts on the new
  // song (the transition handler still runs for the change).
  //
  // Devices that cannot play gaplessly keep the default: nothing is queued.
  virtual bool QueueNext(const std::string& path, std::string* reason = nullptr) {
    (void)path;
    if (reason) *reason = "This device plays one song at a time";
    return false;
  }
  virtual void DropQueued() {}
  // The path of the queued song, "" when none.
  virtual std::string QueuedPath() const { return {}; }

  // A hint: `path` is likely the first song to be opened (the one on the
  // command line). A device may start reading it now, on a thread of its
  // own, so that Open finds it ready; Open still reports any error.
  virtual void ReadAhead(const std::string& path) { (void)path; }

  // The handlers are always invoked on the UI thread, never from inside a
  // device call.
  void SetCompletionHandler(std::function<void()> handler) { onCompletion_ = std::move(handler); }
  void SetTransitionHandler(std::function<void()> handler) { onTransition_ = std::move(handler); }

protected:
  void NotifyCompletion() {
    if (onCompletion_) onCompletion_();
  }
  void NotifyTransition() {
    if (onTransition_) onTransition_();
  }

private:
  std::function<void()> onCompletion_;
  std::function<void()> onTransition_;
};

inline constexpr const char* kNoDeviceOpen = "No media device open";
