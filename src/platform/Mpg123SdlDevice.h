#pragma once
// The real media device: libmpg123 decodes the open song on a decoder thread
// into a ring buffer, the audio output (a PulseAudio stream, or SDL2) plays the
// ring out. Position counts the frames the output has taken, less those it
// still holds unheard, so at the end of a song Position equals Length.
// Completion of a play is posted to the thread that created the device (the
// UI thread) and runs the completion handler there.
//
// A queued song (QueueNext) is decoded into the same ring right after the
// open song's last frame; the audio callback knows the ring frame where it
// starts and switches the position there, so the two play without a gap.
#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioGain.h"
#include "platform/AudioOutput.h"
#include "platform/AudioRing.h"
#include "platform/MediaDevice.h"

class QObject;
struct mpg123_handle_struct;

class Mpg123SdlDevice : public MediaDevice {
public:
  // `gain` is the volume the output applies (shared with the wave-out
  // volume); none means full volume. Create the device on the UI thread,
  // with a QCoreApplication in place. The audio output starts opening at
  // once on a thread of its own, so create the device early.
  explicit Mpg123SdlDevice(SharedAudioGain gain = nullptr);
  // With another output than the preferred one (tests simulate a sound
  // server's buffer with it).
  using OutputFactory = std::function<std::unique_ptr<AudioOutput>(AudioOutput::RenderFn render, void* user)>;
  Mpg123SdlDevice(SharedAudioGain gain, const OutputFactory& makeOutput);
  ~Mpg123SdlDevice() override;
  Mpg123SdlDevice(const Mpg123SdlDevice&) = delete;
  Mpg123SdlDevice& operator=(const Mpg123SdlDevice&) = delete;

  void Open(const std::string& path) override;
  // Prepares the song (opens, measures, decodes its first frames) on a
  // thread while the program starts; Open takes it when the path matches.
  void ReadAhead(const std::string& path) override;
  // Closes the song and releases the audio output. (Open keeps the output
  // when it changes songs.)
  void Close() override;
  bool IsOpen() const override { return open_; }

  void Play() override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  void SetPosition(int64_t ms) override;
  void Rewind() override;

  int64_t Length() const override;
  int64_t Position() const override;
  TMPModes Mode() const override;
  Times PositionAndLength() const override;

  // Songs whose exact length needs a background scan (no info frame, bigger
  // than kInlineScanBytes) are not queued.
  bool QueueNext(const std::string& path, std::string* reason = nullptr) override;
  void DropQueued() override;
  std::string QueuedPath() const override;

  // Sample rate of the open song (0 when none); for measurements.
  int SampleRate() const { return open_ ? rate_ : 0; }
  // Frames the output takes per request (0 while no output is open).
  int OutputBufferFrames() const;
  // Frames of silence the output had to play because the decoder fell
  // behind, since the device was created; for measurements.
  int64_t UnderrunFrames() const { return underrunFrames_.load(); }
  // Files without an info frame up to this size are scanned for their exact
  // length while they open; bigger ones are scanned in the background.
  static constexpr int64_t kInlineScanBytes = 24 * 1024 * 1024;

private:
  using Handle = mpg123_handle_struct;
  struct HandleCloser {
    void operator()(Handle* mh) const;
  };
  // One song on its way into the ring.
  struct Song {
    std::unique_ptr<Handle, HandleCloser> mh;
    std::string path;
    int rate = 0;
    int64_t length = 0;         // frames, as known at open
    bool scanLater = false;     // the length is an estimate until scanned
    std::vector<int16_t> head;  // first frames, decoded at open
    size_t headAt = 0;          // frames of `head` already in the ring
    int64_t decodedFrames = 0;  // song frame where the next frame to put in the ring starts
    bool decodeDone = false;    // the decoder has reached the song's end
    bool inRing = false;        // and every frame of it is in the ring
  };

