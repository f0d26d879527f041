// Win32 and WGL over SDL2: see Win32.h for the contract.
#include "platform/Win32.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ModeGuard.h"
#include "text/Cp1251.h"

struct PlatformModule {
  int unused;
};
struct PlatformCursor {
  int unused;
};
struct PlatformDeviceContext {
  PlatformWindow *window;
};
struct PlatformRenderContext {
  SDL_GLContext context;
};
struct PlatformWindow {
  SDL_Window *sdl = nullptr;
  unsigned long xWindow = 0;  // on X11: the window's id there
  WNDPROC procedure = nullptr;
  const char *className = nullptr;  // points into the class table
  bool destroyed = false;
  // CS_OWNDC: the window has one device context of its own for its life.
  PlatformDeviceContext ownDC{this};
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

// Windows stay allocated for the life of the process: a handle that the
// system has destroyed (a close request) must still be safe to pass to the
// teardown, which then finds nothing left to release.
constexpr int kMaxWindows = 8;
PlatformWindow windows[kMaxWindows];
int windowCount = 0;

// The requested full-screen mode, applied to windows as they are made.
struct {
  bool active;
  int width, height;
} fullscreenMode;

int cursorCount = 0;
MessageBoxHook messageBoxHook = nullptr;

// SDL turns SIGINT and SIGTERM into a quit request; a hang-up (the
// terminal the demo runs from is closed) takes the same road. The handler
// only raises a flag, which the message queue reads.
volatile std::sig_atomic_t hangUp = 0;
void OnHangUp(int) { hangUp = 1; }

// The thread's message queue. It is refilled from SDL only when empty, one
// SDL event at a time, and no event yields more messages than it holds, so
// it never overflows and never allocates.
constexpr int kQueueSize = 64;
MSG queue[kQueueSize];
int queueHead = 0, queueCount = 0;

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  if (queueCount == kQueueSize) return;
  queue[(queueHead + queueCount) % kQueueSize] = MSG{window, message, wParam, lParam, time};
  ++queueCount;
}

HWND WindowFromSdlId(Uint32 id) {
  for (int i = 0; i < windowCount; ++i)
    if (!windows[i].destroyed && windows[i].sdl && SDL_GetWindowID(windows[i].sdl) == id)
      return &windows[i];
  return nullptr;
}

HWND FirstLiveWindow() {
  for (int i = 0; i < windowCount; ++i)
    if (!windows[i].destroyed) return &windows[i];
  return nullptr;
}

bool IsLive(HWND window) { return window && !window->destroyed && window->sdl; }

// Windows sends WM_SIZE rather than posting it: the procedure runs at once,
// with the size in pixels that GL draws to.
void SendSize(HWND window, int width, int height) {
  window->procedure(window, WM_SIZE, SIZE_RESTORED, LPARAM(width & 0xFFFF) | LPARAM(height & 0xFFFF) << 16);
}

// The keypad's digit and point keys as Windows reports them: their own
// codes while NumLock is on and Shift is not held, the navigation keys
// printed on them otherwise, so that keypad 8 turns the scene like the Up
// arrow.
WPARAM KeypadKey(SDL_Scancode code, bool digits) {
  // Keypad 1 to 9 as navigation keys.
  static constexpr WPARAM kNavigation[] = {VK_END,   VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR,
                                           VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};
  if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9)
    return digits ? VK_NUMPAD0 + 1 + (code - SDL_SCANCODE_KP_1) : kNavigation[code - SDL_SCANCODE_KP_1];
  if (code == SDL_SCANCODE_KP_0) return digits ? VK_NUMPAD0 : VK_INSERT;
  if (code == SDL_SCANCODE_KP_PERIOD) return digits ? VK_DECIMAL : VK_DELETE;
  return 0;
}

// Win32 virtual-key codes by key position, as Windows assigns them on a US
// layout. Positions rather than symbols keep letters at 'A'..'Z' under any
// layout, Cyrillic included, which is what Windows does too.
WPARAM VirtualKey(const SDL_Keysym &key) {
  const SDL_Scancode code = key.scancode;
  if (const WPARAM keypad = KeypadKey(code, (key.mod & KMOD_NUM) && !(key.mod & KMOD_SHIFT))) return keypad;
  if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
  if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
  if (code == SDL_SCANCODE_0) return '0';
  if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12) return VK_F1 + (code - SDL_SCANCODE_F1);
  if (code >= SDL_SCANCODE_F13 && code <= SDL_SCANCODE_F24) return VK_F1 + 12 + (code - SDL_SCANCODE_F13);
  switch (code) {
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    default: return 0;
  }
}

