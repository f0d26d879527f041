// Keys as Windows posts them: see SdlKeyboard.h.
#include "platform/SdlKeyboard.h"

#include <string_view>

#include "text/Cp1251.h"

namespace {

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

// A key message's lParam as Windows builds it: repeat count 1, the scan
// code, the context bit (Alt down), the previous-state bit (set for an
// auto-repeat and for every release) and the transition bit (release).
LPARAM KeyLParam(const SDL_KeyboardEvent &key, bool down, bool alt) {
  LPARAM value = 1 | (LPARAM(key.keysym.scancode & 0xFF) << 16);
  if (alt) value |= kAltContext;
  if (!down || key.repeat) value |= LPARAM(1) << 30;
  if (!down) value |= LPARAM(1) << 31;
  return value;
}

// Alt makes a key a system key, which the program's window procedure leaves
// to the default, unless Ctrl is held too; F10 always is one, as on Windows.
UINT KeyMessageOf(WPARAM vk, bool down, bool alt, bool control) {
  const bool system = (alt && !control) || vk == VK_F10;
  if (system) return down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  return down ? WM_KEYDOWN : WM_KEYUP;
}

// Keys that type nothing themselves.
bool IsModifierKey(SDL_Scancode code) {
  return (code >= SDL_SCANCODE_LCTRL && code <= SDL_SCANCODE_RGUI) || code == SDL_SCANCODE_MODE ||
         code == SDL_SCANCODE_CAPSLOCK || code == SDL_SCANCODE_NUMLOCKCLEAR || code == SDL_SCANCODE_SCROLLLOCK;
}

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

}  // namespace

void KeyTranslator::WindowSystemSays(bool altHeld) {
  windowSystemSpoke_ = true;
  windowSystemAlt_ = altHeld;
}

void KeyTranslator::WindowSystemSilent() { windowSystemSpoke_ = false; }

// Whether Alt is down for a key, as Windows counts it. SDL reports AltGr as
// the right Alt, but keys pressed with AltGr are ordinary keys on Windows,
// and what they type are ordinary characters: AltGr+F4 closes nothing. On X
// the server's state tells them apart, as Alt sets Mod1 and AltGr (a level
// three shift) does not; the right Alt key's own press comes before the
// state can show which it is, and counts as Alt. Without the window
// system's word (another video driver) the right Alt is always Alt.
bool KeyTranslator::AltDown(const SDL_KeyboardEvent &key) const {
  if (key.keysym.mod & KMOD_LALT) return true;
  if (!(key.keysym.mod & KMOD_RALT)) return false;
  if (windowSystemSpoke_ && key.keysym.scancode != SDL_SCANCODE_RALT) return windowSystemAlt_;
  return true;
}

// A key comes up with the code it went down with. Windows computes a keypad
// key's code anew for its release, from the NumLock state of that moment: a
// key pressed as Up and released after NumLock changed would come up as
// keypad 8, and the scene would turn on for good.
//
// The characters typed by the last key pressed arrive as Windows makes them
// from the key message itself (TranslateMessage): a system key types
// WM_SYSCHAR, anything else WM_CHAR, with the key message's lParam. Text
// input comes after its key, and an input method may deliver it after
// further keys: it still belongs to the last key that can type, not to a
// modifier pressed or released since. With Ctrl held a key types only a
// control character, and with Ctrl and Alt together nothing.
int KeyTranslator::Key(const SDL_KeyboardEvent &key, KeyMessage out[2]) {
  const bool down = key.type == SDL_KEYDOWN;
  const bool alt = AltDown(key), control = key.keysym.mod & KMOD_CTRL;
  windowSystemSpoke_ = false;
  const SDL_Scancode code = key.keysym.scancode;
  const bool known = code >= 0 && code < SDL_NUM_SCANCODES;
  const WPARAM vk = known && downCodes_[code] ? downCodes_[code] : VirtualKey(key.keysym);
  if (known) downCodes_[code] = down ? vk : 0;
  const UINT message = KeyMessageOf(vk, down, alt, control);
  const LPARAM lParam = KeyLParam(key, down, alt);
  if (down && !IsModifierKey(code)) typing_ = {message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, lParam, !control};
  if (!vk) return 0;
  out[0] = {message, vk, lParam};
  const int character = down && !(alt && control) ? ControlCharacter(vk, key.keysym.mod) : -1;
  if (character < 0) return 1;
  out[1] = {typing_.message, WPARAM(character), lParam};
  return 2;
}

int KeyTranslator::Text(const char *utf8, KeyMessage *out, int max) const {
  if (!typing_.text) return 0;
  const std::string_view text(utf8, SDL_strlen(utf8));
  std::size_t at = 0;
  int count = 0;
  while (at < text.size() && count < max)
    out[count++] = {typing_.message, WPARAM(cp1251::NextByte(text, at)), typing_.lParam};
  return count;
}
