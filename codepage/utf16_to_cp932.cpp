// UTF-16 to 932 as WideCharToMultiByte(932, 0, ..., NULL, NULL) writes it: one
// table lookup per unit, best fit included, "?" for anything without a
// mapping. Surrogates have none, so a character beyond U+FFFF gives "??".
#include <cstdint>
#include <cstring>

#include "codepage/from_utf16.h"
#include "codepage/cp932_encode.h"
#include "codepage/wide.h"

namespace ravlet::codepage {

namespace {

template <bool kWide>
std::size_t Write(const char16_t* p, const char16_t* const end, char* const dst) {
  char* out = dst;
  while (p != end) {
    if (kWide && end - p >= 32) {
      out += detail::Utf16BlockToCp932(p, out);
      p += 32;
      continue;
    }
    // U+0000-U+007F are the same bytes in 932; take runs of them four at a time.
    if (end - p >= 4) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0xFF80FF80FF80FF80u) == 0) {
        for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(p[i]);
        p += 4;
        out += 4;
        continue;
      }
    }
    out += detail::EncodeCp932(*p++, out);
  }
  return static_cast<std::size_t>(out - dst);
}

}  // namespace

std::size_t Utf16ToCp932(std::u16string_view src, char* dst) {
  const char16_t* p = src.data();
  if (detail::HaveWidePaths()) return Write<true>(p, p + src.size(), dst);
  return Write<false>(p, p + src.size(), dst);
}

std::size_t detail::Utf16ToCp932Scalar(const char16_t* src, std::size_t size, char* dst) {
  return Write<false>(src, src + size, dst);
}

}  // namespace ravlet::codepage
