// The bolt generator: its random stream and its points, to the last bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lightning/lightning.h"
#include "tests/support/GLRecorder.h"

namespace {

// The nearest single-precision value of a decimal given to nine digits:
// nine significant digits identify a float uniquely.
float F(const char *decimal) { return std::strtof(decimal, nullptr); }

std::uint32_t StateAfter(std::uint32_t state, long draws) {
  for (long i = 0; i < draws; ++i) state = state * 134775813u + 1u;
  return state;
}

struct Bolt {
  std::vector<TVector3> vertices;
  std::vector<std::string> calls;
};

Bolt Draw(TVector3 start, TVector3 end, std::int32_t detail, float scatter, float damping) {
  GLRecorder recorder;
  DrawLightning(start, end, detail, scatter, damping);
  Bolt bolt;
  bolt.calls = recorder.Names();
  for (const GLCall &call : recorder.Named("glVertex3fv"))
    bolt.vertices.push_back(MakeVector(call.vertex[0], call.vertex[1], call.vertex[2]));
  return bolt;
}

// The points of a bolt: every segment's start, then the last end; checks
// on the way that segments join (inner points come twice, identical).
std::vector<TVector3> Points(const Bolt &bolt) {
  std::vector<TVector3> points;
  for (std::size_t i = 0; i < bolt.vertices.size(); i += 2) {
    if (i > 0) {
      EXPECT_EQ(bolt.vertices[i].x, bolt.vertices[i - 1].x);
      EXPECT_EQ(bolt.vertices[i].y, bolt.vertices[i - 1].y);
      EXPECT_EQ(bolt.vertices[i].z, bolt.vertices[i - 1].z);
    }
    points.push_back(bolt.vertices[i]);
  }
  if (!bolt.vertices.empty()) points.push_back(bolt.vertices.back());
  return points;
}

void ExpectPoint(TVector3 actual, const char *x, const char *y, const char *z) {
  EXPECT_EQ(actual.x, F(x)) << "x of (" << x << ", " << y << ", " << z << ")";
  EXPECT_EQ(actual.y, F(y)) << "y of (" << x << ", " << y << ", " << z << ")";
  EXPECT_EQ(actual.z, F(z)) << "z of (" << x << ", " << y << ", " << z << ")";
}

const TVector3 Origin = {0, 0, 0};
const TVector3 Top = {0, 1, 0};

// The bolt as defined, depth first, each split drawing as it comes: the
// generator works blocks of levels a level at a time and leaps over the
// draws of whole subtrees, which must give the same bits in the same order.
void DefinedBolt(TVector3 s, TVector3 e, int depth, float amplitude, float damping, std::vector<TVector3> &out) {
  if (depth <= 0) {
    out.insert(out.end(), {s, e});
    return;
  }
  const TVector3 d = VectorSub(s, e);
  const TVector3 u = VectorNormalize(VectorCross(d, MakeVector(0, 1, 1)));
  const TVector3 v = VectorNormalize(VectorCross(u, d));
  float m[3];
  for (int c = 0; c < 3; ++c) {
    const Extended p = (NextRandom() - 0.5f) * (&u.x)[c];
    const Extended q = (NextRandom() - 0.5f) * (&v.x)[c];
    m[c] = static_cast<float>((q + p) * amplitude + (Extended((&s.x)[c]) + (&e.x)[c]) * 0.5f);
  }
  const float next = static_cast<float>(Extended(amplitude) * damping);
  DefinedBolt(s, MakeVector(m[0], m[1], m[2]), depth - 1, next, damping, out);
  DefinedBolt(MakeVector(m[0], m[1], m[2]), e, depth - 1, next, damping, out);
}

}  // namespace

