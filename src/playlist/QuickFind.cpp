// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

int TFrmMainVelmaris::FindInPlayList(const std::string&, int, bool) const { return -1; }
void TFrmMainVelmaris::PlayListKeyDown(int) {}
void TFrmMainVelmaris::PlayListKeyUp(int) {}
bool TFrmMainVelmaris::PlayListKeyPress(const QString&) { return false; }
void TFrmMainVelmaris::QuickFindEditKeyDown(int) {}
bool TFrmMainVelmaris::QuickFindEditKeyPress(const QString&) { return false; }
void TFrmMainVelmaris::QuickFindIdleStep() {}
void TFrmMainVelmaris::PlayListMouseMove(QPoint) {}
