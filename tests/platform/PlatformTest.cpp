// The SDL-backed Win32 layer: messages, keys, windows and contexts through
// SDL's offscreen driver, key translation alone, and the no-display
// outcomes in fresh processes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/SdlKeyboard.h"
#include "platform/Win32.h"
#include "tests/support/DeathTestStyle.h"
#include "tests/support/TextInput.h"
#include "text/Cp1251.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::vector<MSG> received;

LRESULT RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back(MSG{window, message, wParam, lParam, 0});
  return DefWindowProcA(window, message, wParam, lParam);
}

class Platform : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char reason[256];
    ASSERT_TRUE(OpenDisplay(reason, sizeof reason)) << reason;
  }
  // The tests without a display run this program anew with its
  // environment, where SDL3 reads a copy of the environment taken before
  // they can unset anything.
  static void TearDownTestSuite() { unsetenv("SDL_VIDEODRIVER"); }

  void SetUp() override {
    received.clear();
    // Text belongs to the last key pressed: a plain key between tests, so
    // that no test's text arrives as a system character because of an
    // earlier test's key.
    for (const Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
      SDL_Event plain{};
      plain.type = type;
      plain.key.keysym.scancode = SDL_SCANCODE_A;
      SDL_PushEvent(&plain);
    }
    MSG drain;
    while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // A window of a class of its own, and its SDL id for pushing events.
  HWND MakeWindow(const char *className, const char *title) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.lpszClassName = className;
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    HWND window = CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    for (Uint32 id = 1; id < 64; ++id)
      if (SDL_Window *sdl = SDL_GetWindowFromID(id); sdl && !std::strcmp(SDL_GetWindowTitle(sdl), title))
        windowId = id;
    EXPECT_NE(windowId, 0u);
    return window;
  }

  void PushKey(Uint32 type, SDL_Scancode code, Uint16 modifiers = 0, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = windowId;
    event.key.keysym.scancode = code;
    event.key.keysym.mod = modifiers;
    event.key.repeat = repeat;
    SDL_PushEvent(&event);
  }

  std::vector<MSG> TakeAll() {
    std::vector<MSG> taken;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) taken.push_back(message);
    return taken;
  }

  Uint32 windowId = 0;
};

}  // namespace

TEST_F(Platform, AClassCanBeRegisteredOnlyOnce) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = RecordingProcedure;
  windowClass.lpszClassName = "Once";
  EXPECT_NE(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(RegisterClassA(&windowClass), 0);
  EXPECT_TRUE(UnregisterClassA("Once", nullptr));
  EXPECT_FALSE(UnregisterClassA("Once", nullptr));
  EXPECT_NE(RegisterClassA(&windowClass), 0);
}

TEST_F(Platform, KeysArriveAsWin32KeyMessagesOneAtATime) {
  HWND window = MakeWindow("Keys", "keys window");
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F2);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F2, 0, 1);  // auto-repeat
  PushKey(SDL_KEYUP, SDL_SCANCODE_F2);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LEFT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_Q);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_7);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT);  // a system key

  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, window);
  EXPECT_EQ(message.message, WM_KEYDOWN);
  EXPECT_EQ(message.wParam, VK_F2);
  EXPECT_EQ(message.lParam & (LPARAM(1) << 30), 0);

  const std::vector<MSG> rest = TakeAll();
  ASSERT_EQ(rest.size(), 9u);
  EXPECT_EQ(rest[0].message, WM_KEYDOWN);
  EXPECT_NE(rest[0].lParam & (LPARAM(1) << 30), 0);  // was already down
  EXPECT_EQ(rest[1].message, WM_KEYUP);
  EXPECT_EQ(rest[1].wParam, VK_F2);
  EXPECT_EQ(rest[2].wParam, VK_LEFT);
  EXPECT_EQ(rest[3].wParam, VK_ESCAPE);
  // Escape types its control character, which text input never delivers.
  EXPECT_EQ(rest[4].message, WM_CHAR);
  EXPECT_EQ(rest[4].wParam, WPARAM(0x1B));
  EXPECT_EQ(rest[5].wParam, VK_SPACE);
  EXPECT_EQ(rest[6].wParam, WPARAM('Q'));
  EXPECT_EQ(rest[7].wParam, WPARAM('7'));
  EXPECT_EQ(rest[8].message, WM_SYSKEYDOWN);
  EXPECT_EQ(rest[8].wParam, VK_F4);
  DestroyWindow(window);
}

