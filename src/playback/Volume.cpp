// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::btnVolumeMouseDown(Qt::MouseButton, Qt::MouseButtons, int) {}
void TFrmMainVelmaris::btnVolumeMouseMove(Qt::MouseButtons, int) {}
float TFrmMainVelmaris::ReadVolumeCaption() const { return 0.5f; }
void TFrmMainVelmaris::SetWaveVolume(float&) {}
void TFrmMainVelmaris::ReadDeviceVolume() {}
