#include "plugin/host_api.h"

#include <windows.h>

namespace ravlet {

std::array<HostEntry, HostFunctionCount> HostApi{};

bool ResolveHostApi() {
  // The host exports its functions from its own executable, not from a DLL.
  HMODULE host = GetModuleHandleA(nullptr);
  if (host == nullptr) return false;
  for (std::size_t slot = 0; slot < HostFunctionCount; ++slot) {
    FARPROC entry = GetProcAddress(host, HostFunctionNames[slot]);
    if (entry == nullptr) return false;
    HostApi[slot] = reinterpret_cast<HostEntry>(entry);
  }
  return true;
}

}  // namespace ravlet
