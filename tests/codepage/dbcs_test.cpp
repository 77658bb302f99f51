// Code pages 932 and 936: the facts that Windows' tables and readers are
// known for. Every unit and every pair is compared with the platform in
// exhaustive_test.cpp; these show the rules where they matter.
#include <gtest/gtest.h>

#include "codepage/to_cp932.h"
#include "convert.h"

namespace ravlet::codepage::testing {
namespace {

struct WriteCase {
  std::u16string input;
  std::string want;
};

TEST(Utf16ToCp932, BestFitAndDefaultCharacter) {
  const WriteCase cases[] = {
      {u"abc\\~", "abc\\~"},
      {u"\u3042\u6F22\u5B57", "\x82\xA0\x8A\xBF\x8E\x9A"},
      {u"\uFF71", "\xB1"},            // half-width katakana: one byte
      {u"\u00E9", "e"},               // best fit
      {u"\u00A5", "\x5C"},            // best fit
      {u"\uFF5E", "\x81\x60"},        // fullwidth tilde
      {u"\u2460\u3231\u2116", "\x87\x40\x87\x8A\x87\x82"},  // NEC row 13
      {u"\u301C", "?"},               // wave dash has no 932 form
      {u"\u2212\u2014\u00A0", "???"},
      {u"\uFFFD", "?"},
      {u"\U0001F600", "??"},          // surrogates have no mapping
      {std::u16string{char16_t{0xD800}, u'x', char16_t{0xDC00}}, "?x?"},
      {std::u16string(u"\0", 1), std::string("\0", 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(c.input));
    EXPECT_EQ(Hex(WriteCp932(c.input)), Hex(c.want));
  }
}

TEST(Utf16ToCp932, AsciiRunsEndAnywhere) {
  for (std::size_t before = 0; before <= 9; ++before) {
    std::u16string in = std::u16string(before, u'a') + u"\u3042" + std::u16string(5, u'z');
    std::string want = std::string(before, 'a') + "\x82\xA0" + std::string(5, 'z');
    EXPECT_EQ(Hex(WriteCp932(in)), Hex(want)) << before;
  }
}

struct ReadCase {
  const char* heading;
  Reader reader;
  std::string input;
  std::u16string want;
};

const ReadCase kReadCases[] = {
    {"932 pairs", Cp932ToUtf16, "\x82\xA0\x8A\xBF", u"\u3042\u6F22"},
    {"932 pairs", Cp932ToUtf16, "\x87\x40\xED\x40\xF0\x40", u"\u2460\u7E8A\uE000"},
    {"932 single bytes", Cp932ToUtf16, "\\~\xB1\xDF", u"\\~\uFF71\uFF9F"},
    {"932 single bytes", Cp932ToUtf16, "\x80\xA0\xFD\xFF", u"\u0080\uF8F0\uF8F1\uF8F3"},
    {"932 unassigned pair", Cp932ToUtf16, "\x85\x40", u"\u30FB"},
    {"932 unassigned pair", Cp932ToUtf16, "\x81\x20z", u"\u30FBz"},
    {"932 lead byte alone", Cp932ToUtf16, "a\x82", u"a\u30FB"},
    {"932 lead byte alone", Cp932ToUtf16, std::string("\x82\0\x82\xA0", 4), std::u16string(u"\u30FB\0\u3042", 3)},
    {"936 pairs", Cp936ToUtf16, "\xD6\xD0\xCE\xC4\x81\x40", u"\u4E2D\u6587\u4E02"},
    {"936 single bytes", Cp936ToUtf16, "\x80\xFF" "a", u"\u20AC\uF8F5a"},
    {"936 unassigned pair", Cp936ToUtf16, "\xA1\x7F", u"?"},
    {"936 unassigned pair", Cp936ToUtf16, "\x81\x30" "1", u"?1"},
    {"936 lead byte alone", Cp936ToUtf16, "\xD6", u"?"},
    {"936 lead byte alone", Cp936ToUtf16, std::string("\xD6\0", 2), std::u16string(u"?\0", 2)},
};

TEST(DoubleByteReaders, FollowWindowsRules) {
  for (const auto& c : kReadCases) {
    SCOPED_TRACE(std::string(c.heading) + ": " + Hex(c.input));
    EXPECT_EQ(Hex(Read(c.reader, c.input)), Hex(c.want));
  }
}

TEST(DoubleByteReaders, AsciiRunsEndAnywhere) {
  for (std::size_t before = 0; before <= 17; ++before) {
    std::string in = std::string(before, 'a') + "\x82\xA0" + std::string(3, 'z') + "\x82";
    std::u16string want = std::u16string(before, u'a') + u"\u3042zzz\u30FB";
    EXPECT_EQ(Hex(Read(Cp932ToUtf16, in)), Hex(want)) << before;
  }
}

// Straight to 932, every single byte and pair of 936 and 932 gives what the
// two steps give.
TEST(ToCp932, DoubleBytePairsAsTheTwoSteps) {
  for (auto [codePage, reader] : {std::pair{936u, Reader{Cp936ToUtf16}}, std::pair{932u, Reader{Cp932ToUtf16}}}) {
    long differences = 0;
    for (int lead = 0; lead < 256; ++lead) {
      for (int trail = -1; trail < 256; ++trail) {
        std::string in(1, static_cast<char>(lead));
        if (trail >= 0) in += static_cast<char>(trail);
        char out[4];
        const auto n = ToCp932(codePage, in, out);
        if (!n || std::string(out, *n) != WriteCp932(Read(reader, in))) ++differences;
      }
    }
    EXPECT_EQ(differences, 0) << codePage;
  }
  char out[2];
  EXPECT_EQ(ToCp932(1252, "a", out), std::nullopt);
  EXPECT_EQ(ToCp932(65001, "\xC3\xA9", out), 1u);
  EXPECT_EQ(out[0], 'e');
  EXPECT_EQ(ToCp932(50222, "\x1B$B$\"\x1B(B", out), 2u);
  EXPECT_EQ(Hex(std::string_view(out, 2)), "82 A0");
}

TEST(ToUtf16, DispatchesOnCodePage) {
  char16_t out[8];
  EXPECT_EQ(ToUtf16(65001, "\xC3\xA9", out), 1u);
  EXPECT_EQ(out[0], u'\u00E9');
  EXPECT_EQ(ToUtf16(50222, "\x1B$B$\"\x1B(B", out), 1u);
  EXPECT_EQ(out[0], u'\u3042');
  EXPECT_EQ(ToUtf16(936, "\xD6\xD0", out), 1u);
  EXPECT_EQ(out[0], u'\u4E2D');
  EXPECT_EQ(ToUtf16(932, "\x82\xA0", out), 1u);
  EXPECT_EQ(out[0], u'\u3042');
  for (unsigned cp : {0u, 1252u, 20932u, 50220u, 50221u, 54936u, 65000u})
    EXPECT_EQ(ToUtf16(cp, "a", out), std::nullopt) << cp;
}

}  // namespace
}  // namespace ravlet::codepage::testing
