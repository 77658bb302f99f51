// The 47 functions Kavora exports to its plug-ins. Five behave like the real
// ones over the host's folder of message files; the others only log.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/host_state.h"

namespace kavora {
namespace {

constexpr int PathBufferSize = 261;

int FindPath(const char* path) {
  HostState& host = Host();
  for (int i = 0; i < static_cast<int>(host.names.size()); ++i) {
    if (path != nullptr && MessagePath(i) == path) return i;
  }
  return -1;
}

bool ReadMessageFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  std::fclose(file);
  return true;
}

bool WriteMessageFile(const std::string& path, const char* text, std::size_t length) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text, 1, length, file) == length;
  return std::fclose(file) == 0 && written;
}

}  // namespace
}  // namespace kavora

using kavora::Host;
using kavora::Log;

#define KAVORA_EXPORT extern "C" __declspec(dllexport)

// A looked-up function that the plug-in has no business calling.
#define KAVORA_UNUSED(name)                      \
  KAVORA_EXPORT int __cdecl name() {             \
    ++Host().calls;                              \
    Log("  call " #name "() -> 0 (not expected)"); \
    return 0;                                    \
  }

#ifndef KAVORA_HOST_WITHOUT_FIRST
KAVORA_UNUSED(KVA_AppendMessage)
#endif
KAVORA_UNUSED(KVA_MakeLoginURLEncoding)
KAVORA_UNUSED(KVA_ReceiveArticleBbs)
KAVORA_UNUSED(KVA_GetWebDataEx)

KAVORA_EXPORT void __cdecl KVA_ReleaseKavoraBuffer() {
  kavora::HostState& host = Host();
  ++host.calls;
  if (!host.textHeld) {
    Log("  call KVA_ReleaseKavoraBuffer() (nothing held)");
    return;
  }
  // Spoil the text before giving it up, so that a later read shows.
  std::memset(host.heldText.data(), 'X', host.heldText.size());
  host.heldText.clear();
  host.heldText.shrink_to_fit();
  host.textHeld = false;
  Log("  call KVA_ReleaseKavoraBuffer()");
}

KAVORA_UNUSED(KVA_DispMessageOnStatusBar)
KAVORA_UNUSED(KVA_WebLogin)
KAVORA_UNUSED(KVA_GetAindexFolderPath)
KAVORA_UNUSED(KVA_ListUpFiles)
KAVORA_UNUSED(KVA_ListUpAllFiles)
KAVORA_UNUSED(KVA_GetLayoutParam)
KAVORA_UNUSED(KVA_SetLayoutParam)
KAVORA_UNUSED(KVA_GetListColumnWidth)
KAVORA_UNUSED(KVA_SetListColumnWidth)
KAVORA_UNUSED(KVA_SetListColumnName)
KAVORA_UNUSED(KVA_GetCurrentCtxpath)
KAVORA_UNUSED(KVA_OpenTheUrl)
KAVORA_UNUSED(KVA_ConvUtf8ToSjis)
KAVORA_UNUSED(KVA_GetTempID)
KAVORA_UNUSED(KVA_GetPointedUrl)
KAVORA_UNUSED(KVA_GetPointedMailAdr)
KAVORA_UNUSED(KVA_GetPointedMessageId)
KAVORA_UNUSED(KVA_GetMessageCount)

// Index -1 names the selected message. Negative: no message to work on.
KAVORA_EXPORT int __cdecl KVA_GetNextMessagePath(int index, char* buffer, int flag) {
  kavora::HostState& host = Host();
  ++host.calls;
  if (host.options.noMessage || index != -1 || host.selected < 0 || buffer == nullptr) {
    Log("  call KVA_GetNextMessagePath(%d, buffer, %d) -> -1", index, flag);
    return -1;
  }
  if (host.options.fullPath) {
    std::memset(buffer, 'P', kavora::PathBufferSize);
    Log("  call KVA_GetNextMessagePath(%d, buffer, %d) -> 0 (buffer full, no NUL)", index, flag);
    return 0;
  }
  const std::string path = kavora::MessagePath(host.selected);
  if (path.size() + 1 > kavora::PathBufferSize) {
    Log("  call KVA_GetNextMessagePath(%d, buffer, %d) -> -1 (path too long)", index, flag);
    return -1;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  Log("  call KVA_GetNextMessagePath(%d, buffer, %d) -> 0 %s", index, flag,
      kavora::Quoted(path.data(), path.size()).c_str());
  return 0;
}

// The message's whole text, NUL-terminated, lent until KVA_ReleaseKavoraBuffer.
KAVORA_EXPORT const char* __cdecl KVA_GetMessage(const char* path) {
  kavora::HostState& host = Host();
  ++host.calls;
  const std::string shown = path ? kavora::Quoted(path, std::strlen(path)) : "null";
  const int index = kavora::FindPath(path);
  if (host.options.noText || index < 0) {
    Log("  call KVA_GetMessage(%s) -> null", shown.c_str());
    return nullptr;
  }
  if (host.textHeld) Log("  note: the previous text was never released");
  if (!kavora::ReadMessageFile(path, host.heldText)) {
    Log("  call KVA_GetMessage(%s) -> null (cannot read)", shown.c_str());
    return nullptr;
  }
  // The text is lent whole and NUL-terminated; a file with a NUL inside
  // cannot be, and lending its first part would have it replaced by that.
  if (host.heldText.find('\0') != std::string::npos) {
    host.heldText.clear();
    Log("  call KVA_GetMessage(%s) -> null (the file holds a NUL byte)", shown.c_str());
    return nullptr;
  }
  host.textHeld = true;
  Log("  call KVA_GetMessage(%s) -> text of %zu bytes", shown.c_str(), host.heldText.size());
  return host.heldText.c_str();
}

// Non-zero when the message now holds `text`.
KAVORA_EXPORT int __cdecl KVA_ReplaceMessage(const char* path, const char* text, int flag) {
  kavora::HostState& host = Host();
  ++host.calls;
  const std::string shown = path ? kavora::Quoted(path, std::strlen(path)) : "null";
  const std::size_t length = text ? std::strlen(text) : 0;
  if (host.textHeld) Log("  note: the plug-in replaces a message while still holding its text");
  if (host.options.refuseReplace) {
    Log("  call KVA_ReplaceMessage(%s, text of %zu bytes, %d) -> 0 (refused)", shown.c_str(), length, flag);
    return 0;
  }
  if (text == nullptr || kavora::FindPath(path) < 0 || !kavora::WriteMessageFile(path, text, length)) {
    Log("  call KVA_ReplaceMessage(%s, text of %zu bytes, %d) -> 0 (not stored)", shown.c_str(), length, flag);
    return 0;
  }
  Log("  call KVA_ReplaceMessage(%s, text of %zu bytes, %d) -> 1", shown.c_str(), length, flag);
  return 1;
}

KAVORA_UNUSED(KVA_ReDispListAndView)

// Selecting a message shows it, which raises event 1002 once the current
// event has returned.
KAVORA_EXPORT void __cdecl KVA_SelectMessage(const char* path, int flag) {
  kavora::HostState& host = Host();
  ++host.calls;
  const std::string shown = path ? kavora::Quoted(path, std::strlen(path)) : "null";
  const int index = kavora::FindPath(path);
  if (index < 0) {
    Log("  call KVA_SelectMessage(%s, %d) (no such message)", shown.c_str(), flag);
    return;
  }
  host.selected = index;
  ++host.pendingReselects;
  Log("  call KVA_SelectMessage(%s, %d)", shown.c_str(), flag);
}

KAVORA_UNUSED(KVA_CopyMessage)
KAVORA_UNUSED(KVA_MoveMessage)
KAVORA_UNUSED(KVA_DeleteMessage)
KAVORA_UNUSED(KVA_OpenAllThread)
KAVORA_UNUSED(KVA_CloseAllThread)
KAVORA_UNUSED(KVA_CompactCurrentFolder)
KAVORA_UNUSED(KVA_GetStaticWindows)
KAVORA_UNUSED(KVA_GetTempWindows)
KAVORA_UNUSED(KVA_RunMacro)
KAVORA_UNUSED(KVA_GetCurAdrInfo)
KAVORA_UNUSED(KVA_SetCurAdrInfo)
KAVORA_UNUSED(KVA_GetAttachPaths)
KAVORA_UNUSED(KVA_AppendAttachPaths)
KAVORA_UNUSED(KVA_DeleteAttachPath)
KAVORA_UNUSED(KVA_GetEditCount)
KAVORA_UNUSED(KVA_GetEditText)
KAVORA_UNUSED(KVA_SetEditText)
KAVORA_UNUSED(KVA_IsCommunicatingNow)
#ifndef KAVORA_HOST_WITHOUT_LAST
KAVORA_UNUSED(KVA_GetKavoraVersion)
#endif