// The translator alone, without a window or a display: what the window
// system says of Alt stands for X's modifier state, which SDL's events lack.
TEST(KeyTranslation, EveryKeyTheProgramUsesArrivesWithItsOwnCode) {
  const Uint16 shift = KMOD_LSHIFT, alt = KMOD_LALT, num = KMOD_NUM, altGr = KMOD_RALT;
  constexpr int kUnsaid = -1;
  struct Row {
    SDL_Scancode code;
    Uint16 modifiers;
    UINT message;  // of the key going down; its release is the next code
    WPARAM vk;
    const char *typed = nullptr;  // text input the key makes, if any
    UINT charMessage = WM_CHAR;
    int windowSystemAlt = kUnsaid;  // X's word: Mod1 held (1) or not (0)
  };
  const Row rows[] = {
      {SDL_SCANCODE_LEFT, 0, WM_KEYDOWN, VK_LEFT},    {SDL_SCANCODE_RIGHT, 0, WM_KEYDOWN, VK_RIGHT},
      {SDL_SCANCODE_UP, 0, WM_KEYDOWN, VK_UP},        {SDL_SCANCODE_DOWN, 0, WM_KEYDOWN, VK_DOWN},
      // The keypad's digits follow NumLock.
      {SDL_SCANCODE_KP_4, 0, WM_KEYDOWN, VK_LEFT},    {SDL_SCANCODE_KP_6, 0, WM_KEYDOWN, VK_RIGHT},
      {SDL_SCANCODE_KP_8, 0, WM_KEYDOWN, VK_UP},      {SDL_SCANCODE_KP_2, 0, WM_KEYDOWN, VK_DOWN},
      {SDL_SCANCODE_KP_7, 0, WM_KEYDOWN, VK_HOME},    {SDL_SCANCODE_KP_1, 0, WM_KEYDOWN, VK_END},
      {SDL_SCANCODE_KP_9, 0, WM_KEYDOWN, VK_PRIOR},   {SDL_SCANCODE_KP_3, 0, WM_KEYDOWN, VK_NEXT},
      {SDL_SCANCODE_KP_0, 0, WM_KEYDOWN, VK_INSERT},  {SDL_SCANCODE_KP_PERIOD, 0, WM_KEYDOWN, VK_DELETE},
      {SDL_SCANCODE_KP_5, 0, WM_KEYDOWN, VK_CLEAR},   {SDL_SCANCODE_KP_8, num, WM_KEYDOWN, VK_NUMPAD0 + 8},
      {SDL_SCANCODE_KP_2, num, WM_KEYDOWN, VK_NUMPAD0 + 2}, {SDL_SCANCODE_KP_0, num, WM_KEYDOWN, VK_NUMPAD0},
      {SDL_SCANCODE_KP_PERIOD, num, WM_KEYDOWN, VK_DECIMAL},
      {SDL_SCANCODE_F1, 0, WM_KEYDOWN, VK_F1},        {SDL_SCANCODE_F2, 0, WM_KEYDOWN, VK_F2},
      {SDL_SCANCODE_F3, 0, WM_KEYDOWN, VK_F3},        {SDL_SCANCODE_F4, 0, WM_KEYDOWN, VK_F4},
      {SDL_SCANCODE_SPACE, 0, WM_KEYDOWN, VK_SPACE},
      // Shift cancels NumLock.
      {SDL_SCANCODE_KP_8, num | shift, WM_KEYDOWN, VK_UP},
      // With Alt held, keys and characters are system ones.
      {SDL_SCANCODE_UP, alt, WM_SYSKEYDOWN, VK_UP},
      {SDL_SCANCODE_EQUALS, shift | alt, WM_SYSKEYDOWN, VK_OEM_PLUS, "+", WM_SYSCHAR},
      {SDL_SCANCODE_KP_MINUS, alt, WM_SYSKEYDOWN, VK_SUBTRACT, "-", WM_SYSCHAR},
      {SDL_SCANCODE_EQUALS, shift, WM_KEYDOWN, VK_OEM_PLUS, "+"},
      {SDL_SCANCODE_MINUS, 0, WM_KEYDOWN, VK_OEM_MINUS, "-"},
      {SDL_SCANCODE_KP_PLUS, num, WM_KEYDOWN, VK_ADD, "+"},
      {SDL_SCANCODE_KP_MINUS, 0, WM_KEYDOWN, VK_SUBTRACT, "-"},
      // SDL calls AltGr the right Alt: X's state tells them apart, and keys
      // pressed with AltGr, and what they type, are ordinary ones.
      {SDL_SCANCODE_LEFT, altGr, WM_KEYDOWN, VK_LEFT, nullptr, WM_CHAR, 0},
      {SDL_SCANCODE_MINUS, altGr, WM_KEYDOWN, VK_OEM_MINUS, "-", WM_CHAR, 0},
      {SDL_SCANCODE_LEFT, altGr, WM_SYSKEYDOWN, VK_LEFT, nullptr, WM_CHAR, 1},
      {SDL_SCANCODE_LEFT, altGr, WM_SYSKEYDOWN, VK_LEFT},  // no word: Alt
  };
  KeyTranslator keys;
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << SDL_GetScancodeName(row.code) << " with modifiers " << row.modifiers);
    std::vector<KeyMessage> taken;
    for (const Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
      if (row.windowSystemAlt != kUnsaid) keys.WindowSystemSays(row.windowSystemAlt);
      SDL_KeyboardEvent key{};
      key.type = type;
      key.keysym.scancode = row.code;
      key.keysym.mod = row.modifiers;
      KeyMessage messages[2];
      taken.insert(taken.end(), messages, messages + keys.Key(key, messages));
      if (type == SDL_KEYDOWN && row.typed) {
        KeyMessage typed[4];
        taken.insert(taken.end(), typed, typed + keys.Text(row.typed, typed, 4));
      }
    }
    ASSERT_EQ(taken.size(), row.typed ? 3u : 2u);
    EXPECT_EQ(taken.front().message, row.message);
    EXPECT_EQ(taken.front().wParam, row.vk);
    EXPECT_EQ(taken.back().message, row.message + 1);
    EXPECT_EQ(taken.back().wParam, row.vk);
    if (row.typed) {
      EXPECT_EQ(taken[1].message, row.charMessage);
      EXPECT_EQ(taken[1].wParam, WPARAM(row.typed[0]));
    }
  }
}

