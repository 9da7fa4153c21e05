// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::EnablePlaylistMenu(bool) {}
void TFrmMainVelmaris::ButtonRemoveClick() {}
void TFrmMainVelmaris::RemoveNonExistent() {}
void TFrmMainVelmaris::mniRemoveDuplicatesClick() {}
void TFrmMainVelmaris::SortByName1Click() {}
void TFrmMainVelmaris::btnMoveUpDownClick(TSpeedButton*) {}
void TFrmMainVelmaris::Invertselection1Click() {}
void TFrmMainVelmaris::Openfolderofselectedfile1Click() {}
void TFrmMainVelmaris::Adddirectorytoplaylist1Click() {}
int TFrmMainVelmaris::AddFolder(const std::string&) { return 0; }
void TFrmMainVelmaris::ViewFileInfoID3TagInfoClick() {}
