#pragma once
// The real platform objects the program runs with.
#include <memory>

#include "platform/MediaDevice.h"
#include "platform/WaveOutVolume.h"

class RegistryStore;

std::unique_ptr<WaveOutVolume> CreateWaveOutVolume();
std::unique_ptr<MediaDevice> CreateMediaDevice(WaveOutVolume* volume);
std::unique_ptr<RegistryStore> CreateRegistryStore();
