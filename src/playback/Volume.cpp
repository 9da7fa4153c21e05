// The volume button: its caption is the volume in percent. A left drag
// changes it by one percent per pixel, a right click raises it by 15 and
// wraps to 0 after the top. Levels are 32-bit floats from 0.0 to 1.0.
#include "app/FrmMainVelmaris.h"

#include <charconv>
#include <cmath>
#include <string>

#include "app/widgets/SpeedButton.h"
#include "platform/UserDialogs.h"
#include "platform/WaveOutVolume.h"

namespace {

// The caption's characters before the first "%"; empty when there is none.
std::string CaptionNumber(const TSpeedButton* button) {
  const std::string caption = button->Caption().toStdString();
  const size_t percent = caption.find('%');
  return percent == std::string::npos ? std::string() : caption.substr(0, percent);
}

template <typename T>
bool ParseWhole(const std::string& text, T& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;  // "+" is allowed, as for "-"
  const auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last && first != last;
}

// The smallest whole percentage not below the level. The product is taken
// from the stored float, so a level kept as the float nearest 0.80 shows 81.
void ShowLevel(TSpeedButton* button, float level) {
  const double percent = std::ceil(static_cast<double>(level) * 100.0);
  button->SetCaption(QString::number(static_cast<int>(percent)) + QLatin1Char('%'));
}

} // namespace

float TFrmMainVelmaris::ReadVolumeCaption() const {
  int percent = 0;
  if (!ParseWhole(CaptionNumber(btnVolume), percent)) percent = 50;
  return static_cast<float>(percent * 0.01);
}

void TFrmMainVelmaris::SetWaveVolume(float& level) {
  if (!(level >= 0.0f)) level = 0.0f;  // negative or not a number
  else if (level > 1.0f) level = 1.0f;
  const auto c = static_cast<uint32_t>(std::trunc(65535.0 * static_cast<double>(level)));
  // Left channel in the low word, right in the high word, both the same.
  if (Volume()) Volume()->SetVolume(c * 65537u);
}

void TFrmMainVelmaris::btnVolumeMouseDown(Qt::MouseButton, Qt::MouseButtons buttons, int x) {
  if (buttons & Qt::RightButton) {
    double number = 0.0;
    float s = ParseWhole(CaptionNumber(btnVolume), number) ? static_cast<float>(number) : 77.0f;
    s = s + 15.0f;
    if (s >= 115.0f) s = 0.0f;
    float v = static_cast<float>(static_cast<double>(s) * 0.01);
    SetWaveVolume(v);
    ShowLevel(btnVolume, v);
  } else if (buttons & Qt::LeftButton) {
    VolumeDragStartLevel = ReadVolumeCaption();
    VolumeDragStartX = x;
  }
}

void TFrmMainVelmaris::btnVolumeMouseMove(Qt::MouseButtons buttons, int x) {
  if (!(buttons & Qt::LeftButton)) return;
  const double moved = static_cast<double>(x) - static_cast<double>(VolumeDragStartX);
  float v = static_cast<float>(moved * 0.01 + static_cast<double>(VolumeDragStartLevel));
  SetWaveVolume(v);
  ShowLevel(btnVolume, v);
}

void TFrmMainVelmaris::ReadDeviceVolume() {
  uint32_t volume = 0;
  if (!Volume() || !Volume()->GetVolume(volume)) {
    Dialogs().MessageBox(this, "Velmaris", "Error retrieving the volume of the audio device.", TMsgIcon::None);
    return;
  }
  const uint32_t left = volume & 0xFFFFu;
  btnVolume->SetCaption(QString::number(100u * left / 65535u) + QLatin1Char('%'));
}
