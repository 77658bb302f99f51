#include "plugin/plugin_info.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace ravlet {

namespace {

constexpr bool EveryTextFits() {
  for (const PluginInfoField& field : PluginInfoFields) {
    if (std::string_view(field.text).size() + 1 > field.room) return false;
  }
  return true;
}
// The texts are copied without a length check, so they are checked here.
static_assert(EveryTextFits());

}  // namespace

void FillPluginInfo(void* block) {
  if (block == nullptr) return;
  auto* bytes = static_cast<char*>(block);
  // The block's alignment is the host's; copy the integer byte by byte.
  const std::int32_t version = PluginInfoVersion;
  std::memcpy(bytes + PluginInfoVersionOffset, &version, sizeof version);
  for (const PluginInfoField& field : PluginInfoFields) lstrcpyA(bytes + field.offset, field.text);
}

}  // namespace ravlet
