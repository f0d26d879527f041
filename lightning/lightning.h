// The lightning bolt: recursive random midpoint displacement between two
// points, emitted as one GL_LINES primitive of 2^detail segments.
//
// The caller sets colour, line width and transformation; the bolt touches
// no GL state but glBegin, glVertex3fv and glEnd. All randomness in the
// program comes from RandomState, which is never seeded: the same calls
// give the same bolts in every run.
#pragma once

#include <cstdint>

#include "lightning/Extended.h"
#include "lightning/MVector.h"

// The generator's state; 0 at program start.
extern std::uint32_t RandomState;

// Advances RandomState (state * 134775813 + 1 mod 2^32) and returns the new
// state times 2^-32, exactly, in [0, 1).
Extended NextRandom();

// Draws one new bolt from start to end. Detail 0 or below gives one straight
// segment and draws no random numbers; otherwise 2^detail segments and
// 6 * (2^detail - 1) draws, consumed in pre-order.
void DrawLightning(TVector3 start, TVector3 end, std::int32_t detail, float scatter, float damping);
