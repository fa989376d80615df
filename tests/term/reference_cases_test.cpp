// Every case in cases/: the input fed whole, and split in two at every byte,
// must leave exactly the screen in <name>.screen. With LX_TERM_REGEN=1 the
// .screen files are rewritten from the current behaviour (check them by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "screen_dump.h"
#include "support/test_tempdir.h"
#include "term_fixture.h"

namespace fs = std::filesystem;

namespace {

const fs::path CaseDir = fs::path(LX_SOURCE_DIR) / "tests" / "term" / "cases";

std::vector<std::string> CaseNames() {
  std::vector<std::string> Names;
  std::error_code Ec;
  for (const auto& Entry : fs::directory_iterator(CaseDir, Ec))
    if (Entry.path().extension() == ".in") Names.push_back(Entry.path().stem().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

// The name prefix chooses the set-up: status_* reserves the bottom row for a
// status bar (pre-drawn so the dump shows it is left alone), font_* lets the
// remote side switch fonts, vt102_* speaks VT102, utf8_* reads UTF-8.
void FeedCase(TSDLConsoleScrollback& Console, const std::string& Name, const std::string& Input,
                    size_t Split) {
  const bool Status = Name.rfind("status_", 0) == 0;
  ResetConsole(Console, Status);
  if (Status) Console.WriteXY(1, 25, 0x1F, " STATUS BAR ");
  TTermAnsi Term(Console);
  Term.FontSwitch = Name.rfind("font_", 0) == 0 ? 1 : 0;
  Term.SetMode(Name.rfind("vt102_", 0) == 0 ? TEmulation::VT102 : TEmulation::AnsiBbs,
               Name.rfind("utf8_", 0) == 0 ? TCharset::UTF8 : TCharset::CP437);
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Input.data());
  Term.ProcessBuf(Bytes, Split);
  Term.ProcessBuf(Bytes + Split, Input.size() - Split);
}

// Cheap exact comparison of everything a dump shows; a difference is then
// reported through the dump diff.
bool SameScreen(const TSDLConsoleScrollback& A, const TSDLConsoleScrollback& B) {
  if (A.CursorX != B.CursorX || A.CursorY != B.CursorY || A.WinY1 != B.WinY1 || A.WinY2 != B.WinY2 ||
      A.TextAttr != B.TextAttr || A.FgMode != B.FgMode || A.BgMode != B.BgMode || A.Fg256 != B.Fg256 ||
      A.Bg256 != B.Bg256 || A.FgRGB != B.FgRGB || A.BgRGB != B.BgRGB || A.CursorHidden != B.CursorHidden ||
      A.BlinkEnabled != B.BlinkEnabled || A.PendingWrap != B.PendingWrap ||
      A.ScrollbackCount != B.ScrollbackCount)
    return false;
  for (int Y = 1; Y <= A.Rows; ++Y)
    for (int X = 1; X <= A.Cols; ++X)
      if (!(A.Cell(X, Y) == B.Cell(X, Y))) return false;
  return true;
}

class TReferenceCase : public ::testing::TestWithParam<std::string> {};

TEST_P(TReferenceCase, MatchesExpectedScreenWholeAndSplitAtEveryByte) {
  const std::string Name = GetParam();
  const std::string Input = ReadFileText(CaseDir / (Name + ".in"));
  const fs::path ScreenPath = CaseDir / (Name + ".screen");

  // The whole feed goes to a brand-new console; the splits reuse one, reset each time.
  auto Fresh = MakeConsole(80, 25);
  FeedCase(*Fresh, Name, Input, Input.size());
  const char* Regen = std::getenv("LX_TERM_REGEN");
  if (Regen != nullptr && std::string(Regen) == "1")
    std::ofstream(ScreenPath, std::ios::binary) << FormatDump(CaptureScreen(*Fresh));
  ASSERT_TRUE(fs::exists(ScreenPath)) << ScreenPath << " is missing (LX_TERM_REGEN=1 writes it)";
  const std::string Expected = ReadFileText(ScreenPath);
  auto Check = [&](const TSDLConsoleScrollback& Con, const std::string& How) {
    const std::string Diff = FirstDifference(Expected, FormatDump(CaptureScreen(Con)));
    EXPECT_EQ(Diff, "") << Name << " " << How;
    return Diff.empty();
  };
  if (!Check(*Fresh, "fed whole")) return;
  auto Reused = MakeConsole(80, 25);
  for (size_t Split = 0; Split < Input.size(); ++Split) {
    FeedCase(*Reused, Name, Input, Split);
    if (!SameScreen(*Fresh, *Reused) && !Check(*Reused, "split after byte " + std::to_string(Split))) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TReferenceCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& Info) { return Info.param; });

TEST(ReferenceCases, FolderHasCases) { EXPECT_GE(CaseNames().size(), 15u); }

}  // namespace
