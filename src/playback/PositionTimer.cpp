// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::MP3TimerTimer() {}
bool TFrmMainVelmaris::SongFinished() { return false; }
void TFrmMainVelmaris::ShowTotalTime() {}
std::string TFrmMainVelmaris::LengthTimeText() { return {}; }
std::string TFrmMainVelmaris::PositionTimeText() const { return {}; }
std::string TFrmMainVelmaris::TimeLeftText() { return {}; }
std::string TFrmMainVelmaris::ExpandDisplayFormat(const std::string& f) { return f; }
void TFrmMainVelmaris::ProgressPanelMouseDown(QWidget*, int) {}
std::string TFrmMainVelmaris::TimeText(int32_t) { return {}; }
