#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/capture.h"

namespace {

std::string ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char Tmpl[] = "/tmp/lx-capture-XXXXXX";
    Dir = mkdtemp(Tmpl);
    Path = Dir + "/lanternyx.cap";
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Dir, Path;
};

TEST_F(CaptureTest, BlocksAppendRawBytesPassTheBuffer) {
  TCaptureFile F;
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  F.CloseWithLine("OFF");
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  const std::string Big = std::string("\x1b[1;31m\xff\x00\xdb", 10) + std::string(3 * TCaptureFile::BufferSize + 7, 'z');
  F.Write(reinterpret_cast<const uint8_t*>(Big.data()), Big.size());
  F.Close();  // program exit: no closing line
  EXPECT_EQ(ReadAll(Path), "\n----> Capture: A (a) 01/02/03 Start\n\n----> Capture: OFF\n"
                           "\n----> Capture: A (a) 01/02/03 Start\n" + Big);
  // An unopenable file fails and later writes are harmless.
  EXPECT_FALSE(F.Open(Dir + "/missing/dir/x.cap", "A", "a", "01/02/03"));
  EXPECT_FALSE(F.IsOpen());
  F.Write(reinterpret_cast<const uint8_t*>("x"), 1);
  F.CloseWithLine("OFF");
}

}  // namespace
