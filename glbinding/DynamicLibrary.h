// Loading a shared library by name and looking its symbols up: dlopen and
// dlsym on Linux, LoadLibraryA and GetProcAddress on Windows. Internal to
// the GL binding, which keeps the handles.
#pragma once

#include "glbinding/GLLoader.h"

// Null when the library cannot be loaded; LibraryError then says why.
LibraryHandle OpenLibrary(const char *name);
void CloseLibrary(LibraryHandle library);
// Null when the library lacks the name, or when the handle is null.
void *LibrarySymbol(LibraryHandle library, const char *name);
// The loader's reason for the last failed OpenLibrary, or "unknown error".
const char *LibraryError();
