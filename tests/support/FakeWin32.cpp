#include "tests/support/FakeWin32.h"

#include <cstring>
#include <deque>
#include <map>

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
}

void Post(UINT message, WPARAM wParam, LPARAM lParam) {
  queue.push_back(MSG{window.alive ? &window : nullptr, message, wParam, lParam, 0});
}
int Queued() { return int(queue.size()); }
bool DisplayModeChanged() { return modeChanged; }
int CursorCount() { return cursorCount; }
bool WindowExists() { return window.alive; }
bool ContextCurrent() { return contextCurrent; }

}  // namespace fake

using namespace fake;

HINSTANCE GetModuleHandleA(const char *) {
  log.push_back("GetModuleHandleA");
  return &module;
}

HCURSOR LoadCursorA(HINSTANCE, const char *) {
  log.push_back("LoadCursorA");
  return &cursor;
}

ATOM RegisterClassA(const WNDCLASSA *windowClass) {
  log.push_back(std::string("RegisterClassA ") + windowClass->lpszClassName);
  if (script.registerFails || classes.count(windowClass->lpszClassName)) return 0;
  classes[windowClass->lpszClassName] = *windowClass;
  return 0xC000;
}

BOOL UnregisterClassA(const char *className, HINSTANCE) {
  log.push_back(std::string("UnregisterClassA ") + className);
  if (script.unregisterFails || !classes.erase(className)) return FALSE;
  return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags) {
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

int ShowCursor(BOOL show) {
  log.push_back(std::string("ShowCursor ") + (show ? "1" : "0"));
  cursorCount += show ? 1 : -1;
  return cursorCount;
}

HWND CreateWindowExA(DWORD, const char *className, const char *windowName, DWORD, int, int, int width,
                     int height, HWND, HMENU, HINSTANCE, void *) {
  log.push_back(std::string("CreateWindowExA ") + className + " " + windowName + " " +
                std::to_string(width) + "x" + std::to_string(height));
  if (script.createWindowFails || !classes.count(className)) return nullptr;
  window = PlatformWindow{classes[className].lpfnWndProc, true};
  return &window;
}

BOOL DestroyWindow(HWND target) {
  log.push_back("DestroyWindow");
  if (script.destroyWindowFails || target != &window || !window.alive) return FALSE;
  window.procedure(&window, WM_DESTROY, 0, 0);
  window.alive = false;
  return TRUE;
}

BOOL ShowWindow(HWND, int command) {
  log.push_back("ShowWindow " + std::to_string(command));
  return FALSE;
}
BOOL SetForegroundWindow(HWND) {
  log.push_back("SetForegroundWindow");
  return TRUE;
}
HWND SetFocus(HWND target) {
  log.push_back("SetFocus");
  return target;
}

HDC GetDC(HWND target) {
  log.push_back("GetDC");
  if (script.getDCFails || target != &window) return nullptr;
  return &deviceContext;
}

int ReleaseDC(HWND, HDC) {
  log.push_back("ReleaseDC");
  return script.releaseDCFails ? 0 : 1;
}

int MessageBoxA(HWND, const char *text, const char *caption, UINT type) {
  log.push_back(std::string("MessageBoxA ") + text + (type == MB_ICONERROR ? "" : " (not an error box)"));
  boxes.emplace_back(text, caption);
  return IDOK;
}

BOOL PeekMessageA(MSG *message, HWND, UINT, UINT, UINT removeFlags) {
  log.push_back("PeekMessageA");
  if (queue.empty()) return FALSE;
  *message = queue.front();
  if (removeFlags & PM_REMOVE) queue.pop_front();
  return TRUE;
}

BOOL TranslateMessage(const MSG *) {
  log.push_back("TranslateMessage");
  return FALSE;
}

LRESULT DispatchMessageA(const MSG *message) {
  log.push_back("DispatchMessageA " + std::to_string(message->message));
  if (!message->hwnd || !message->hwnd->alive) return 0;
  return message->hwnd->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcA(HWND target, UINT message, WPARAM, LPARAM) {
  log.push_back("DefWindowProcA " + std::to_string(message));
  if (message == WM_CLOSE) DestroyWindow(target);
  return 0;
}

int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR *descriptor) {
  log.push_back("ChoosePixelFormat flags " + std::to_string(descriptor->dwFlags) + " colour " +
                std::to_string(descriptor->cColorBits) + " depth " + std::to_string(descriptor->cDepthBits) +
                " stencil " + std::to_string(descriptor->cStencilBits));
  return script.noPixelFormat ? 0 : 7;
}

BOOL SetPixelFormat(HDC, int format, const PIXELFORMATDESCRIPTOR *) {
  log.push_back("SetPixelFormat " + std::to_string(format));
  return script.setPixelFormatFails ? FALSE : TRUE;
}

BOOL SwapBuffers(HDC) {
  log.push_back("SwapBuffers");
  return TRUE;
}

HGLRC wglCreateContext(HDC) {
  log.push_back("wglCreateContext");
  if (script.createContextFails) return nullptr;
  contextAlive = true;
  return &renderContext;
}

BOOL wglMakeCurrent(HDC, HGLRC context) {
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

BOOL wglDeleteContext(HGLRC context) {
  log.push_back("wglDeleteContext");
  if (!context || !contextAlive) return FALSE;
  contextAlive = false;
  return TRUE;
}

BOOL wglSwapIntervalEXT(int interval) {
  log.push_back("wglSwapIntervalEXT " + std::to_string(interval));
  return FALSE;
}

bool OpenDisplay(char *reason, unsigned size) {
  log.push_back("OpenDisplay");
  if (script.noDisplay && size) std::strncpy(reason, "no display in this test", size - 1);
  return !script.noDisplay;
}

void CloseDisplay() { log.push_back("CloseDisplay"); }

void SetMessageBoxHook(MessageBoxHook) {}

const char *LastErrorText() { return script.errorText; }
