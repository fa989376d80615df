#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "console/console.h"
#include "ui/menubox.h"

namespace lx {

// A scrolling pick list inside a TMenuBox: highlight bar, tagging,
// type-to-search, scroll bar, keyboard and mouse.
class TListBox {
 public:
  static constexpr int MaxItems = 10000;

  struct TItem {
    std::string Text;
    uint8_t State = 0;  // 0 plain, 1 tagged, 2 cannot be tagged
  };
  struct THotZone {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    uint8_t Key = 0;
  };

  explicit TListBox(TSDLConsole& Console);

  void Clear();
  // Refuses (false) once MaxItems lines exist; the text is kept to 255 bytes.
  bool Add(const std::string& Text, uint8_t State);
  // Removes line N (1-based) and keeps Picked within the list.
  void Delete(int N);
  // Text and tagged flag of line N; empty and false when there is no such line.
  std::string GetItem(int N, bool* IsTagged = nullptr) const;
  int Count() const { return static_cast<int>(Items.size()); }
  const TItem& Item(int N) const { return Items[N - 1]; }

  void Run(int X1, int Y1, int X2, int Y2);
  void CloseBox();

  // One optional mouse zone that ends the list with its key.
  void SetHotZone(int X1, int Y1, int X2, int Y2, uint8_t Key);
  void ClearHotZone() { HotZoneCount = 0; }

  TSDLConsole& Console;
  TMenuBox Box;
  uint8_t BarAttr = 31;
  uint8_t ItemAttr = 113;
  uint8_t Align = 0;  // 0 left, 1 right, 2 centred
  std::string HotKeys = std::string("\r\x1B");
  std::string ExitKeys;  // scan codes that end the list; they win over movement keys
  uint8_t ExitCode = 0;
  int Picked = 1;
  int Top = 1;
  bool NoBox = false;
  bool TagEnabled = false;
  char TagChar = '*';
  uint8_t TagKey = 9;
  int TagX = 0;
  uint8_t TagAttr = 127;
  int Tagged = 0;
  int Width = 0, Rows = 0;
  int X1 = 0, Y1 = 0, Y2 = 0;
  bool DisplayOnly = false;
  int SearchX = 0, SearchY = 0;
  uint8_t SearchAttr = 0;
  std::string Search;
  int HotZoneCount = 0;
  THotZone HotZone;
  bool ScrollBar = true;
  uint8_t ScrollMode = 1;  // 1 moving thumb; 0 cursor parked at the bar's top
  int ScrollHeight = 0, ScrollX = 0, ScrollY = 0;
  uint8_t TrackChar = 176, TrackAttr = 0, ThumbChar = 178, ThumbAttr = 0;
  int ThumbY = 0;
  uint8_t ClickKey = 13;
  bool Clicked = false;

  std::function<void(int Line, const std::string& Text)> OnChange;
  // Replaces the built-in search field; called whenever the search text changes.
  std::function<void()> OnSearch;
  std::function<void(int X, int Y, int Width, bool Highlighted, const std::string& Text, uint8_t State)> OnDrawItem;
  std::function<void()> OnFileDrop;

 private:
  std::vector<TItem> Items;
  int SH = 0, SX = 0, SY = 0;  // scroll bar geometry in effect for this run
  uint8_t ScrollAttr() const;

  bool Selectable(int N) const;
  int NextSelectable(int From, int Step) const;  // first selectable from From on, or 0
  bool AnySelectable(int From, int Step) const { return NextSelectable(From, Step) != 0; }
  void DrawLine(int N);
  void DrawAll();
  void DrawTrack();
  void UpdateThumb();
  void ShowSearch();
  void DefaultSearchField();
  void MoveTo(int NewPicked, int NewTop);
  bool FindSearch();
};

}  // namespace lx
