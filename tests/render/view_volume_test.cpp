// The view volume test with no GL context current: the matrices cannot be read, so no cycle
// is skipped.
#include <gtest/gtest.h>

#include "render/view_volume.h"

namespace {

// Leaves 1.0 in every float of the stack below the caller, where the next call's locals lie.
[[gnu::noinline]] void fillStack(float value) {
  volatile float junk[4096];
  for (int i = 0; i < 4096; i++) junk[i] = value;
  (void)junk[0];
}

}  // namespace

TEST(ViewVolume, WithNoContextEveryCycleMayShow) {
  // Matrices left holding those 1.0s would cut this sphere off: its centre lies 1730 units
  // outside the plane x + y + z + 1 = 0 that they make.
  fillStack(1.0f);
  EXPECT_EQ(sphereMayShow(-1000.0f, -1000.0f, -1000.0f, 1.0f), 1);
  fillStack(1.0f);
  EXPECT_EQ(sphereMayShow(-5000.0f, 10.0f, 20.0f, 0.0f), 1);
}
