#include "tests/support/FakeWin32.h"

#include <cstring>
#include <deque>
#include <map>

#if defined(_WIN32)
#include "glbinding/GLLoader.h"
// On Windows the program's calls to user32 and gdi32 go through its import
// table: each fake is defined under a name of its own and installed at the
// end of this file under the system's __imp_ name, so that no call of the
// code under test reaches the real window system. The WGL functions are the
// GL binding's variables there, which Reset points at the fakes.
#define FAKE(name) Fake_##name
#else
#define FAKE(name) name
#endif

struct PlatformModule {
  int unused;
};
struct PlatformCursor {
  int unused;
};
struct PlatformWindow {
  WNDPROC procedure;
  bool alive;
};
struct PlatformDeviceContext {
  int unused;
};
struct PlatformRenderContext {
  int unused;
};

namespace {

// The handles the program holds are the addresses of the fakes' objects.
template <class Handle, class Object>
Handle HandleOf(Object &object) {
  return reinterpret_cast<Handle>(&object);
}
PlatformWindow *WindowOf(HWND handle) { return reinterpret_cast<PlatformWindow *>(handle); }

}  // namespace

#if defined(_WIN32)
HGLRC Fake_wglCreateContext(HDC);
BOOL Fake_wglMakeCurrent(HDC, HGLRC);
BOOL Fake_wglDeleteContext(HGLRC);
BOOL Fake_wglSwapIntervalEXT(int);
#endif

namespace fake {

Script script;
std::vector<std::string> log;
std::vector<std::pair<std::string, std::string>> boxes;

namespace {

PlatformModule module;
PlatformCursor cursor;
PlatformWindow window;
PlatformDeviceContext deviceContext;
PlatformRenderContext renderContext;
std::map<std::string, WNDCLASSA> classes;
std::deque<MSG> queue;
bool modeChanged = false;
int cursorCount = 0;
bool contextAlive = false;
bool contextCurrent = false;

}  // namespace

void Reset() {
  script = Script{};
  log.clear();
  boxes.clear();
  classes.clear();
  queue.clear();
  window = PlatformWindow{nullptr, false};
  modeChanged = false;
  cursorCount = 0;
  contextAlive = false;
  contextCurrent = false;
#if defined(_WIN32)
  wglCreateContext = Fake_wglCreateContext;
  wglMakeCurrent = Fake_wglMakeCurrent;
  wglDeleteContext = Fake_wglDeleteContext;
  wglSwapIntervalEXT = Fake_wglSwapIntervalEXT;
#endif
}

void Post(UINT message, WPARAM wParam, LPARAM lParam) {
  MSG posted{};
  posted.hwnd = window.alive ? HandleOf<HWND>(window) : nullptr;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  queue.push_back(posted);
}
int Queued() { return int(queue.size()); }
bool DisplayModeChanged() { return modeChanged; }
int CursorCount() { return cursorCount; }
bool WindowExists() { return window.alive; }
bool ContextCurrent() { return contextCurrent; }

}  // namespace fake

using namespace fake;

HINSTANCE FAKE(GetModuleHandleA)(const char *name) {
#if defined(_WIN32)
  // The C runtime asks for system modules by name (its clock looks for
  // kernel32's precise time): those get the system's answer.
  if (name) {
    using Function = HMODULE(WINAPI *)(LPCSTR);
    static const auto real =
        reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetModuleHandleA")));
    return real(name);
  }
#else
  (void)name;
#endif
  log.push_back("GetModuleHandleA");
  return HandleOf<HINSTANCE>(module);
}

HCURSOR FAKE(LoadCursorA)(HINSTANCE, const char *) {
  log.push_back("LoadCursorA");
  return HandleOf<HCURSOR>(cursor);
}

ATOM FAKE(RegisterClassA)(const WNDCLASSA *windowClass) {
  log.push_back(std::string("RegisterClassA ") + windowClass->lpszClassName);
  if (script.registerFails || classes.count(windowClass->lpszClassName)) return 0;
  classes[windowClass->lpszClassName] = *windowClass;
  return 0xC000;
}

BOOL FAKE(UnregisterClassA)(const char *className, HINSTANCE) {
  log.push_back(std::string("UnregisterClassA ") + className);
  if (script.unregisterFails || !classes.erase(className)) return FALSE;
  return TRUE;
}

LONG FAKE(ChangeDisplaySettingsA)(DEVMODEA *mode, DWORD flags) {
  if (mode) {
    log.push_back("ChangeDisplaySettingsA " + std::to_string(mode->dmPelsWidth) + "x" +
                  std::to_string(mode->dmPelsHeight) + "x" + std::to_string(mode->dmBitsPerPel) +
                  " flags " + std::to_string(flags));
    modeChanged = true;
  } else {
    log.push_back("ChangeDisplaySettingsA restore");
    modeChanged = false;
  }
  return DISP_CHANGE_SUCCESSFUL;
}

int FAKE(ShowCursor)(BOOL show) {
  log.push_back(std::string("ShowCursor ") + (show ? "1" : "0"));
  cursorCount += show ? 1 : -1;
  return cursorCount;
}

HWND FAKE(CreateWindowExA)(DWORD, const char *className, const char *windowName, DWORD, int, int, int width,
                     int height, HWND, HMENU, HINSTANCE, void *) {
  log.push_back(std::string("CreateWindowExA ") + className + " " + windowName + " " +
                std::to_string(width) + "x" + std::to_string(height));
  if (script.createWindowFails || !classes.count(className)) return nullptr;
  window = PlatformWindow{classes[className].lpfnWndProc, true};
  return HandleOf<HWND>(window);
}

