#include "lightning/lightning.h"

#include "glbinding/GLLoader.h"

std::uint32_t RandomState = 0;

namespace {

using Extended = long double;

// Shared by every level of one bolt. Each level changes it before it
// descends and puts it back before it returns, so a level always sees the
// values of its own depth.
struct BoltState {
  std::int32_t Depth;
  float Amplitude;
  float DampingFactor;
};

constexpr TVector3 Reference{0.0f, 1.0f, 1.0f};

// One component of the displaced midpoint. The draws, their differences from
// one half and the products are exact in extended precision; the sum is
// rounded once, to single precision, when the component is stored.
float DisplacedComponent(float start, float end, float u, float v, float amplitude) {
  const Extended p = (NextRandom() - 0.5L) * u;
  const Extended q = (NextRandom() - 0.5L) * v;
  return static_cast<float>((q + p) * amplitude + (Extended(start) + end) * 0.5L);
}

void SubdivideBolt(TVector3 start, TVector3 end, BoltState &state) {
  if (state.Depth <= 0) {
    glVertex3fv(&start.x);
    glVertex3fv(&end.x);
    return;
  }
  // Start minus end, crossed with (0, 1, 1): when that is zero (D.x = 0 and
  // D.y = D.z) both side directions stay zero and the midpoint is plain.
  const TVector3 d = VectorSub(start, end);
  const TVector3 u = VectorNormalize(VectorCross(d, Reference));
  const TVector3 v = VectorNormalize(VectorCross(u, d));

  TVector3 mid;
  mid.x = DisplacedComponent(start.x, end.x, u.x, v.x, state.Amplitude);
  mid.y = DisplacedComponent(start.y, end.y, u.y, v.y, state.Amplitude);
  mid.z = DisplacedComponent(start.z, end.z, u.z, v.z, state.Amplitude);

  const float kept = state.Amplitude;
  state.Amplitude = static_cast<float>(Extended(state.Amplitude) * state.DampingFactor);
  --state.Depth;
  SubdivideBolt(start, mid, state);
  SubdivideBolt(mid, end, state);
  ++state.Depth;
  state.Amplitude = kept;
}

}  // namespace

long double NextRandom() {
  RandomState = RandomState * 134775813u + 1u;
  return static_cast<Extended>(RandomState) * 0x1p-32L;
}

void DrawLightning(TVector3 start, TVector3 end, std::int32_t detail, float scatter, float damping) {
  BoltState state{detail, scatter, damping};
  glBegin(GL_LINES);
  SubdivideBolt(start, end, state);
  glEnd();
}
