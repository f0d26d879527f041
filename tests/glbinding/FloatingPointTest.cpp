// The floating-point environment that the GL binding's unit initialization
// sets for the whole program before main: on Windows as on Linux, whatever
// the C runtime's start-up chose.
#include <gtest/gtest.h>

#include <cmath>

#include "glbinding/GLLoader.h"

TEST(FloatingPoint, StartUpMasksEveryExceptionAndSelectsExtendedPrecision) {
  // The environment is set by the binding's unit initialization, which
  // comes with the binding into every program that calls GL through it:
  // this test refers to the binding as such a program does.
  void (*volatile binding)() = InstallForwarders;
  ASSERT_NE(binding, nullptr);
#if defined(__x86_64__) || defined(__i386__)
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  // Bit 6 of the word is reserved and reads back as 1 whatever was loaded.
  EXPECT_EQ(word & ~0x0040, 0x133F);
  unsigned int mxcsr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  EXPECT_EQ(mxcsr & 0x1F80u, 0x1F80u);
  EXPECT_EQ(mxcsr & 0x6000u, 0u);
#endif
  // No flush-to-zero: a quotient below the normal singles survives.
  volatile float tiny = 0x1p-126f;
  EXPECT_EQ(tiny / 4.0f, 0x1p-128f);
  volatile double zero = 0.0;
  volatile long double extendedZero = 0.0L;
  EXPECT_TRUE(std::isinf(1.0 / zero));
  EXPECT_TRUE(std::isinf(1.0L / extendedZero));
  EXPECT_TRUE(std::isnan(zero / zero));
}
