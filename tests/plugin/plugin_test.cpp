// ravlet.dll loaded into a test program that acts as its host: the events,
// the host calls they cause, and the information block.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/plugin/fake_host.h"

namespace {

using OnHandleEvent = int(__cdecl*)(std::intptr_t, int, std::intptr_t, void*);
using OnCmdProc = int(__cdecl*)();

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const std::string Path = "store\\0001.eml";
const std::string FetchPath = "KVA_GetNextMessagePath(-1, 1)";
const std::string Get = "KVA_GetMessage(\"store\\0001.eml\")";
const std::string Release = "KVA_ReleaseKavoraBuffer()";
const std::string Replace = "KVA_ReplaceMessage(\"store\\0001.eml\", text, 1)";
const std::string Select = "KVA_SelectMessage(\"store\\0001.eml\", 1)";
using Calls = std::vector<std::string>;
const Calls FullRound = {FetchPath, Get, Release, Replace, Select};

// "Subject: " and 日本語 as a UTF-8 B word, then the same in Shift-JIS.
const std::string EncodedMessage = "Subject: =?UTF-8?B?5pel5pys6Kqe?=\r\n\r\nbody\r\n";
const std::string EncodedMessageDecoded = "Subject: \x93\xFA\x96\x7B\x8C\xEA\r\n\r\nbody\r\n";

// Loads a fresh copy of the plug-in for each test, so that ReselectPending
// starts clear, and resets the host.
class PluginTest : public ::testing::Test {
 protected:
  void Load(const char* dll) {
    Fake() = FakeHost{};
    Fake().text = EncodedMessage;
    module_ = LoadLibraryA(dll);
    ASSERT_NE(module_, nullptr) << dll << " refused to load, error " << GetLastError();
    onHandleEvent_ = Export<OnHandleEvent>(module_, "KVH_OnHandleEvent");
    onCmdProc_ = Export<OnCmdProc>(module_, "KVH_OnCmdProc");
    ASSERT_NE(onHandleEvent_, nullptr);
    ASSERT_NE(onCmdProc_, nullptr);
    EXPECT_EQ(Fake().calls, Calls{}) << "attach calls nothing";
  }
  void SetUp() override { Load("ravlet.dll"); }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // Raises one event and returns the host calls it caused.
  Calls Raise(int event, void* data = nullptr) {
    Fake().calls.clear();
    EXPECT_EQ(onHandleEvent_(0, event, 0, data), 0) << "event " << event;
    EXPECT_FALSE(Fake().textHeld) << "event " << event << " kept the host's text";
    return Fake().calls;
  }

