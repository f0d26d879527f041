// Classes, windows, their device contexts and the cursor over SDL: see
// SdlWindow.h and Win32.h.
#include "platform/SdlWindow.h"

#include <cstring>

#include "platform/SdlDisplayMode.h"
#include "platform/SdlKeyboard.h"
#include "platform/SdlOpenGL.h"

struct PlatformModule {
  int unused;
};
struct PlatformCursor {
  int unused;
};

namespace {

PlatformModule theModule{};
PlatformCursor arrowCursor{};

// The process-wide class table: registering a name twice fails, as on Windows.
struct ClassSlot {
  bool used;
  char name[64];
  WNDCLASSA windowClass;
};
ClassSlot classes[8];

constexpr int kMaxWindows = 8;
PlatformWindow windows[kMaxWindows];
int windowCount = 0;

int cursorCount = 0;

}  // namespace

std::span<PlatformWindow> Windows() { return {windows, std::size_t(windowCount)}; }

bool IsLive(HWND window) { return window && !window->destroyed && window->sdl; }

HWND WindowFromSdlId(Uint32 id) {
  for (PlatformWindow &window : Windows())
    if (IsLive(&window) && SDL_GetWindowID(window.sdl) == id) return &window;
  return nullptr;
}

HWND FirstLiveWindow() {
  for (PlatformWindow &window : Windows())
    if (!window.destroyed) return &window;
  return nullptr;
}

void SendSize(HWND window, int width, int height) {
  window->procedure(window, WM_SIZE, SIZE_RESTORED, LPARAM(width & 0xFFFF) | LPARAM(height & 0xFFFF) << 16);
}

HINSTANCE GetModuleHandleA(const char *moduleName) { return moduleName ? nullptr : &theModule; }

HCURSOR LoadCursorA(HINSTANCE, const char *cursorName) {
  return cursorName == IDC_ARROW ? &arrowCursor : nullptr;
}

ATOM RegisterClassA(const WNDCLASSA *windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return 0;
  if (std::strlen(windowClass->lpszClassName) >= sizeof classes[0].name) return 0;
  ClassSlot *free = nullptr;
  for (ClassSlot &slot : classes) {
    if (slot.used && std::strcmp(slot.name, windowClass->lpszClassName) == 0) return 0;
    if (!slot.used && !free) free = &slot;
  }
  if (!free) return 0;
  free->used = true;
  std::strcpy(free->name, windowClass->lpszClassName);
  free->windowClass = *windowClass;
  free->windowClass.lpszClassName = free->name;
  return ATOM(0xC000 + (free - classes));
}

BOOL UnregisterClassA(const char *className, HINSTANCE) {
  if (!className) return FALSE;
  for (ClassSlot &slot : classes) {
    if (!slot.used || std::strcmp(slot.name, className) != 0) continue;
    // Windows refuses while a window of the class still exists.
    for (const PlatformWindow &window : Windows())
      if (!window.destroyed && window.className == slot.name) return FALSE;
    slot.used = false;
    return TRUE;
  }
  return FALSE;
}

int ShowCursor(BOOL show) {
  cursorCount += show ? 1 : -1;
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return cursorCount;
}

HWND CreateWindowExA(DWORD, const char *className, const char *windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, void *) {
  SDL_ClearError();  // so that LastErrorText tells of this call only
  if (!className || windowCount == kMaxWindows || !SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  const ClassSlot *slot = nullptr;
  for (const ClassSlot &candidate : classes)
    if (candidate.used && std::strcmp(candidate.name, className) == 0) slot = &candidate;
  if (!slot) return nullptr;

  // An X error on the way (SDL probes GLX inside SDL_CreateWindow: a
  // server without indirect GLX refuses the probe's context when GL goes
  // over the wire) fails the call, before the display mode changes.
  X11ErrorTrap trap;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window *sdl = CreateGLCapableWindow(windowName ? windowName : "", x, y, width, height, flags);
  const X11Window xWindow = sdl ? X11WindowOf(sdl) : X11Window{};
  if (trap.Caught(xWindow) || !sdl) {
    if (sdl) SDL_DestroyWindow(sdl);
    return nullptr;
  }

  PlatformWindow &window = windows[windowCount++];
  window.sdl = sdl;
  window.x = xWindow;
  window.procedure = slot->windowClass.lpfnWndProc;
  window.className = slot->name;
  window.destroyed = false;
  window.ownDC.window = &window;
  ApplyFullscreenMode(&window);
  if (!trap.Caught(xWindow)) return &window;
  // Made, but not into what was asked: gone again before anyone saw it.
  window.destroyed = true;
  SDL_DestroyWindow(sdl);
  window.sdl = nullptr;
  return nullptr;
}

BOOL DestroyWindow(HWND window) {
  if (!window) return FALSE;
  // Already destroyed by the system (a close request): nothing is left to
  // release, and the ordinary teardown that follows is not a failure.
  if (window->destroyed) return TRUE;
  // A window destroyed with the keyboard focus loses it first, as on
  // Windows; SDL's own word of it would come too late to find the window.
  if (window->sdl && SDL_GetKeyboardFocus() == window->sdl) window->procedure(window, WM_KILLFOCUS, 0, 0);
  window->procedure(window, WM_DESTROY, 0, 0);
  window->destroyed = true;
  SDL_DestroyWindow(window->sdl);
  window->sdl = nullptr;
  return TRUE;
}

BOOL ShowWindow(HWND window, int) {
  if (!IsLive(window)) return FALSE;
  const bool wasVisible = SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN;
  ShowInFullscreenMode(window);
  return wasVisible ? TRUE : FALSE;
}

BOOL SetForegroundWindow(HWND window) {
  if (!IsLive(window)) return FALSE;
  SDL_RaiseWindow(window->sdl);
  return TRUE;
}

HWND SetFocus(HWND window) {
  if (!IsLive(window)) return nullptr;
  SDL_SetWindowInputFocus(window->sdl);
  return window;
}

HDC GetDC(HWND window) { return IsLive(window) ? &window->ownDC : nullptr; }

// The device context belongs to its window (CS_OWNDC): releasing it is a
// formality, and it goes with the window.
int ReleaseDC(HWND window, HDC deviceContext) {
  return window && deviceContext && deviceContext->window == window ? 1 : 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the window to close.
      if (wParam == VK_F4 && (lParam & kAltContext) && window && !window->destroyed)
        window->procedure(window, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}
