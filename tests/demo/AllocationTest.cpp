// The frame loop allocates nothing per frame: every C++ allocation of the
// process is counted while the real loop runs with the real window layer
// (SDL's offscreen driver), keys coming in as SDL events. GL calls go to a
// sink that does nothing, so that what is counted is the program's own
// work: the software renderer's shader compiler allocates on its own
// schedule, which is not the program's to control.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "demo/Demo.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "tests/support/RealContext.h"
#include "text/glText.h"

const char *const GLLibraryName = "libGL.so.1";
const char *const GLULibraryName = "libGLU.so.1";

namespace {
std::atomic<long> allocations{0};
}

void *operator new(std::size_t size) {
  ++allocations;
  if (void *p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

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

void PushText(const char *text) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  SDL_strlcpy(event.text.text, text, sizeof event.text.text);
  SDL_PushEvent(&event);
}

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
#define GL_LAZY_GLX GL_LAZY
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_GLX
#undef GLU_EAGER

void InstallNullSink() {
#define GL_LAZY(family, ret, name, params, args) name = Null_##name;
#define GL_LAZY_GLX GL_LAZY
#define GLU_EAGER GL_LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_GLX
#undef GLU_EAGER
}

void FinishAndCount() { CountDown(); }

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
  DemoSettings.Finished = false;
  KeyState[VK_ESCAPE] = false;
  KeyState[VK_LEFT] = KeyState[VK_F2] = KeyState[VK_F3] = true;
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
  PushText("+");
  PushKey(SDL_KEYUP, SDL_SCANCODE_SPACE);
  PushText("-");
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_UP);
  PushKey(SDL_KEYUP, SDL_SCANCODE_UP);
  framesLeft = 200;
  const long before = allocations.load();
  RunFrameLoop();
  const long during = allocations.load() - before;

  EXPECT_EQ(during, 0) << "C++ allocations in 200 frames of the loop";
  EXPECT_EQ(DemoSettings.Detail, 10);
  EXPECT_FALSE(DemoSettings.Frozen);
  KillGLWindow();
}
