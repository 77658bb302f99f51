#include <gtest/gtest.h>

#include <string>

#include "decode/encoded_word.h"

namespace ravlet {
namespace {

using namespace std::string_literals;

struct Case {
  std::string input;
  std::string want;
};

TEST(DecodeBase64Text, Table) {
  const Case cases[] = {
      // groups and padding
      {"QUJD", "ABC"},
      {"QUI=", "AB"},
      {"QQ==", "A"},
      {"QUI", "AB"},
      {"Q", ""},
      {"", ""},
      {"5pel5pys6Kqe", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      // bytes without a value are skipped, wherever they stand
      {"QU JD", "ABC"},
      {"Q\r\nU\tJ=D", "ABC"},
      {"QU\x80JD", "ABC"},
      {"=QUJD", "ABC"},
      {"-_.!QUJD", "ABC"},
      {"+/+/", "\xFB\xFF\xBF"},
      // the text ends at its first zero byte
      {"AA==", ""},
      {"QUFBAEFB", "AAA"},
      {"QQBC", "A"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeBase64Text(c.input), c.want) << "input: " << c.input;
  }
}

TEST(DecodeQText, Table) {
  const Case cases[] = {
      // plain bytes and escapes
      {"abc", "abc"},
      {"caf=E9", "caf\xE9"},
      {"=e9", "\xE9"},
      {"a_b", "a b"},
      {"=3D", "="},
      {"=5F", "_"},
      {"\xE6\x97\xA5", "\xE6\x97\xA5"},
      // hex read like strtoul: leading digits count
      {"=4g", "\x04"},
      {"=4gz", "\x04z"},
      // zero bytes end the text
      {"=0x41", ""},  // only "0x" is read: 0
      {"ab=G0cd", "ab"},
      {"ab=00cd", "ab"},
      {"ab=00cd=", ""},  // but the rest is still read, and can fail
      // line breaks
      {"a\r\nb", "ab"},
      {"a\nb\rc", "abc"},
      {"a=\r\nb", "ab"},
      // cannot be decoded: the whole text is empty
      {"abc=", ""},
      {"abc=4", ""},
      {"=+1", ""},
      {"= 41", ""},
      {"a=\r", ""},
      {"a=\nb", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeQText(c.input), c.want) << "input: " << c.input;
  }
}

}  // namespace
}  // namespace ravlet
