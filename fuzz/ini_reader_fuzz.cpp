// Arbitrary bytes as "lanternyx.ini": every lookup must stay in bounds and
// values must obey the reader's limits.
#include <cstdlib>
#include <string_view>

#include "support/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  lx::TIniReader R("lanternyx.ini", std::string_view(reinterpret_cast<const char*>(Data), Size));
  static const char* Keys[] = {"theme", "upscale", "filter", "win_size", "column_size", "row_size", "gpu", "letterbox", ""};
  for (const char* K : Keys) {
    std::string V = R.ReadString("Video", K, "default");
    if (V.size() > 255) std::abort();
    R.ReadInteger("Video", K, 80);
    R.ReadBoolean("video", K, true);
  }
  R.ReadString("", "", "");
  return 0;
}
