// The cost of a call through a bound entry-point variable against a call
// through a plain function pointer to the same function. Once its forwarder
// has run, an entry point is one load of its variable and one indirect
// call, so the two should cost the same within noise.
#include <benchmark/benchmark.h>

#include <cstring>

#include "glbinding/GLLoader.h"

namespace {

__attribute__((noinline)) GLuint Target(GLsizei range) {
  benchmark::DoNotOptimize(range);
  return GLuint(range) + 1;
}

__attribute__((noinline)) void TargetFloats(GLfloat x, GLfloat y, GLfloat z) {
  benchmark::DoNotOptimize(x);
  benchmark::DoNotOptimize(y);
  benchmark::DoNotOptimize(z);
}

// Stands in for the GL library's glXGetProcAddressARB, so that the variables
// are bound by their real forwarders.
GLXextFuncPtr Lookup(const GLubyte *name) {
  const char *text = reinterpret_cast<const char *>(name);
  if (!std::strcmp(text, "glGenLists")) return reinterpret_cast<GLXextFuncPtr>(Target);
  if (!std::strcmp(text, "glVertex3f")) return reinterpret_cast<GLXextFuncPtr>(TargetFloats);
  return nullptr;
}

bool BindThroughForwarders() {
  InstallForwarders();
  glXGetProcAddressARB = Lookup;
  glGenLists(1);
  glVertex3f(0, 0, 0);
  return glGenLists == Target && glVertex3f == TargetFloats;
}

bool Bound() {
  static const bool bound = BindThroughForwarders();
  return bound;
}

}  // namespace

// Global and writable like the entry-point variables, so that the compiler
// must load it before every call just the same.
GLuint (*PlainPointer)(GLsizei) = Target;
void (*PlainFloatsPointer)(GLfloat, GLfloat, GLfloat) = TargetFloats;

// One template for both sides, so that the two loops are the same machine
// code but for the address of the pointer that they load.
template <GLuint (*&Pointer)(GLsizei)>
void Call(benchmark::State &state) {
  if (!Bound()) state.SkipWithError("the forwarders did not bind the variables");
  GLsizei range = 3;
  for (auto _ : state) benchmark::DoNotOptimize(Pointer(range));
}
BENCHMARK_TEMPLATE(Call, glGenLists)->Name("BoundVariable");
BENCHMARK_TEMPLATE(Call, PlainPointer)->Name("PlainFunctionPointer");

template <void (*&Pointer)(GLfloat, GLfloat, GLfloat)>
void CallFloats(benchmark::State &state) {
  if (!Bound()) state.SkipWithError("the forwarders did not bind the variables");
  for (auto _ : state) Pointer(0.5f, 1.0f, 2.0f);
}
BENCHMARK_TEMPLATE(CallFloats, glVertex3f)->Name("BoundVariableFloats");
BENCHMARK_TEMPLATE(CallFloats, PlainFloatsPointer)->Name("PlainFunctionPointerFloats");
