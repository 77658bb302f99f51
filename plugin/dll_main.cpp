#include <windows.h>

#include "plugin/host_api.h"

// A host that lacks any of the KVA_ functions is refused: returning FALSE at
// process attach makes the host's LoadLibrary fail.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) return ravlet::ResolveHostApi() ? TRUE : FALSE;
  return TRUE;
}
