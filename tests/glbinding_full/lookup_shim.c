/* Preloaded into the real program to log every entry-point name that the
   program's own code looks up, one line per lookup, into the file named by
   LOOKUP_LOG:

     dlsym NAME   the program called dlsym (on the GL or GLU library)
     glx NAME     the program called glXGetProcAddressARB

   The program takes glXGetProcAddressARB from its own dlopen'ed handle with
   dlsym, so wrapping glXGetProcAddressARB alone would never be seen. This
   shim wraps dlsym instead and, when the program asks for
   glXGetProcAddressARB, hands back a counting wrapper of the real one.
   Lookups made by other libraries (SDL, the GL library itself) are passed
   through untouched and not logged: only calls whose return address lies in
   the program's own code count. Nothing in the program knows about this. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <link.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef void *(*Dlsym)(void *, const char *);
typedef void (*Function)(void);
typedef Function (*GetProcAddress)(const unsigned char *);

static Dlsym realDlsym;
static GetProcAddress realGetProcAddress;
static FILE *logFile;

enum { MaxRanges = 8 };
static uintptr_t codeStart[MaxRanges], codeEnd[MaxRanges];
static int codeRanges;

/* The first object that dl_iterate_phdr visits is the program itself. */
static int NoteProgramCode(struct dl_phdr_info *info, size_t size, void *data) {
  (void)size;
  (void)data;
  for (int i = 0; i < info->dlpi_phnum && codeRanges < MaxRanges; ++i) {
    const ElfW(Phdr) *header = &info->dlpi_phdr[i];
    if (header->p_type != PT_LOAD || !(header->p_flags & PF_X)) continue;
    codeStart[codeRanges] = info->dlpi_addr + header->p_vaddr;
    codeEnd[codeRanges] = codeStart[codeRanges] + header->p_memsz;
    ++codeRanges;
  }
  return 1;
}

/* Other libraries (a sanitizer runtime, say) may call dlsym while they are
   still starting, so nothing here but finding the real dlsym happens before
   the program's own first call. */
static void Start(void) {
  if (realDlsym) return;
  realDlsym = (Dlsym)dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
  if (!realDlsym) realDlsym = (Dlsym)dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
  if (!realDlsym) {
    fputs("lookup_shim: cannot find the real dlsym\n", stderr);
    abort();
  }
}

static int FromProgram(const void *address) {
  if (!codeRanges) dl_iterate_phdr(NoteProgramCode, NULL);
  const uintptr_t at = (uintptr_t)address;
  for (int i = 0; i < codeRanges; ++i)
    if (at >= codeStart[i] && at < codeEnd[i]) return 1;
  return 0;
}

static void Note(const char *kind, const char *name) {
  static int opened;
  if (!opened) {
    opened = 1;
    const char *path = getenv("LOOKUP_LOG");
    if (path) logFile = fopen(path, "a");
  }
  if (!logFile) return;
  fprintf(logFile, "%s %s\n", kind, name);
  fflush(logFile); /* complete even if the program is killed */
}

static Function CountingGetProcAddress(const unsigned char *name) {
  Note("glx", (const char *)name);
  return realGetProcAddress(name);
}

__attribute__((visibility("default"))) void *dlsym(void *handle, const char *name) {
  const void *caller = __builtin_return_address(0);
  Start();
  void *found = realDlsym(handle, name);
  if (!FromProgram(caller)) return found;
  Note("dlsym", name);
  if (found && !strcmp(name, "glXGetProcAddressARB")) {
    realGetProcAddress = (GetProcAddress)found;
    return (void *)CountingGetProcAddress;
  }
  return found;
}
