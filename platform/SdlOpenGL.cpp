// Pixel formats and rendering contexts: see SdlOpenGL.h and Win32.h.
#include "platform/SdlOpenGL.h"

#include "platform/SdlWindow.h"

struct PlatformRenderContext {
  SDL_GLContext context;
};

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

// An X error while the context is made or made current fails the call, as
// SDL's own failures do.
HGLRC wglCreateContext(HDC deviceContext) {
  SDL_ClearError();
  if (!deviceContext || !IsLive(deviceContext->window)) return nullptr;
  X11ErrorTrap trap;
  SDL_GLContext context = SDL_GL_CreateContext(deviceContext->window->sdl);
  if (trap.Caught(deviceContext->window->x) || !context) {
    if (context) SDL_GL_DeleteContext(context);
    return nullptr;
  }
  return new PlatformRenderContext{context};
}

BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderContext) {
  SDL_ClearError();
  if (!renderContext) {
    HWND window = deviceContext && IsLive(deviceContext->window) ? deviceContext->window : nullptr;
    return SDL_GL_MakeCurrent(window ? window->sdl : nullptr, nullptr) == 0;
  }
  if (!deviceContext || !IsLive(deviceContext->window)) return FALSE;
  X11ErrorTrap trap;
  const bool made = SDL_GL_MakeCurrent(deviceContext->window->sdl, renderContext->context) == 0;
  return !trap.Caught(deviceContext->window->x) && made;
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
