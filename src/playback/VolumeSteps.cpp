#include "playback/VolumeSteps.h"

#include <cmath>

namespace VolumeSteps {

float ClampLevel(float level) {
  if (!(level >= 0.0f)) return 0.0f;  // negative or not a number
  return level > 1.0f ? 1.0f : level;
}

int PercentOfLevel(float level) { return static_cast<int>(std::ceil(static_cast<double>(level) * 100.0)); }

float LevelOfPercent(int percent) { return static_cast<float>(percent * 0.01); }

uint32_t DeviceValue(float level) {
  const auto c = static_cast<uint32_t>(std::trunc(65535.0 * static_cast<double>(level)));
  return c * 65537u;
}

int PercentOfDeviceValue(uint32_t value) {
  // The nearest whole percentage: a level stored as a device value is cut
  // to steps of 1/65535, so cutting the percentage again would show one
  // percent less after every restart.
  const uint32_t left = value & 0xFFFFu;
  return static_cast<int>((100u * left + 65535u / 2) / 65535u);
}

float LevelOfDeviceValue(uint32_t value) { return static_cast<float>((value & 0xFFFFu) / 65535.0); }

float RightClickLevel(int percent) {
  float s = static_cast<float>(percent) + 15.0f;
  if (s >= 115.0f) s = 0.0f;
  return static_cast<float>(static_cast<double>(s) * 0.01);
}

float DragLevel(float startLevel, int startX, int x) {
  const double moved = static_cast<double>(x) - static_cast<double>(startX);
  return static_cast<float>(moved * 0.01 + static_cast<double>(startLevel));
}

} // namespace VolumeSteps
