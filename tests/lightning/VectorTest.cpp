// Vector operations: the cases that tell a right rounding from a near one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lightning/MVector.h"

namespace {

void ExpectBits(TVector3 actual, TVector3 expected) {
  // Bit-for-bit, signs of zeros included.
  EXPECT_EQ(std::signbit(actual.x), std::signbit(expected.x));
  EXPECT_EQ(std::signbit(actual.y), std::signbit(expected.y));
  EXPECT_EQ(std::signbit(actual.z), std::signbit(expected.z));
  EXPECT_EQ(actual.x, expected.x);
  EXPECT_EQ(actual.y, expected.y);
  EXPECT_EQ(actual.z, expected.z);
}

}  // namespace

TEST(Vector, NormalizeMultipliesByTheRoundedReciprocal) {
  // Dividing by the length would give y = 0.989949465 instead.
  ExpectBits(VectorNormalize(MakeVector(1, 7, 0)), MakeVector(0.141421363f, 0.989949524f, 0));
  EXPECT_EQ(VectorLength(MakeVector(1, 7, 0)), 7.07106781f);
  ExpectBits(VectorNormalize(MakeVector(3, 4, 0)), MakeVector(0.600000024f, 0.800000012f, 0));
}

TEST(Vector, LengthSumsInExtendedPrecision) {
  EXPECT_EQ(VectorLength(MakeVector(1, 1, 1)), 1.73205078f);
  EXPECT_EQ(VectorLength(MakeVector(3, 4, 12)), 13.0f);
  // The squares do not overflow in extended precision; the length does,
  // when it is rounded to single precision.
  EXPECT_EQ(VectorLength(MakeVector(3e38f, 3e38f, 0)), std::numeric_limits<float>::infinity());
  ExpectBits(VectorNormalize(MakeVector(-3e38f, 3e38f, -0.0f)), MakeVector(-0.0f, 0.0f, -0.0f));
}

TEST(Vector, NormalizeLeavesZeroAndNaNVectorsAsTheyAre) {
  ExpectBits(VectorNormalize(MakeVector(-0.0f, 0.0f, -0.0f)), MakeVector(-0.0f, 0.0f, -0.0f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const TVector3 withNaN = VectorNormalize(MakeVector(1, nan, 2));
  EXPECT_EQ(withNaN.x, 1.0f);
  EXPECT_TRUE(std::isnan(withNaN.y));
  EXPECT_EQ(withNaN.z, 2.0f);
  // The smallest subnormal still has a non-zero length and is scaled up.
  const float tiny = std::numeric_limits<float>::denorm_min();
  EXPECT_GT(VectorLength(MakeVector(tiny, 0, 0)), 0.0f);
}

TEST(Vector, CrossIsRightHandedWithTheFirstArgumentOnTheLeft) {
  ExpectBits(VectorCross(MakeVector(1, 0, 0), MakeVector(0, 1, 0)), MakeVector(0, 0, 1));
  ExpectBits(VectorCross(MakeVector(0, 1, 0), MakeVector(1, 0, 0)), MakeVector(0, 0, -1));
  const TVector3 parallel = VectorCross(MakeVector(1, 2, 3), MakeVector(2, 4, 6));
  EXPECT_EQ(parallel.x, 0.0f);
  EXPECT_EQ(parallel.y, 0.0f);
  EXPECT_EQ(parallel.z, 0.0f);
}

TEST(Vector, SubtractAndScaleRoundEachComponentOnce) {
  ExpectBits(VectorSub(MakeVector(1.5f, -2, 1e30f), MakeVector(1.5f, -2, 1e30f)), MakeVector(0, 0, 0));
  ExpectBits(VectorSub(MakeVector(0, 0, 0), MakeVector(0, 1, 0)), MakeVector(0, -1, 0));
  ExpectBits(VectorScale(MakeVector(1, -2, 3), 0.5f), MakeVector(0.5f, -1, 1.5f));
  EXPECT_EQ(VectorScale(MakeVector(3e38f, 0, 0), 10.0f).x, std::numeric_limits<float>::infinity());
}
