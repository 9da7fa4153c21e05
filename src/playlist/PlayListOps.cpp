// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

std::string TFrmMainVelmaris::EntryDisplayText(int, const std::string& path) const { return path; }
bool TFrmMainVelmaris::AddToPlayList(const std::string&, int) { return false; }
void TFrmMainVelmaris::ClearPlayList() {}
void TFrmMainVelmaris::AddFileList(const std::vector<std::string>&, bool) {}
void TFrmMainVelmaris::OpenPath(const std::string&, bool, bool) {}
void TFrmMainVelmaris::LoadPlayListFile(const std::string&, bool) {}
void TFrmMainVelmaris::SavePlayList(const std::string&) {}
void TFrmMainVelmaris::ButtonSaveClick() {}
void TFrmMainVelmaris::Savecurrentplaylist1Click() {}
void TFrmMainVelmaris::ButtonNewClick() {}
