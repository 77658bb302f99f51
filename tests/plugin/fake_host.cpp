#include "tests/plugin/fake_host.h"

#include <cstring>

FakeHost& Fake() {
  static FakeHost host;
  return host;
}

namespace {

std::string Text(const char* text) { return text == nullptr ? "null" : std::string("\"") + text + "\""; }

}  // namespace

#define FAKE_EXPORT extern "C" __declspec(dllexport)

// Looked up at attach but never to be called.
#define FAKE_UNUSED(name) \
  FAKE_EXPORT int __cdecl name() { \
    Fake().calls.push_back(#name "()"); \
    return 0; \
  }

FAKE_UNUSED(KVA_AppendMessage)
FAKE_UNUSED(KVA_MakeLoginURLEncoding)
FAKE_UNUSED(KVA_ReceiveArticleBbs)
FAKE_UNUSED(KVA_GetWebDataEx)
FAKE_UNUSED(KVA_DispMessageOnStatusBar)
FAKE_UNUSED(KVA_WebLogin)
FAKE_UNUSED(KVA_GetAindexFolderPath)
FAKE_UNUSED(KVA_ListUpFiles)
FAKE_UNUSED(KVA_ListUpAllFiles)
FAKE_UNUSED(KVA_GetLayoutParam)
FAKE_UNUSED(KVA_SetLayoutParam)
FAKE_UNUSED(KVA_GetListColumnWidth)
FAKE_UNUSED(KVA_SetListColumnWidth)
FAKE_UNUSED(KVA_SetListColumnName)
FAKE_UNUSED(KVA_GetCurrentCtxpath)
FAKE_UNUSED(KVA_OpenTheUrl)
FAKE_UNUSED(KVA_ConvUtf8ToSjis)
FAKE_UNUSED(KVA_GetTempID)
FAKE_UNUSED(KVA_GetPointedUrl)
FAKE_UNUSED(KVA_GetPointedMailAdr)
FAKE_UNUSED(KVA_GetPointedMessageId)
FAKE_UNUSED(KVA_GetMessageCount)
FAKE_UNUSED(KVA_ReDispListAndView)
FAKE_UNUSED(KVA_CopyMessage)
FAKE_UNUSED(KVA_MoveMessage)
FAKE_UNUSED(KVA_DeleteMessage)
FAKE_UNUSED(KVA_OpenAllThread)
FAKE_UNUSED(KVA_CloseAllThread)
FAKE_UNUSED(KVA_CompactCurrentFolder)
FAKE_UNUSED(KVA_GetStaticWindows)
FAKE_UNUSED(KVA_GetTempWindows)
FAKE_UNUSED(KVA_RunMacro)
FAKE_UNUSED(KVA_GetCurAdrInfo)
FAKE_UNUSED(KVA_SetCurAdrInfo)
FAKE_UNUSED(KVA_GetAttachPaths)
FAKE_UNUSED(KVA_AppendAttachPaths)
FAKE_UNUSED(KVA_DeleteAttachPath)
FAKE_UNUSED(KVA_GetEditCount)
FAKE_UNUSED(KVA_GetEditText)
FAKE_UNUSED(KVA_SetEditText)
FAKE_UNUSED(KVA_IsCommunicatingNow)
FAKE_UNUSED(KVA_GetKavoraVersion)

FAKE_EXPORT int __cdecl KVA_GetNextMessagePath(int index, char* buffer, int flag) {
  FakeHost& host = Fake();
  host.calls.push_back("KVA_GetNextMessagePath(" + std::to_string(index) + ", " + std::to_string(flag) + ")");
  if (host.pathResult < 0) return host.pathResult;
  if (host.fillWholePathBuffer) {
    std::memset(buffer, 'P', 261);
  } else {
    std::memcpy(buffer, host.path.c_str(), host.path.size() + 1);
  }
  return host.pathResult;
}

FAKE_EXPORT const char* __cdecl KVA_GetMessage(const char* path) {
  FakeHost& host = Fake();
  host.calls.push_back("KVA_GetMessage(" + Text(path) + ")");
  if (!host.text) return nullptr;
  host.textHeld = true;
  return host.text->c_str();
}

FAKE_EXPORT void __cdecl KVA_ReleaseKavoraBuffer() {
  FakeHost& host = Fake();
  host.calls.push_back("KVA_ReleaseKavoraBuffer()");
  host.textHeld = false;
}

FAKE_EXPORT int __cdecl KVA_ReplaceMessage(const char* path, const char* text, int flag) {
  FakeHost& host = Fake();
  host.calls.push_back("KVA_ReplaceMessage(" + Text(path) + ", text, " + std::to_string(flag) + ")");
  host.replacements.push_back(text == nullptr ? "(null)" : text);
  return host.replaceResult;
}

FAKE_EXPORT void __cdecl KVA_SelectMessage(const char* path, int flag) {
  FakeHost& host = Fake();
  host.calls.push_back("KVA_SelectMessage(" + Text(path) + ", " + std::to_string(flag) + ")");
  if (host.onSelect) host.onSelect();
}
