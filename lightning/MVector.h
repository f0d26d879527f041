// Three-component single-precision vectors and the six operations that the
// bolt generator needs.
//
// Each operation reads single-precision inputs, computes in extended
// precision (Extended: a 64-bit significand) and rounds to single precision
// once, when it stores a component. No state, no allocation.
//
// Defined here, inline: the bolt generator runs them over many segments in
// a row, whose arithmetic the processor overlaps when it sees it whole; as
// calls into another unit they made a split half as slow again.
#pragma once

#include <cmath>

#include "lightning/Extended.h"

struct TVector3 {
  float x, y, z;
};
// The address of a vector is handed to glVertex3fv as three floats.
static_assert(sizeof(TVector3) == 3 * sizeof(float));

inline TVector3 MakeVector(float x, float y, float z) { return TVector3{x, y, z}; }

// The components' arithmetic, each rounded once to single precision when it
// is stored. In software extended precision each first tries the double
// that the processor computes (Extended.h).

// a - b.
inline float Difference(float a, float b) {
  const auto exact = [=] { return static_cast<float>(Extended(a) - b); };
  if constexpr (kSoftwareExtended) {
    const double nearest = double(a) - double(b);
    if (SingleOfNearestIsRight(nearest)) [[likely]]
      return static_cast<float>(nearest);
    return OutOfLine(exact);
  }
  return exact();
}

// a * b, exact in extended precision and in double.
inline float Product(float a, float b) {
  const auto exact = [=] { return static_cast<float>(Extended(a) * b); };
  if constexpr (kSoftwareExtended) {
    const double product = double(a) * double(b);
    if (SingleOfNearestIsRight(product)) [[likely]]
      return static_cast<float>(product);
    return OutOfLine(exact);
  }
  return exact();
}

// a * b - c * d: each product of two singles is exact in extended precision
// and in double; only the difference rounds, then the store.
inline float DifferenceOfProducts(float a, float b, float c, float d) {
  const auto exact = [=] { return static_cast<float>(Extended(a) * b - Extended(c) * d); };
  if constexpr (kSoftwareExtended) {
    const double nearest = double(a) * double(b) - double(c) * double(d);
    if (SingleOfNearestIsRight(nearest)) [[likely]]
      return static_cast<float>(nearest);
    return OutOfLine(exact);
  }
  return exact();
}

inline TVector3 VectorSub(TVector3 a, TVector3 b) {
  return TVector3{Difference(a.x, b.x), Difference(a.y, b.y), Difference(a.z, b.z)};
}

inline TVector3 VectorScale(TVector3 v, float s) { return TVector3{Product(v.x, s), Product(v.y, s), Product(v.z, s)}; }

// Right-handed, a on the left: (1, 0, 0) x (0, 1, 0) = (0, 0, 1).
inline TVector3 VectorCross(TVector3 a, TVector3 b) {
  return TVector3{DifferenceOfProducts(a.y, b.z, a.z, b.y), DifferenceOfProducts(a.z, b.x, a.x, b.z),
                  DifferenceOfProducts(a.x, b.y, a.y, b.x)};
}

// sqrt((x*x + y*y) + z*z), summed and rooted in extended precision. The sum
// of squares cannot overflow the extended range, so a vector such as
// (3e38, 3e38, 0) gets a finite extended length that rounds to +inf.
inline float VectorLength(TVector3 v) {
  const auto exact = [=] {
    const Extended sum = (Extended(v.x) * v.x + Extended(v.y) * v.y) + Extended(v.z) * v.z;
    return static_cast<float>(SquareRoot(sum));
  };
  if constexpr (kSoftwareExtended) {
    // The squares are exact in double; the two sums and the root each
    // round once, by at most 2^-53 of a positive result, which leaves the
    // root within 2^-52 of the true one, the x87's within 2^-63: a bound of
    // 2^-50 of the root also covers the rounding of its own sums.
    const double root = std::sqrt((double(v.x) * v.x + double(v.y) * v.y) + double(v.z) * v.z);
    float single;
    if (SingleWithin(root, root * 0x1p-50, single)) [[likely]]
      return single;
    return OutOfLine(exact);
  }
  return exact();
}

// 1 / length. In double, the quotient is the x87's single as well: 1/x of a
// single x is never within 2^-50 of a point halfway between two singles
// (x times such a point, a product of 24 and 25 significant bits, is not 1
// and so differs from 1 by 2^-50 at least), and both roundings stay far
// closer than that.
inline float Reciprocal(float length) {
  const auto exact = [=] { return static_cast<float>(Extended(1.0f) / length); };
  if constexpr (kSoftwareExtended) {
    if (length == length) [[likely]]
      return static_cast<float>(1.0 / double(length));
    return OutOfLine(exact);
  }
  return exact();
}

// v times the single-precision reciprocal of its length; v itself when the
// length is zero or NaN. Multiplying by the rounded reciprocal rather than
// dividing by the length: (1, 7, 0) gives y = 0.989949524, not 0.989949465.
inline TVector3 VectorNormalize(TVector3 v) {
  const float length = VectorLength(v);
  if (length == 0.0f || std::isnan(length)) return v;
  return VectorScale(v, Reciprocal(length));
}
