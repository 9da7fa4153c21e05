// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::CaptionPanelMouseDown(QWidget*, Qt::MouseButton, QPoint) {}
void TFrmMainVelmaris::WMEnterSizeMove(QPoint) {}
void TFrmMainVelmaris::WMMoving(QRect&, QPoint) {}
void TFrmMainVelmaris::CaptionPanelDblClick() {}
void TFrmMainVelmaris::OpenPLButtonClick() {}
void TFrmMainVelmaris::MinimizeButtonClick() {}
void TFrmMainVelmaris::TrayIconDblClick() {}
void TFrmMainVelmaris::MakeTransButtonClick() {}
void TFrmMainVelmaris::PopupMenu1Popup() {}
void TFrmMainVelmaris::FormKeyDown(int, Qt::KeyboardModifiers) {}
void TFrmMainVelmaris::ShuffleButtonMouseDown(Qt::MouseButton) {}
void TFrmMainVelmaris::Options1Click() {}
int TFrmMainVelmaris::GetFoldMode() const { return height() == 21 ? 0 : height() == 115 ? 1 : 2; }
void TFrmMainVelmaris::SetFoldMode(int8_t) {}
bool TFrmMainVelmaris::ReadWorkArea(QRect&) const { return false; }
void TFrmMainVelmaris::MoveLoopMouseMove(QPoint) {}
void TFrmMainVelmaris::MoveLoopRelease() {}
