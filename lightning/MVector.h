// Three-component single-precision vectors and the six operations that the
// bolt generator needs.
//
// Each operation reads single-precision inputs, computes in extended
// precision (long double: the x87 64-bit significand) and rounds to single
// precision once, when it stores a component. No state, no allocation.
#pragma once

struct TVector3 {
  float x, y, z;
};
// The address of a vector is handed to glVertex3fv as three floats.
static_assert(sizeof(TVector3) == 3 * sizeof(float));

TVector3 MakeVector(float x, float y, float z);
TVector3 VectorSub(TVector3 a, TVector3 b);
TVector3 VectorScale(TVector3 v, float s);
// Right-handed, a on the left: (1, 0, 0) x (0, 1, 0) = (0, 0, 1).
TVector3 VectorCross(TVector3 a, TVector3 b);
// sqrt((x*x + y*y) + z*z), summed and rooted in extended precision.
float VectorLength(TVector3 v);
// v times the single-precision reciprocal of its length; v itself when the
// length is zero or NaN.
TVector3 VectorNormalize(TVector3 v);
