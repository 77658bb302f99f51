// lookup_witness.dll: the target of the attach probe's forwarded names.
#include <windows.h>

extern "C" int __cdecl WitnessEntry() { return 0; }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableA("RAVLET_LOOKUP_WITNESS", "loaded");
  return TRUE;
}
