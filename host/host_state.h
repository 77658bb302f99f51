// What the stand-in Kavora knows while it runs: its store of messages, how
// it has been told to misbehave, and where its log goes.
#ifndef KAVORA_HOST_HOST_STATE_H
#define KAVORA_HOST_HOST_STATE_H

#include <cstdio>
#include <string>
#include <vector>

namespace kavora {

struct HostOptions {
  bool refuseReplace = false;    // KVA_ReplaceMessage stores nothing, returns 0
  bool noMessage = false;        // KVA_GetNextMessagePath returns -1
  bool noText = false;           // KVA_GetMessage returns null
  bool fullPath = false;         // the path fills all 261 bytes, no NUL
};

struct HostState {
  HostOptions options;
  std::FILE* log = stdout;
  std::string store;               // the folder of message files
  std::vector<std::string> names;  // its messages, in name order
  int selected = -1;               // index into names, -1 for none
  std::string heldText;            // the text lent out by KVA_GetMessage
  bool textHeld = false;
  int pendingReselects = 0;        // events 1002 that selections have raised
  int calls = 0;                   // host functions called during the event
};

// The one host of this process; the exported KVA_ functions work on it.
HostState& Host();

// The path the host hands out for the message at `index`.
std::string MessagePath(int index);

// Writes one line to the log.
void Log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// A text as a quoted, escaped string for the log.
std::string Quoted(const char* text, std::size_t length);

}  // namespace kavora

#endif
