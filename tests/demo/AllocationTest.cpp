// The frame loop allocates nothing per frame: every C++ allocation of the
// process is counted while the real loop runs with the real window layer
// (SDL's offscreen driver), keys coming in as SDL events. GL calls go to a
// sink that does nothing, so that what is counted is the program's own
// work: the software renderer's shader compiler allocates on its own
// schedule, which is not the program's to control.
//
// And with the renderer drawing, once warm, the frames take no fresh pages
// from the kernel: with the program's heap policy the heap keeps what the
// renderer frees at the end of each frame.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "demo/Demo.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "tests/support/RealContext.h"
#include "tests/support/TextInput.h"
#include "text/glText.h"

const char *const GLLibraryName = "libGL.so.1";
const char *const GLULibraryName = "libGLU.so.1";

namespace {
std::atomic<long> allocations{0};
}

namespace {
void *Counted(std::size_t size) noexcept {
  ++allocations;
  return std::malloc(size ? size : 1);
}
}  // namespace

// Every form that allocates, the nothrow ones included (GoogleTest's own
// code uses them): a form left out would take its memory from the library's
// operator new, and the free below would release what it had not allocated
// (a mismatch that AddressSanitizer stops at).
void *operator new(std::size_t size) {
  if (void *p = Counted(size)) return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return Counted(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return Counted(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

namespace {

// Ends the loop after a number of frames: the frame loop has no other exit
// but Finished, which a held Escape sets.
int framesLeft = 0;
void CountDown() {
  if (--framesLeft == 0) KeyState[VK_ESCAPE] = true;
}

void PushKey(Uint32 type, SDL_Scancode code) {
  SDL_Event event{};
  event.type = type;
  event.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  event.key.keysym.scancode = code;
  SDL_PushEvent(&event);
}

void PushText(const char *text) { PushTextInput(SDL_GetWindowID(SDL_GL_GetCurrentWindow()), text); }

template <class Ret>
struct NullCall {
  template <class... Args>
  Ret operator()(Args...) const {
    if constexpr (std::is_void_v<Ret>) return;
    else return Ret{};
  }
};

#define GL_LAZY(family, ret, name, params, args) \
  ret Null_##name params { return NullCall<ret>{} args; }
#define GL_LAZY_PROC GL_LAZY
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef GLU_EAGER

void InstallNullSink() {
#define GL_LAZY(family, ret, name, params, args) name = Null_##name;
#define GL_LAZY_PROC GL_LAZY
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef GLU_EAGER
}

void (*realFinish)() = nullptr;  // the library's, when the renderer draws

void FinishAndCount() {
  if (realFinish) realFinish();
  CountDown();
}

void RunFrames(int frames) {
  DemoSettings.Finished = false;
  KeyState[VK_ESCAPE] = false;
  framesLeft = frames;
  RunFrameLoop();
}

}  // namespace

TEST(FrameLoop, AllocatesNothingAfterTheFirstFrame) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  char reason[256];
  if (!StartDemoInRealContext(reason, sizeof reason)) GTEST_SKIP() << "no GL context through SDL's offscreen driver";

  InstallNullSink();
  glGenLists = [](GLsizei) -> GLuint { return 77; };
  glFinish = FinishAndCount;
  framesLeft = 1;
  RunFrameLoop();
  ASSERT_TRUE(DemoSettings.Finished);

  // Then many frames with keys held, typed, frozen and released.
  KeyState[VK_LEFT] = KeyState[VK_F2] = KeyState[VK_F3] = true;
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
  PushText("+");
  PushKey(SDL_KEYUP, SDL_SCANCODE_SPACE);
  PushText("-");
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_UP);
  PushKey(SDL_KEYUP, SDL_SCANCODE_UP);
  const long before = allocations.load();
  RunFrames(200);
  const long during = allocations.load() - before;

  EXPECT_EQ(during, 0) << "C++ allocations in 200 frames of the loop";
  EXPECT_EQ(DemoSettings.Detail, 10);
  EXPECT_FALSE(DemoSettings.Frozen);
  KillGLWindow();
}

TEST(FrameLoop, TakesNoFreshPagesOnceWarm) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator replaces the C library's heap";
#elif defined(LIGHTNING_UNDER_EMULATOR)
  GTEST_SKIP() << "under qemu-user the page faults are the emulator's, and 300 frames take minutes";
#endif
  InstallForwarders();  // after the sink of the test above
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  char reason[256];
  if (!StartDemoInRealContext(reason, sizeof reason)) GTEST_SKIP() << "no GL context through SDL's offscreen driver";
  DemoSettings = InitialSettings;
  std::memset(KeyState, 0, sizeof KeyState);
  glFinish();  // binds the entry point
  realFinish = glFinish;
  glFinish = FinishAndCount;

  // Measured with the default settings (help text, detail 10), over the
  // 200 frames after 100 of warm-up: 0.3 to 2.5 faults a frame (what the
  // driver still maps as it settles; the count is the process's, the
  // renderer's threads included); 800 to 1,300 with glibc's own trimming,
  // as the heap gives back the renderer's 11 MB a frame and takes them
  // again. A bound of 20 stays clear of both.
  RunFrames(100);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  RunFrames(200);
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(double(after.ru_minflt - before.ru_minflt) / 200, 20) << "minor page faults per frame";
  KillGLWindow();
}
