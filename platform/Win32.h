// The small part of Win32 (user32, gdi32, kernel32) and WGL that the window
// layer and the main loop use: on Windows the system's own, on Linux
// provided over SDL2.
//
// The program keeps its Windows logic: a registered class with a window
// procedure, messages taken one at a time with PeekMessageA and dispatched
// to it, a display-mode change, a pixel format, a rendering context. This
// header is the contract; on Linux only the layer's own files (platform/Sdl*)
// include SDL.
//
// What the Linux layer does not do: more than one display mode, child
// windows, owner windows, menus, painting. Key messages carry Win32
// virtual-key codes (keypad digits follow NumLock and Shift) and come as
// Windows' user32 sends them, with two mends: a key comes up with the code it
// went down with, and keys still held come up when the window loses the
// focus. Characters arrive as WM_CHAR in the Windows-1251 code page, as
// WM_SYSCHAR when a system key (Alt, not AltGr) typed them. A change of the
// window's size reaches the window procedure as WM_SIZE, and the loss of
// the keyboard focus as WM_KILLFOCUS (after the releases of the keys still
// held), the way Windows sends them: called directly from within
// PeekMessageA, never queued.
//
// On Windows the WGL functions are the GL binding's variables
// (glbinding/GLLoader.h), bound from the GL library by name.
#pragma once

#if defined(_WIN32)
#include "glbinding/WinApi.h"
#else
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct PlatformModule;
struct PlatformWindow;
struct PlatformDeviceContext;
struct PlatformRenderContext;
struct PlatformCursor;
using HINSTANCE = PlatformModule *;
using HWND = PlatformWindow *;
using HDC = PlatformDeviceContext *;
using HGLRC = PlatformRenderContext *;
using HCURSOR = PlatformCursor *;
using HICON = void *;
using HBRUSH = void *;
using HMENU = void *;

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char *lpszMenuName;
  const char *lpszClassName;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
};

// The display-mode fields that a mode change reads.
struct DEVMODEA {
  WORD dmSize;
  DWORD dmFields;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFrequency;
};

// Win32's layout, field for field (40 bytes).
struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
  BYTE cAlphaBits, cAlphaShift;
  BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask;
  DWORD dwVisibleMask;
  DWORD dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT PM_REMOVE = 0x0001;
// WM_SIZE: wParam says how (SIZE_MINIMIZED for an icon), lParam holds the
// client area's width in its low word and its height in the next.
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1;

// Virtual-key codes.
constexpr WPARAM VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                 VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
                 VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
                 VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
                 VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
                 VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60,
                 VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
                 VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73,
                 VK_F10 = 0x79, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91, VK_OEM_1 = 0xBA,
                 VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
                 VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB,
                 VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// Class and window styles.
constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_OWNDC = 0x0020;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_POPUP = 0x80000000, WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000;
constexpr int SW_SHOW = 5;
inline const char *const IDC_ARROW = reinterpret_cast<const char *>(std::uintptr_t{32512});

// Display modes.
constexpr DWORD CDS_FULLSCREEN = 0x00000004;
constexpr DWORD DM_BITSPERPEL = 0x00040000, DM_PELSWIDTH = 0x00080000, DM_PELSHEIGHT = 0x00100000;
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0, DISP_CHANGE_FAILED = -1;

// Pixel formats.
constexpr DWORD PFD_DOUBLEBUFFER = 0x01, PFD_DRAW_TO_WINDOW = 0x04, PFD_SUPPORT_OPENGL = 0x20;
constexpr BYTE PFD_TYPE_RGBA = 0, PFD_MAIN_PLANE = 0;

// Message boxes.
constexpr UINT MB_OK = 0x00, MB_ICONERROR = 0x10;
constexpr int IDOK = 1;

// kernel32
HINSTANCE GetModuleHandleA(const char *moduleName);

// user32
HCURSOR LoadCursorA(HINSTANCE instance, const char *cursorName);
ATOM RegisterClassA(const WNDCLASSA *windowClass);
BOOL UnregisterClassA(const char *className, HINSTANCE instance);
// A mode makes every window full screen in it, as it is made or shown; no
// mode puts the desktop's back. On X11 a window goes full screen even where
// no window manager answers its request (a bare X session): the layer then
// answers in the window manager's place.
LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags);
int ShowCursor(BOOL show);
HWND CreateWindowExA(DWORD exStyle, const char *className, const char *windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void *param);
BOOL DestroyWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL SetForegroundWindow(HWND window);
HWND SetFocus(HWND window);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC deviceContext);
// Texts in Windows-1251; the box shows them converted to UTF-8.
int MessageBoxA(HWND owner, const char *text, const char *caption, UINT type);
BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG *message);
LRESULT DispatchMessageA(const MSG *message);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// gdi32
int ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR *descriptor);
BOOL SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR *descriptor);
BOOL SwapBuffers(HDC deviceContext);

// WGL
HGLRC wglCreateContext(HDC deviceContext);
BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderContext);
BOOL wglDeleteContext(HGLRC renderContext);
BOOL wglSwapIntervalEXT(int interval);

// Tests put a recorder in place of the modal box; null restores the box.
using MessageBoxHook = int (*)(const char *text, const char *caption, UINT type);
void SetMessageBoxHook(MessageBoxHook hook);
#endif

// What the program needs beyond Win32 on Linux: a connection to a display.
// Without an explicit SDL_VIDEODRIVER, SDL's offscreen and dummy drivers are
// not accepted, so that no display means a clear failure rather than an
// invisible run. On failure, reason holds SDL's explanation. Windows always
// has its display: there it only reports success.
bool OpenDisplay(char *reason, unsigned reasonSize);
// Lets go of the display on the way out: SDL's windows, contexts and the
// connection itself. Nothing else is called at exit.
void CloseDisplay();

// The explanation of the last failure of CreateWindowExA, wglCreateContext
// or wglMakeCurrent, in Windows-1251 (the system's GetLastError text on
// Windows, SDL's on Linux); "" when there is none.
const char *LastErrorText();