// The next character of a UTF-8 text as a Windows-1251 byte; characters the
// code page lacks become '?', as an ANSI window gets them.
unsigned char NextCp1251(std::string_view utf8, std::size_t &at) {
  const int byte = cp1251::FromUnicode(cp1251::DecodeUtf8(utf8, at));
  return byte < 0 ? '?' : static_cast<unsigned char>(byte);
}

constexpr LPARAM AltContext = LPARAM(1) << 29;  // lParam's context bit

#if defined(SDL_VIDEO_DRIVER_X11)
// The X server's modifier state for the key event being translated: SDL
// passes each X event on (SDL_SYSWMEVENT) right before the key event it
// makes of it. Keys SDL makes up itself (releases when the focus goes) have
// none.
bool xStateKnown = false;
unsigned int xState = 0;
#endif

// Whether Alt is down for a key, as Windows counts it. SDL reports AltGr as
// the right Alt, but keys pressed with AltGr are ordinary keys on Windows,
// and what they type are ordinary characters: AltGr+F4 closes nothing. On X
// the server's state tells them apart, as Alt sets Mod1 and AltGr (a level
// three shift) does not; the right Alt key's own press comes before the
// state can show which it is, and counts as Alt. Without X's state (another
// video driver) the right Alt is always Alt.
bool AltDown(const SDL_KeyboardEvent &key) {
  if (key.keysym.mod & KMOD_LALT) return true;
  if (!(key.keysym.mod & KMOD_RALT)) return false;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (xStateKnown && key.keysym.scancode != SDL_SCANCODE_RALT) return xState & Mod1Mask;
#endif
  return true;
}

// A key message's lParam as Windows builds it: repeat count 1, the scan
// code, the context bit (Alt down), the previous-state bit (set for an
// auto-repeat and for every release) and the transition bit (release).
LPARAM KeyLParam(const SDL_KeyboardEvent &key, bool down, bool alt) {
  LPARAM value = 1 | (LPARAM(key.keysym.scancode & 0xFF) << 16);
  if (alt) value |= AltContext;
  if (!down || key.repeat) value |= LPARAM(1) << 30;
  if (!down) value |= LPARAM(1) << 31;
  return value;
}

// Alt makes a key a system key, which the program's window procedure leaves
// to the default, unless Ctrl is held too; F10 always is one, as on Windows.
UINT KeyMessage(WPARAM vk, bool down, bool alt, bool control) {
  const bool system = (alt && !control) || vk == VK_F10;
  if (system) return down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  return down ? WM_KEYDOWN : WM_KEYUP;
}

// Keys that type nothing themselves.
bool IsModifierKey(SDL_Scancode code) {
  return (code >= SDL_SCANCODE_LCTRL && code <= SDL_SCANCODE_RGUI) || code == SDL_SCANCODE_MODE ||
         code == SDL_SCANCODE_CAPSLOCK || code == SDL_SCANCODE_NUMLOCKCLEAR || code == SDL_SCANCODE_SCROLLLOCK;
}

// The code each key went down with, until it comes up. Windows computes a
// keypad key's code anew for its release, from the NumLock state of that
// moment: a key pressed as Up and released after NumLock changed would come
// up as keypad 8, and the scene would turn on for good. Here a key comes up
// as it went down.
WPARAM downCodes[SDL_NUM_SCANCODES];

// How the characters typed by the last key pressed arrive. Windows makes
// them from the key message itself (TranslateMessage): a system key types
// WM_SYSCHAR, anything else WM_CHAR, with the key message's lParam. Text
// input comes after its key, and an input method may deliver it after
// further keys: it still belongs to the last key that can type, not to a
// modifier pressed or released since. With Ctrl held a key types only a
// control character, and with Ctrl and Alt together nothing.
struct {
  UINT message = WM_CHAR;
  LPARAM lParam = 1;
  bool text = true;  // whether SDL's text input counts
} typing;

