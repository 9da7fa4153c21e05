#pragma once
// The player thread: it owns the songs' decoders, the queued next song, the
// output and the play clock, and is the only thread that talks to the
// output (so connecting to a sound server never holds up anyone else).
// Commands come from any thread and return at once: they set what is
// wanted, under the lock, and wake the thread, which makes it so. What the
// thread learns (a song heard, finished, a failure, a lost output, a volume
// set outside) goes to the event sink, from the player thread.
//
// All positions are in frames of the song they belong to.
#include <chrono>
#include <condition_variable>
#include <map>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioDecoder.h"
#include "platform/AudioOutput.h"
#include "platform/MediaDevice.h"

class AudioPlayer : private AudioOutputListener {
public:
  // `load` is the number Load returned for the song the event is about (0
  // for the volume, which is about no song).
  using EventSink = std::function<void(const MediaEvent& event, uint64_t load)>;
  AudioPlayer(std::unique_ptr<AudioOutput> output, EventSink sink, uint32_t volume);
  ~AudioPlayer() override;
  AudioPlayer(const AudioPlayer&) = delete;
  AudioPlayer& operator=(const AudioPlayer&) = delete;

  // --- commands (any thread; none waits for the output) ---
  // The song to play from now on, stopped at its start; returns its load
  // number (events of songs loaded before carry older ones).
  uint64_t Load(std::unique_ptr<AudioDecoder> decoder, const std::string& path);
  void Unload();
  void Play();    // from the resting frame (the start when at the end)
  void Pause();   // playing -> paused at the next frame not heard
  void Resume();  // paused -> playing
  void Stop();    // stops where it is; the queued song is dropped
  void MoveTo(int64_t frame);  // stops there; the queued song is dropped
  // False with the reason when nothing can follow.
  bool Queue(std::unique_ptr<AudioDecoder> decoder, const std::string& path, std::string* reason);
  void DropQueued();
  void SetVolume(uint32_t waveOutVolume);
  void SetTitle(const std::string& title);
  // Opens `path` and the output for its format on the player thread; the
  // decoder waits there for TakePrepared.
  void Prepare(const std::string& path);
  // Connects the output for the likeliest format, corked, on the thread.
  void PrepareOutput();
  // The decoder Prepare opened for `path`, when it is ready (never waits).
  std::unique_ptr<AudioDecoder> TakePrepared(const std::string& path);

  struct State {
    bool open = false;
    TMPModes mode = TMPModes::mpNotReady;
    int64_t position = 0;  // frames
    int64_t length = 0;    // frames
    int rate = 0;
    std::string queued;
  };
  State Now() const;

private:
  // Frames decoded per step; also the least room worth waking for.
  static constexpr size_t kChunkFrames = 4096;
  static constexpr size_t kMaxBytesPerFrame = 8;

  struct Song {
    std::shared_ptr<AudioDecoder> decoder;  // shared with a length scan
    std::string path;
    AudioFormat format;
    uint64_t serial = 0;
    int64_t written = 0;  // song frame where the next frame written starts
    bool ended = false;   // every frame of it has been written
  };
  // What the commands left for the player thread, taken in one go.
  struct Mail {
    std::unique_ptr<Song> song;
    uint64_t load = 0;
    bool unload = false;
    bool queueChanged = false;
    std::unique_ptr<Song> queued;
    bool volumeChanged = false;
    uint32_t volume = 0;
    bool titleChanged = false;
    std::string title;
    bool lost = false;
    std::string lostReason;
    std::string prepare;
    bool prepareOutput = false;
    bool changed = false;
    uint64_t epoch = 0;
    TMPModes mode = TMPModes::mpNotReady;
    int64_t rest = 0;
    bool restFromHeard = false;
  };

  // AudioOutputListener (an output's thread).
  void OutputLost(const std::string& reason) override;
  void OutputWantsFrames() override;
  void OutputVolumeChanged(uint32_t waveOutVolume) override;

