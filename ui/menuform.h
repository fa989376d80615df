#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "console/console.h"
#include "ui/menuinput.h"

namespace lx {

// One item of a form: a label somewhere on the screen and a value somewhere
// else, bound to a variable of the caller. The binding is one alternative of
// Value, holding the variable with its own type: an item cannot be read as a
// kind it is not, nor lack its variable.
struct TFormItem {
  // Ends the form with Key.
  struct TAction {};
  // Mouse areas, never drawn: a left click on a TZone, or the pointer moving
  // onto a THoverZone, ends the form with Key.
  struct TZone {};
  struct THoverZone {};
  // Text, cut or padded to FieldWidth and edited up to MaxLen characters.
  enum class TTextStyle : uint8_t {
    Plain,
    Path,       // an edit adds the trailing "/" when the field has room
    Date,       // edited as MM/DD/YY
    Password,   // shown as one "*" per character
    PipeCodes,  // shown with its pipe colour codes applied
    Upper,      // edited in upper case
  };
  struct TText {
    std::string& Value;
    TTextStyle Style;
  };
  struct TYesNo {
    uint8_t& Value;
  };
  // Edited within Min..Max, in up to MaxLen digits.
  template <typename T>
  struct TNumber {
    T& Value;
    int32_t Min, Max;
  };
  // Steps through Min..Max, shown as the words of Choices.
  struct TToggle {
    uint8_t& Value;
    uint8_t Min, Max;
    std::string Choices;
  };
  struct TChar {
    char& Value;
  };
  struct TColor {
    uint8_t& Value;
  };
  // "Yes" while Value shares a bit with Mask.
  struct TBits {
    uint32_t& Value;
    uint32_t Mask;
  };
  using TValue = std::variant<TAction, TZone, THoverZone, TText, TYesNo, TNumber<uint8_t>, TNumber<uint16_t>,
                              TNumber<int32_t>, TToggle, TChar, TColor, TBits>;

  char Key = 0;
  std::string Label;
  std::string Help;
  int LabelX = 0, LabelY = 0, LabelWidth = 0;
  int FieldX = 0, FieldY = 0, FieldWidth = 0;
  uint8_t MaxLen = 0;  // longest text; digits of a number
  TValue Value;

  bool IsAction() const { return std::holds_alternative<TAction>(Value); }
  bool IsMouseArea() const {
    return std::holds_alternative<TZone>(Value) || std::holds_alternative<THoverZone>(Value);
  }
};

// Where a form item sits, in 1-based screen cells. Callers name the fields,
// so a label column can never be taken for a value column:
//   {.LabelX = 3, .LabelY = 5, .FieldX = 18, .LabelWidth = 14, .FieldWidth = 40, .MaxLen = 40}
struct TFormPlace {
  int LabelX = 0, LabelY = 0;
  int FieldX = 0, FieldY = 0;  // 0: the label's column or row
  int LabelWidth = 0;
  int FieldWidth = 0;  // text, number and toggle items
  int MaxLen = 0;      // text items: the longest text accepted
};

// Field-by-field editor behind the entry editor, the settings screens and the
// pop-up menus.
class TMenuForm {
 public:
  static constexpr int MaxItems = 60;

  explicit TMenuForm(TSDLConsole& Console);

  void Clear();

  // Every adder refuses (returns false) once MaxItems items exist. Text items
  // take FieldWidth and MaxLen from At, number and toggle items FieldWidth;
  // the others have fixed widths.
  bool AddAction(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help);
  bool AddString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                 std::string& Value);
  // Shown with its pipe colour codes applied.
  bool AddPipeString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                     std::string& Value);
  // Shown as one "*" per character.
  bool AddPassword(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                   std::string& Value);
  // A directory: an edit adds the trailing "/" when the field has room.
  bool AddPath(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
               std::string& Value);
  bool AddUpper(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                std::string& Value);
  bool AddDate(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
               std::string& Value);
  // Steps through Min..Max shown as the words of Choices; a value outside
  // Min..Max is set to Min at once.
  bool AddToggle(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint8_t Min,
                 uint8_t Max, const std::string& Choices, uint8_t& Value);
  bool AddYesNo(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint8_t& Value);
  bool AddByte(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint8_t Min,
               uint8_t Max, uint8_t& Value);
  bool AddWord(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint16_t Min,
               uint16_t Max, uint16_t& Value);
  bool AddLong(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, int32_t Min,
               int32_t Max, int32_t& Value);
  // "Yes" while Value shares a bit with Mask; ENTER flips those bits.
  bool AddBits(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint32_t Mask,
               uint32_t& Value);
  bool AddChar(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, char& Value);
  bool AddColor(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, uint8_t& Value);
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

  bool NewItem(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help, int FieldWidth,
               int MaxLen, TFormItem::TValue Value);
  bool NewText(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
               TFormItem::TTextStyle Style, std::string& Value);
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
