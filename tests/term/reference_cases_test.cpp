// Every case in cases/: the input fed whole, and split in two at every byte, must leave
// exactly the screen in <name>.screen. With LX_TERM_REGEN=1 the .screen files are rewritten
// from the current behaviour (check them by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

// The name prefix chooses the set-up: status_* reserves the bottom row for a status bar
// (pre-drawn so the dump shows it is left alone), font_* lets the remote side switch fonts,
// vt102_* speaks VT102, utf8_* reads UTF-8.
void FeedCase(TSDLConsoleScrollback& Console, const std::string& Name, std::string_view Input, size_t Split) {
  const auto Is = [&](const char* Prefix) { return Name.rfind(Prefix, 0) == 0; };
  ResetConsole(Console, Is("status_"));
  if (Is("status_")) Console.WriteXY(1, 25, 0x1F, " STATUS BAR ");
  TTermAnsi Term(Console);
  Term.FontSwitch = Is("font_") ? 1 : 0;
  Term.SetMode(Is("vt102_") ? TEmulation::VT102 : TEmulation::AnsiBbs, Is("utf8_") ? TCharset::UTF8 : TCharset::CP437);
  Feed(Term, Input.substr(0, Split));
  Feed(Term, Input.substr(Split));
}

class TReferenceCase : public ::testing::TestWithParam<std::string> {};

TEST_P(TReferenceCase, MatchesExpectedScreenWholeAndSplitAtEveryByte) {
  const std::string Name = GetParam(), Input = ReadFileText(CaseDir / (Name + ".in"));
  const fs::path ScreenPath = CaseDir / (Name + ".screen");
  // The whole feed goes to a brand-new console; the splits reuse one, reset each time.
  auto Con = MakeConsole(80, 25);
  FeedCase(*Con, Name, Input, Input.size());
  if (const char* Regen = std::getenv("LX_TERM_REGEN"); Regen && std::string(Regen) == "1")
    std::ofstream(ScreenPath, std::ios::binary) << DumpScreen(*Con);
  ASSERT_TRUE(fs::exists(ScreenPath)) << ScreenPath << " is missing (LX_TERM_REGEN=1 writes it)";
  const std::string Expected = ReadFileText(ScreenPath);
  ASSERT_EQ(DumpScreen(*Con), Expected) << "fed whole";
  for (size_t Split = 0; Split < Input.size(); ++Split) {
    FeedCase(*Con, Name, Input, Split);
    ASSERT_EQ(DumpScreen(*Con), Expected) << "split after byte " << Split;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TReferenceCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& Info) { return Info.param; });

TEST(ReferenceCases, FolderHasCases) { EXPECT_GE(CaseNames().size(), 15u); }

}  // namespace