  void Run();
  bool PendingLocked() const;
  Mail TakeMailLocked();
  void Act(Mail& mail);
  // Bumps the epoch (and drops the queued song) and wakes the thread.
  void ChangeLocked(bool dropQueued);
  int64_t PositionLocked() const;
  std::unique_ptr<Song> MakeSong(std::unique_ptr<AudioDecoder> decoder, const std::string& path);
  // The player thread's steps (AudioPlayerThread.cpp).
  void Reconcile(const Mail& mail);
  int64_t EndSound();
  void StartSound(int64_t from, uint64_t epoch);
  bool EnsureOutput(const AudioFormat& format, uint64_t epoch);
  void Fill();
  void SongEnded(Song& song);
  void FollowClock(uint64_t epoch);
  void Transition(int64_t startAt);
  void ChangeFormat(uint64_t epoch);
  void HandleLoss(const Mail& mail);
  void Prepare(const Mail& mail);
  void OpenOutputAhead(const AudioFormat& format, uint32_t volume);
  void Unqueue();
  int64_t CurrentFrameAt(int64_t heard) const;
  int WaitMs();
  void PublishClock(int64_t heard);
  // The player stopped by itself (end, failure, loss): shown unless a newer
  // command has come.
  void Settle(uint64_t epoch, TMPModes mode, const int64_t* rest);
  void Emit(MediaEvent event);

  EventSink sink_;
  std::thread thread_;

  // mutex_ guards everything from here to the player thread's own state:
  // what the commands want, what the queries show, and the mailbox of
  // songs and settings handed to the player thread.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool quit_ = false;
  uint64_t epoch_ = 0;         // grows with every command that changes the sound
  uint64_t seenEpoch_ = 0;     // the last one the player thread acted on
  bool restFromHeard_ = false; // the resting frame is wherever the sound stops
  bool open_ = false;
  TMPModes mode_ = TMPModes::mpNotReady;
  int64_t rest_ = 0;           // the position while not playing
  int rate_ = 0;
  std::string path_;
  std::string queuedPath_;
  uint64_t shownSerial_ = 0;   // the song the shown length belongs to
  // The play clock: the audible frame at `clockAt_`, never beyond `clockCap_`.
  int64_t clockFrame_ = 0;
  int64_t clockCap_ = 0;
  std::chrono::steady_clock::time_point clockAt_;
  std::unique_ptr<Song> mailSong_;    // Load's
  bool mailUnload_ = false;
  std::unique_ptr<Song> mailQueued_;  // Queue's
  bool mailQueueChanged_ = false;
  uint32_t volume_;
  bool volumeChanged_ = false;
  std::string title_;
  bool titleChanged_ = false;
  std::string lostReason_;
  bool lost_ = false;
  std::string preparePath_;
  bool prepareOutput_ = false;
  std::unique_ptr<AudioDecoder> prepared_;
  std::string preparedPath_;
  uint64_t nextSerial_ = 1;
  uint64_t loads_ = 0;
  std::map<uint64_t, int64_t> lengths_;  // by song serial: exact, or a guess until scanned
  std::vector<std::thread> scans_;

  // The player thread's own state (no lock).
  std::unique_ptr<AudioOutput> output_;
  std::unique_ptr<Song> cur_;   // the audible song
  std::unique_ptr<Song> next_;  // the queued one
  bool playing_ = false;        // the output is uncorked and fed
  int64_t written_ = 0;         // frames written since the output was flushed
  int64_t curStartAt_ = 0;      // written_ count where cur_ starts to be heard
  int64_t curStartFrame_ = 0;   // its frame there
  int64_t nextStartAt_ = -1;    // where next_ starts, -1 while not written
  bool formatChangeDue_ = false;  // next_ waits for the output to play out
  int64_t fadeInLeft_ = 0;      // frames still to fade in
  bool corkDue_ = false;        // cork when the fade-out has been heard
  bool lostShown_ = false;      // a loss was announced; the next open is "back"
  uint64_t curLoad_ = 0;        // the load number of the songs in hand
  std::vector<unsigned char> buffer_;
};
