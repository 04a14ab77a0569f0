// The error number an operation raises, for tests that expect one.
#pragma once

#include <cstdint>

#include "engine/error.h"

namespace xpconv::testing {

// Runs op and returns the number of the VbError it raised (0 for none).
template <typename Op>
int32_t ErrorOf(Op op) {
  try {
    op();
  } catch (const VbError& error) {
    return error.number();
  }
  return 0;
}

}  // namespace xpconv::testing
