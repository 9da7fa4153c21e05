#include "platform/PlatformFactory.h"

#include "platform/FileWaveOutVolume.h"
#include "platform/Mpg123SdlDevice.h"
#include "platform/RegistryStore.h"

std::unique_ptr<WaveOutVolume> CreateWaveOutVolume() { return std::make_unique<FileWaveOutVolume>(); }

std::unique_ptr<MediaDevice> CreateMediaDevice(WaveOutVolume* volume) {
  // The output applies the wave-out volume's gain to the samples it plays.
  return std::make_unique<Mpg123SdlDevice>(OutputGainOf(volume));
}

std::unique_ptr<RegistryStore> CreateRegistryStore() {
  return std::make_unique<FileRegistryStore>(FileRegistryStore::DefaultPath());
}