TEST_F(Platform, TextArrivesAsOneCharacterMessagePerCharacterInTheProgramsCodePage) {
  HWND window = MakeWindow("Text", "text window");
  PushTextInput(windowId, "+-ф€☃");
  const std::vector<MSG> taken = TakeAll();
  ASSERT_EQ(taken.size(), 5u);
  const WPARAM expected[] = {43, 45, 0xF4, 0x88, '?'};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(taken[i].message, WM_CHAR);
    EXPECT_EQ(taken[i].wParam, expected[i]);
  }
  EXPECT_TRUE(TranslateMessage(&taken[0]) == FALSE);
  DestroyWindow(window);
}

TEST_F(Platform, CharactersComeAsTheKeyThatTypedThemSaysAndKeysUpAsTheyWentDown) {
  HWND window = MakeWindow("Typed", "typed window");
  const Uint16 shift = KMOD_LSHIFT, alt = KMOD_LALT, ctrl = KMOD_LCTRL;
  auto text = [this](const char *typed) { PushTextInput(windowId, typed); };
  // An input method may deliver a key's text after further keys: "+" typed
  // without Alt, its text after Alt went down; "=" typed with Alt, its text
  // after Alt went up.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_EQUALS, shift);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, shift | alt);
  text("+");
  PushKey(SDL_KEYUP, SDL_SCANCODE_LALT, shift);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_EQUALS, alt);
  PushKey(SDL_KEYUP, SDL_SCANCODE_LALT, 0);
  text("=");
  // Ctrl types control characters only.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_MINUS, ctrl);
  text("-");
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE, ctrl);
  // Keypad 8 pressed as Up comes up as Up after NumLock went on.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_8, 0);
  PushKey(SDL_KEYUP, SDL_SCANCODE_KP_8, KMOD_NUM);
  std::vector<MSG> characters, keypad;
  for (const MSG &message : TakeAll()) {
    if (message.message == WM_CHAR || message.message == WM_SYSCHAR) characters.push_back(message);
    if (message.wParam == VK_UP || message.wParam == VK_NUMPAD0 + 8) keypad.push_back(message);
  }
  ASSERT_EQ(characters.size(), 3u);
  EXPECT_EQ(characters[0].message, WM_CHAR);
  EXPECT_EQ(characters[0].wParam, WPARAM('+'));
  EXPECT_EQ(characters[1].message, WM_SYSCHAR);
  EXPECT_EQ(characters[1].wParam, WPARAM('='));
  EXPECT_EQ(characters[2].message, WM_CHAR);
  EXPECT_EQ(characters[2].wParam, WPARAM(' '));
  ASSERT_EQ(keypad.size(), 2u);
  EXPECT_EQ(keypad[1].message, WM_KEYUP);
  EXPECT_EQ(keypad[1].wParam, VK_UP);
  DestroyWindow(window);
}

// As Windows sends WM_SIZE, the procedure gets it at once, with the size GL
// draws to; it takes no place in the queue.
TEST_F(Platform, SizeChangeIsSentToTheProcedureRatherThanQueued) {
  HWND window = MakeWindow("Size", "size window");
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  event.window.windowID = windowId;
  SDL_PushEvent(&event);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F1);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_KEYDOWN);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, WM_SIZE);
  EXPECT_EQ(received[0].lParam, LPARAM(64) | LPARAM(48) << 16);
  DestroyWindow(window);
}

