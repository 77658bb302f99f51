// kavora-host: a stand-in for the Kavora mail client. It exports the KVA_
// functions, loads a plug-in DLL, raises the events it is told to over a
// folder of message files and logs every call the plug-in makes.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/host_state.h"

namespace kavora {

HostState& Host() {
  static HostState host;
  return host;
}

std::string MessagePath(int index) { return Host().store + "\\" + Host().names[index]; }

void Log(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vfprintf(Host().log, format, args);
  va_end(args);
  std::fputc('\n', Host().log);
  // On a terminal or pipe each line shows at once, even if the plug-in then
  // takes the host down; a log file is flushed when the host exits.
  if (Host().log == stdout) std::fflush(Host().log);
}

std::string Quoted(const char* text, std::size_t length) {
  std::string out = "\"";
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '"') {
      out += static_cast<char>(byte);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    }
  }
  return out + "\"";
}

namespace {

constexpr const char* Usage =
    "usage: kavora-host [OPTION...] PLUGIN STORE [EVENT...]\n"
    "\n"
    "Loads PLUGIN (a DLL) as Kavora does, with STORE (a folder of message\n"
    "files) as its mail store, and raises each EVENT through the plug-in's\n"
    "KVH_OnHandleEvent. EVENT is an event code (1000 passes an information\n"
    "block and shows what the plug-in wrote into it) or 'cmd', which calls\n"
    "KVH_OnCmdProc. Without EVENT: 1000, then 1002.\n"
    "Selecting a message (KVA_SelectMessage) raises event 1002 once the\n"
    "current event has returned, as Kavora does when it shows the message.\n"
    "\n"
    "  --message NAME    select the message NAME in STORE (default: the first)\n"
    "  --each            select every message of STORE in name order and raise\n"
    "                    the events for each\n"
    "  --refuse-replace  KVA_ReplaceMessage stores nothing and returns 0\n"
    "  --no-message      KVA_GetNextMessagePath returns -1\n"
    "  --no-text         KVA_GetMessage returns null\n"
    "  --full-path       KVA_GetNextMessagePath fills all 261 bytes, no NUL\n"
    "  --log FILE        write the log to FILE instead of standard output\n"
    "\n"
    "Exit status: 0 when the plug-in loaded and every event returned 0;\n"
    "1 when the plug-in could not be loaded; 2 for a usage error; 3 when an\n"
    "event returned non-zero.\n";

using OnHandleEventFunction = int(__cdecl*)(std::intptr_t, int, std::intptr_t, void*);
using OnCmdProcFunction = int(__cdecl*)();

// The information block as the plug-in fills it on event 1000. Its size
// beyond the last field is the host's; this host offers 32 KiB.
constexpr std::size_t InfoBlockSize = 32768;
constexpr unsigned char InfoFill = 0xCC;
constexpr std::size_t InfoTextOffsets[] = {4, 104, 204, 304, 404, 504, 604, 10844, 10944, 21184, 21284, 21384};

void ShowInfoBlock(const std::vector<unsigned char>& block) {
  std::vector<bool> field(block.size(), false);
  std::int32_t version;
  std::memcpy(&version, block.data(), sizeof version);
  std::fill(field.begin(), field.begin() + 4, true);
  Log("  info +0 %ld", static_cast<long>(version));
  for (std::size_t offset : InfoTextOffsets) {
    const auto* text = reinterpret_cast<const char*>(block.data() + offset);
    const void* end = std::memchr(text, '\0', block.size() - offset);
    if (end == nullptr) {
      Log("  info +%zu (not terminated)", offset);
      continue;
    }
    const std::size_t length = static_cast<const char*>(end) - text;
    std::fill(field.begin() + offset, field.begin() + offset + length + 1, true);
    Log("  info +%zu %s", offset, Quoted(text, length).c_str());
  }
  std::size_t outside = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (!field[i] && block[i] != InfoFill) ++outside;
  }
  Log("  info bytes changed outside the fields: %zu", outside);
}

int Raise(OnHandleEventFunction onHandleEvent, int event, const char* why) {
  HostState& host = Host();
  host.calls = 0;
  Log("event %d%s", event, why);
  std::vector<unsigned char> block;
  if (event == 1000) block.assign(InfoBlockSize, InfoFill);
  const int result = onHandleEvent(0, event, 0, block.empty() ? nullptr : block.data());
  if (!block.empty()) ShowInfoBlock(block);
  if (host.textHeld) Log("  note: the plug-in returned still holding the message text");
  Log("event %d -> %d (%d host call%s)", event, result, host.calls, host.calls == 1 ? "" : "s");
  return result;
}

