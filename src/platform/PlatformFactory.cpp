// PLACEHOLDER until the device, volume and registry bindings land.
#include "platform/PlatformFactory.h"
#include "platform/RegistryStore.h"

std::unique_ptr<WaveOutVolume> CreateWaveOutVolume() { return nullptr; }
std::unique_ptr<MediaDevice> CreateMediaDevice(WaveOutVolume*) { return nullptr; }
std::unique_ptr<RegistryStore> CreateRegistryStore() { return nullptr; }
