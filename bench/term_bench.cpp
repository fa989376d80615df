// Throughput of the emulator on a BBS-like stream: colour changes, cursor moves,
// CP437 blocks, text, CR LF and 256-colour codes, into an 80x25 console whose
// picture is composed 60 times per second of elapsed time, as the video thread does.
// Target: ProcessBuf at least 100 MB/s (Release build); the 160x60 font 3 scrolling
// case shows what a big screen that changes all over costs the stream.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <atomic>

#include "console/console.h"
#include "console/scrollback.h"
#include "term/term_ansi.h"

namespace {

// Scrolling drops the cursor placements, so every line ends in a scroll.
std::string MakeBbsStream(size_t Bytes, bool Scrolling = false) {
  std::string S;
  S.reserve(Bytes + 256);
  uint32_t Seed = 12345;
  auto Rand = [&](uint32_t N) {
    Seed = Seed * 1103515245u + 12345u;
    return (Seed >> 16) % N;
  };
  static const char* Words[] = {"Welcome", "to", "the", "Lantern", "BBS", "files", "messages", "sysop",
                                "door", "games", "new", "user", "press", "ENTER", "continue", "node"};
  static const uint8_t Blocks[] = {0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xC4, 0xCD, 0xBA, 0xB3};
  while (S.size() < Bytes) {
    switch (Rand(10)) {
    case 0:
      S += "\x1b[" + std::to_string(Rand(2)) + ";" + std::to_string(30 + Rand(8)) + ";" +
           std::to_string(40 + Rand(8)) + "m";
      break;
    case 1:
      if (!Scrolling) S += "\x1b[" + std::to_string(1 + Rand(24)) + ";" + std::to_string(1 + Rand(80)) + "H";
      break;
    case 2:
    case 3:
      for (uint32_t I = 0, N = 4 + Rand(24); I < N; ++I) S += static_cast<char>(Blocks[Rand(sizeof Blocks)]);
      break;
    case 4:
    case 5:
    case 6:
      for (uint32_t I = 0, N = 2 + Rand(8); I < N; ++I) {
        S += Words[Rand(16)];
        S += ' ';
      }
      break;
    case 7:
      S += "\r\n";
      break;
    case 8:
      S += "\x1b[38;5;" + std::to_string(Rand(256)) + "m";
      if (Rand(2)) S += "\x1b[48;5;" + std::to_string(Rand(256)) + "m";
      break;
    default:
      S += "\x1b[" + std::to_string(1 + Rand(10)) + "C";
      break;
    }
  }
  return S;
}

const std::string& Stream(bool Scrolling = false) {
  static const std::string S = MakeBbsStream(20u << 20);
  static const std::string Scroll = MakeBbsStream(20u << 20, true);
  return Scrolling ? Scroll : S;
}

// Blocks the size of the connection's read buffer, as the session loop drains them.
constexpr size_t BlockSize = 16384;
constexpr auto FramePeriod = std::chrono::microseconds(16667);

template <bool PerByte>
void Run(benchmark::State& State) {
  const std::string& Data = Stream();
  TSDLConsoleScrollback Console;
  Console.OpenScreen(80, 25, 1);
  Console.ScrollbackEnabled = true;
  TTermAnsi Term(Console);
  int64_t Frames = 0;
  for (auto _ : State) {
    auto NextFrame = std::chrono::steady_clock::now() + FramePeriod;
    const auto* P = reinterpret_cast<const uint8_t*>(Data.data());
    for (size_t Off = 0; Off < Data.size(); Off += BlockSize) {
      const size_t N = std::min(BlockSize, Data.size() - Off);
      if constexpr (PerByte) {
        for (size_t I = 0; I < N; ++I) Term.ProcessChar(P[Off + I]);
      } else {
        Term.ProcessBuf(P + Off, N);
      }
      const auto Now = std::chrono::steady_clock::now();
      if (Now >= NextFrame) {
        Console.ComposeFrame();
        ++Frames;
        NextFrame = Now + FramePeriod;
      }
    }
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Data.size()));
  State.counters["frames"] = static_cast<double>(Frames);
}

// As in the program: a separate thread composes 60 times a second and contends
// for the console lock between received blocks. Arguments: columns, rows, font,
// and 1 for the stream that scrolls every line.
void BM_ProcessBufVideoThread(benchmark::State& State) {
  const std::string& Data = Stream(State.range(3) != 0);
  TSDLConsoleScrollback Console;
  Console.OpenScreen(static_cast<int>(State.range(0)), static_cast<int>(State.range(1)),
                     static_cast<uint8_t>(State.range(2)));
  Console.ScrollbackEnabled = true;
  TTermAnsi Term(Console);
  std::atomic<bool> Stop{false};
  std::atomic<int64_t> Frames{0};
  std::thread Video([&] {
    auto Next = std::chrono::steady_clock::now();
    while (!Stop.load()) {
      Next += FramePeriod;
      std::this_thread::sleep_until(Next);
      if (Console.NeedsCompose() && Console.ComposeFrame()) ++Frames;
    }
  });
  for (auto _ : State) {
    const auto* P = reinterpret_cast<const uint8_t*>(Data.data());
    for (size_t Off = 0; Off < Data.size(); Off += BlockSize)
      Term.ProcessBuf(P + Off, std::min(BlockSize, Data.size() - Off));
  }
  Stop = true;
  Video.join();
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Data.size()));
  State.counters["frames"] = static_cast<double>(Frames.load());
}

void BM_ProcessBuf(benchmark::State& State) { Run<false>(State); }
void BM_ProcessChar(benchmark::State& State) { Run<true>(State); }

}  // namespace

BENCHMARK(BM_ProcessBuf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ProcessChar)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ProcessBufVideoThread)
    ->Args({80, 25, 1, 0})
    ->Args({160, 60, 3, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

BENCHMARK_MAIN();
