// What the program needs beyond Win32, on Windows itself: the display is
// always there, and the last error has the system's own text.
#include "platform/Win32.h"

bool OpenDisplay(char *reason, unsigned reasonSize) {
  if (reasonSize) reason[0] = '\0';
  return true;
}

void CloseDisplay() {}

// FormatMessageA writes in the ANSI code page, which is what MessageBoxA
// reads; the trailing line break is dropped so that the text can stand
// inside a sentence.
const char *LastErrorText() {
  static char text[256];
  const DWORD code = GetLastError();
  DWORD length = code ? FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                       code, 0, text, sizeof text, nullptr)
                      : 0;
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ' ||
                        text[length - 1] == '.'))
    --length;
  text[length] = '\0';
  return text;
}
