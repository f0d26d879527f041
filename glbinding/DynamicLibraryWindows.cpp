#include "glbinding/DynamicLibrary.h"

#include <cstdio>

LibraryHandle OpenLibrary(const char *name) { return LoadLibraryA(name); }

void CloseLibrary(LibraryHandle library) { FreeLibrary(library); }

void *LibrarySymbol(LibraryHandle library, const char *name) {
  return library ? reinterpret_cast<void *>(GetProcAddress(library, name)) : nullptr;
}

// The system's text for the error, or its number where it has none.
const char *LibraryError() {
  static char text[512];
  const DWORD code = GetLastError();
  char *message = SystemErrorText(code, "\r\n ");
  if (message && *message)
    std::snprintf(text, sizeof text, "%s", message);
  else
    std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(code));
  if (message) LocalFree(message);
  return text;
}
