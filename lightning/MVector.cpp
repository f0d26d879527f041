#include "lightning/MVector.h"

#include <cmath>

namespace {
using Extended = long double;
}

TVector3 MakeVector(float x, float y, float z) { return TVector3{x, y, z}; }

TVector3 VectorSub(TVector3 a, TVector3 b) {
  return TVector3{static_cast<float>(Extended(a.x) - b.x), static_cast<float>(Extended(a.y) - b.y),
                  static_cast<float>(Extended(a.z) - b.z)};
}

TVector3 VectorScale(TVector3 v, float s) {
  return TVector3{static_cast<float>(Extended(v.x) * s), static_cast<float>(Extended(v.y) * s),
                  static_cast<float>(Extended(v.z) * s)};
}

TVector3 VectorCross(TVector3 a, TVector3 b) {
  // Each product of two singles is exact in extended precision; only the
  // difference rounds, then the store.
  return TVector3{static_cast<float>(Extended(a.y) * b.z - Extended(a.z) * b.y),
                  static_cast<float>(Extended(a.z) * b.x - Extended(a.x) * b.z),
                  static_cast<float>(Extended(a.x) * b.y - Extended(a.y) * b.x)};
}

float VectorLength(TVector3 v) {
  // The sum of squares cannot overflow the extended range, so a vector such
  // as (3e38, 3e38, 0) gets a finite extended length that rounds to +inf.
  const Extended sum = (Extended(v.x) * v.x + Extended(v.y) * v.y) + Extended(v.z) * v.z;
  return static_cast<float>(sqrtl(sum));
}

TVector3 VectorNormalize(TVector3 v) {
  const float length = VectorLength(v);
  if (length == 0.0f || std::isnan(length)) return v;
  // Multiply by the rounded reciprocal rather than divide by the length:
  // (1, 7, 0) gives y = 0.989949524, not 0.989949465.
  const float reciprocal = static_cast<float>(Extended(1) / length);
  return VectorScale(v, reciprocal);
}
