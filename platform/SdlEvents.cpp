// Messages from SDL's events: see SdlEvents.h.
#include "platform/SdlEvents.h"

#include <SDL.h>

#include <csignal>

#include "platform/SdlKeyboard.h"
#include "platform/SdlWindow.h"
#include "platform/SdlX11.h"

namespace {

// SDL turns SIGINT and SIGTERM into a quit request; a hang-up takes the
// same road.
volatile std::sig_atomic_t hangUp = 0;

// The thread's message queue. It is refilled from SDL only when empty, one
// SDL event at a time, and no event yields more messages than it holds, so
// it never overflows and never allocates.
constexpr int kQueueSize = 64;
MSG queue[kQueueSize];
int queueHead = 0, queueCount = 0;

KeyTranslator keys;

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  if (queueCount == kQueueSize) return;
  queue[(queueHead + queueCount) % kQueueSize] = MSG{window, message, wParam, lParam, time};
  ++queueCount;
}

void PostAll(HWND window, const KeyMessage *messages, int count, DWORD time) {
  for (int i = 0; i < count; ++i) Post(window, messages[i].message, messages[i].wParam, messages[i].lParam, time);
}

// X's own event, passed on right before what SDL makes of it.
void ReadServerEvent(const SDL_Event &event) {
  const X11News news = X11Read(event);
  if (news.kind == X11News::kKey)
    keys.WindowSystemSays(news.altHeld);
  else
    keys.WindowSystemSilent();
  if (news.kind != X11News::kSize) return;
  // SDL takes a full-screen window to be as large as the display mode even
  // where nothing made it so: without a window manager the X window keeps
  // the size it was made with. The X server's own word on the window's
  // size is its ConfigureNotify.
  for (PlatformWindow &window : Windows())
    if (IsLive(&window) && window.x.id == news.window) SendSize(&window, news.width, news.height);
}

void ReadWindowEvent(const SDL_WindowEvent &event) {
  HWND window = WindowFromSdlId(event.windowID);
  if (!window) return;
  if (event.event == SDL_WINDOWEVENT_CLOSE) {
    Post(window, WM_CLOSE, 0, 0, event.timestamp);
  } else if (event.event == SDL_WINDOWEVENT_FOCUS_LOST) {
    // Windows sends WM_KILLFOCUS rather than posting it, and no release of
    // the keys still held: they come up in the window that has the focus
    // then. SDL has made up their releases just before this event (with
    // the modifiers still held, so that a key held with Alt comes up as a
    // system key), and no SDL event is taken while the queue holds a
    // message: they have all been taken before this is sent.
    window->procedure(window, WM_KILLFOCUS, 0, 0);
  } else if (event.event == SDL_WINDOWEVENT_SIZE_CHANGED && !window->x.id) {
    // On X11 the X server tells the size instead (above).
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window->sdl, &width, &height);
    SendSize(window, width, height);
  }
}

// Turns one SDL event into the messages Windows would post for it.
void Translate(const SDL_Event &event) {
  switch (event.type) {
    case SDL_SYSWMEVENT:
      ReadServerEvent(event);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      KeyMessage messages[2];
      const int count = keys.Key(event.key, messages);
      if (HWND window = WindowFromSdlId(event.key.windowID)) PostAll(window, messages, count, event.key.timestamp);
      break;
    }
    case SDL_TEXTINPUT: {
      // One character message per character, in the code page of the
      // program's text, as the key that typed it delivers them.
      HWND window = WindowFromSdlId(event.text.windowID);
      if (!window) break;
      KeyMessage messages[sizeof event.text.text];
      PostAll(window, messages, keys.Text(event.text.text, messages, int(sizeof event.text.text)),
              event.text.timestamp);
      break;
    }
    case SDL_WINDOWEVENT:
      ReadWindowEvent(event.window);
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

}  // namespace

void OnHangUp(int) { hangUp = 1; }

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