// The control characters Windows types for keys that SDL's text input
// leaves out: Escape, Enter (a line feed with Ctrl, nothing with Ctrl and
// Shift) and Ctrl+Space; -1 for none.
int ControlCharacter(WPARAM vk, Uint16 modifiers) {
  const bool control = modifiers & KMOD_CTRL;
  switch (vk) {
    case VK_ESCAPE: return 0x1B;
    case VK_RETURN: return !control ? '\r' : modifiers & KMOD_SHIFT ? -1 : '\n';
    case VK_SPACE: return control ? ' ' : -1;
    default: return -1;
  }
}

void TranslateKey(const SDL_KeyboardEvent &key) {
  const bool down = key.type == SDL_KEYDOWN;
  const bool alt = AltDown(key), control = key.keysym.mod & KMOD_CTRL;
  const SDL_Scancode code = key.keysym.scancode;
  const bool known = code >= 0 && code < SDL_NUM_SCANCODES;
  const WPARAM vk = known && downCodes[code] ? downCodes[code] : VirtualKey(key.keysym);
  if (known) downCodes[code] = down ? vk : 0;
  const UINT message = KeyMessage(vk, down, alt, control);
  const LPARAM lParam = KeyLParam(key, down, alt);
  if (down && !IsModifierKey(code))
    typing = {message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, lParam, !control};
  HWND window = WindowFromSdlId(key.windowID);
  if (!vk || !window) return;
  Post(window, message, vk, lParam, key.timestamp);
  const int character = down && !(alt && control) ? ControlCharacter(vk, key.keysym.mod) : -1;
  if (character >= 0) Post(window, typing.message, WPARAM(character), lParam, key.timestamp);
}

// Turns one SDL event into the messages Windows would post for it.
void Translate(const SDL_Event &event) {
  switch (event.type) {
#if defined(SDL_VIDEO_DRIVER_X11)
    case SDL_SYSWMEVENT: {
      // X's own event, passed on right before what SDL makes of it.
      const SDL_SysWMmsg *message = event.syswm.msg;
      xStateKnown = false;
      if (!message || message->subsystem != SDL_SYSWM_X11) break;
      const XEvent &x = message->msg.x11.event;
      if (x.type == KeyPress || x.type == KeyRelease) {
        xStateKnown = true;
        xState = x.xkey.state;
      } else if (x.type == ConfigureNotify) {
        // SDL takes a full-screen window to be as large as the display
        // mode even where nothing made it so: without a window manager the
        // X window keeps the size it was made with. The X server's own word
        // on the window's size is its ConfigureNotify.
        for (int i = 0; i < windowCount; ++i)
          if (IsLive(&windows[i]) && windows[i].xWindow == x.xconfigure.window)
            SendSize(&windows[i], x.xconfigure.width, x.xconfigure.height);
      }
      break;
    }
#endif
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
#if defined(SDL_VIDEO_DRIVER_X11)
      xStateKnown = false;
#endif
      break;
    case SDL_TEXTINPUT: {
      // One character message per character, in the code page of the
      // program's text, as the key that typed it delivers them.
      HWND window = WindowFromSdlId(event.text.windowID);
      if (!window || !typing.text) break;
      const std::string_view text(event.text.text, SDL_strlen(event.text.text));
      std::size_t at = 0;
      while (at < text.size())
        Post(window, typing.message, WPARAM(NextCp1251(text, at)), typing.lParam, event.text.timestamp);
      break;
    }
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (HWND window = WindowFromSdlId(event.window.windowID))
          Post(window, WM_CLOSE, 0, 0, event.window.timestamp);
      } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        // Windows sends WM_KILLFOCUS rather than posting it, and no release
        // of the keys still held: they come up in the window that has the
        // focus then. SDL has made up their releases just before this event
        // (with the modifiers still held, so that a key held with Alt comes
        // up as a system key), and no SDL event is taken while the queue
        // holds a message: they have all been taken before this is sent.
        if (HWND window = WindowFromSdlId(event.window.windowID))
          window->procedure(window, WM_KILLFOCUS, 0, 0);
      } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        // On X11 the X server tells the size instead (below).
        HWND window = WindowFromSdlId(event.window.windowID);
        if (window && !window->xWindow) {
          int width = 0, height = 0;
          SDL_GL_GetDrawableSize(window->sdl, &width, &height);
          SendSize(window, width, height);
        }
      }
      break;
    case SDL_QUIT:
      // A quit request (SIGINT, SIGTERM, the session ending) closes the
      // window the ordinary way.
      if (HWND window = FirstLiveWindow()) Post(window, WM_CLOSE, 0, 0, event.quit.timestamp);
      break;
    default:
      break;
  }
}

