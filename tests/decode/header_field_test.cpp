#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "decode/encoded_word.h"

namespace ravlet {
namespace {

using namespace std::string_literals;

// "日本語" and "中文" in Shift-JIS.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kChuubun = "\x92\x86\x95\xB6";

struct Case {
  std::string field;
  std::string want;
};

void ExpectAll(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    EXPECT_EQ(DecodeHeaderField(c->field), c->want) << "field: " << c->field;
  }
}

TEST(DecodeHeaderField, ConvertsEachCharsetOfTheTable) {
  const Case cases[] = {
      {"Subject: =?UTF-8?B?5pel5pys6Kqe?=", "Subject: " + kNihongo},
      {"Subject: =?utf-8?b?5pel5pys6Kqe?=", "Subject: " + kNihongo},
      {"Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "Subject: " + kNihongo},
      {"Subject: =?iso-2022-jp?B?GyRCRnxLXDhsGyhC?=", "Subject: " + kNihongo},
      {"Subject: =?GB2312?B?1tDOxA==?=", "Subject: " + kChuubun},
      {"Subject: =?gb2312?Q?=D6=D0=CE=C4?=", "Subject: " + kChuubun},
      // Shift-JIS words are decoded, not converted
      {"Subject: =?SHIFT_JIS?B?k/qWe4zq?=", "Subject: " + kNihongo},
      {"Subject: =?Shift_JIS?Q?=93=FA?=", "Subject: \x93\xFA"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(DecodeHeaderField, ConvertsAsWindowsDoes) {
  const Case cases[] = {
      {"=?UTF-8?Q?caf=C3=A9?=", "cafe"},                 // best fit
      {"=?UTF-8?Q?=EF=BD=9E?=", "\x81\x60"},             // U+FF5E
      {"=?UTF-8?Q?=E2=91=A0?=", "\x87\x40"},             // NEC row 13
      {"=?UTF-8?Q?=E3=80=9C?=", "?"},                    // U+301C has no mapping
      {"=?UTF-8?B?8J+YgA==?=", "??"},                    // one "?" per surrogate
      {"=?UTF-8?B?AA==?=", ""},                          // the text ends at its zero byte
      {"=?ISO-2022-JP?B?GyhJMTI=?=", "\xB1\xB2"},        // half-width katakana
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(DecodeHeaderField, LeavesOtherCharsetsAsTheyStood) {
  const Case cases[] = {
      {"Subject: =?ISO-8859-1?Q?caf=E9?=", "Subject: =?ISO-8859-1?Q?caf=E9?="},
      {"=??B?QUJD?=", "=??B?QUJD?="},
      {"=?UTF8?B?QUJD?=", "=?UTF8?B?QUJD?="},
      {"=?EUC-JP?B?QUJD?= and =?UTF-8?B?QUJD?=", "=?EUC-JP?B?QUJD?= and ABC"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(DecodeHeaderField, FindsWords) {
  const Case cases[] = {
      // the text between words is copied whole
      {"=?UTF-8?B?QUJD?= =?UTF-8?B?QUJD?=", "ABC ABC"},
      {"=?UTF-8?B?QUJD?==?UTF-8?B?QUJD?=", "ABCABC"},
      {"Subject: =?UTF-8?B?QUJD?=\r\n\t=?UTF-8?Q?x?= y", "Subject: ABC\r\n\tx y"},
      // nothing stops a word at whitespace or a fold
      {"=?UTF-8?B?QU JD?=", "ABC"},
      {"=?UTF-8?B?QU\r\n JD?=", "ABC"},
      // an incomplete word and everything after it is plain text
      {"a =?b", "a =?b"},
      {"a =?b?c", "a =?b?c"},
      {"a =?b?B?QUJD", "a =?b?B?QUJD"},
      {"=?UTF-8?B?QUJD?= =?x", "ABC =?x"},
      {"no words at all", "no words at all"},
      {"", ""},
      // the field ends at its first NUL
      {"abc\0=?UTF-8?B?QUJD?="s, "abc"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(DecodeHeaderField, FailsOnBadEncodings) {
  const Case cases[] = {
      {"Subject: =?UTF-8??QUJD?=", "encoding type not found.?QUJD?="},
      {"Subject: =?ISO-8859-1?X?abc?=", "not support encode."},
      // the first "?" after "=?" ends the charset, wherever it is
      {"=?a=?UTF-8?B?QUJD?=", "not support encode."},
      {"=?UTF-8?B?QUJD?= =?UTF-8?Z?QUJD?=", "not support encode."},
  };
  for (const Case& c : cases) {
    try {
      DecodeHeaderField(c.field);
      ADD_FAILURE() << "no failure for " << c.field;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), c.want) << c.field;
    }
  }
}

TEST(ConvertToShiftJis, CountsTheTerminatorAndAlwaysTerminates) {
  char out[16];
  EXPECT_EQ(ConvertToShiftJis(65001, "\xE6\x97\xA5", out, 7), 3);
  EXPECT_EQ(std::string(out), "\x93\xFA");
  EXPECT_EQ(ConvertToShiftJis(65001, "", out, 1), 1);
  EXPECT_EQ(std::string(out), "");
  // Too small for the text and its terminator: the step fails.
  EXPECT_EQ(ConvertToShiftJis(65001, "\xE6\x97\xA5", out, 2), 0);
  EXPECT_EQ(out[0], '\0');
  // A code page that nothing here converts.
  out[0] = 'x';
  EXPECT_EQ(ConvertToShiftJis(12345, "abc", out, 7), 0);
  EXPECT_EQ(out[0], '\0');
  // No room but for the terminator: nothing past it is written.
  out[1] = 'x';
  EXPECT_EQ(ConvertToShiftJis(65001, "abc", out, 0), 0);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], 'x');
}

}  // namespace
}  // namespace ravlet