  static Song PrepareSong(const std::string& path);
  // The song read ahead for `path`, or a freshly prepared one.
  Song TakeSong(const std::string& path);
  void CheckOpen() const;
  void CloseSong();
  void DecoderLoop();
  void ScanLength(std::string path, uint32_t serial);
  // Puts one piece of the song being decoded into the ring. Caller holds
  // mutex_. True while there is room and data for more.
  bool DecodeChunkLocked();
  bool FinishSongLocked(Song& song);
  void MoveToLocked(int64_t frame);
  void DropQueuedLocked();
  // Ends the current play (if any): `mode` becomes the new mode, the output
  // is synchronised, a pending play reports completion.
  // Returns the song frame heard last; what the output held is dropped.
  int64_t EndPlayLocked(TMPModes mode);
  void StartSoundLocked();
  void ContinueFromHeardLocked(int64_t heard);
  // Frames of the song rendered and not heard yet.
  int64_t HeldSongFrames() const;
  // Takes in what the audio callback did: a change to the queued song, the
  // end of the last song.
  void SettleLocked();
  int64_t PlayedFramesLocked() const;
  // Runs `run` on the UI thread, `delayMs` from now (at once when 0).
  void PostToUiThread(int64_t delayMs, std::function<void()> run);
  void PostCompletion(int64_t delayMs = 0);
  void PostTransition(int64_t delayMs);
  void Wake();
  static void RenderThunk(void* self, int16_t* out, int frames);
  void Render(int16_t* out, int frames) noexcept;

  SharedAudioGain gain_;
  std::unique_ptr<QObject> notifier_;
  std::unique_ptr<AudioOutput> output_;
  AudioRing ring_;
  std::vector<int16_t> scratch_;

  // The songs. mutex_ guards the decoder handles and the fields below that
  // are not atomic; the audio callback never takes it.
  mutable std::mutex mutex_;
  Song cur_;                  // the audible song
  Song next_;                 // the queued one (no handle when none)
  bool decodingNext_ = false; // cur_ is all in the ring, next_ follows it
  uint32_t curSerial_ = 0;    // cur_'s number in the play clock
  bool open_ = false;
  int rate_ = 0;
  bool quit_ = false;
  bool playPending_ = false;
  std::string unannouncedPath_;  // the song changed, not heard yet
  std::thread decoder_;
  std::thread scanner_;
  std::thread reader_;          // ReadAhead's
  std::string readAheadPath_;
  Song readAhead_;              // no handle when reading it failed

  // The play clock: the audible song's serial number in the top 16 bits,
  // its frames played in the rest; one word, so a reader never mixes two
  // songs.
  static constexpr int kSerialShift = 48;
  static constexpr uint64_t kFramesMask = (uint64_t{1} << kSerialShift) - 1;
  static constexpr uint64_t kNoSwitch = ~uint64_t{0};
  std::atomic<uint64_t> clock_{0};
  std::atomic<int64_t> lengths_[2] = {0, 0};  // frames, by serial & 1
  // Ring frame (ReadTotal count) where the queued song starts.
  std::atomic<uint64_t> switchAt_{kNoSwitch};
  std::atomic<int> mode_{static_cast<int>(TMPModes::mpNotReady)};
  std::atomic<uint32_t> openGeneration_{0};  // a posted transition of an earlier song is dropped
  std::atomic<bool> decoderEof_{false};      // every frame of the last song is in the ring
  std::atomic<bool> endReached_{false};      // the callback played the last frame
  std::atomic<bool> transitioned_{false};    // the callback switched to the queued song
  std::atomic<bool> stopScan_{false};
  std::atomic<uint32_t> wake_{0};
  std::atomic<int64_t> underrunFrames_{0};
  std::atomic<bool> softwareGain_{true};       // the output leaves the volume to us
  std::atomic<int64_t> trailingSilence_{0};    // silent frames rendered since the last song frame
  std::atomic<bool> announcePending_{false};   // unannouncedPath_ is set
};
