#include <dlfcn.h>

#include "glbinding/DynamicLibrary.h"

// Local: the GL library's symbols must not become the whole process's, where
// they could answer lookups meant for another library.
LibraryHandle OpenLibrary(const char *name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void CloseLibrary(LibraryHandle library) { dlclose(library); }

// dlsym with a null handle would search the whole process, which is not
// "the library": with no library loaded there is nothing to find.
void *LibrarySymbol(LibraryHandle library, const char *name) {
  return library ? dlsym(library, name) : nullptr;
}

const char *LibraryError() {
  const char *reason = dlerror();
  return reason ? reason : "unknown error";
}