TEST(Random, FirstDrawsFromStateZero) {
  RandomState = 0;
  const std::uint32_t states[] = {1, 134775814, 3698175007u, 870078620, 1172187917, 2884733762u};
  const double results[] = {2.328306437e-10, 0.03137993952, 0.8610484672,
                            0.2025809651,    0.2729212672,  0.6716544186};
  for (int i = 0; i < 6; ++i) {
    const Extended draw = NextRandom();
    EXPECT_EQ(RandomState, states[i]) << "draw " << i + 1;
    // Exact: the state times 2^-32, with no rounding at all.
    EXPECT_EQ(static_cast<float>(draw * Extended(0x1p32f) - Extended(states[i])), 0.0f);
    EXPECT_NEAR(double(RoundToInteger(draw * Extended(1e10f))), results[i] * 1e10, 1.0);
  }
}

TEST(Bolt, MatchesWorkedTraceOfDetailThreeBitForBit) {
  RandomState = 0;
  const Bolt bolt = Draw(Origin, Top, 3, 0.2f, 0.6f);
  EXPECT_EQ(RandomState, 616346014u);
  const std::vector<TVector3> p = Points(bolt);
  ASSERT_EQ(p.size(), 9u);
  ExpectPoint(p[0], "0", "0", "0");
  ExpectPoint(p[1], "0.0592085868", "0.113221854", "-0.00629335688");
  ExpectPoint(p[2], "0.0795371979", "0.247064427", "0.0245187338");
  ExpectPoint(p[3], "0.071202673", "0.373937845", "0.0142504117");
  ExpectPoint(p[4], "0.100000001", "0.5", "0.0343308859");
  ExpectPoint(p[5], "0.0931251794", "0.62025106", "0.0511610135");
  ExpectPoint(p[6], "0.085764356", "0.747687161", "-0.00178194896");
  ExpectPoint(p[7], "0.0515721403", "0.863366067", "-0.0332723223");
  ExpectPoint(p[8], "0", "1", "0");
}

TEST(Bolt, DetailsOneAndTwoFromAFreshGenerator) {
  RandomState = 0;
  std::vector<TVector3> p = Points(Draw(Origin, Top, 1, 0.2f, 0.6f));
  EXPECT_EQ(RandomState, 2884733762u);
  ASSERT_EQ(p.size(), 3u);
  ExpectPoint(p[1], "0.100000001", "0.5", "0.0343308859");

  RandomState = 0;
  p = Points(Draw(Origin, Top, 2, 0.2f, 0.6f));
  EXPECT_EQ(RandomState, 1580146294u);
  ASSERT_EQ(p.size(), 5u);
  ExpectPoint(p[1], "0.0795371979", "0.247064427", "0.0245187338");
  ExpectPoint(p[2], "0.100000001", "0.5", "0.0343308859");
  ExpectPoint(p[3], "0.106559284", "0.757069647", "0.010671651");
  ExpectPoint(p[4], "0", "1", "0");
}

TEST(Bolt, ReachesGLOnlyAsOneLinePrimitive) {
  RandomState = 12345;
  const Bolt bolt = Draw(Origin, Top, 4, 0.2f, 0.6f);
  ASSERT_EQ(bolt.calls.size(), 2u + 32u);
  EXPECT_EQ(bolt.calls.front(), "glBegin");
  EXPECT_EQ(bolt.calls.back(), "glEnd");
  for (std::size_t i = 1; i + 1 < bolt.calls.size(); ++i) EXPECT_EQ(bolt.calls[i], "glVertex3fv");
  GLRecorder recorder;
  DrawLightning(Origin, Top, 1, 0.2f, 0.6f);
  EXPECT_EQ(recorder.calls.front().args, std::vector<double>{double(GL_LINES)});
}

TEST(Bolt, DetailZeroOrBelowIsOneSegmentAndDrawsNothingRandom) {
  for (std::int32_t detail : {0, -1, -2147483647 - 1}) {
    RandomState = 99;
    const std::vector<TVector3> p = Points(Draw(Origin, Top, detail, 0.2f, 0.6f));
    EXPECT_EQ(RandomState, 99u);
    ASSERT_EQ(p.size(), 2u);
    ExpectPoint(p[0], "0", "0", "0");
    ExpectPoint(p[1], "0", "1", "0");
  }
}

