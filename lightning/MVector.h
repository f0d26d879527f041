// Three-component single-precision vectors and the six operations that the
// bolt generator needs.
//
// Each operation reads single-precision inputs, computes in extended
// precision (long double: the x87 64-bit significand) and rounds to single
// precision once, when it stores a component. No state, no allocation.
//
// Defined here, inline: the bolt generator runs them over many segments in
// a row, whose arithmetic the processor overlaps when it sees it whole; as
// calls into another unit they made a split half as slow again.
#pragma once

#include <cmath>

struct TVector3 {
  float x, y, z;
};
// The address of a vector is handed to glVertex3fv as three floats.
static_assert(sizeof(TVector3) == 3 * sizeof(float));

inline TVector3 MakeVector(float x, float y, float z) { return TVector3{x, y, z}; }

inline TVector3 VectorSub(TVector3 a, TVector3 b) {
  using Extended = long double;
  return TVector3{static_cast<float>(Extended(a.x) - b.x), static_cast<float>(Extended(a.y) - b.y),
                  static_cast<float>(Extended(a.z) - b.z)};
}

inline TVector3 VectorScale(TVector3 v, float s) {
  using Extended = long double;
  return TVector3{static_cast<float>(Extended(v.x) * s), static_cast<float>(Extended(v.y) * s),
                  static_cast<float>(Extended(v.z) * s)};
}

// Right-handed, a on the left: (1, 0, 0) x (0, 1, 0) = (0, 0, 1). Each
// product of two singles is exact in extended precision; only the
// difference rounds, then the store.
inline TVector3 VectorCross(TVector3 a, TVector3 b) {
  using Extended = long double;
  return TVector3{static_cast<float>(Extended(a.y) * b.z - Extended(a.z) * b.y),
                  static_cast<float>(Extended(a.z) * b.x - Extended(a.x) * b.z),
                  static_cast<float>(Extended(a.x) * b.y - Extended(a.y) * b.x)};
}

// sqrt((x*x + y*y) + z*z), summed and rooted in extended precision. The sum
// of squares cannot overflow the extended range, so a vector such as
// (3e38, 3e38, 0) gets a finite extended length that rounds to +inf.
inline float VectorLength(TVector3 v) {
  using Extended = long double;
  const Extended sum = (Extended(v.x) * v.x + Extended(v.y) * v.y) + Extended(v.z) * v.z;
  return static_cast<float>(sqrtl(sum));
}

// v times the single-precision reciprocal of its length; v itself when the
// length is zero or NaN. Multiplying by the rounded reciprocal rather than
// dividing by the length: (1, 7, 0) gives y = 0.989949524, not 0.989949465.
inline TVector3 VectorNormalize(TVector3 v) {
  const float length = VectorLength(v);
  if (length == 0.0f || std::isnan(length)) return v;
  const float reciprocal = static_cast<float>(1.0L / length);
  return VectorScale(v, reciprocal);
}
