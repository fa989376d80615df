#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"
#include "ui/listbox.h"
#include "ui/menubox.h"
#include "ui/ui_settings.h"

namespace lx {

// Sets a box's frame and a pick list's colours from the configured theme;
// either may be null.
void ApplyBoxTheme(const TUISettings& Settings, TMenuBox* Box, TListBox* List);
// The usual case: a list and the box it owns.
inline void ApplyBoxTheme(const TUISettings& Settings, TListBox& List) {
  ApplyBoxTheme(Settings, &List.Box, &List);
}

enum : int { MessageInfo = 0, MessageYesNo = 1 };

// Mode MessageInfo shows OK and returns true; MessageYesNo asks and returns
// the answer (a closing window answers yes). A text wider than the screen
// allows is cut.
bool MessageBox(TSDLConsole& Console, const TUISettings& Settings, int Mode, const std::string& Text);

// Items: entries each ending in "|", written key, separator, text
// ("E-Edit|X-Exit|"). Returns the chosen entry's key, or 27.
uint8_t PopupMenu(TSDLConsole& Console, int X, int Y, const std::string& Items);

// Returns the edited text, or an empty text when the user pressed ESC.
std::string InputBox(TSDLConsole& Console, const std::string& Title, const std::string& Prompt,
                     const std::string& Default, int FieldWidth, int MaxLen);

}  // namespace lx
