// libFuzzer entry point: see CheckCodeScanner in fuzz_checks.h.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xpconv::fuzz::CheckCodeScanner(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
