#include "demo/Demo.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "demo/Scene.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "lightning/Extended.h"
#include "lightning/lightning.h"
#include "text/glText.h"

TDemoSettings DemoSettings = InitialSettings;
bool KeyState[256];
GLuint FrozenList = 0;
GLuint FontTexture = 0;

namespace {

MSG Message;

// The font bitmap, relative to the working directory, as the system spells
// a path.
#if defined(_WIN32)
constexpr const char *FontFileName = "DATA\\font.bmp";
#else
constexpr const char *FontFileName = "DATA/font.bmp";
#endif

// The size the viewport has: the client area that the window is made with
// or, once it changes, the last size it was given.
int ViewportWidth = ScreenWidth, ViewportHeight = ScreenHeight;

// Held as extended-precision constants: each sum is formed in extended
// precision and rounded to single precision when it is stored. 0.002 is
// the quotient 2/1000 rounded once to extended precision, the value of the
// literal 0.002L: on the x87 a constant expression that the compiler works
// out, in software one worked out at start-up, whatever the floating-point
// unit's mode then.
const Extended TurnStep = Extended(0.5f);
const Extended TuneStep = Extended(2.0f) / Extended(1000.0f);

float Raised(float value, Extended step) { return static_cast<float>(value + step); }
float Lowered(float value, Extended step) { return static_cast<float>(value - step); }

void ReportFatal(const char *text) {
  MessageBoxA(nullptr, text, "Error", MB_ICONERROR);
}

// True where the demo goes on without the entry point: only swap control,
// an extension (WGL_EXT_swap_control) that some drivers lack, Microsoft's
// own GDI renderer among them. CreateGLWindow asks it once to stop waiting
// for the retrace and ignores the answer; without it the swaps wait or not
// as the driver does, and the demo runs all the same.
bool ReportMissingEntryPoint(const char *name) {
  if (std::strcmp(name, "wglSwapIntervalEXT") == 0) return true;
  char text[256];
  std::snprintf(text, sizeof text, "The entry point %s is not available in the OpenGL libraries.", name);
  ReportFatal(text);
  // The program ends right after this; the screen gets its mode back.
  ChangeDisplaySettingsA(nullptr, 0);
  return false;
}

// A key's release: its flag goes, and Space lets the frozen bolt go.
void ReleaseKey(WPARAM key) {
  if (key < 256) KeyState[key] = false;
  if (key == VK_SPACE && DemoSettings.Frozen) {
    DemoSettings.Frozen = false;
    glDeleteLists(FrozenList, 1);
  }
}

}  // namespace

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      DemoSettings.Finished = true;
      return 0;
    case WM_SIZE: {
      // The mode change does not always give the window a 1024 x 768 client
      // area: a compositor may make the full-screen window as large as its
      // output, and a desktop without that mode gives the nearest larger
      // one. The viewport follows the client area so that the picture fills
      // it, stretched (the projection stays 4:3) as a monitor stretches a
      // 4:3 mode; at 1024 x 768 nothing is called.
      // Before the context exists there is nothing to set: a context made
      // later starts with the window's size of that moment as its viewport.
      const int width = int(lParam & 0xFFFF), height = int((lParam >> 16) & 0xFFFF);
      if (wParam != SIZE_MINIMIZED && (width != ViewportWidth || height != ViewportHeight)) {
        if (RenderContext) glViewport(0, 0, width, height);
        ViewportWidth = width;
        ViewportHeight = height;
      }
      return 0;
    }
    case WM_KEYDOWN:
      // Virtual-key codes lie below 256; anything else is not a key.
      if (wParam < 256) KeyState[wParam] = true;
      if (wParam == VK_SPACE && !DemoSettings.Frozen) {
        // A new bolt, recorded rather than drawn; auto-repeat finds Frozen
        // already set, so one press records exactly one bolt.
        DemoSettings.Frozen = true;
        FrozenList = glGenLists(1);
        glNewList(FrozenList, GL_COMPILE);
        DrawLightning(MakeVector(0.0f, 0.0f, 0.0f), MakeVector(0.0f, 1.0f, 0.0f), DemoSettings.Detail,
                      DemoSettings.Scatter, DemoSettings.Damping);
        glEndList();
      }
      return 0;
    case WM_KEYUP:
      ReleaseKey(wParam);
      return 0;
    case WM_SYSKEYUP:
      // Alt pressed while a key is held makes that key's release a system
      // key: it still comes up. Everything else about system keys is the
      // default's (a system key never sets a flag, so nothing else changes).
      ReleaseKey(wParam);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_KILLFOCUS:
      // The keys still held come up in whichever window has the focus then,
      // and their releases never reach this one: every key lets go now.
      // Once the loop has ended, the teardown may have released the
      // rendering context already (DestroyWindow takes the focus away): the
      // frozen list then goes with the context, as it does at every end.
      if (!DemoSettings.Finished)
        for (WPARAM key = 0; key < 256; ++key) ReleaseKey(key);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_CHAR:
      // Beyond the bounds a character changes nothing: the work of a frame
      // doubles with each step up, and the counter must not wrap going down.
      if (wParam == '+' && DemoSettings.Detail < MaxDetail) ++DemoSettings.Detail;
      if (wParam == '-' && DemoSettings.Detail > std::numeric_limits<std::int32_t>::min())
        --DemoSettings.Detail;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void UpdateSettings() {
  TDemoSettings &s = DemoSettings;
  if (KeyState[VK_ESCAPE]) s.Finished = true;
  if (KeyState[VK_LEFT]) s.RotationY = Raised(s.RotationY, TurnStep);
  if (KeyState[VK_RIGHT]) s.RotationY = Lowered(s.RotationY, TurnStep);
  if (KeyState[VK_UP]) s.RotationX = Raised(s.RotationX, TurnStep);
  if (KeyState[VK_DOWN]) s.RotationX = Lowered(s.RotationX, TurnStep);
  if (KeyState[VK_F1]) s.Scatter = Lowered(s.Scatter, TuneStep);
  if (KeyState[VK_F2]) s.Scatter = Raised(s.Scatter, TuneStep);
  if (KeyState[VK_F3]) s.Damping = Lowered(s.Damping, TuneStep);
  if (KeyState[VK_F4]) s.Damping = Raised(s.Damping, TuneStep);
}

