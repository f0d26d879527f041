// What the program needs beyond Win32, on Windows itself: the display is
// always there, and the last error has the system's own text.
#include "platform/Win32.h"

bool OpenDisplay(char *reason, unsigned reasonSize) {
  if (reasonSize) reason[0] = '\0';
  return true;
}

void CloseDisplay() {}

// In the ANSI code page, which is what MessageBoxA reads; the final period
// goes too, as the text ends a sentence of the caller's. The system's buffer
// is held until the next call, which releases it; the error is read first,
// as releasing may change it.
const char *LastErrorText() {
  static char *text = nullptr;
  const DWORD code = GetLastError();
  if (text) LocalFree(text);
  text = SystemErrorText(code, "\r\n .");
  return text ? text : "";
}
