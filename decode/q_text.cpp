#include "decode/encoded_word.h"

namespace ravlet {
namespace {

// Classic "C" locale tests: bytes of 0x80 and above are neither.
bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string DecodeQText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // The result ends at the first zero byte, but the text is still read to
  // its end: a bad escape anywhere leaves nothing.
  bool ended = false;
  const auto emit = [&](char byte) {
    if (byte == '\0') ended = true;
    if (!ended) out.push_back(byte);
  };
  const std::size_t len = text.size();
  for (std::size_t k = 0; k < len;) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c == '=') {
      if (k + 2 < len && IsAsciiAlnum(static_cast<unsigned char>(text[k + 1]))) {
        // Read like strtoul(.., 16) over the two bytes: leading hex digits
        // count, so "=4g" is 0x04 and "=G0" is 0.
        unsigned value = 0;
        const int hi = HexValue(static_cast<unsigned char>(text[k + 1]));
        if (hi >= 0) {
          value = static_cast<unsigned>(hi);
          const int lo = HexValue(static_cast<unsigned char>(text[k + 2]));
          if (lo >= 0) value = value * 16 + static_cast<unsigned>(lo);
        }
        emit(static_cast<char>(value));
        k += 3;
      } else if (k + 2 < len && text[k + 1] == '\r' && text[k + 2] == '\n') {
        k += 3;  // soft line break
      } else {
        return {};
      }
      continue;
    }
    if (c != '\r' && c != '\n') emit(c == '_' ? ' ' : static_cast<char>(c));
    ++k;
  }
  return out;
}

}  // namespace ravlet
