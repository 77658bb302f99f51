// The two functions Kavora calls, exported by these exact names (ravlet.def).
#ifndef RAVLET_PLUGIN_ENTRY_POINTS_H
#define RAVLET_PLUGIN_ENTRY_POINTS_H

#include <cstdint>

// Event codes of KVH_OnHandleEvent.
inline constexpr int PluginInfoEvent = 1000;
inline constexpr int DecodeSelectedMessageEvent = 1002;

extern "C" {

// Does nothing; the host's arguments are not looked at.
int __cdecl KVH_OnCmdProc();

// Dispatches one host event; `first` and `third` are not used, `data` is the
// information block for event 1000. Always returns 0.
int __cdecl KVH_OnHandleEvent(std::intptr_t first, int event, std::intptr_t third, void* data);

}

namespace ravlet {

// Set when a replaced message is about to be selected again: the event 1002
// that the selection raises is skipped.
extern bool ReselectPending;

// Size of the buffer the host writes the message path into, NUL included.
inline constexpr int PathBufferSize = 261;

// The work of event 1002: rewrite the host's selected message in its store.
void DecodeSelectedMessage();

}  // namespace ravlet

#endif
