// The bolt generator's cost per split, into a sink that does no GL work.
// The cost per split should stay flat as the detail grows: the total cost
// is linear in the number of segments.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "glbinding/GLLoader.h"
#include "lightning/lightning.h"

namespace {

std::uint64_t vertexCount;
void SinkBegin(GLenum) {}
void SinkEnd() {}
void SinkVertex(const GLfloat *v) {
  benchmark::DoNotOptimize(v[0]);
  ++vertexCount;
}

void BoltPerSplit(benchmark::State &state) {
  glBegin = SinkBegin;
  glEnd = SinkEnd;
  glVertex3fv = SinkVertex;
  const auto detail = static_cast<std::int32_t>(state.range(0));
  const double splits = detail > 0 ? double((std::uint64_t{1} << detail) - 1) : 0.0;
  for (auto _ : state) {
    DrawLightning(MakeVector(0, 0, 0), MakeVector(0, 1, 0), detail, 0.2f, 0.6f);
    benchmark::ClobberMemory();
  }
  // Seconds per split (shown in ns by the counter's unit scaling).
  state.counters["per_split"] =
      benchmark::Counter(splits, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["segments"] = double(std::uint64_t{1} << (detail > 0 ? detail : 0));
  InstallForwarders();
}

}  // namespace

BENCHMARK(BoltPerSplit)->DenseRange(1, 18, 1)->Unit(benchmark::kMicrosecond);
