#pragma once
// The volume control's rules: levels are 32-bit floats from 0.0 to 1.0, the
// control shows whole percents. A left drag changes the level by one percent
// per pixel; a right click raises it by 15 percent and wraps to 0 after the
// top. Standard library only.
#include <cstdint>

namespace VolumeSteps {

// What the control shows before the device has been asked.
inline constexpr int InitialPercent = 50;

// The level limited to 0.0..1.0; not-a-number counts as 0.
float ClampLevel(float level);
// The smallest whole percentage not below the level (a level kept as the
// float nearest 0.80 shows 81).
int PercentOfLevel(float level);
float LevelOfPercent(int percent);
// The wave-out value of a level: both channels the same, left in the low
// word. `level` must be clamped.
uint32_t DeviceValue(float level);
// The percentage a wave-out value shows: its left channel, to the nearest
// whole percent, so that a stored level reads back as the percentage it
// showed (32767 shows 50).
int PercentOfDeviceValue(uint32_t value);
// The level of a wave-out value's left channel.
float LevelOfDeviceValue(uint32_t value);
// The level after a right click on a control that shows `percent`.
float RightClickLevel(int percent);
// The level while dragging: `startLevel` at the press at `startX`, one
// percent per pixel moved to `x`.
float DragLevel(float startLevel, int startX, int x);

} // namespace VolumeSteps