void RunFrameLoop() {
  while (!DemoSettings.Finished) {
    if (PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&Message);
      DispatchMessageA(&Message);
    }
    UpdateSettings();
    DrawScene();
    glFlush();
    glFinish();
    SwapBuffers(DeviceContext);
  }
}

namespace {

// Everything between opening the display and closing it.
int RunDemo() {
  // The demo cannot draw anything without GL and GLU; say which library or
  // entry point is missing instead of crashing on the first call.
  SetMissingEntryPointHandler(ReportMissingEntryPoint);
  if (!InitOpenGL(GLLibraryName, GLULibraryName)) {
    char text[768];
    std::snprintf(text, sizeof text, "Cannot load the OpenGL library %s: %s", GLLibraryName, GLLibraryError());
    ReportFatal(text);
    return 1;
  }
  if (!GLULibraryHandle) {
    char text[768];
    std::snprintf(text, sizeof text, "Cannot load the GLU library %s: %s", GLULibraryName, GLULibraryError());
    ReportFatal(text);
    return 1;
  }
  // GLU is bound eagerly: an entry point the library lacks is null, and
  // nothing may call through null.
  const char *missing = !gluPerspective ? "gluPerspective" : !gluBuild2DMipmaps ? "gluBuild2DMipmaps" : nullptr;
  if (missing) {
    ReportMissingEntryPoint(missing);
    return 1;
  }

  // CreateGLWindow has said what failed and torn down what it made; the
  // status tells whoever started the demo that it never ran.
  if (!CreateGLWindow()) return 1;

  BuildFont();
  // Relative to the working directory. A font that cannot be read leaves
  // a texture without an image, which GL would draw as plain white quads:
  // the demo runs on without the help text instead.
  bool fontLoaded = false;
  FontTexture = LoadTexture(true, FontFileName, &fontLoaded);
  if (!fontLoaded) {
    std::fprintf(stderr, "lightning: %s could not be read; running without the help text.\n", FontFileName);
    FontTexture = 0;
  }
  std::memset(KeyState, 0, sizeof KeyState);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 4.0 / 3.0, 0.001, 100.0);
  glMatrixMode(GL_MODELVIEW);

  RunFrameLoop();

  KillFont();
  KillGLWindow();
  return 0;
}

}  // namespace

int LightningMain() {
  char reason[512];
  if (!OpenDisplay(reason, sizeof reason)) {
    std::fprintf(stderr,
                 "lightning: no display to show the demo on (%s).\n"
                 "Set DISPLAY to a running X server, or start a virtual one with Xvfb.\n",
                 reason);
    return 1;
  }
  const int status = RunDemo();
  CloseDisplay();
  return status;
}
