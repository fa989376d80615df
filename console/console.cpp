// The console object and its screen's set-up: size, font, the blank screen, and the window
// attached to it. The jobs it does once set up live in their own files (see console.h).
#include "console/console.h"

#include <algorithm>

#include "console/composer.h"
#include "console/fonts.h"

TSDLConsole::TSDLConsole()
    : StoragePtr(std::make_unique<TConsoleGrid>()),
      Storage(*StoragePtr),
      Composer(std::make_unique<TFrameComposer>()) {
  for (int i = 0; i < ConsoleMaxRows; ++i) RowMap[i] = static_cast<uint8_t>(i);
  OpenScreen(80, 25, 1);
}

TSDLConsole::~TSDLConsole() {
  // The video thread reads this object: it must be gone before any member is.
  VideoPtr.reset();
}

bool TSDLConsole::OpenScreen(int NewCols, int NewRows, uint8_t NewFont) {
  if (NewFont < 1 || NewFont > FontCount) return false;
  THold Hold(*this);
  Cols = static_cast<uint8_t>(std::clamp(NewCols, 80, ConsoleMaxCols));
  Rows = static_cast<uint8_t>(std::clamp(NewRows, 25, ConsoleMaxRows));
  Font = NewFont;
  const TFontRec& F = ConsoleFont(NewFont);
  CellW = F.Width;
  CellH = F.Height;
  PixWidth = Cols * CellW;
  PixHeight = Rows * CellH;
  // The composer sizes its pixels to match at the next frame; every row is marked changed.
  ShownCols = Cols;
  ShownRows = Rows;
  WinX1 = 1;
  WinX2 = Cols;
  WinY1 = 1;
  WinY2 = Rows;
  PendingWrap = false;
  const TConsoleCell Blank = BlankCell();
  for (int i = 0; i < ConsoleMaxRows; ++i) {
    RowMap[i] = static_cast<uint8_t>(i);
    Storage[i].fill(Blank);
  }
  MarkAll();
  return true;
}

void TSDLConsole::AttachVideo(std::unique_ptr<TConsoleVideo> NewVideo) {
  VideoPtr = std::move(NewVideo);
}

void TSDLConsole::CloseVideo() { VideoPtr.reset(); }

void TSDLConsole::SetTitle(const std::string& Text) {
  if (VideoPtr) VideoPtr->SetTitle(Text);
}

void TSDLConsole::SetIcon(const std::string& FileName) {
  if (VideoPtr) VideoPtr->SetIcon(FileName);
}