TEST_F(Platform, QuitRequestClosesTheWindowAndTheTeardownFindsNothingToFail) {
  HWND window = MakeWindow("Quit", "quit window");
  SDL_Event event{};
  event.type = SDL_QUIT;
  SDL_PushEvent(&event);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_CLOSE);
  DispatchMessageA(&message);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, WM_CLOSE);
  EXPECT_EQ(received[1].message, WM_DESTROY);
  // The window is gone; the ordinary teardown after it reports no failure.
  EXPECT_EQ(GetDC(window), nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(received.size(), 2u);
  EXPECT_TRUE(UnregisterClassA("Quit", nullptr));
}

TEST_F(Platform, ContextIsMadeCurrentReleasedAndDeleted) {
  HWND window = MakeWindow("Context", "context window");
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDC(window), dc);  // the window's own device context
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof descriptor;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.cColorBits = 32;
  const int format = ChoosePixelFormat(dc, &descriptor);
  ASSERT_NE(format, 0);
  EXPECT_TRUE(SetPixelFormat(dc, format, &descriptor));
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW;  // no OpenGL: no format
  EXPECT_EQ(ChoosePixelFormat(dc, &descriptor), 0);

  HGLRC context = wglCreateContext(dc);
  if (!context) GTEST_SKIP() << "no GL context through the offscreen driver: " << SDL_GetError();
  EXPECT_TRUE(wglMakeCurrent(dc, context));
  EXPECT_EQ(SDL_GL_GetCurrentContext(), *reinterpret_cast<SDL_GLContext *>(context));
  // An alpha channel would let a compositor show the desktop through the
  // window, as every frame is cleared to alpha 0.
  int alpha = -1;
  EXPECT_EQ(SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alpha), 0);
  EXPECT_EQ(alpha, 0);
  EXPECT_TRUE(SwapBuffers(dc));
  EXPECT_TRUE(wglMakeCurrent(dc, nullptr));
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_TRUE(wglDeleteContext(context));
  EXPECT_FALSE(wglDeleteContext(nullptr));
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_TRUE(DestroyWindow(window));
}

TEST_F(Platform, ErrorTextTellsOfTheLastCallOnlyInTheProgramsCodePage) {
  SDL_SetError("Окно не создано");
  EXPECT_EQ(std::string(LastErrorText()), Cp1251("Окно не создано").view());
  // A failure SDL gives no reason for leaves no stale one behind.
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_STREQ(LastErrorText(), "");
}

TEST_F(Platform, CursorFollowsTheShowCounter) {
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

namespace {

void ForgetEveryDisplay() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
}

}  // namespace

// Each driver tried is named with SDL's reason for it, in SDL's order (SDL3
// tries Wayland before X11); the last reason is the error SDL holds.
TEST(PlatformWithoutDisplay, OpeningFailsWithSDLsReasonRatherThanRunningOffscreen) {
  GTEST_FLAG_SET(death_test_style, kOwnProcessDeathTests);
  EXPECT_EXIT(
      {
        ForgetEveryDisplay();
        char reason[512];
        const bool opened = OpenDisplay(reason, sizeof reason);
        const std::string_view said = reason;
        const std::string_view last = SDL_GetError();
        std::fprintf(stderr, "reason: %s\nlast: %s\n", reason, SDL_GetError());
        std::exit(opened ? 3 : last.empty() || !said.ends_with(last) ? 4 : 0);
      },
      ::testing::ExitedWithCode(0), "reason: ([^;\n]+: [^;\n]+; )*x11: [^;\n]+(; [^;\n]+: [^;\n]+)*\n");
}

TEST(PlatformWithoutDisplay, MessageBoxTextGoesToStandardErrorInUtf8) {
  GTEST_FLAG_SET(death_test_style, kOwnProcessDeathTests);
  EXPECT_EXIT(
      {
        ForgetEveryDisplay();
#if defined(__SANITIZE_ADDRESS__)
        // SDL3 3.4's X11 message box keeps its copy of the locale's name
        // (setlocale's answer, SDL_strdup'ed) when it cannot open the
        // display. The layer's own part of the call allocates nothing.
        __lsan::ScopedDisabler sdlKeepsTheLocaleName;
#endif
        MessageBoxA(nullptr, Cp1251("Не могу удалить окно").c_str(), Cp1251("Ошибка").c_str(), MB_ICONERROR);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "Ошибка: Не могу удалить окно");
}