  HMODULE module_ = nullptr;
  OnHandleEvent onHandleEvent_ = nullptr;
  OnCmdProc onCmdProc_ = nullptr;
};

struct RoundCase {
  const char* name;
  void (*setUp)(FakeHost&);
  Calls calls;
  const char* replacement;  // what KVA_ReplaceMessage receives, if called
};

const RoundCase RoundCases[] = {
    {"an encoded word is decoded, stored and selected", [](FakeHost&) {}, FullRound,
     EncodedMessageDecoded.c_str()},
    {"a clean message is fetched and released, not replaced",
     [](FakeHost& h) { h.text = "Subject: hello\r\n\r\nbody\r\n"; },
     {FetchPath, Get, Release}, nullptr},
    {"a \"=?\" that starts no word still replaces, with the same text",
     [](FakeHost& h) { h.text = "Subject: a =?b\r\n\r\nbody\r\n"; }, FullRound,
     "Subject: a =?b\r\n\r\nbody\r\n"},
    {"mixed body line ends alone make a replacement",
     [](FakeHost& h) { h.text = "Subject: x\r\n\r\na\nb\r\nc"; }, FullRound,
     "Subject: x\r\n\r\na\r\nb\r\nc\r\n"},
    {"a decoding failure releases the text and replaces nothing",
     [](FakeHost& h) { h.text = "Subject: =?UTF-8?X?abc?=\r\n\r\nbody\nmixed\r\n"; },
     {FetchPath, Get, Release}, nullptr},
    {"an empty encoding is a decoding failure too",
     [](FakeHost& h) { h.text = "Subject: =?UTF-8??QUJD?=\r\n\r\nbody\r\n"; },
     {FetchPath, Get, Release}, nullptr},
    {"a refused replacement is not selected",
     [](FakeHost& h) { h.replaceResult = 0; }, {FetchPath, Get, Release, Replace},
     EncodedMessageDecoded.c_str()},
    {"no message: nothing else is called", [](FakeHost& h) { h.pathResult = -1; }, {FetchPath}, nullptr},
    {"a path filling the whole buffer counts as no message",
     [](FakeHost& h) { h.fillWholePathBuffer = true; }, {FetchPath}, nullptr},
    {"no text: nothing to release", [](FakeHost& h) { h.text.reset(); }, {FetchPath, Get}, nullptr},
};

TEST_F(PluginTest, OneEvent1002) {
  for (const RoundCase& c : RoundCases) {
    SCOPED_TRACE(c.name);
    TearDown();
    Load("ravlet.dll");
    c.setUp(Fake());
    EXPECT_EQ(Raise(1002), c.calls);
    if (c.replacement != nullptr) {
      ASSERT_EQ(Fake().replacements.size(), 1u);
      EXPECT_EQ(Fake().replacements[0], c.replacement);
    }
  }
}

TEST_F(PluginTest, EventAfterAReplacementIsSkippedAndTheNextHandled) {
  EXPECT_EQ(Raise(1002), FullRound);
  EXPECT_EQ(Raise(1002), Calls{});
  EXPECT_EQ(Raise(1002), FullRound);
}

TEST_F(PluginTest, OtherEventsLeaveTheSkipArmed) {
  std::vector<char> block(32768);
  EXPECT_EQ(Raise(1002), FullRound);
  EXPECT_EQ(Raise(107), Calls{});
  EXPECT_EQ(Raise(1000, block.data()), Calls{});
  EXPECT_EQ(Raise(1001), Calls{});
  EXPECT_EQ(Raise(1002), Calls{});
  EXPECT_EQ(Raise(1002), FullRound);
}

TEST_F(PluginTest, RefusedReplacementArmsNoSkip) {
  Fake().replaceResult = 0;
  EXPECT_EQ(Raise(1002), (Calls{FetchPath, Get, Release, Replace}));
  Fake().replaceResult = 1;
  EXPECT_EQ(Raise(1002), FullRound);
}

TEST_F(PluginTest, EventRaisedDuringTheSelectionIsAlreadySkipped) {
  Calls inner = {"not raised"};
  Fake().onSelect = [&] {
    Fake().onSelect = nullptr;
    Calls outer = Fake().calls;
    EXPECT_EQ(onHandleEvent_(0, 1002, 0, nullptr), 0);
    inner.assign(Fake().calls.begin() + outer.size(), Fake().calls.end());
  };
  EXPECT_EQ(Raise(1002), FullRound);
  EXPECT_EQ(inner, Calls{});
  // The skipped event cleared the flag, so this one is handled.
  EXPECT_EQ(Raise(1002), FullRound);
}

TEST_F(PluginTest, EventsOutsideTheTableDoNothing) {
  const std::vector<char> untouched(32768, '\x5A');
  for (int event : {107, 1001, 0, 1, -1, 999, 1003, 2000, INT_MIN, INT_MAX}) {
    std::vector<char> block = untouched;
    EXPECT_EQ(Raise(event, block.data()), Calls{}) << "event " << event;
    EXPECT_TRUE(block == untouched) << "event " << event << " wrote into its data";
  }
  EXPECT_EQ(Raise(1002), FullRound) << "and they armed no skip";
}

TEST_F(PluginTest, CmdProcDoesNothing) {
  Fake().calls.clear();
  onCmdProc_();
  EXPECT_EQ(Fake().calls, Calls{});
  EXPECT_EQ(Raise(1002), FullRound);
}

// Exactly the thirteen fields change: the integer 10 at 0 and the texts at
// their offsets, each up to and including its NUL.
TEST_F(PluginTest, InformationBlock) {
  constexpr char Fill = '\x5A';
  std::vector<char> block(32768, Fill);
  EXPECT_EQ(Raise(1000, block.data()), Calls{});

  struct Field {
    std::size_t offset;
    const char* text;  // nullptr: ours to choose, any short printable text
  };
  const Field fields[] = {
      {4, "Ravlet"}, {104, "Ver 0.001a"}, {204, "Dec 26 2011"}, {304, nullptr}, {404, nullptr},
      {504, nullptr}, {604, "MIME Decode"}, {10844, ""}, {10944, ""}, {21184, ""}, {21284, ""},
      {21384, ""},
  };
  std::vector<char> expected(block.size(), Fill);
  const std::int32_t ten = 10;
  std::memcpy(expected.data(), &ten, 4);
  for (const Field& field : fields) {
    std::string text;
    if (field.text != nullptr) {
      text = field.text;
    } else {
      const char* written = block.data() + field.offset;
      const void* end = std::memchr(written, '\0', 100);
      ASSERT_NE(end, nullptr) << "the text at " << field.offset << " overruns its 100 bytes";
      text.assign(written, static_cast<const char*>(end));
      EXPECT_FALSE(text.empty()) << "author field at " << field.offset;
      for (char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "author field at " << field.offset;
    }
    std::memcpy(expected.data() + field.offset, text.c_str(), text.size() + 1);
  }
  for (std::size_t i = 0; i < block.size(); ++i) {
    ASSERT_EQ(block[i], expected[i]) << "byte " << i;
  }
  EXPECT_EQ(Raise(1002), FullRound) << "event 1000 armed no skip";
}

TEST_F(PluginTest, InformationEventWithoutABlockIsIgnored) {
  EXPECT_EQ(Raise(1000, nullptr), Calls{});
}

// The same plug-in code linked with a rewrite that fails in ways other than
// invalid_argument: nothing reaches the host and the message is kept.
TEST_F(PluginTest, AnyFailureOfTheRewriteKeepsTheMessage) {
  for (const char* failure : {"throw bad_alloc", "throw runtime_error", "throw int"}) {
    SCOPED_TRACE(failure);
    TearDown();
    Load("ravlet_failing_rewrite.dll");
    Fake().text = std::string("Subject: =?UTF-8?B?QUJD?=\r\nX-Test: ") + failure + "\r\n\r\nbody\r\n";
    EXPECT_EQ(Raise(1002), (Calls{FetchPath, Get, Release}));
    Fake().text = EncodedMessage;
    EXPECT_EQ(Raise(1002), FullRound) << "no skip armed";
    EXPECT_EQ(Fake().replacements, std::vector<std::string>{"rewritten"});
  }
}

}  // namespace