void ApplyFullscreenMode(HWND window) {
  if (!IsLive(window)) return;
  if (fullscreenMode.active) {
    SDL_DisplayMode mode{};
    mode.w = fullscreenMode.width;
    mode.h = fullscreenMode.height;
    SDL_SetWindowDisplayMode(window->sdl, &mode);
    SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN);
  } else {
    SDL_SetWindowFullscreen(window->sdl, 0);
  }
}

// The visual is fixed when the window is made, so the pixel format is
// chosen here: double-buffered RGB with 8 bits a channel, no alpha, and
// neither depth nor stencil buffer, as the descriptor asks.
// - No alpha: a compositor blends a window by its alpha channel, and every
//   frame is cleared to alpha 0, so a visual with alpha shows the desktop
//   through the picture on Wayland. Nothing reads destination alpha.
// - No depth or stencil: nothing tests them; a visual with a stencil buffer
//   would come with a 24-bit depth buffer on Mesa, which every glClear of
//   the depth bit would then clear for nothing.
// Sizes are minimums, and with 0 asked both GLX and EGL rank the smallest
// buffer first: a visual without alpha wherever one exists, else any 8-8-8
// RGB visual.
SDL_Window *CreateGLCapableWindow(const char *title, int x, int y, int width, int height, Uint32 flags) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  return SDL_CreateWindow(title, x, y, width, height, flags);
}

// Whether SDL has every display back at its desktop mode, as it records
// each mode it sets.
bool DesktopModesInForce() {
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_DisplayMode current, desktop;
    if (SDL_GetCurrentDisplayMode(i, &current) != 0 || SDL_GetDesktopDisplayMode(i, &desktop) != 0 ||
        current.w != desktop.w || current.h != desktop.h || current.refresh_rate != desktop.refresh_rate)
      return false;
  }
  return true;
}

void AppendReason(char *reason, unsigned size, const char *driver, const char *why) {
  const std::size_t used = std::strlen(reason);
  if (used + 1 >= size) return;
  std::snprintf(reason + used, size - used, "%s%s: %s", used ? "; " : "", driver, why);
}

}  // namespace

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
    for (int i = 0; i < windowCount; ++i)
      if (!windows[i].destroyed && windows[i].className == slot.name) return FALSE;
    slot.used = false;
    return TRUE;
  }
  return FALSE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD) {
  if (mode) {
    const bool sized = (mode->dmFields & DM_PELSWIDTH) && (mode->dmFields & DM_PELSHEIGHT);
    if (!sized) return DISP_CHANGE_FAILED;
    // Only X11 changes the mode of the whole screen; Wayland and the
    // offscreen driver leave the desktop as it is.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver && !std::strcmp(driver, "x11")) StartModeGuardian();
    fullscreenMode = {true, int(mode->dmPelsWidth), int(mode->dmPelsHeight)};
  } else {
    fullscreenMode.active = false;
  }
  for (int i = 0; i < windowCount; ++i) ApplyFullscreenMode(&windows[i]);
  if (!mode && DesktopModesInForce()) DismissModeGuardian();
  return DISP_CHANGE_SUCCESSFUL;
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

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window *sdl = CreateGLCapableWindow(windowName ? windowName : "", x, y, width, height, flags);
  if (!sdl) return nullptr;

  PlatformWindow &window = windows[windowCount++];
  window.sdl = sdl;
  window.procedure = slot->windowClass.lpfnWndProc;
  window.className = slot->name;
  window.destroyed = false;
  window.ownDC.window = &window;
  window.xWindow = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) window.xWindow = info.info.x11.window;
#endif
  ApplyFullscreenMode(&window);
  return &window;
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
  SDL_ShowWindow(window->sdl);
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

