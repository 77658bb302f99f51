// Code pages 932 and 936 as MultiByteToWideChar(cp, 0, ...) reads them: a
// lead byte followed by any non-zero byte takes both (an unassigned pair gives
// the default character, which the table holds); a lead byte at the end or
// before a NUL gives the default character and takes only itself.
#include <cstdint>
#include <cstring>

#include "codepage/cp932_encode.h"
#include "codepage/tables.h"
#include "codepage/to_cp932.h"
#include "codepage/to_utf16.h"
#include "codepage/wide.h"

namespace ravlet::codepage {

namespace {

// Where the units go: into UTF-16, or straight on into 932.
struct ToUtf16Sink {
  char16_t* out;
  void Put(char16_t unit) { *out++ = unit; }
};

struct ToCp932Sink {
  char* out;
  void Put(char16_t unit) { out += detail::EncodeCp932(unit, out); }
};

template <typename Sink, typename Unit>
std::size_t ReadDbcs(const detail::DbcsDecodeTable& table, std::string_view src, Unit* dst) {
  const auto* p = reinterpret_cast<const unsigned char*>(src.data());
  const auto* const end = p + src.size();
  Sink sink{dst};
  while (p != end) {
    // Bytes below 0x80 stand for themselves in both code pages; take runs of
    // them eight at a time.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080u) == 0) {
        for (int i = 0; i < 8; ++i) sink.Put(p[i]);
        p += 8;
        continue;
      }
    }
    const unsigned row = table.lead[*p];
    if (row != 0 && end - p >= 2 && p[1] != 0) {
      sink.Put(table.pairs[row - 1][p[1]]);
      p += 2;
    } else {
      sink.Put(table.single[*p]);
      ++p;
    }
  }
  return static_cast<std::size_t>(sink.out - dst);
}

}  // namespace

std::size_t Cp932ToUtf16(std::string_view src, char16_t* dst) {
  return ReadDbcs<ToUtf16Sink>(detail::kCp932Decode, src, dst);
}

std::size_t Cp936ToUtf16(std::string_view src, char16_t* dst) {
  return ReadDbcs<ToUtf16Sink>(detail::kCp936Decode, src, dst);
}

std::size_t Cp936ToCp932(std::string_view src, char* dst) {
  return ReadDbcs<ToCp932Sink>(detail::kCp936Decode, src, dst);
}

std::size_t detail::Cp932ToCp932(std::string_view src, char* dst) {
  return ReadDbcs<ToCp932Sink>(detail::kCp932Decode, src, dst);
}

}  // namespace ravlet::codepage