TEST(Bolt, UndisplacedBoltsAreStraightAndStillConsumeTheirDraws) {
  // Scatter 0: plain midpoints.
  RandomState = 7;
  std::vector<TVector3> p = Points(Draw(Origin, Top, 3, 0.0f, 0.6f));
  EXPECT_EQ(RandomState, StateAfter(7, 6 * 7));
  ASSERT_EQ(p.size(), 9u);
  for (int k = 0; k <= 8; ++k) {
    EXPECT_EQ(p[k].x, 0.0f);
    EXPECT_EQ(p[k].y, k / 8.0f);
    EXPECT_EQ(p[k].z, 0.0f);
  }
  // End (0, 1, 1): every segment has D x (0, 1, 1) = 0, so no side
  // direction exists and nothing is displaced.
  RandomState = 7;
  p = Points(Draw(Origin, MakeVector(0, 1, 1), 3, 0.2f, 0.6f));
  EXPECT_EQ(RandomState, StateAfter(7, 6 * 7));
  for (int k = 0; k <= 8; ++k) {
    EXPECT_EQ(p[k].x, 0.0f);
    EXPECT_EQ(p[k].y, k / 8.0f);
    EXPECT_EQ(p[k].z, k / 8.0f);
  }
  // Start equal to end: 2^detail segments of length zero at that point.
  RandomState = 7;
  const Bolt same = Draw(MakeVector(0.5f, 0.25f, -2), MakeVector(0.5f, 0.25f, -2), 2, 0.2f, 0.6f);
  EXPECT_EQ(RandomState, StateAfter(7, 6 * 3));
  ASSERT_EQ(same.vertices.size(), 8u);
  for (const TVector3 &v : same.vertices) {
    EXPECT_EQ(v.x, 0.5f);
    EXPECT_EQ(v.y, 0.25f);
    EXPECT_EQ(v.z, -2.0f);
  }
}

TEST(Bolt, DampingScalesEachLevelAndScatterOnlyTheFirst) {
  // Damping 0: only the first split moves; its halves are straight.
  RandomState = 0;
  const std::vector<TVector3> p = Points(Draw(Origin, Top, 2, 0.2f, 0.0f));
  ExpectPoint(p[2], "0.100000001", "0.5", "0.0343308859");
  EXPECT_EQ(p[1].x, static_cast<float>((Extended(0.0f) + p[2].x) * 0.5f));
  EXPECT_EQ(p[1].z, static_cast<float>((Extended(0.0f) + p[2].z) * 0.5f));
  // A negative scatter mirrors the first displacement.
  RandomState = 0;
  const std::vector<TVector3> mirrored = Points(Draw(Origin, Top, 1, -0.2f, 0.6f));
  ExpectPoint(mirrored[1], "-0.100000001", "0.5", "-0.0343308859");
}

TEST(Bolt, DeepBoltsMatchTheDepthFirstDefinitionBitForBit) {
  const struct {
    TVector3 start, end;
    std::int32_t detail;
    float scatter, damping;
  } cases[] = {{Origin, Top, 14, 0.2f, 0.6f},   {Origin, Top, 13, -0.35f, -1.1f},
               {Origin, MakeVector(0, 1, 1), 7, 0.2f, 0.6f}, {MakeVector(3, -1, 2), MakeVector(3, -1, 2), 8, 0.5f, 1},
               {MakeVector(1e30f, -2, 7), MakeVector(-5, 1e-30f, 0), 12, 3e37f, 3}};
  for (const auto &c : cases) {
    RandomState = 2024u + std::uint32_t(c.detail);
    std::vector<TVector3> expected;
    DefinedBolt(c.start, c.end, c.detail, c.scatter, c.damping, expected);
    const std::uint32_t expectedState = RandomState;
    RandomState = 2024u + std::uint32_t(c.detail);
    const Bolt bolt = Draw(c.start, c.end, c.detail, c.scatter, c.damping);
    EXPECT_EQ(RandomState, expectedState) << "detail " << c.detail;
    ASSERT_EQ(bolt.vertices.size(), expected.size());
    EXPECT_EQ(std::memcmp(bolt.vertices.data(), expected.data(), expected.size() * sizeof(TVector3)), 0)
        << "detail " << c.detail << ", scatter " << c.scatter << ", damping " << c.damping;
  }
}