bool ListStore(const std::string& store, std::vector<std::string>& names) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((store + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return true;
}

int UsageError(const char* message) {
  std::fprintf(stderr, "kavora-host: %s\n%s", message, Usage);
  return 2;
}

}  // namespace
}  // namespace kavora

int main(int argc, char** argv) {
  using namespace kavora;
  HostState& host = Host();
  // The log's lines end in LF alone, on the terminal and in files alike.
  _setmode(_fileno(stdout), _O_BINARY);
  std::string selectName;
  bool each = false;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      std::fputs(Usage, stdout);
      return 0;
    } else if (arg == "--each") {
      each = true;
    } else if (arg == "--refuse-replace") {
      host.options.refuseReplace = true;
    } else if (arg == "--no-message") {
      host.options.noMessage = true;
    } else if (arg == "--no-text") {
      host.options.noText = true;
    } else if (arg == "--full-path") {
      host.options.fullPath = true;
    } else if (arg == "--message" || arg == "--log") {
      if (++i == argc) return UsageError((arg + " needs a value").c_str());
      if (arg == "--message") {
        selectName = argv[i];
      } else if ((host.log = std::fopen(argv[i], "wb")) == nullptr) {
        return UsageError("cannot open the log file");
      }
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return UsageError(("unknown option " + arg).c_str());
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() < 2) return UsageError("PLUGIN and STORE are needed");

  const std::string plugin = positional[0];
  host.store = positional[1];
  while (host.store.size() > 1 && (host.store.back() == '\\' || host.store.back() == '/')) host.store.pop_back();
  if (!ListStore(host.store, host.names)) return UsageError("STORE is not a readable folder");

  std::vector<std::string> events(positional.begin() + 2, positional.end());
  if (events.empty()) events = {"1000", "1002"};
  for (const std::string& event : events) {
    char* end;
    std::strtol(event.c_str(), &end, 10);
    if (event != "cmd" && (event.empty() || *end != '\0')) return UsageError(("bad event " + event).c_str());
  }

  if (!host.names.empty()) host.selected = 0;
  if (!selectName.empty()) {
    auto it = std::find(host.names.begin(), host.names.end(), selectName);
    if (it == host.names.end()) return UsageError("no such message in STORE");
    host.selected = static_cast<int>(it - host.names.begin());
  }

  HMODULE module = LoadLibraryA(plugin.c_str());
  if (module == nullptr) {
    Log("load %s: failed, error %lu", plugin.c_str(), GetLastError());
    return 1;
  }
  auto onHandleEvent = reinterpret_cast<OnHandleEventFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "KVH_OnHandleEvent")));
  auto onCmdProc =
      reinterpret_cast<OnCmdProcFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, "KVH_OnCmdProc")));
  if (onHandleEvent == nullptr || onCmdProc == nullptr) {
    Log("load %s: failed, KVH_OnHandleEvent or KVH_OnCmdProc missing", plugin.c_str());
    return 1;
  }
  Log("load %s: ok", plugin.c_str());

  int status = 0;
  const std::size_t rounds = each ? host.names.size() : 1;
  for (std::size_t round = 0; round < rounds; ++round) {
    if (each) host.selected = static_cast<int>(round);
    if (host.selected >= 0) Log("select %s", host.names[host.selected].c_str());
    for (const std::string& event : events) {
      if (event == "cmd") {
        Log("cmd -> %d", onCmdProc());
        continue;
      }
      host.pendingReselects = 0;
      if (Raise(onHandleEvent, std::atoi(event.c_str()), "") != 0) status = 3;
      // A selection made during the event shows the message again; one made
      // while handling that event is not followed up, so that a plug-in that
      // always reselects cannot keep the host busy for ever.
      if (host.pendingReselects > 0) {
        host.pendingReselects = 0;
        if (Raise(onHandleEvent, 1002, " (raised by the selection)") != 0) status = 3;
      }
    }
  }
  FreeLibrary(module);
  Log("unload %s", plugin.c_str());
  return status;
}
