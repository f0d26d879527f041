// Prints a digest of many bolts, one line per case: the generator's state
// after it and a hash of every vertex's bits. Built for Linux and for
// Windows, two builds that print the same lines drew the same bolts bit for
// bit, however their compilers and run-time libraries differ.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "glbinding/GLLoader.h"
#include "lightning/lightning.h"

namespace {

std::uint64_t digest;

// FNV-1a over the three floats' bytes.
void HashVertex(const GLfloat *v) {
  unsigned char bytes[3 * sizeof(GLfloat)];
  std::memcpy(bytes, v, sizeof bytes);
  for (unsigned char byte : bytes) digest = (digest ^ byte) * 0x100000001B3ull;
}
void Ignore(GLenum) {}
void IgnoreEnd() {}

}  // namespace

int main() {
  glBegin = Ignore;
  glEnd = IgnoreEnd;
  glVertex3fv = HashVertex;
  const struct {
    const char *name;
    TVector3 start, end;
    std::int32_t detail;
    float scatter, damping;
    int bolts;
  } cases[] = {
      {"the first frames", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 10, 0.2f, 0.6f, 300},
      {"deep", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 18, 0.2f, 0.6f, 1},
      {"tuned", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 12, 0.374f, 0.998f, 20},
      {"negative", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 13, -0.35f, -1.1f, 5},
      {"growing", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 14, 0.2f, 1.7f, 3},
      {"far apart", MakeVector(1e30f, -2, 7), MakeVector(-5, 1e-30f, 0), 12, 3e37f, 3, 3},
      // Displacements that fall below extended precision next to midpoints
      // halfway between two singles, deep in the bolt; and none at all.
      {"small damping", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 16, 0.2f, 0.11f, 2},
      {"straight", MakeVector(0, 0, 0), MakeVector(0, 1, 0), 12, 0.0f, 0.6f, 2},
  };
  RandomState = 0;
  for (const auto &c : cases) {
    digest = 0xCBF29CE484222325ull;
    for (int i = 0; i < c.bolts; ++i) DrawLightning(c.start, c.end, c.detail, c.scatter, c.damping);
    std::printf("%-16s state %10" PRIu32 "  vertices %016" PRIx64 "\n", c.name, RandomState, digest);
  }
  return 0;
}
