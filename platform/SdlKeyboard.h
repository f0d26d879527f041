// Key translation: SDL's key and text events as the key and character
// messages Windows' user32 posts for them (virtual-key codes by key
// position, system keys, lParam's bits, the characters a key types). It
// knows no window and no display, only what a translation needs to
// remember, so a test can drive it with events of its own.
#pragma once

#include <SDL.h>

#include "platform/Win32.h"

// lParam's context bit: Alt was down.
constexpr LPARAM kAltContext = LPARAM(1) << 29;

struct KeyMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class KeyTranslator {
 public:
  // What the window system's own event says of the key event that comes
  // next: whether Alt (not AltGr) is held, which SDL cannot tell. Forgotten
  // after that key event; keys SDL makes up itself come with no word.
  void WindowSystemSays(bool altHeld);
  void WindowSystemSilent();

  // The messages of one key event, at most two: the key's own, then the
  // control character it types where text input types none. Returns how
  // many.
  int Key(const SDL_KeyboardEvent &key, KeyMessage out[2]);
  // One character message per character of a text that SDL's text input
  // delivered, in Windows-1251, as the last key that types says; at most
  // max of them. Returns how many.
  int Text(const char *utf8, KeyMessage *out, int max) const;

 private:
  bool AltDown(const SDL_KeyboardEvent &key) const;

  bool windowSystemSpoke_ = false;
  bool windowSystemAlt_ = false;
  // The code each key went down with, until it comes up.
  WPARAM downCodes_[SDL_NUM_SCANCODES] = {};
  // How the characters typed by the last key pressed arrive.
  struct {
    UINT message = WM_CHAR;
    LPARAM lParam = 1;
    bool text = true;  // whether SDL's text input counts
  } typing_;
};
