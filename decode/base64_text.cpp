#include <array>
#include <cstdint>

#include "decode/encoded_word.h"

namespace ravlet {
namespace {

// -1 marks bytes without a value; they are skipped, which also takes care of
// the "=" padding and of line breaks inside the text.
constexpr std::array<std::int8_t, 256> MakeBase64Values() {
  std::array<std::int8_t, 256> v{};
  for (auto& x : v) x = -1;
  for (int i = 0; i < 26; ++i) v['A' + i] = static_cast<std::int8_t>(i);
  for (int i = 0; i < 26; ++i) v['a' + i] = static_cast<std::int8_t>(26 + i);
  for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<std::int8_t>(52 + i);
  v['+'] = 62;
  v['/'] = 63;
  return v;
}
constexpr auto kBase64Values = MakeBase64Values();

}  // namespace

std::string DecodeBase64Text(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  std::size_t p = 0;
  while (p < text.size()) {
    std::uint32_t acc = 0;
    int bits = 0;
    while (bits < 24 && p < text.size()) {
      const int v = kBase64Values[static_cast<unsigned char>(text[p++])];
      if (v >= 0) {
        acc = acc << 6 | static_cast<std::uint32_t>(v);
        bits += 6;
      }
    }
    // A group cut short yields what its bits give: three values two bytes,
    // two values one byte, one value nothing.
    acc <<= 24 - bits;
    for (int n = bits / 8; n > 0; --n) {
      const char byte = static_cast<char>(acc >> 16 & 0xFF);
      if (byte == '\0') return out;  // the text ends at its first zero byte
      out.push_back(byte);
      acc <<= 8;
    }
  }
  return out;
}

}  // namespace ravlet