BOOL FAKE(DestroyWindow)(HWND target) {
  log.push_back("DestroyWindow");
  if (script.destroyWindowFails || WindowOf(target) != &window || !window.alive) return FALSE;
  window.procedure(target, WM_DESTROY, 0, 0);
  window.alive = false;
  return TRUE;
}

BOOL FAKE(ShowWindow)(HWND, int command) {
  log.push_back("ShowWindow " + std::to_string(command));
  return FALSE;
}
BOOL FAKE(SetForegroundWindow)(HWND) {
  log.push_back("SetForegroundWindow");
  return TRUE;
}
HWND FAKE(SetFocus)(HWND target) {
  log.push_back("SetFocus");
  return target;
}

HDC FAKE(GetDC)(HWND target) {
  log.push_back("GetDC");
  if (script.getDCFails || WindowOf(target) != &window) return nullptr;
  return HandleOf<HDC>(deviceContext);
}

int FAKE(ReleaseDC)(HWND, HDC) {
  log.push_back("ReleaseDC");
  return script.releaseDCFails ? 0 : 1;
}

int FAKE(MessageBoxA)(HWND, const char *text, const char *caption, UINT type) {
  log.push_back(std::string("MessageBoxA ") + text + (type == MB_ICONERROR ? "" : " (not an error box)"));
  boxes.emplace_back(text, caption);
  return IDOK;
}

BOOL FAKE(PeekMessageA)(MSG *message, HWND, UINT, UINT, UINT removeFlags) {
  log.push_back("PeekMessageA");
  if (queue.empty()) return FALSE;
  *message = queue.front();
  if (removeFlags & PM_REMOVE) queue.pop_front();
  return TRUE;
}

BOOL FAKE(TranslateMessage)(const MSG *) {
  log.push_back("TranslateMessage");
  return FALSE;
}

LRESULT FAKE(DispatchMessageA)(const MSG *message) {
  log.push_back("DispatchMessageA " + std::to_string(message->message));
  PlatformWindow *target = WindowOf(message->hwnd);
  if (!target || !target->alive) return 0;
  return target->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT FAKE(DefWindowProcA)(HWND target, UINT message, WPARAM, LPARAM) {
  log.push_back("DefWindowProcA " + std::to_string(message));
  if (message == WM_CLOSE) DestroyWindow(target);
  return 0;
}

int FAKE(ChoosePixelFormat)(HDC, const PIXELFORMATDESCRIPTOR *descriptor) {
  log.push_back("ChoosePixelFormat flags " + std::to_string(descriptor->dwFlags) + " colour " +
                std::to_string(descriptor->cColorBits) + " depth " + std::to_string(descriptor->cDepthBits) +
                " stencil " + std::to_string(descriptor->cStencilBits));
  return script.noPixelFormat ? 0 : 7;
}

BOOL FAKE(SetPixelFormat)(HDC, int format, const PIXELFORMATDESCRIPTOR *) {
  log.push_back("SetPixelFormat " + std::to_string(format));
  return script.setPixelFormatFails ? FALSE : TRUE;
}

BOOL FAKE(SwapBuffers)(HDC) {
  log.push_back("SwapBuffers");
  return TRUE;
}

HGLRC FAKE(wglCreateContext)(HDC) {
  log.push_back("wglCreateContext");
  if (script.createContextFails) return nullptr;
  contextAlive = true;
  return HandleOf<HGLRC>(renderContext);
}

BOOL FAKE(wglMakeCurrent)(HDC, HGLRC context) {
  log.push_back(std::string("wglMakeCurrent ") + (context ? "context" : "none"));
  if (context) {
    if (script.makeCurrentFails) return FALSE;
    contextCurrent = true;
    return TRUE;
  }
  if (script.releaseCurrentFails) return FALSE;
  contextCurrent = false;
  return TRUE;
}

BOOL FAKE(wglDeleteContext)(HGLRC context) {
  log.push_back("wglDeleteContext");
  if (!context || !contextAlive) return FALSE;
  contextAlive = false;
  return TRUE;
}

BOOL FAKE(wglSwapIntervalEXT)(int interval) {
  log.push_back("wglSwapIntervalEXT " + std::to_string(interval));
  return FALSE;
}

bool OpenDisplay(char *reason, unsigned size) {
  log.push_back("OpenDisplay");
  if (script.noDisplay && size) std::strncpy(reason, "no display in this test", size - 1);
  return !script.noDisplay;
}

void CloseDisplay() { log.push_back("CloseDisplay"); }

#if !defined(_WIN32)
void SetMessageBoxHook(MessageBoxHook) {}
#endif

const char *LastErrorText() { return script.errorText; }

#if defined(_WIN32)
#define INSTALL(name)                 \
  extern "C" {                        \
  extern void *__imp_##name;          \
  void *__imp_##name = reinterpret_cast<void *>(&Fake_##name); \
  }
INSTALL(GetModuleHandleA)
INSTALL(LoadCursorA)
INSTALL(RegisterClassA)
INSTALL(UnregisterClassA)
INSTALL(ChangeDisplaySettingsA)
INSTALL(ShowCursor)
INSTALL(CreateWindowExA)
INSTALL(DestroyWindow)
INSTALL(ShowWindow)
INSTALL(SetForegroundWindow)
INSTALL(SetFocus)
INSTALL(GetDC)
INSTALL(ReleaseDC)
INSTALL(MessageBoxA)
INSTALL(PeekMessageA)
INSTALL(TranslateMessage)
INSTALL(DispatchMessageA)
INSTALL(DefWindowProcA)
INSTALL(ChoosePixelFormat)
INSTALL(SetPixelFormat)
INSTALL(SwapBuffers)
#endif
