// Message boxes and error texts over SDL (Win32.h: MessageBoxA,
// SetMessageBoxHook, LastErrorText): the program's texts are Windows-1251,
// SDL's are UTF-8, so each crosses over here. Nothing else in the layer
// uses these, so there is no header of its own.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/Win32.h"
#include "text/Cp1251.h"

namespace {

MessageBoxHook messageBoxHook = nullptr;

// A Windows-1251 text as UTF-8, cut short at a whole character where out
// has no more room.
void ToUtf8(const char *in, char *out, std::size_t size) {
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
}

}  // namespace

int MessageBoxA(HWND, const char *text, const char *caption, UINT type) {
  if (messageBoxHook) return messageBoxHook(text, caption, type);
  char utf8Text[1024], utf8Caption[256];
  ToUtf8(text, utf8Text, sizeof utf8Text);
  ToUtf8(caption, utf8Caption, sizeof utf8Caption);
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
  while (at < utf8.size() && used + 1 < sizeof text) text[used++] = char(cp1251::NextByte(utf8, at));
  text[used] = '\0';
  return text;
}
