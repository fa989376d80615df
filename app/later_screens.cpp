#include "app/later_screens.h"

#include "app/logon_script.h"
#include "app/settings_editor.h"
#include "app/video_menus.h"

void OpenSettingsEditor(TAppContext& App) { RunSettingsEditor(App); }
void OpenFontMenu(TAppContext& App) { TVideoMenus(App).FontAndFilter(); }
void OpenScreenSizeMenu(TAppContext& App) { TVideoMenus(App).ScreenSize(); }
void OpenTransferMenu(TAppContext&) {}
void OpenUploadQueueEditor(TAppContext&) {}
void StartZmodemFromRemote(TAppContext&, bool) {}
void RunLogonScript(TAppContext& App, const std::string& ScriptFile) { TLogonScript(App).Run(ScriptFile); }
