#include "lightning/lightning.h"

#include <array>
#include <cmath>

#include "glbinding/GLLoader.h"

std::uint32_t RandomState = 0;

namespace {

constexpr std::uint32_t kMultiplier = 134775813u;  // hexadecimal 08088405

// One step of the generator.
std::uint32_t Step(std::uint32_t &state) { return state = state * kMultiplier + 1u; }

// The number of a state: the state times 2^-32, exact in extended precision.
Extended Fraction(std::uint32_t state) { return Extended(state) * Extended(0x1p-32f); }

// Many steps of the generator at once: s -> s * multiply + add, modulo 2^32.
struct Leap {
  std::uint32_t multiply, add;
  std::uint32_t From(std::uint32_t state) const { return state * multiply + add; }
};

constexpr Leap Then(Leap first, Leap second) {
  return {first.multiply * second.multiply, first.add * second.multiply + second.add};
}

constexpr Leap Steps(std::uint64_t count) {
  Leap result{1, 0}, power{kMultiplier, 1};
  for (; count != 0; count >>= 1, power = Then(power, power))
    if (count & 1) result = Then(result, power);
  return result;
}

// The draws of a whole subtree of splits, 6 (2^levels - 1) of them. The
// generator's period is 2^32, and from 32 levels on the count is the same
// modulo 2^32: -6.
constexpr std::array<Leap, 33> kSubtreeLeaps = [] {
  std::array<Leap, 33> leaps{};
  for (int levels = 0; levels <= 32; ++levels) leaps[levels] = Steps(6 * ((std::uint64_t{1} << levels) - 1));
  return leaps;
}();

Leap SubtreeLeap(std::int32_t levels) { return kSubtreeLeaps[levels < 32 ? levels : 32]; }

// Shared by every level of one bolt. Each block of levels changes it as it
// goes down and puts it back before it returns, so a level always sees the
// values of its own depth.
struct BoltState {
  std::int32_t Depth;
  float Amplitude;
  float DampingFactor;
};

constexpr TVector3 Reference{0.0f, 1.0f, 1.0f};

// The two unit directions across a segment in which its midpoint moves.
struct SideDirections {
  TVector3 u, v;
};

// A segment still to split: its ends, its side directions and the state
// of the generator before its split's six draws.
struct Segment {
  TVector3 start, end;
  SideDirections sides;
  std::uint32_t draws;
};

// Levels split at a time, a whole level before the next (see SubdivideBolt).
constexpr int kBlockLevels = 6;
constexpr int kBlockPieces = 1 << kBlockLevels;

// The side directions of the n consecutive segments between points[0],
// points[stride], points[2 * stride], ... For each: D = start - end, U the
// unit vector of D x (0, 1, 1), V that of U x D. When D x (0, 1, 1) is zero
// (D.x = 0 and D.y = D.z) both stay zero and the midpoint is plain.
//
// A direction is a chain of dependent roundings around an extended-precision
// square root, whose latency dwarfs its cost when other work can run beside
// it. So each step runs over all the segments before the next: the chains of
// different segments lie next to each other and the processor overlaps
// them, where one segment's U and V done in turn left it waiting on each.
void SidesOfSegments(const TVector3 *points, int stride, int n, SideDirections *sides) {
  TVector3 d[kBlockPieces];
  for (int i = 0; i < n; ++i) d[i] = VectorSub(points[i * stride], points[(i + 1) * stride]);
  for (int i = 0; i < n; ++i) sides[i].u = VectorNormalize(VectorCross(d[i], Reference));
  for (int i = 0; i < n; ++i) sides[i].v = VectorNormalize(VectorCross(sides[i].u, d[i]));
}

// One component of the displaced midpoint, from two draws. The numbers,
// their differences from one half and the products are exact in extended
// precision; the sum is rounded once, to single precision, when the
// component is stored.
[[gnu::always_inline]] inline float DisplacedComponent(float start, float end, float u, float v, float amplitude, std::uint32_t &draws) {
  const std::uint32_t first = Step(draws), second = Step(draws);
  const auto exact = [=] {
    const Extended p = (Fraction(first) - 0.5f) * u;
    const Extended q = (Fraction(second) - 0.5f) * v;
    return static_cast<float>((q + p) * amplitude + (Extended(start) + end) * 0.5f);
  };
  if constexpr (kSoftwareExtended) {
    // In double the differences are exact, and each of the other five
    // operations rounds by at most 2^-53 of its result: the value lies
    // within 2^-53 (4 |p q a| + 2 |m|) of the true one, where |p q a| is
    // (|p| + |q|) |amplitude| and m the midpoint, and the x87's within
    // 2^-63 of that. A bound of 2^-50 (|p q a| + |m|) also covers the
    // rounding of the bound and of its own sums.
    const double p = (double(first) * 0x1p-32 - 0.5) * u;
    const double q = (double(second) * 0x1p-32 - 0.5) * v;
    const double midpoint = (double(start) + end) * 0.5;
    const double value = (q + p) * amplitude + midpoint;
    const double bound = ((std::fabs(p) + std::fabs(q)) * std::fabs(amplitude) + std::fabs(midpoint)) * 0x1p-50;
    float single;
    if (SingleWithin(value, bound, single)) [[likely]]
      return single;
    return OutOfLine(exact);
  }
  return exact();
}

// The six draws in the order (x, U), (x, V), (y, U), (y, V), (z, U), (z, V).
TVector3 DisplacedMidpoint(TVector3 s, TVector3 e, const SideDirections &sides, float amplitude,
                           std::uint32_t &draws) {
  const TVector3 &u = sides.u, &v = sides.v;
  TVector3 mid;
  mid.x = DisplacedComponent(s.x, e.x, u.x, v.x, amplitude, draws);
  mid.y = DisplacedComponent(s.y, e.y, u.y, v.y, amplitude, draws);
  mid.z = DisplacedComponent(s.z, e.z, u.z, v.z, amplitude, draws);
  return mid;
}

// Splits a segment through the next levels, at most kBlockLevels, then goes
// on with each of the pieces in order along the bolt, or emits them when no
// level is left.
//
// The bolt is defined depth first: a split, then its first half in full,
// then its second, drawing the random numbers in that pre-order. Worked out
// so, one split waits on the last; but every split of a level depends only
// on the level above, so the block works out a level at a time and gives
// the processor many independent splits at once (SidesOfSegments). Each
// split still takes the six numbers of its place in pre-order, from the
// generator's state at that place: a first half's draws follow its
// parent's, a second half's follow the first half's whole subtree, whose
// count is known.
void SubdivideBolt(const Segment &segment, BoltState &state) {
  // The first block takes what is left over, so that the last ones, which
  // hold most of the splits, are whole.
  const std::int32_t levels = (state.Depth - 1) % kBlockLevels + 1;
  const int pieces = 1 << levels;
  const float kept = state.Amplitude;
  // The block's points along the segment. The segments of the level being
  // split run between points span apart, each with its side directions and
  // draws; after the last level, they are the pieces.
  TVector3 points[kBlockPieces + 1];
  SideDirections sides[kBlockPieces];
  std::uint32_t draws[kBlockPieces];
  points[0] = segment.start;
  points[pieces] = segment.end;
  sides[0] = segment.sides;
  draws[0] = segment.draws;
  for (int count = 1, span = pieces; span > 1; count *= 2, span /= 2) {
    for (int i = 0; i < count; ++i)
      points[i * span + span / 2] =
          DisplacedMidpoint(points[i * span], points[(i + 1) * span], sides[i], state.Amplitude, draws[i]);
    state.Amplitude = Product(state.Amplitude, state.DampingFactor);
    --state.Depth;
    if (state.Depth <= 0) break;
    // Each half's draws; from the last segment back, so that each state is
    // read before the halves take its place.
    const Leap firstHalfSubtree = SubtreeLeap(state.Depth);
    for (int i = count - 1; i >= 0; --i) {
      draws[2 * i + 1] = firstHalfSubtree.From(draws[i]);
      draws[2 * i] = draws[i];
    }
    SidesOfSegments(points, span / 2, 2 * count, sides);
  }
  if (state.Depth <= 0) {
    for (int i = 0; i < pieces; ++i) {
      glVertex3fv(&points[i].x);
      glVertex3fv(&points[i + 1].x);
    }
  } else {
    for (int i = 0; i < pieces; ++i) SubdivideBolt({points[i], points[i + 1], sides[i], draws[i]}, state);
  }
  state.Depth += levels;
  state.Amplitude = kept;
}

}  // namespace

Extended NextRandom() { return Fraction(Step(RandomState)); }

void DrawLightning(TVector3 start, TVector3 end, std::int32_t detail, float scatter, float damping) {
  glBegin(GL_LINES);
  if (detail <= 0) {
    glVertex3fv(&start.x);
    glVertex3fv(&end.x);
  } else {
    BoltState state{detail, scatter, damping};
    const TVector3 ends[] = {start, end};
    SideDirections sides;
    SidesOfSegments(ends, 1, 1, &sides);
    SubdivideBolt({start, end, sides, RandomState}, state);
    RandomState = SubtreeLeap(detail).From(RandomState);
  }
  glEnd();
}
