// UTF-8 as Windows reads it with flags 0 (Wine's reader differs on malformed
// input, so these are checked against the rules, not against Wine).
#include <gtest/gtest.h>

#include "codepage/to_cp932.h"
#include "convert.h"

namespace ravlet::codepage::testing {
namespace {

struct Case {
  const char* heading;
  std::string input;
  std::u16string want;
};

const Case kCases[] = {
    {"well-formed", "", u""},
    {"well-formed", "A~\x7F", u"A~\x7F"},
    {"well-formed", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"well-formed", "\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
    {"well-formed", "\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF"},
    {"well-formed", "\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},
    {"well-formed", "\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
    {"well-formed", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
    {"well-formed", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"BOM is kept", "\xEF\xBB\xBFx", u"\uFEFFx"},

    {"bytes that start nothing", "\xC0", u"\uFFFD"},
    {"bytes that start nothing", "\xC1\xBF", u"\uFFFD\uFFFD"},
    {"bytes that start nothing", "\xC0\x80", u"\uFFFD\uFFFD"},
    {"bytes that start nothing", "\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"bytes that start nothing", "\xF8\xFF\xFE", u"\uFFFD\uFFFD\uFFFD"},
    {"bytes that start nothing", "\x80", u"\uFFFD"},
    {"bytes that start nothing", "a\xBF\x80z", u"a\uFFFD\uFFFDz"},

    {"start cut short", "\xC3", u"\uFFFD"},
    {"start cut short", "\xC3" "A", u"\uFFFDA"},
    {"start cut short", "\xE0\xA0\x2D", u"\uFFFD-"},
    {"start cut short", "\xE3\x81", u"\uFFFD"},
    {"start cut short", "\xE3\x81\xE3\x81\x82", u"\uFFFD\u3042"},
    {"start cut short", "\xF0\x9F\x98", u"\uFFFD"},
    {"start cut short", "\xF0\x9F\x98" "A", u"\uFFFDA"},
    {"start cut short", "\xF0\x9F", u"\uFFFD"},
    {"start cut short", "\xF4", u"\uFFFD"},
    {"start cut short", "\xE3\x81\xC3\xA9", u"\uFFFD\u00E9"},
    {"start cut short", std::string("\xE3\x81\0", 3), std::u16string(u"\uFFFD\0", 2)},

    {"second byte out of range", "\xE0\x80\x80", u"\uFFFD\uFFFD"},
    {"second byte out of range", "\xE0\x9F\xBF", u"\uFFFD\uFFFD"},
    {"second byte out of range", "\xED\xA0\x80", u"\uFFFD\uFFFD"},
    {"second byte out of range", "\xED\xBF\xBF", u"\uFFFD\uFFFD"},
    {"second byte out of range", "\xED\xA0\x80\xED\xB0\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"second byte out of range", "\xF0\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
    {"second byte out of range", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},
    {"second byte out of range", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
    {"second byte out of range", "\xF4\xBF", u"\uFFFD"},
    {"second byte out of range", "\xE0\x80" "A", u"\uFFFDA"},
};

TEST(Utf8ToUtf16, FollowsWindowsRules) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.heading) + ": " + Hex(c.input));
    EXPECT_EQ(Hex(Read(Utf8ToUtf16, c.input)), Hex(c.want));
    std::vector<char> out(2 * c.input.size());
    EXPECT_EQ(Hex(std::string_view(out.data(), Utf8ToCp932(c.input, out.data()))), Hex(WriteCp932(c.want)))
        << "straight to 932";
  }
}

// The eight-byte ASCII path must hand over to the byte path wherever the
// first non-ASCII byte falls.
TEST(Utf8ToUtf16, AsciiRunsEndAnywhere) {
  for (std::size_t before = 0; before <= 17; ++before) {
    for (std::size_t after = 0; after <= 9; ++after) {
      std::string in = std::string(before, 'a') + "\xE3\x81\x82\xE3\x81" + std::string(after, 'z');
      std::u16string want = std::u16string(before, u'a') + u"\u3042\uFFFD" + std::u16string(after, u'z');
      ASSERT_EQ(Hex(Read(Utf8ToUtf16, in)), Hex(want)) << before << " " << after;
    }
  }
}

}  // namespace
}  // namespace ravlet::codepage::testing
