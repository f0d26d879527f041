// The cost of whole frames on a real GL context: Mesa's software renderer
// through SDL's offscreen driver (or the driver that SDL_VIDEODRIVER names),
// the demo's own window layer and font. Run from the repository root, so
// that DATA/font.bmp is found:
//   build/bench/frame_bench
//   build/bench/frame_bench --benchmark_filter=FrameRatio    # the ratios alone
//   SDL_VIDEODRIVER=x11 build/bench/frame_bench              # on an X display
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "demo/Demo.h"
#include "demo/Overlay.h"
#include "demo/Scene.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "tests/support/RealContext.h"
#include "text/glText.h"

const char *const GLLibraryName = "libGL.so.1";
const char *const GLULibraryName = "libGLU.so.1";

namespace {

bool ready = false;

bool StartDemo() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  char reason[256] = "";
  if (StartDemoInRealContext(reason, sizeof reason)) return true;
  std::fprintf(stderr, "no GL context: %s\n", reason);
  return false;
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

// The help text on a cleared screen: the part of the frame that its 182
// glyph draws fix.
void OverlayFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawOverlay();
  EndFrame();
}

void OverlayAlone(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  DemoSettings = InitialSettings;
  for (auto _ : state) OverlayFrame();
}

// The program's frame against empty frames, measured alternately in one run
// so that the load of the machine falls on all of them alike: rounds of
// frames of each kind in turn, and the median of each kind's rounds. The
// empty frame (clear, flush, finish, swap) is measured in the program's own
// window and in a window with SDL's default GL attributes, the visual any
// SDL program gets without choosing one; the help text alone beside them.
struct Surface {
  SDL_Window *window;
  SDL_GLContext context;
};
Surface programSurface{}, defaultSurface{};

bool MakeDefaultSurface() {
  programSurface = {SDL_GL_GetCurrentWindow(), SDL_GL_GetCurrentContext()};
  SDL_GL_ResetAttributes();
  defaultSurface.window = SDL_CreateWindow("default", 0, 0, ScreenWidth, ScreenHeight, SDL_WINDOW_OPENGL);
  if (defaultSurface.window) defaultSurface.context = SDL_GL_CreateContext(defaultSurface.window);
  if (defaultSurface.context) SDL_GL_SetSwapInterval(0);
  SDL_GL_MakeCurrent(programSurface.window, programSurface.context);
  return defaultSurface.context != nullptr;
}

void ProgramFrame() {
  UpdateSettings();
  DrawScene();
  EndFrame();
}

void ClearAndSwap(SDL_Window *window) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glFlush();
  glFinish();
  SDL_GL_SwapWindow(window);
}

// Seconds per frame over a round of at least 0.2 s, on the given surface.
template <class Frame>
double RoundOf(const Surface &surface, Frame frame) {
  using Clock = std::chrono::steady_clock;
  SDL_GL_MakeCurrent(surface.window, surface.context);
  SDL_RaiseWindow(surface.window);  // on a display, the measured window is not covered
  frame();
  frame();
  int frames = 0;
  const auto start = Clock::now();
  std::chrono::duration<double> elapsed{};
  do {
    frame();
    ++frames;
    elapsed = Clock::now() - start;
  } while (elapsed.count() < 0.2);
  return elapsed.count() / frames;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void FrameRatio(benchmark::State &state) {
  if (!ready) return state.SkipWithError("no GL context");
  if (!defaultSurface.context && !MakeDefaultSurface()) return state.SkipWithError("no default window");
  DemoSettings = InitialSettings;
  DemoSettings.Detail = static_cast<std::int32_t>(state.range(0));
  std::vector<double> program, overlay, empty, defaultEmpty;
  for (auto _ : state) {
    for (int round = 0; round < 7; ++round) {
      program.push_back(RoundOf(programSurface, ProgramFrame));
      overlay.push_back(RoundOf(programSurface, OverlayFrame));
      empty.push_back(RoundOf(programSurface, [] { ClearAndSwap(programSurface.window); }));
      defaultEmpty.push_back(RoundOf(defaultSurface, [] { ClearAndSwap(defaultSurface.window); }));
    }
    state.SetIterationTime(Median(program));
  }
  SDL_GL_MakeCurrent(programSurface.window, programSurface.context);
  DemoSettings = InitialSettings;
  // Frames per second, and the program's rate as a share of the empty
  // frame's rate in its own window and in the default one; then the share
  // of the help text alone, a bound for the whole frame's.
  state.counters["fps"] = 1 / Median(program);
  state.counters["empty_fps"] = 1 / Median(empty);
  state.counters["default_fps"] = 1 / Median(defaultEmpty);
  state.counters["vs_empty"] = Median(empty) / Median(program);
  state.counters["vs_default"] = Median(defaultEmpty) / Median(program);
  state.counters["text_vs_default"] = Median(defaultEmpty) / Median(overlay);
}

}  // namespace

BENCHMARK(FrameRatio)->Arg(10)->Arg(14)->Arg(18)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(SceneFrame)->Arg(10)->Arg(14)->Arg(18)->Unit(benchmark::kMicrosecond);
BENCHMARK(FrozenFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(OverlayAlone)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  ready = StartDemo();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (defaultSurface.context) {
    SDL_GL_DeleteContext(defaultSurface.context);
    SDL_DestroyWindow(defaultSurface.window);
    SDL_GL_MakeCurrent(programSurface.window, programSurface.context);
  }
  if (ready) {
    KillFont();
    KillGLWindow();
  }
  return ready ? 0 : 1;
}
