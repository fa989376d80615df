#include "app/later_screens.h"

void OpenSettingsEditor(TAppContext&) {}
void OpenFontMenu(TAppContext&) {}
void OpenScreenSizeMenu(TAppContext&) {}
void OpenTransferMenu(TAppContext&) {}
void OpenUploadQueueEditor(TAppContext&) {}
void StartZmodemFromRemote(TAppContext&, bool) {}
void RunLogonScript(TAppContext&, const std::string&) {}