int MessageBoxA(HWND, const char *text, const char *caption, UINT type) {
  if (messageBoxHook) return messageBoxHook(text, caption, type);
  char utf8Text[1024], utf8Caption[256];
  auto toUtf8 = [](const char *in, char *out, std::size_t size) {
    std::size_t used = 0;
    for (const unsigned char *byte = reinterpret_cast<const unsigned char *>(in ? in : ""); *byte; ++byte) {
      char32_t code = cp1251::ToUnicode(*byte);
      if (!code) code = 0xFFFD;
      char encoded[4];
      std::size_t length = 0;
      if (code < 0x80) {
        encoded[length++] = char(code);
      } else if (code < 0x800) {
        encoded[length++] = char(0xC0 | (code >> 6));
        encoded[length++] = char(0x80 | (code & 0x3F));
      } else {
        encoded[length++] = char(0xE0 | (code >> 12));
        encoded[length++] = char(0x80 | ((code >> 6) & 0x3F));
        encoded[length++] = char(0x80 | (code & 0x3F));
      }
      if (used + length + 1 > size) break;
      std::memcpy(out + used, encoded, length);
      used += length;
    }
    out[used] = '\0';
  };
  toUtf8(text, utf8Text, sizeof utf8Text);
  toUtf8(caption, utf8Caption, sizeof utf8Caption);
  const Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  // Where SDL cannot open a box itself it hands it to zenity, and reports
  // success whenever zenity ran: zenity ends alike when its box is closed
  // and when it could not open one (no display). Only the button's answer
  // proves the box was seen. Without it the text goes to standard error
  // too; a box closed without its button (the frame's close button, or
  // Escape in zenity's) gives no answer either, and then the line is one
  // too many rather than a message lost.
  const SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                              IDOK, "OK"};
  const SDL_MessageBoxData box{flags, nullptr, utf8Caption, utf8Text, 1, &ok, nullptr};
  int answer = -1;
  if (SDL_ShowMessageBox(&box, &answer) != 0 || answer != IDOK)
    std::fprintf(stderr, "%s: %s\n", utf8Caption, utf8Text);
  return IDOK;
}

void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook = hook; }

const char *LastErrorText() {
  static char text[256];
  const std::string_view utf8 = SDL_GetError();
  std::size_t at = 0, used = 0;
  while (at < utf8.size() && used + 1 < sizeof text) text[used++] = char(NextCp1251(utf8, at));
  text[used] = '\0';
  return text;
}

BOOL PeekMessageA(MSG *message, HWND, UINT, UINT, UINT removeFlags) {
  if (queueCount == 0 && hangUp) {
    hangUp = 0;
    if (HWND window = FirstLiveWindow()) Post(window, WM_CLOSE, 0, 0, SDL_GetTicks());
  }
  if (queueCount == 0 && SDL_WasInit(SDL_INIT_EVENTS)) {
    SDL_Event event;
    while (queueCount == 0 && SDL_PollEvent(&event)) Translate(event);
  }
  if (queueCount == 0) return FALSE;
  *message = queue[queueHead];
  if (removeFlags & PM_REMOVE) {
    queueHead = (queueHead + 1) % kQueueSize;
    --queueCount;
  }
  return TRUE;
}

// Characters come from SDL's text input, which already follows the layout,
// and the control characters it leaves out from their keys, both as the
// key events are translated: there is nothing left to do here.
BOOL TranslateMessage(const MSG *message) {
  return message && (message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN);
}

LRESULT DispatchMessageA(const MSG *message) {
  if (!message || !message->hwnd || message->hwnd->destroyed) return 0;
  return message->hwnd->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the window to close.
      if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)) && window && !window->destroyed)
        window->procedure(window, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

int ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR *descriptor) {
  if (!deviceContext || !descriptor || !IsLive(deviceContext->window)) return 0;
  const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  if ((descriptor->dwFlags & needed) != needed || descriptor->iPixelType != PFD_TYPE_RGBA) return 0;
  return 1;  // the window's own visual, chosen when it was made
}

BOOL SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR *descriptor) {
  return deviceContext && descriptor && format == 1 && IsLive(deviceContext->window);
}

BOOL SwapBuffers(HDC deviceContext) {
  if (!deviceContext || !IsLive(deviceContext->window)) return FALSE;
  SDL_GL_SwapWindow(deviceContext->window->sdl);
  return TRUE;
}

