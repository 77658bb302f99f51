#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "decode/encoded_word.h"

namespace ravlet {
namespace {

TEST(EncodedWord, Parses) {
  struct Case {
    std::string word, charset;
    char encoding;
    std::string text;
  };
  const Case cases[] = {
      {"=?UTF-8?B?QUJD?=", "UTF-8", 'B', "ABC"},
      {"=?UTF-8?b?QUJD?=", "UTF-8", 'B', "ABC"},
      {"=?utf-8?q?a_b?=", "utf-8", 'Q', "a b"},  // the charset keeps its case here
      {"=??B?QUJD?=", "", 'B', "ABC"},
      {"=?X?Base64?QUJD?=", "X", 'B', "ABC"},   // only the first letter counts
      {"=?X?Quoted?caf=E9?=", "X", 'Q', "caf\xE9"},
      {"=?X?B?" "?=", "X", 'B', ""},
      {"=?X?Q?abc=?=", "X", 'Q', ""},          // undecodable Q is no failure
      {"lead=?X?B?QUJD?=tail", "X", 'B', "ABC"},
  };
  for (const Case& c : cases) {
    const EncodedWord w(c.word);
    EXPECT_EQ(w.charset, c.charset) << c.word;
    EXPECT_EQ(w.encoding, c.encoding) << c.word;
    EXPECT_EQ(w.text, c.text) << c.word;
    EXPECT_EQ(w.source, c.word);
  }
}

TEST(EncodedWord, Fails) {
  struct Case {
    std::string word, message;
  };
  const Case cases[] = {
      {"abc", "=? not found"},
      {"=?UTF-8", "separator(?) not found"},
      {"=?UTF-8?B", "separator(?) not found"},
      {"=?UTF-8??QUJD?=", "encoding type not found.?QUJD?="},
      {"=?UTF-8?B?QUJD", "?= not found.[=?UTF-8?B?QUJD]"},
      {"=?UTF-8?B?QUJD?", "?= not found.[=?UTF-8?B?QUJD?]"},
      {"=?ISO-8859-1?X?abc?=", "not support encode."},
      {"=?UTF-8?x?abc?=", "not support encode."},
      {"=?UTF-8?\xE2?abc?=", "not support encode."},
  };
  for (const Case& c : cases) {
    try {
      EncodedWord w(c.word);
      ADD_FAILURE() << "no failure for " << c.word;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.word;
    }
  }
}

TEST(CharsetTable, MatchesWholeUpperCaseNamesOnly) {
  EXPECT_EQ(FindCharset("UTF-8")->codePage, 65001u);
  EXPECT_EQ(FindCharset("ISO-2022-JP")->codePage, 50222u);
  EXPECT_EQ(FindCharset("SHIFT_JIS")->codePage, 0u);
  EXPECT_EQ(FindCharset("GB2312")->codePage, 936u);
  for (const char* other : {"utf-8", "UTF8", "SHIFT-JIS", "CP932", "EUC-JP", "US-ASCII", "", "UTF-8 "}) {
    EXPECT_EQ(FindCharset(other), nullptr) << other;
  }
}

}  // namespace
}  // namespace ravlet
