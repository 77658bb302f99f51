// Code pages 932 and 936 as MultiByteToWideChar(cp, 0, ...) reads them: a
// lead byte followed by any non-zero byte takes both (an unassigned pair gives
// the default character, which the table holds); a lead byte at the end or
// before a NUL gives the default character and takes only itself.
#include <cstdint>
#include <cstring>

#include "codepage/tables.h"
#include "codepage/to_utf16.h"

namespace ravlet::codepage {

namespace {

std::size_t ReadDbcs(const detail::DbcsDecodeTable& table, std::string_view src, char16_t* dst) {
  const auto* p = reinterpret_cast<const unsigned char*>(src.data());
  const auto* const end = p + src.size();
  char16_t* out = dst;
  while (p != end) {
    // Bytes below 0x80 stand for themselves in both code pages; take runs of
    // them eight at a time.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080u) == 0) {
        for (int i = 0; i < 8; ++i) out[i] = p[i];
        p += 8;
        out += 8;
        continue;
      }
    }
    const unsigned row = table.lead[*p];
    if (row != 0 && end - p >= 2 && p[1] != 0) {
      *out++ = table.pairs[row - 1][p[1]];
      p += 2;
    } else {
      *out++ = table.single[*p];
      ++p;
    }
  }
  return static_cast<std::size_t>(out - dst);
}

}  // namespace

std::size_t Cp932ToUtf16(std::string_view src, char16_t* dst) {
  return ReadDbcs(detail::kCp932Decode, src, dst);
}

std::size_t Cp936ToUtf16(std::string_view src, char16_t* dst) {
  return ReadDbcs(detail::kCp936Decode, src, dst);
}

}  // namespace ravlet::codepage
