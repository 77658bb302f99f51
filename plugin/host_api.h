// The table of Kavora's exported KVA_ functions, bound once at attach.
#ifndef RAVLET_PLUGIN_HOST_API_H
#define RAVLET_PLUGIN_HOST_API_H

#include <array>
#include <cstddef>
#include <string_view>

namespace ravlet {

// Every slot holds an entry point of the host's main executable. The type is
// only a carrier: each call site casts to the function's real signature.
using HostEntry = void (*)();

inline constexpr std::size_t HostFunctionCount = 47;

// Looked up in this order; the lookup stops at the first missing name.
inline constexpr std::array<const char*, HostFunctionCount> HostFunctionNames = {
    "KVA_AppendMessage",        "KVA_MakeLoginURLEncoding", "KVA_ReceiveArticleBbs",
    "KVA_GetWebDataEx",         "KVA_ReleaseKavoraBuffer",  "KVA_DispMessageOnStatusBar",
    "KVA_WebLogin",             "KVA_GetAindexFolderPath",  "KVA_ListUpFiles",
    "KVA_ListUpAllFiles",       "KVA_GetLayoutParam",       "KVA_SetLayoutParam",
    "KVA_GetListColumnWidth",   "KVA_SetListColumnWidth",   "KVA_SetListColumnName",
    "KVA_GetCurrentCtxpath",    "KVA_OpenTheUrl",           "KVA_ConvUtf8ToSjis",
    "KVA_GetTempID",            "KVA_GetPointedUrl",        "KVA_GetPointedMailAdr",
    "KVA_GetPointedMessageId",  "KVA_GetMessageCount",      "KVA_GetNextMessagePath",
    "KVA_GetMessage",           "KVA_ReplaceMessage",       "KVA_ReDispListAndView",
    "KVA_SelectMessage",        "KVA_CopyMessage",          "KVA_MoveMessage",
    "KVA_DeleteMessage",        "KVA_OpenAllThread",        "KVA_CloseAllThread",
    "KVA_CompactCurrentFolder", "KVA_GetStaticWindows",     "KVA_GetTempWindows",
    "KVA_RunMacro",             "KVA_GetCurAdrInfo",        "KVA_SetCurAdrInfo",
    "KVA_GetAttachPaths",       "KVA_AppendAttachPaths",    "KVA_DeleteAttachPath",
    "KVA_GetEditCount",         "KVA_GetEditText",          "KVA_SetEditText",
    "KVA_IsCommunicatingNow",   "KVA_GetKavoraVersion",
};

// Slots of the five functions the plug-in calls, with their signatures (all
// cdecl: the caller removes the arguments).
inline constexpr std::size_t ReleaseKavoraBufferSlot = 4;
inline constexpr std::size_t GetNextMessagePathSlot = 23;
inline constexpr std::size_t GetMessageSlot = 24;
inline constexpr std::size_t ReplaceMessageSlot = 25;
inline constexpr std::size_t SelectMessageSlot = 27;

static_assert(std::string_view(HostFunctionNames[ReleaseKavoraBufferSlot]) == "KVA_ReleaseKavoraBuffer");
static_assert(std::string_view(HostFunctionNames[GetNextMessagePathSlot]) == "KVA_GetNextMessagePath");
static_assert(std::string_view(HostFunctionNames[GetMessageSlot]) == "KVA_GetMessage");
static_assert(std::string_view(HostFunctionNames[ReplaceMessageSlot]) == "KVA_ReplaceMessage");
static_assert(std::string_view(HostFunctionNames[SelectMessageSlot]) == "KVA_SelectMessage");

using ReleaseKavoraBufferFunction = void(__cdecl*)();
using GetNextMessagePathFunction = int(__cdecl*)(int index, char* pathBuffer, int flag);
using GetMessageFunction = const char*(__cdecl*)(const char* path);
using ReplaceMessageFunction = int(__cdecl*)(const char* path, const char* text, int flag);
using SelectMessageFunction = void(__cdecl*)(const char* path, int flag);

// Written once during the process attach notification, read-only afterwards.
extern std::array<HostEntry, HostFunctionCount> HostApi;

// Binds HostApi to the main executable's exports. True only if all 47 names
// were found; names after a missing one are not looked up.
bool ResolveHostApi();

template <typename Function>
Function HostFunction(std::size_t slot) {
  return reinterpret_cast<Function>(HostApi[slot]);
}

}  // namespace ravlet

#endif
