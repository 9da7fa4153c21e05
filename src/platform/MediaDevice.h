#pragma once
// The media device: one open song at a time, all times in milliseconds.
// The player engine drives it; the real device decodes and plays on a
// player thread of its own, the tests use a scripted fake.
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

// What happened in the device, told to the engine on the UI thread.
struct MediaEvent {
  enum class Kind {
    SongAudible,        // a play started to be heard: path, lengthMs
    SongFinished,       // the song played to its end and nothing followed: path
    QueuedSongAudible,  // the queued song took over: fromPath -> path, lengthMs
    Failure,            // path could not be played: failure, text
    OutputLost,         // the sound output went away: text (playing stopped)
    OutputBack,         // the sound output answers again
    VolumeChangedOutside,  // the desktop's mixer set the stream's volume: volume
  };
  enum class FailureKind { None, Decoder, Output };
  Kind kind = Kind::SongAudible;
  std::string path;
  std::string fromPath;
  int64_t lengthMs = 0;
  FailureKind failure = FailureKind::None;
  std::string text;
  uint32_t volume = 0;
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
  // position equals the length the device first moves to the start. When
  // the song plays to its end (nothing queued), SongFinished is announced.
  // An output that cannot play is announced as a Failure, the device stopped.
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
  // queued before. A song of another format follows after the output is
  // opened anew for it (a short silence). False, with the reason in
  // `*reason` when given, when the song cannot follow: nothing open, the
  // open song has already ended, or the file cannot be opened. Then
  // nothing is queued and the engine goes on as without a queue (Open and
  // Play at the end, with the usual error box when Open fails).
  //
  // When the open song plays to its end with a song queued, the queued song
  // becomes the open one at the exact sample where it becomes audible: from
  // then on Length, Position (counting from its start) and Mode describe it,
  // and the play goes on (mode playing). The open song's end is NOT
  // announced as finished; QueuedSongAudible is, once per change, after it
  // (so the engine shows the new song "as if it had been opened then").
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
  // command line). A device may start reading it and connecting to the
  // sound server now, off the caller's thread, so that Open finds it ready;
  // Open still reports any error.
  virtual void ReadAhead(const std::string& path) { (void)path; }
  // A hint: a song will likely play soon (the command line names a list or
  // a folder). A device may connect to the sound server now, off the
  // caller's thread.
  virtual void PrepareOutput() {}

  // The volume to play at (wave-out format: low 16 bits left, high right).
  virtual void SetVolume(uint32_t waveOutVolume) { (void)waveOutVolume; }
  // The name the sound server shows for the stream: the song's caption.
  virtual void SetTitle(const std::string& title) { (void)title; }

  // The event handler runs on the UI thread, never from inside a device
  // call: events are posted, and DeliverEvents runs at once the ones that
  // happened and have not been delivered yet (an engine calls it before a
  // command, so the command acts on what is audible now).
  void SetEventHandler(std::function<void(const MediaEvent&)> handler) { onEvent_ = std::move(handler); }
  virtual void DeliverEvents() {}

protected:
  void Announce(const MediaEvent& event) {
    if (onEvent_) onEvent_(event);
  }

private:
  std::function<void(const MediaEvent&)> onEvent_;
};

inline constexpr const char* kNoDeviceOpen = "No media device open";
