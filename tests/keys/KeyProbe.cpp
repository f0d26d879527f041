// A window that writes down the key and character messages it receives, for
// comparing our Linux layer with the system's user32 (Wine's, on the same X
// server) key for key, and what the demo's own window procedure makes of
// them. It uses platform/Win32.h and the demo's WndProc, so the same source
// builds for both, and it makes its window as the demo does.
//
//   key_probe [TITLE]      (title "KeyProbe" by default)
//
// One line per message on standard output, written as it is received:
//
//   WM_KEYDOWN 0x25 count=1 context=0 previous=0 transition=0
//
// that is the message, wParam, and the lParam fields that a window
// procedure or DefWindowProcA reads: the repeat count, the context bit 29
// (Alt held), the previous-state bit 30 and the transition bit 31.
// WM_KILLFOCUS, WM_CLOSE and WM_DESTROY are written by name, WM_MOUSEMOVE
// with the pointer's place in the window:
//
//   WM_MOUSEMOVE 500 380
//
// (the key table moves the pointer to tell when the probe has handled every
// key sent before the move: our layer sends no such message). Every message
// then goes to the demo's WndProc, which passes what it leaves to
// DefWindowProcA, so Alt+F4 closes the window and the probe ends with
// status 0; each KeyState flag and the frozen bolt that this changes follow
// on lines of their own:
//
//   KeyState 0x25 1        (held; 0 when it lets go)
//   Frozen 1
//
// There is no rendering context: GL calls, the frozen bolt's included, are
// recorded and dropped.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <thread>

#include "demo/Demo.h"
#include "platform/Win32.h"
#include "tests/support/GLRecorder.h"

// The demo's start-up is never run here: nothing loads these.
const char *const GLLibraryName = "none";
const char *const GLULibraryName = "none";

namespace {

// Not every Win32 layer declares the dead-key and mouse messages; their
// numbers are fixed.
constexpr UINT DeadChar = 0x0103, SysDeadChar = 0x0107, MouseMove = 0x0200;

GLRecorder *gl = nullptr;
bool shownKeyState[256];
bool shownFrozen = false;

const char *KeyMessageName(UINT message) {
  switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case DeadChar: return "WM_DEADCHAR";
    case WM_SYSKEYDOWN: return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP: return "WM_SYSKEYUP";
    case WM_SYSCHAR: return "WM_SYSCHAR";
    case SysDeadChar: return "WM_SYSDEADCHAR";
    default: return nullptr;
  }
}

LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (const char *name = KeyMessageName(message)) {
    const unsigned long bits = static_cast<unsigned long>(lParam);
    std::printf("%s 0x%02lx count=%lu context=%lu previous=%lu transition=%lu\n", name,
                static_cast<unsigned long>(wParam), bits & 0xFFFF, bits >> 29 & 1, bits >> 30 & 1,
                bits >> 31 & 1);
  } else if (message == MouseMove) {
    const unsigned long bits = static_cast<unsigned long>(lParam);
    std::printf("WM_MOUSEMOVE %d %d\n", static_cast<short>(bits & 0xFFFF),
                static_cast<short>(bits >> 16 & 0xFFFF));
  } else if (message == WM_KILLFOCUS) {
    std::printf("WM_KILLFOCUS\n");
  } else if (message == WM_CLOSE) {
    std::printf("WM_CLOSE\n");
  } else if (message == WM_DESTROY) {
    std::printf("WM_DESTROY\n");
  }
  // Written before the procedure runs: what it sends on (WM_CLOSE from
  // Alt+F4) comes after the message that caused it.
  std::fflush(stdout);
  const LRESULT result = WndProc(window, message, wParam, lParam);
  // Against what was last written, so that a message sent from within
  // another (WM_CLOSE from Alt+F4) does not have its changes written twice.
  for (int key = 0; key < 256; ++key)
    if (KeyState[key] != shownKeyState[key]) std::printf("KeyState 0x%02x %d\n", key, KeyState[key] ? 1 : 0);
  if (DemoSettings.Frozen != shownFrozen) std::printf("Frozen %d\n", DemoSettings.Frozen ? 1 : 0);
  std::copy(std::begin(KeyState), std::end(KeyState), shownKeyState);
  shownFrozen = DemoSettings.Frozen;
  gl->Clear();
  // Written at once: whoever reads it compares the lines with the keys it
  // has sent so far.
  std::fflush(stdout);
  return result;
}

}  // namespace

int main(int argc, char **argv) {
  const char *title = argc > 1 ? argv[1] : "KeyProbe";
  GLRecorder recorder;
  gl = &recorder;
  char reason[512];
  if (!OpenDisplay(reason, sizeof reason)) {
    std::fprintf(stderr, "key_probe: no display (%s)\n", reason);
    return 1;
  }
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "KeyProbe";
  if (!RegisterClassA(&windowClass)) {
    std::fprintf(stderr, "key_probe: the window class cannot be registered\n");
    return 1;
  }
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "KeyProbe", title, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                0, 0, 1024, 768, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) {
    std::fprintf(stderr, "key_probe: no window (%s)\n", LastErrorText());
    return 1;
  }
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);

  // The demo's loop, one message a pass, with a short sleep instead of a
  // frame when the queue is empty: nothing here is drawn.
  MSG message;
  while (!DemoSettings.Finished) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  UnregisterClassA("KeyProbe", windowClass.hInstance);
  CloseDisplay();
  return 0;
}
