// A host for the plug-in inside the test program: the program exports the
// 47 KVA_ functions itself, records every call the plug-in makes and answers
// as the test has set it up.
#ifndef RAVLET_TESTS_PLUGIN_FAKE_HOST_H
#define RAVLET_TESTS_PLUGIN_FAKE_HOST_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct FakeHost {
  int pathResult = 0;
  std::string path = "store\\0001.eml";
  bool fillWholePathBuffer = false;  // 261 bytes, no NUL
  std::optional<std::string> text;   // nullopt: KVA_GetMessage returns null
  int replaceResult = 1;
  std::function<void()> onSelect;    // runs inside KVA_SelectMessage

  std::vector<std::string> calls;    // one entry per call, with its arguments
  std::vector<std::string> replacements;
  bool textHeld = false;
};

// The host the exported functions answer from; reset by each test.
FakeHost& Fake();

#endif
