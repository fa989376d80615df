#include "ui_test_util.h"

void UITest::Open(int Cols, int Rows) {
  Con = std::make_unique<TSDLConsole>();
  Con->OpenScreen(Cols, Rows, 1);
}

uint8_t UITest::Ch(int X, int Y) const { return Con->Cell(X, Y).Ch; }
uint8_t UITest::Attr(int X, int Y) const { return Con->Cell(X, Y).Attr; }

std::string UITest::Text(int X1, int X2, int Y) const {
  std::string S;
  for (int X = X1; X <= X2; ++X) S += static_cast<char>(Ch(X, Y));
  return S;
}

void UITest::Key(char K) { Con->PushKey(static_cast<uint8_t>(K)); }
void UITest::Ext(uint8_t Scan) { Con->PushExtKey(Scan); }
void UITest::Keys(const std::string& S) {
  for (char K : S) Key(K);
}
void UITest::Close() { Con->Terminated = true; }

void UITest::Pattern() {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X) {
      TConsoleCell Cell;
      Cell.Ch = static_cast<uint8_t>('A' + (X + Y) % 26);
      Cell.Attr = static_cast<uint8_t>((X * 7 + Y * 3) % 256);
      Cell.Font = 1;
      Con->PutCell(X, Y, Cell, 1);
    }
  Con->GotoXY(7, 9);
  Con->SetTextAttr(30, true);
  Con->SetFg256(200);
}

std::unique_ptr<UITest::TSnap> UITest::Snapshot() const {
  auto S = std::make_unique<TSnap>();
  S->Image = std::make_unique<TConsoleImage>();
  Con->SaveScreen(1, 1, Con->Cols, Con->Rows, *S->Image);
  S->CursorX = Con->CursorX;
  S->CursorY = Con->CursorY;
  S->TextAttr = Con->TextAttr;
  return S;
}

::testing::AssertionResult UITest::Same(const TSnap& S) const {
  for (int Y = 1; Y <= Con->Rows; ++Y)
    for (int X = 1; X <= Con->Cols; ++X)
      if (!(Con->Cell(X, Y) == S.Image->Cells[Y - 1][X - 1]))
        return ::testing::AssertionFailure() << "cell " << X << "," << Y << " differs";
  if (Con->CursorX != S.CursorX || Con->CursorY != S.CursorY)
    return ::testing::AssertionFailure() << "cursor at " << Con->CursorX << "," << Con->CursorY;
  if (Con->TextAttr != S.TextAttr || Con->FgMode != S.Image->FgMode || Con->Fg256 != S.Image->Fg256)
    return ::testing::AssertionFailure() << "colour state differs";
  return ::testing::AssertionSuccess();
}
