/* Preloaded into the sanitized test runs: the system's libraries (Mesa,
   LLVM, EGL, D-Bus and the like, which SDL and libGL load and unload on
   their own) stay mapped when they are closed, so that LeakSanitizer can
   name them in its reports and lsan.supp can suppress them by name. A
   closed library's frames otherwise show as "<unknown module>", which no
   suppression can match. Libraries of the build tree (the tests' fake GL
   libraries) are closed for real: the loader's tests watch them unload. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <link.h>
#include <string.h>

int dlclose(void *handle) {
  static int (*real)(void *);
  if (!real) real = (int (*)(void *))dlsym(RTLD_NEXT, "dlclose");
  struct link_map *map = NULL;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name &&
      (strncmp(map->l_name, "/usr/", 5) == 0 || strncmp(map->l_name, "/lib", 4) == 0))
    return 0;
  return real(handle);
}
