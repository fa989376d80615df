// Console throughput with a frame composed every 1/60 s of elapsed time, as the window does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "console/scrollback.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto FrameTime = std::chrono::microseconds(16667);

// Composes when a frame is due; checked once per block of writes like a received block.
struct TFramePacer {
  Clock::time_point Next = Clock::now() + FrameTime;
  int64_t Frames = 0;
  void Tick(TSDLConsole& Con) {
    const auto Now = Clock::now();
    if (Now < Next) return;
    Con.ComposeFrame();
    ++Frames;
    Next = Now + FrameTime;
  }
};

// (a) Printable glyphs into an 80x25 screen in font 1, wrapping and scrolling at the bottom.
void BM_GlyphWrites80x25(benchmark::State& State) {
  auto Con = std::make_unique<TSDLConsoleScrollback>();
  Con->OpenScreen(80, 25, 1);
  Con->ScrollbackEnabled = true;
  std::string Block(4096, ' ');
  for (size_t i = 0; i < Block.size(); ++i) Block[i] = static_cast<char>(33 + i % 90);
  TFramePacer Pacer;
  for (auto _ : State) {
    {
      auto Batch = Con->Batch();
      for (char c : Block) Con->WriteChar(static_cast<uint8_t>(c));
    }
    Pacer.Tick(*Con);
  }
  State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Block.size()));
  State.counters["frames"] = static_cast<double>(Pacer.Frames);
}
BENCHMARK(BM_GlyphWrites80x25)->MinTime(2.0);

// (b) 80-character lines ending in CR LF scrolling a 160x60 screen in font 3.
void BM_ScrollLines160x60(benchmark::State& State) {
  auto Con = std::make_unique<TSDLConsoleScrollback>();
  Con->OpenScreen(160, 60, 3);
  Con->ScrollbackEnabled = true;
  constexpr int LinesPerBlock = 16;
  std::string Block;
  for (int l = 0; l < LinesPerBlock; ++l) {
    for (int i = 0; i < 80; ++i) Block += static_cast<char>(33 + (i + l) % 90);
    Block += "\r\n";
  }
  Con->GotoXY(1, 60);
  TFramePacer Pacer;
  for (auto _ : State) {
    Con->WriteStr(Block);
    Pacer.Tick(*Con);
  }
  State.SetItemsProcessed(State.iterations() * LinesPerBlock);
  State.counters["frames"] = static_cast<double>(Pacer.Frames);
}
BENCHMARK(BM_ScrollLines160x60)->MinTime(2.0);

// The cost of composing a whole 160x60 screen in font 3 (every row changed).
void BM_ComposeFull160x60(benchmark::State& State) {
  auto Con = std::make_unique<TSDLConsole>();
  Con->OpenScreen(160, 60, 3);
  for (int Y = 1; Y <= 60; ++Y) Con->WriteXY(1, Y, static_cast<uint8_t>(Y), std::string(160, 'W'));
  for (auto _ : State) {
    Con->Invalidate();
    Con->ComposeFrame();
  }
  State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_ComposeFull160x60);

}  // namespace
