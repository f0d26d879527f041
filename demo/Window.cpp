#include "demo/Window.h"

#include <cstdio>

#include "demo/Demo.h"
#include "glbinding/GLLoader.h"
#include "text/Cp1251.h"

HWND WindowHandle = nullptr;
HDC DeviceContext = nullptr;
HGLRC RenderContext = nullptr;
HINSTANCE InstanceHandle = nullptr;
const char *WindowTitle = "OpenGL";

namespace {

constexpr const char *ClassName = "OpenGL";

constexpr auto CaptionError = Cp1251("Error");
constexpr auto CaptionRussian = Cp1251("Ошибка");
constexpr auto TextRegisterFailed = Cp1251("Failed to register the window class!");
constexpr auto TextNoPixelFormat = Cp1251("Unable to find a suitable pixel format");
constexpr auto TextReleaseContextFailed = Cp1251("Не могу выбрать контекст рендиринга!");
constexpr auto TextDeleteContextFailed = Cp1251("Не могу удалит контекст рендеринга!");
constexpr auto TextReleaseDCFailed = Cp1251("Не могу освободить контексты рендеринга!");
constexpr auto TextDestroyWindowFailed = Cp1251("Не могу удалить окно");
constexpr auto TextUnregisterFailed = Cp1251("Unable to unregister window class!");

constexpr auto TextCreateWindowFailed = Cp1251("Unable to create the window");
constexpr auto TextGetDCFailed = Cp1251("Unable to get the window's device context");
constexpr auto TextSetPixelFormatFailed = Cp1251("Unable to set the pixel format");
constexpr auto TextCreateContextFailed = Cp1251("Unable to create the rendering context");
constexpr auto TextMakeCurrentFailed = Cp1251("Unable to make the rendering context current");

template <class Text, class Caption>
void ShowError(const Text &text, const Caption &caption) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR);
}

// A creation step failed: tear down what was made, which also puts the
// display mode back so that the box shows on the user's own screen, then
// say which step it was, with the platform's reason where it gave one. The
// reason is taken first: the teardown's own calls would replace it.
template <class Text>
bool CreationFailed(const Text &text, bool withReason) {
  const char *reason = withReason ? LastErrorText() : "";
  char message[512];
  std::snprintf(message, sizeof message, "%.*s%s%s", int(text.length), text.c_str(), *reason ? ": " : "",
                reason);
  KillGLWindow();
  MessageBoxA(nullptr, message, CaptionError.c_str(), MB_ICONERROR);
  return false;
}

}  // namespace

void KillGLWindow() {
  ChangeDisplaySettingsA(nullptr, 0);
  ShowCursor(TRUE);
  // A creation that failed before the context was made has none to release
  // or delete; a report of those steps would blame what never existed.
  if (RenderContext) {
    if (!wglMakeCurrent(DeviceContext, nullptr)) ShowError(TextReleaseContextFailed, CaptionRussian);
    if (!wglDeleteContext(RenderContext)) {
      ShowError(TextDeleteContextFailed, CaptionRussian);
      RenderContext = nullptr;
    }
  }
  if (DeviceContext && !ReleaseDC(WindowHandle, DeviceContext)) {
    ShowError(TextReleaseDCFailed, CaptionRussian);
    DeviceContext = nullptr;
  }
  if (WindowHandle && !DestroyWindow(WindowHandle)) {
    ShowError(TextDestroyWindowFailed, CaptionRussian);
    WindowHandle = nullptr;
  }
  if (!UnregisterClassA(ClassName, InstanceHandle)) {
    ShowError(TextUnregisterFailed, CaptionRussian);
    InstanceHandle = nullptr;
  }
}

bool CreateGLWindow() {
  InitOpenGL(GLLibraryName, GLULibraryName);
  InstanceHandle = GetModuleHandleA(nullptr);

  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = InstanceHandle;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = ClassName;
  if (!RegisterClassA(&windowClass)) {
    ShowError(TextRegisterFailed, CaptionError);
    return false;
  }

  // The frequency field is filled but not flagged: the mode change does not
  // ask for a refresh rate.
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmBitsPerPel = 32;
  mode.dmPelsWidth = ScreenWidth;
  mode.dmPelsHeight = ScreenHeight;
  mode.dmDisplayFrequency = 85;
  ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
  ShowCursor(FALSE);

  WindowHandle = CreateWindowExA(WS_EX_APPWINDOW, ClassName, WindowTitle,
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, ScreenWidth,
                                 ScreenHeight, nullptr, nullptr, InstanceHandle, nullptr);
  if (!WindowHandle) return CreationFailed(TextCreateWindowFailed, true);
  DeviceContext = GetDC(WindowHandle);
  if (!DeviceContext) return CreationFailed(TextGetDCFailed, false);

  // No depth buffer: the scene never tests depth. The 32 stands in the
  // stencil field; nothing uses a stencil buffer, so whatever stencil the
  // chosen format has, none included, serves.
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof descriptor;
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cDepthBits = 0;
  descriptor.cStencilBits = 32;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(DeviceContext, &descriptor);
  if (format == 0) return CreationFailed(TextNoPixelFormat, false);
  if (!SetPixelFormat(DeviceContext, format, &descriptor)) return CreationFailed(TextSetPixelFormatFailed, false);
  RenderContext = wglCreateContext(DeviceContext);
  if (!RenderContext) return CreationFailed(TextCreateContextFailed, true);
  if (!wglMakeCurrent(DeviceContext, RenderContext)) return CreationFailed(TextMakeCurrentFailed, true);
  ShowWindow(WindowHandle, SW_SHOW);
  SetForegroundWindow(WindowHandle);
  SetFocus(WindowHandle);
  // Swaps stop waiting for the retrace where the driver has swap control.
  // Where it has none (Mesa's software GLX, Microsoft's GDI renderer) the
  // call does nothing: on Windows the entry point is skipped when nobody
  // supplies it (see ReportMissingEntryPoint), on Linux SDL refuses it.
  wglSwapIntervalEXT(0);
  return true;
}
