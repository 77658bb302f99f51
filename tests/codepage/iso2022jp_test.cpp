// ISO-2022-JP (50222). Wine cannot read it, so these cases and the sweep of
// every JIS X 0208 pair in exhaustive_test.cpp are what pins the reader down.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

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
    {"escapes", "abc", u"abc"},
    {"escapes", "\x1B$B$\"$$\x1B(Babc", u"\u3042\u3044abc"},
    {"escapes", "\x1B$@$\"\x1B(J\\~", u"\u3042\\~"},
    {"escapes", "\x1B$(D$\"\x1B(H$\"", u"\u3042$\""},
    {"escapes", "\x1B$B\x1B(I1\x1B$B$\"", u"\uFF71\u3042"},
    {"escapes", "\x1B(Zab", u"\x1B(Zab"},
    {"escapes", "\x1B$Aab\x1B$(Q", u"\x1B$Aab\x1B$(Q"},
    {"escapes", "\x1B$B\x1B(Z$\"", u"\x1B\u30FB\u3042"},  // the rest is read as pairs

    {"JIS X 0208", "\x1B$B4A;z\x1B(B", u"\u6F22\u5B57"},
    {"JIS X 0208", "\x1B$B-!-j-b\x1B(B", u"\u2460\u3231\u2116"},  // NEC row 13
    {"JIS X 0208", "\x1B$By!|~\x1B(B", u"\u7E8A\uFF02"},          // NEC-selected IBM rows

    {"katakana", "\x1B(I1_\x1B(B1", u"\uFF71\uFF9F" "1"},
    {"katakana", "\x1B(I`~ \x1B(B", u"`~ "},
    {"katakana", "a\x0E" "1\x0F" "1", u"a\uFF71" "1"},
    {"katakana", "\x1B$B\x0E" "1\x0F$\"\x1B(B", u"\uFF71\u3042"},  // SI returns to JIS X 0208
    {"katakana", "\x0E\x1B(B1", u"1"},  // an escape ends SO
    {"katakana", "a\x0F" "b", u"ab"},
    {"katakana", "\xB1\xDF", u"\uFF71\uFF9F"},
    {"katakana", "\x1B$B\xB1$\"\x1B(B", u"\uFF71\u3042"},

    {"recover after errors", "\x1B$B)!\x1B(B", u"\u30FB"},  // unassigned pair
    {"recover after errors", "\x1B$B~~\x1B(B", u"\u30FB"},
    {"recover after errors", "\x1B$B$\x1B(Ba", u"\u30FB" "a"},
    {"recover after errors", "\x1B$B$\"\r\n$$\x1B(B", u"\u3042\r\n\u3044"},
    {"recover after errors", "\x1B$B$ $\"", u"\u30FB \u3042"},
    {"recover after errors", "\x1B$B$\x7F$\"", u"\u30FB\x7F\u3042"},
    {"recover after errors", "\x82\xA0\x1B$B\x82\xA0$\"", u"\u3042\u3042\u3042"},  // Shift-JIS
    {"recover after errors", "\x82\x1B(Ba", u"\u30FB" "a"},
    {"recover after errors", "\x80\xA0\xFD", u"\u0080\uF8F0\uF8F1"},

    {"truncation", "\x1B$B$", u"\u30FB"},
    {"truncation", "\x1B$B$\"$", u"\u3042\u30FB"},
    {"truncation", "\x1B$B", u""},
    {"truncation", "a\x1B", u"a\x1B"},
    {"truncation", "\x1B$", u"\x1B$"},
    {"truncation", "\x1B$(", u"\x1B$("},
    {"truncation", "\x1B(", u"\x1B("},
    {"truncation", "\x82", u"\u30FB"},
    {"truncation", std::string("\x1B$B$\0$\"", 7), std::u16string(u"\u30FB\0\u3042", 3)},
};

TEST(Iso2022JpToUtf16, Cases) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.heading) + ": " + Hex(c.input));
    EXPECT_EQ(Hex(Read(Iso2022JpToUtf16, c.input)), Hex(c.want));
  }
}

// The direct path writes what the two steps write.
TEST(Iso2022JpToCp932, CasesAsTheTwoSteps) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.heading) + ": " + Hex(c.input));
    std::vector<char> out(2 * c.input.size());
    const std::string direct(out.data(), Iso2022JpToCp932(c.input, out.data()));
    EXPECT_EQ(Hex(direct), Hex(WriteCp932(c.want)));
  }
}

// A long text that ends in the middle of an escape: the sanitizers see any
// read past the exactly sized source.
TEST(Iso2022JpToUtf16, EscapeCutShortAtTheEndOfALongText) {
  constexpr std::size_t n = 64;
  auto source = std::make_unique<char[]>(n);
  std::fill_n(source.get(), n - 2, 'a');
  source[n - 2] = '\x1b';
  source[n - 1] = '(';
  auto units = std::make_unique<char16_t[]>(n);
  auto bytes = std::make_unique<char[]>(2 * n);
  EXPECT_EQ(Iso2022JpToUtf16(std::string_view(source.get(), n), units.get()), n);
  EXPECT_EQ(Iso2022JpToCp932(std::string_view(source.get(), n), bytes.get()), n);
}

}  // namespace
}  // namespace ravlet::codepage::testing
