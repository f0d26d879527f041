#include "glbinding/DynamicLibrary.h"

#include <cstdio>

LibraryHandle OpenLibrary(const char *name) { return LoadLibraryA(name); }

void CloseLibrary(LibraryHandle library) { FreeLibrary(library); }

void *LibrarySymbol(LibraryHandle library, const char *name) {
  return library ? reinterpret_cast<void *>(GetProcAddress(library, name)) : nullptr;
}

// The system's text for the error, with its trailing line break removed.
const char *LibraryError() {
  static char text[512];
  const DWORD code = GetLastError();
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
    --length;
  if (length == 0) std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(code));
  else text[length] = '\0';
  return text;
}
