// A host that lacks one KVA_ name. Its other names are forwarded to
// lookup_witness.dll, so looking any of them up loads that DLL, and the
// witness marks the process when it is loaded: that makes the plug-in's
// lookups visible.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

bool WitnessLoaded() { return GetEnvironmentVariableA("RAVLET_LOOKUP_WITNESS", nullptr, 0) > 0; }

TEST(AttachProbe, RefusesToAttach) {
  ASSERT_FALSE(WitnessLoaded());
  HMODULE plugin = LoadLibraryA("ravlet.dll");
  const DWORD error = GetLastError();
  EXPECT_EQ(plugin, nullptr);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
#if PROBE_LACKS_FIRST
  EXPECT_FALSE(WitnessLoaded()) << "a name after the missing first one was looked up";
#else
  EXPECT_TRUE(WitnessLoaded()) << "the names before the missing last one were not looked up";
#endif
}

}  // namespace
