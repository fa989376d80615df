#include "app/later_screens.h"

#include "app/logon_script.h"
#include "app/settings_editor.h"
#include "app/transfer_screens.h"
#include "app/video_menus.h"

void OpenSettingsEditor(TAppContext& App) { RunSettingsEditor(App); }
void OpenFontMenu(TAppContext& App) { TVideoMenus(App).FontAndFilter(); }
void OpenScreenSizeMenu(TAppContext& App) { TVideoMenus(App).ScreenSize(); }
void OpenTransferMenu(TAppContext& App) { RunTransferMenu(App); }
void OpenUploadQueueEditor(TAppContext& App) { QueueEditor(App); }
std::vector<uint8_t> StartZmodemFromRemote(TAppContext& App, bool Upload, const uint8_t* Start, size_t Length) {
  return AutoTransfer(App, Upload, Start, Length);
}
void RunLogonScript(TAppContext& App, const std::string& ScriptFile) { TLogonScript(App).Run(ScriptFile); }
