#pragma once
// The real media device: songs are decoded and played on the player thread
// (AudioPlayer) through the preferred output (a PulseAudio stream, else
// SDL2). The calls here never wait for the sound server: they tell the
// player what is wanted and read what it shows. Opening a song's file
// happens here, on the caller's thread (a read of its first bytes), so that
// a file that cannot be played is refused at once. What the player thread
// learns is posted to the thread that created the device (the UI thread)
// and delivered there as MediaEvents.
#include <deque>
#include <memory>
#include <mutex>

#include "platform/AudioGain.h"
#include "platform/AudioOutput.h"
#include "platform/AudioPlayer.h"
#include "platform/MediaDevice.h"

class QObject;

class AudioPlayerDevice : public MediaDevice {
public:
  // `gain` holds the volume to start at (none: full). Create the device on
  // the UI thread, with a QCoreApplication in place. Without `output` the
  // preferred one is used.
  explicit AudioPlayerDevice(SharedAudioGain gain, std::unique_ptr<AudioOutput> output = nullptr);
  ~AudioPlayerDevice() override;
  AudioPlayerDevice(const AudioPlayerDevice&) = delete;
  AudioPlayerDevice& operator=(const AudioPlayerDevice&) = delete;

  void Open(const std::string& path) override;
  void Close() override;
  bool IsOpen() const override { return player_->Now().open; }
  void Play() override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  void SetPosition(int64_t ms) override;
  void Rewind() override { SetPosition(0); }
  int64_t Length() const override { return PositionAndLength().length; }
  int64_t Position() const override { return PositionAndLength().position; }
  TMPModes Mode() const override;
  Times PositionAndLength() const override;
  bool QueueNext(const std::string& path, std::string* reason = nullptr) override;
  void DropQueued() override { player_->DropQueued(); }
  std::string QueuedPath() const override { return player_->Now().queued; }
  void ReadAhead(const std::string& path) override { player_->Prepare(path); }
  void PrepareOutput() override { player_->PrepareOutput(); }
  void SetVolume(uint32_t waveOutVolume) override { player_->SetVolume(waveOutVolume); }
  void SetTitle(const std::string& title) override { player_->SetTitle(title); }
  void DeliverEvents() override;

  // Sample rate of the open song (0 when none); for measurements.
  int SampleRate() const { return player_->Now().rate; }

private:
  AudioPlayer::State OpenState() const;
  void Post(const MediaEvent& event, uint64_t load);

  std::unique_ptr<QObject> notifier_;
  // eventsMutex_ guards the events posted and not delivered yet, and the
  // load number of the open song (events of older songs are dropped).
  std::mutex eventsMutex_;
  std::deque<std::pair<MediaEvent, uint64_t>> events_;
  bool posted_ = false;
  uint64_t load_ = 0;
  std::unique_ptr<AudioPlayer> player_;  // last: its thread stops first
};
