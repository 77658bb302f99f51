// The information block the plug-in fills when the host asks for its
// description (event 1000).
#ifndef RAVLET_PLUGIN_PLUGIN_INFO_H
#define RAVLET_PLUGIN_PLUGIN_INFO_H

#include <cstddef>

namespace ravlet {

// Where each field lies in the host's block and what is written there.
struct PluginInfoField {
  std::size_t offset;
  std::size_t room;  // bytes up to the next field, the NUL included
  const char* text;
};

inline constexpr std::size_t PluginInfoVersionOffset = 0;
inline constexpr int PluginInfoVersion = 10;

inline constexpr PluginInfoField PluginInfoFields[] = {
    {4, 100, "Ravlet"},
    {104, 100, "Ver 0.001a"},
    {204, 100, "Dec 26 2011"},
    {304, 100, "Ravlet developers"},
    {404, 100, "ravlet@ravlet.invalid"},
    {504, 100, "https://ravlet.invalid/"},
    {604, 10240, "MIME Decode"},
    {10844, 100, ""},
    {10944, 10240, ""},
    {21184, 100, ""},
    {21284, 100, ""},
    {21384, 100, ""},
};

// Writes the leading integer and the twelve texts; leaves every other byte of
// the block alone. A null block is ignored.
void FillPluginInfo(void* block);

}  // namespace ravlet

#endif
