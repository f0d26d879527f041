/* Hides swap control from the program, as a driver without
   WGL_EXT_swap_control does (Microsoft's GDI renderer, say): its
   wglGetProcAddress finds neither wglSwapIntervalEXT nor
   wglGetSwapIntervalEXT, and answers them with 1, as some Windows drivers
   answer a name they do not know. Under Wine, whose GL driver always has
   them.

   Built as glu32.dll and put beside the program, which then loads it as
   its GLU library (WINEDLLOVERRIDES=glu32=n,b). The program loads GLU
   right after GL and before it looks up wglGetProcAddress, and finds every
   GL, WGL and GLU entry point with GetProcAddress. So this library points
   the program's import of GetProcAddress at a lookup of its own, which
   answers GLU names from the system's GLU library and hands out a
   wglGetProcAddress that hides the two names. Nothing but the program
   loads GLU: this library needs no exports, and the system's GL library
   stays whole for Windows' own users of it (gdi32's pixel formats and
   swaps, the system's GLU). A lookup of a hidden name leaves an empty file
   of that name in the working directory, so that a test can tell that the
   program asked here. */
#include <string.h>
#include <windows.h>

static HMODULE self, system_glu;
static PROC(WINAPI *system_wglGetProcAddress)(LPCSTR);

static PROC WINAPI HidingWglGetProcAddress(LPCSTR name) {
  if (name && (!strcmp(name, "wglSwapIntervalEXT") || !strcmp(name, "wglGetSwapIntervalEXT"))) {
    CloseHandle(CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    return (PROC)(INT_PTR)1;
  }
  return system_wglGetProcAddress(name);
}

static FARPROC WINAPI Lookup(HMODULE module, LPCSTR name) {
  if (module == self) return GetProcAddress(system_glu, name);
  FARPROC found = GetProcAddress(module, name);
  /* A name, not an ordinal. */
  if (found && (ULONG_PTR)name >> 16 && !strcmp(name, "wglGetProcAddress")) {
    system_wglGetProcAddress = (PROC(WINAPI *)(LPCSTR))(void *)found;
    return (FARPROC)(void *)HidingWglGetProcAddress;
  }
  return found;
}

/* Every slot of the program's import table that holds GetProcAddress. */
static BOOL RedirectGetProcAddress(void) {
  BYTE *base = (BYTE *)GetModuleHandleA(NULL);
  const IMAGE_NT_HEADERS *headers = (const IMAGE_NT_HEADERS *)(base + ((const IMAGE_DOS_HEADER *)base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY *imports = &headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const ULONG_PTR original = (ULONG_PTR)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcAddress");
  const IMAGE_IMPORT_DESCRIPTOR *library = (const IMAGE_IMPORT_DESCRIPTOR *)(base + imports->VirtualAddress);
  BOOL redirected = FALSE;
  for (; imports->Size && library->Name; ++library) {
    for (IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + library->FirstThunk); slot->u1.Function; ++slot) {
      DWORD protection;
      if (slot->u1.Function != original) continue;
      VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
      slot->u1.Function = (ULONG_PTR)(void *)Lookup;
      VirtualProtect(slot, sizeof *slot, protection, &protection);
      redirected = TRUE;
    }
  }
  return redirected;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  char path[MAX_PATH];
  HMODULE pinned;
  UINT length;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  self = instance;
  /* The program releases its libraries and loads them again once: the
     redirected import must not lead into a library that has gone. */
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                          (LPCSTR)(void *)DllMain, &pinned))
    return FALSE;
  length = GetSystemDirectoryA(path, MAX_PATH - sizeof "\\glu32.dll");
  if (!length || length >= MAX_PATH - sizeof "\\glu32.dll") return FALSE;
  strcpy(path + length, "\\glu32.dll");
  system_glu = LoadLibraryA(path);
  return system_glu && system_glu != self && RedirectGetProcAddress();
}
