#include "phonebook/sort.h"

#include <utility>

#include "support/strings.h"
#include "ui/listbox.h"

namespace lx {

bool TQuickSort::Add(const std::string& Key, int32_t Ref) {
  if (Count() >= MaxItems) return false;
  Data.push_back({Key.substr(0, 160), Ref});
  return true;
}

void TQuickSort::Sort(int Low, int High, int Mode) {
  if (Low < 1 || High > Count()) return;
  auto Before = [Mode](const std::string& A, const std::string& B) {
    switch (Mode) {
      case KeyDescending: return B < A;
      case NumberAscending: return StrToInt(A) < StrToInt(B);
      case NumberDescending: return StrToInt(B) < StrToInt(A);
      default: return A < B;  // byte order: std::string compares as unsigned bytes
    }
  };
  auto At = [this](int N) -> TSortItem& { return Data[static_cast<std::size_t>(N - 1)]; };
  // Hoare partitioning; the smaller side recurses and the larger loops, so a
  // bad pivot run cannot take the stack 10000 calls deep.
  while (Low < High) {
    const std::string Pivot = At((Low + High) / 2).Key;
    int I = Low, J = High;
    do {
      while (Before(At(I).Key, Pivot)) ++I;
      while (Before(Pivot, At(J).Key)) --J;
      if (I <= J) {
        std::swap(At(I), At(J));
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - Low < High - I) {
      if (Low < J) Sort(Low, J, Mode);
      Low = I;
    } else {
      if (I < High) Sort(I, High, Mode);
      High = J;
    }
  }
}

namespace {

std::string SortKeyText(const TPhoneRec& R, TSortKey Key) {
  switch (Key) {
    case TSortKey::Name: return UpperCase(StripPipe(R.Name));
    case TSortKey::Address: return UpperCase(StripPipe(R.Address));
    // Zero-padded so that text order is number order (9 before 10).
    case TSortKey::LastCall: return PadLeft(IntToStr(static_cast<int32_t>(R.LastCall)), 10, '0');
    case TSortKey::TotalCalls: return PadLeft(IntToStr(R.TotalCalls), 10, '0');
  }
  return {};
}

// Runs the list once over L-relative rows 11..Bottom; 0 when cancelled.
int Pick(TListBox& List, int L, int Bottom) {
  List.Run(L + 29, 11, L + 48, Bottom);
  List.CloseBox();
  if (List.ExitCode != 13) return 0;  // ESC, or the window closing
  return List.Picked;
}

}  // namespace

TEntryMoves SortEntries(TPhoneBookFile& Book, TSortKey Key, bool Descending, const TConfigRec& Cfg) {
  TQuickSort Q;
  for (int N = 1; N <= PhoneEntries; ++N)
    if (!IsBlankEntry(Book.Entry(N))) Q.Add(SortKeyText(Book.Entry(N), Key), N);
  Q.Sort(1, Q.Count(), Descending ? TQuickSort::KeyDescending : TQuickSort::KeyAscending);

  std::array<TPhoneRec, PhoneEntries> Sorted;
  TEntryMoves Moves{};
  for (int K = 1; K <= PhoneEntries; ++K) {
    if (K <= Q.Count()) {
      const int From = Q.Item(K).Ref;
      Sorted[K - 1] = Book.Entry(From);
      Moves[From] = K;
    } else {
      InitPhoneRec(Sorted[K - 1], Cfg);
    }
  }
  for (int K = 1; K <= PhoneEntries; ++K) Book.Entry(K) = std::move(Sorted[K - 1]);
  return Moves;
}

TSortResult SortPhoneBook(TSDLConsole& Console, TPhoneBookFile& Book, const TConfigRec& Cfg,
                          TPhoneBookPrompts& Prompts, int L) {
  TSortResult Result;
  TListBox List(Console);
  List.Box.Title = " Sort Phone Book ";
  List.Box.TitleAttr = 116;
  List.Box.FrameType = 6;
  List.Box.Box3D = true;
  List.BarAttr = 79;
  List.ItemAttr = 112;
  List.ScrollBar = false;
  for (const char* T : {"By Name", "By Address", "By Last Call", "By Total Calls"}) List.Add(T, 0);
  const int KeyLine = Pick(List, L, 16);
  if (KeyLine == 0) return Result;
  const TSortKey Key = static_cast<TSortKey>(KeyLine - 1);

  List.Clear();
  List.Add("Ascending", 0);
  List.Add("Descending", 0);
  // Newest calls and most used systems are wanted first.
  List.Picked = (Key == TSortKey::LastCall || Key == TSortKey::TotalCalls) ? 2 : 1;
  List.Top = 1;
  const int OrderLine = Pick(List, L, 14);
  if (OrderLine == 0) return Result;

  std::array<TPhoneRec, PhoneEntries> Before;
  for (int N = 1; N <= PhoneEntries; ++N) Before[N - 1] = Book.Entry(N);
  const TEntryMoves Moves = SortEntries(Book, Key, OrderLine == 2, Cfg);
  if (!Book.SavePhoneBook()) {
    for (int N = 1; N <= PhoneEntries; ++N) Book.Entry(N) = std::move(Before[N - 1]);
    Prompts.Notice("Unable to save phone book");
    return Result;
  }
  Result.Saved = true;
  Result.Moves = Moves;
  return Result;
}

}  // namespace lx
