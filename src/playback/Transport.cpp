// PLACEHOLDER: bodies to be written by the owner of this subsystem.
#include "app/FrmMainVelmaris.h"

void TFrmMainVelmaris::LoadSong(const std::string&) {}
void TFrmMainVelmaris::PlayListDblClick() {}
void TFrmMainVelmaris::PlayCurrentEntry() {}
bool TFrmMainVelmaris::SelectNextEntry() { return false; }
bool TFrmMainVelmaris::SelectPreviousEntry() { return false; }
bool TFrmMainVelmaris::SelectRandomEntry() { return false; }
bool TFrmMainVelmaris::SeekTo(int32_t) { return false; }
void TFrmMainVelmaris::UpdateTransportButtons() {}
void TFrmMainVelmaris::ShowTransportButton(TSpeedButton*, bool) {}
void TFrmMainVelmaris::PlayButtonClick() {}
void TFrmMainVelmaris::PauseButtonClick() {}
void TFrmMainVelmaris::StopButtonClick() {}
void TFrmMainVelmaris::RewButtonClick() {}
void TFrmMainVelmaris::FFButtonClick() {}
void TFrmMainVelmaris::PreviousButtonClick() {}
void TFrmMainVelmaris::NextButtonClick() {}
void TFrmMainVelmaris::OpenButtonClick() {}
void TFrmMainVelmaris::MPlayerNotify() {}
void TFrmMainVelmaris::PlayerPlay() {}
void TFrmMainVelmaris::PlayerPause() {}
void TFrmMainVelmaris::PlayerStop() {}
void TFrmMainVelmaris::PlayerSetPosition(int64_t) {}
TMPModes TFrmMainVelmaris::PlayerMode() const { return TMPModes::mpNotReady; }
int64_t TFrmMainVelmaris::PlayerPosition() const { return 0; }