HGLRC wglCreateContext(HDC deviceContext) {
  SDL_ClearError();
  if (!deviceContext || !IsLive(deviceContext->window)) return nullptr;
  SDL_GLContext context = SDL_GL_CreateContext(deviceContext->window->sdl);
  if (!context) return nullptr;
  return new PlatformRenderContext{context};
}

BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderContext) {
  SDL_ClearError();
  if (!renderContext) {
    HWND window = deviceContext && IsLive(deviceContext->window) ? deviceContext->window : nullptr;
    return SDL_GL_MakeCurrent(window ? window->sdl : nullptr, nullptr) == 0;
  }
  if (!deviceContext || !IsLive(deviceContext->window)) return FALSE;
  return SDL_GL_MakeCurrent(deviceContext->window->sdl, renderContext->context) == 0;
}

BOOL wglDeleteContext(HGLRC renderContext) {
  if (!renderContext) return FALSE;
  SDL_GL_DeleteContext(renderContext->context);
  delete renderContext;
  return TRUE;
}

// Where the driver has no swap control (Mesa's software GLX under Xvfb has
// none) SDL answers that it is not supported, and nothing changes.
BOOL wglSwapIntervalEXT(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

bool OpenDisplay(char *reason, unsigned reasonSize) {
  if (reasonSize) reason[0] = '\0';
  // The program does not react to losing the focus; a full-screen window
  // that minimised itself would leave the user looking at the desktop.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Closing the window must not also be a quit request: WM_CLOSE comes once.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Leaving full screen, SDL puts the pointer back where it was, and on
  // Wayland, while the cursor is hidden, it emulates that move by locking
  // the pointer. Where the compositor offers no relative pointer (mutter
  // 43 nested) the lock fails but is taken as made, and the next showing of
  // the cursor, the teardown's, releases a lock that does not exist and
  // crashes (SDL 2.26). The program never moves the pointer; without the
  // emulation nothing is locked and nothing released.
  SDL_SetHintWithPriority(SDL_HINT_VIDEO_WAYLAND_EMULATE_MOUSE_WARP, "0", SDL_HINT_OVERRIDE);

  const char *chosen = SDL_getenv("SDL_VIDEODRIVER");
  bool opened = false;
  if (chosen && *chosen) {
    opened = SDL_Init(SDL_INIT_VIDEO) == 0;
    if (!opened) AppendReason(reason, reasonSize, chosen, SDL_GetError());
  } else {
    // SDL would fall back to its offscreen driver when no display answers,
    // and the program would then run where nobody can see it or press a
    // key. Only drivers that show something on a screen count.
    for (int i = 0; i < SDL_GetNumVideoDrivers() && !opened; ++i) {
      const char *driver = SDL_GetVideoDriver(i);
      if (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy") ||
          !std::strcmp(driver, "evdev"))
        continue;
      SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
      opened = SDL_Init(SDL_INIT_VIDEO) == 0;
      if (!opened) AppendReason(reason, reasonSize, driver, SDL_GetError());
    }
  }
  if (opened) {
    // X's own events carry what SDL's leave out: the modifier state that
    // tells Alt from AltGr, and the window's size as the X server has it.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver && !std::strcmp(driver, "x11")) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    struct sigaction old {};
    sigaction(SIGHUP, nullptr, &old);
    // An ignored hang-up (nohup) stays ignored, as SDL does for its own.
    if (old.sa_handler == SIG_DFL) {
      struct sigaction action {};
      action.sa_handler = OnHangUp;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      sigaction(SIGHUP, &action, nullptr);
    }
    // A connection the X server has closed (the window killed from outside)
    // must end the program through Xlib's I/O error handler, status 1, as
    // every such ending does, not by SIGPIPE from whichever write of Xlib's
    // meets the closed socket first.
    sigaction(SIGPIPE, nullptr, &old);
    if (old.sa_handler == SIG_DFL) signal(SIGPIPE, SIG_IGN);
  }
  // No SDL_Quit at exit: when the X server goes away, Xlib ends the process
  // from inside its error handler, and SDL_Quit would then wait forever on
  // the dead connection. Fatal paths restore the display mode themselves.
  return opened;
}

void CloseDisplay() { SDL_Quit(); }
