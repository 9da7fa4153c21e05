// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::LoadSkin(const std::string&) {}
void TFrmMainVelmaris::ApplyBuiltInLook() {}
void TFrmMainVelmaris::ApplyColourKey() {}
