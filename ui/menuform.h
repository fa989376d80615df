#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "ui/menuinput.h"

namespace lx {

// One item of a form: a label somewhere on the screen and a value somewhere
// else, bound to a variable of the caller.
struct TFormItem {
  enum : uint8_t {
    KindAction = 0,
    KindString = 1,
    KindYesNo = 2,
    KindByte = 3,
    KindWord = 4,
    KindLong = 5,
    KindToggle = 6,
    KindPath = 7,
    KindChar = 8,
    KindColor = 9,
    KindDate = 11,
    KindPassword = 12,
    KindPassword2 = 13,
    KindPipeString = 14,
    KindUpper = 15,
    KindBits = 16,
    KindZone = 18,
    KindHoverZone = 19,
  };

  char Key = 0;
  std::string Label;
  std::string Help;
  int LabelX = 0, LabelY = 0, LabelWidth = 0;
  int FieldX = 0, FieldY = 0, FieldWidth = 0;
  uint8_t Kind = KindAction;
  uint8_t MaxLen = 0;  // text length; highest value of a toggle
  int32_t Min = 0, Max = 0;
  std::string Choices;  // toggle words separated by spaces

  // The bound variable; which one is used depends on Kind.
  std::string* Str = nullptr;
  uint8_t* Byte = nullptr;
  uint16_t* Word = nullptr;
  int32_t* Int = nullptr;
  uint32_t* Bits = nullptr;
  char* Ch = nullptr;

  bool IsMouseArea() const { return Kind == KindZone || Kind == KindHoverZone; }
};

// Field-by-field editor behind the entry editor, the settings screens and the
// pop-up menus.
class TMenuForm {
 public:
  static constexpr int MaxItems = 60;

  explicit TMenuForm(TSDLConsole& Console);

  void Clear();

  // Every adder refuses (returns false) once MaxItems items exist.
  bool AddAction(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help);
  bool AddString(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
                 int FW, int MaxLen, std::string& Value);
  bool AddPipeString(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW,
                     const std::string& Help, int FW, int MaxLen, std::string& Value);
  bool AddPassword(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW,
                   const std::string& Help, int FW, int MaxLen, std::string& Value);
  bool AddPath(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               int FW, int MaxLen, std::string& Value);
  bool AddUpper(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
                int FW, int MaxLen, std::string& Value);
  bool AddDate(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               std::string& Value);
  // A value outside Min..Max is set to Min at once.
  bool AddToggle(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
                 int FW, uint8_t Min, uint8_t Max, const std::string& Choices, uint8_t& Value);
  bool AddYesNo(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
                uint8_t& Value);
  bool AddByte(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               int FW, uint8_t Min, uint8_t Max, uint8_t& Value);
  bool AddWord(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               int FW, uint16_t Min, uint16_t Max, uint16_t& Value);
  bool AddLong(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               int FW, int32_t Min, int32_t Max, int32_t& Value);
  bool AddBits(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               uint32_t Mask, uint32_t& Value);
  bool AddChar(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
               char& Value);
  bool AddColor(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW, const std::string& Help,
                uint8_t& Value);
  // Mouse areas: never drawn, highlighted or reached with the cursor keys.
  bool AddZone(char Key, int X, int Y, int Width);
  bool AddHoverZone(char Key, int X, int Y, int Width);

  // Returns the key that ended the form: an action's key, 27, a key from
  // HotKeys, a scan code from ExitKeys, or 72 / 80 for WrapUp / WrapDown.
  uint8_t Run();

  // Colour picker: returns the chosen attribute, or A unchanged on ESC.
  uint8_t PickColor(uint8_t A);
  // Character-code picker: stores the low 8 bits of the number typed.
  void PickChar(char& C);

  int Count() const { return static_cast<int>(Items.size()); }
  TFormItem& Item(int N) { return *Items[N - 1]; }

  TSDLConsole& Console;
  TMenuInput Input;
  // Called with the current item's number and help text instead of drawing
  // the help line.
  std::function<void(int Current, const std::string& Help)> OnHelp;
  int Current = 1;
  bool Changed = false;
  bool WrapUp = false, WrapDown = false;
  bool ExitedByKey = false, ExitedUp = false, ExitedDown = false;
  std::string HotKeys;
  std::string ExitKeys;
  int HelpX = 5, HelpY = 24, HelpWidth = 75;
  uint8_t HelpAttr = 15;
  uint8_t LabelAttr = 112;
  uint8_t HighAttr = 27;
  uint8_t ValueAttr = 113;
  uint8_t LabelHotAttr = 127;
  uint8_t HighHotAttr = 31;
  uint8_t EditAttr = 31, EditFillAttr = 23;
  bool ClickOutsideCancels = false;

 private:
  std::vector<std::unique_ptr<TFormItem>> Items;

  TFormItem* NewItem(char Key, const std::string& Label, int LX, int LY, int FX, int FY, int LW,
                     const std::string& Help, uint8_t Kind);
  void DrawLabel(int N, bool High);
  void DrawValue(int N);
  void ShowHelp();
  void SetCurrent(int N);
  bool EditItem(int N);  // false when the console closed meanwhile
  bool OnLabel(const TFormItem& It, int X, int Y) const;
  int FirstNavigable() const;
  int LastNavigable() const;
};

}  // namespace lx
