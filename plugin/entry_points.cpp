#include "plugin/entry_points.h"

#include "plugin/plugin_info.h"

extern "C" int __cdecl KVH_OnCmdProc() { return 0; }

extern "C" int __cdecl KVH_OnHandleEvent(std::intptr_t, int event, std::intptr_t, void* data) {
  // Last line of defence: whatever happens, nothing is thrown into the host.
  try {
    switch (event) {
      case PluginInfoEvent:
        ravlet::FillPluginInfo(data);
        break;
      case DecodeSelectedMessageEvent:
        ravlet::DecodeSelectedMessage();
        break;
      default:
        break;
    }
  } catch (...) {
  }
  return 0;
}
