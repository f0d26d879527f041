// The cost of whole frames on a real GL context: Mesa's software renderer
// through SDL's offscreen driver, the demo's own window layer and font.
// Run from the repository root, so that DATA/font.bmp is found:
//   build/bench/frame_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "demo/Demo.h"
#include "demo/Overlay.h"
#include "demo/Scene.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "text/glText.h"

const char *const GLLibraryName = "libGL.so.1";
const char *const GLULibraryName = "libGLU.so.1";

namespace {

bool ready = false;

// The start-up of the demo's main block, on the offscreen driver.
bool StartDemo() {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  char reason[256];
  if (!OpenDisplay(reason, sizeof reason) || !InitOpenGL(GLLibraryName, GLULibraryName) || !CreateGLWindow()) {
    std::fprintf(stderr, "no GL context: %s\n", reason);
    return false;
  }
  BuildFont();
  FontTexture = LoadTexture(true, "DATA/font.bmp");
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 4.0 / 3.0, 0.001, 100.0);
  glMatrixMode(GL_MODELVIEW);
  return true;
}

void EndFrame() {
  glFlush();
  glFinish();
  SwapBuffers(DeviceContext);
}

void EmptyFrame(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EndFrame();
  }
}

// One pass of the frame loop with an empty message queue.
void SceneFrame(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  DemoSettings = InitialSettings;
  DemoSettings.Detail = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    UpdateSettings();
    DrawScene();
    EndFrame();
  }
  state.counters["segments"] = double(1u << DemoSettings.Detail);
  DemoSettings = InitialSettings;
}

void FrozenFrame(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  DemoSettings = InitialSettings;
  WndProc(WindowHandle, WM_KEYDOWN, VK_SPACE, 0);
  for (auto _ : state) {
    UpdateSettings();
    DrawScene();
    EndFrame();
  }
  WndProc(WindowHandle, WM_KEYUP, VK_SPACE, 0);
}

void OverlayAlone(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  DemoSettings = InitialSettings;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawOverlay();
    EndFrame();
  }
}

}  // namespace

BENCHMARK(EmptyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(SceneFrame)->Arg(10)->Arg(14)->Arg(18)->Unit(benchmark::kMicrosecond);
BENCHMARK(FrozenFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(OverlayAlone)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  ready = StartDemo();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ready) {
    KillFont();
    KillGLWindow();
  }
  return ready ? 0 : 1;
}
