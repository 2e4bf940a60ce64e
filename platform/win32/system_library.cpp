// Loading the system's DLLs from the system folder (see system_library.h). In a file of its
// own, so the tests can put stand-ins in its place at link time.
#include "platform/win32/system_library.h"

#include <stdio.h>

HMODULE loadSystemLibrary(const char* name) {
  HMODULE module = LoadLibraryExA(name, 0, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Vista and Windows 7 without its 2011 loader update refuse the flag: the full path in
  // the system folder instead, with the DLL's own dependencies looked for beside it. (Wine
  // knows the flag, so this way is not taken under it.)
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  char path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(path, sizeof path);
  if (!folder || folder >= sizeof path) return 0;
  const int length = snprintf(path + folder, sizeof path - folder, "\\%s", name);
  if (length < 0 || (size_t)length >= sizeof path - folder) return 0;
  return LoadLibraryExA(path, 0, LOAD_WITH_ALTERED_SEARCH_PATH);
}
