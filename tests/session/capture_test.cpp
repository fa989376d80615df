#include <gtest/gtest.h>

#include "app/capture.h"
#include "support/test_tempdir.h"

namespace {

TEST(Capture, BlocksAppendRawBytesPassTheBuffer) {
  TTempDir D;
  const std::string Dir = D.Dir(), Path = D.Path("lanternyx.cap");
  TCaptureFile F;
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  F.CloseWithLine("OFF");
  ASSERT_TRUE(F.Open(Path, "A", "a", "01/02/03"));
  const std::string Big = std::string("\x1b[1;31m\xff\x00\xdb", 10) + std::string(3 * TCaptureFile::BufferSize + 7, 'z');
  F.Write(reinterpret_cast<const uint8_t*>(Big.data()), Big.size());
  F.Close();  // program exit: no closing line
  EXPECT_EQ(ReadFileText(Path), "\n----> Capture: A (a) 01/02/03 Start\n\n----> Capture: OFF\n"
                           "\n----> Capture: A (a) 01/02/03 Start\n" + Big);
  // An unopenable file fails and later writes are harmless.
  EXPECT_FALSE(F.Open(Dir + "/missing/dir/x.cap", "A", "a", "01/02/03"));
  EXPECT_FALSE(F.IsOpen());
  F.Write(reinterpret_cast<const uint8_t*>("x"), 1);
  F.CloseWithLine("OFF");
}

}  // namespace
