#include "platform/PlatformFactory.h"

#include "platform/FileWaveOutVolume.h"
#include "platform/AudioPlayerDevice.h"
#include "platform/RegistryStore.h"

std::unique_ptr<WaveOutVolume> CreateWaveOutVolume() { return std::make_unique<FileWaveOutVolume>(); }

std::unique_ptr<MediaDevice> CreateMediaDevice(WaveOutVolume* volume) {
  // The device starts at the wave-out volume's level.
  return std::make_unique<AudioPlayerDevice>(OutputGainOf(volume));
}

std::unique_ptr<RegistryStore> CreateRegistryStore() {
  return std::make_unique<FileRegistryStore>(FileRegistryStore::DefaultPath());
}
