// Arbitrary bytes as "lanternyx.cfg": a record that decodes must encode and decode back to
// the same bytes (a short file reads as zeros after its end, as the loader treats it).
#include <array>
#include <cstdlib>
#include <cstring>

#include "config/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::array<uint8_t, lx::ConfigRecSize> In{}, First{}, Second{};
  std::memcpy(In.data(), Data, Size < In.size() ? Size : In.size());
  lx::EncodeConfig(lx::DecodeConfig(In), First);
  lx::EncodeConfig(lx::DecodeConfig(First), Second);
  if (First != Second) std::abort();
  return 0;
}
