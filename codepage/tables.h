// The generated code-page tables (written by codepage/gen/maketables.cpp from
// the platform's own conversions). Two levels, so that unassigned rows are
// stored once and a lookup is two loads.
#ifndef RAVLET_CODEPAGE_TABLES_H
#define RAVLET_CODEPAGE_TABLES_H

#include <cstdint>

namespace ravlet::codepage::detail {

// A double-byte code page read into UTF-16. `single[b]` is byte b read on its
// own (for a lead byte: a lead byte with no second byte). `lead[b]` is 0 when
// b is no lead byte, else 1 + the row of `pairs` that holds (b, t) at [t].
struct DbcsDecodeTable {
  const char16_t* single;
  const std::uint8_t* lead;
  const char16_t (*pairs)[256];
};

// UTF-16 written in a double-byte code page: `codes[block[u >> 8]][u & 0xFF]`
// is one byte when below 0x100, else two (the lead byte in the high half).
struct WideToDbcsTable {
  const std::uint8_t* block;
  const std::uint16_t (*codes)[256];
};

// JIS X 0208 pairs whose Shift-JIS code 932 reads and writes back unchanged:
// for the row byte j1, the cell bytes first[j1 - 0x21]..last[j1 - 0x21].
struct JisRoundTripTable {
  const std::uint8_t* first;
  const std::uint8_t* last;
};

extern const DbcsDecodeTable kCp932Decode;
extern const DbcsDecodeTable kCp936Decode;
extern const WideToDbcsTable kCp932Encode;
extern const JisRoundTripTable kCp932JisRoundTrip;

}  // namespace ravlet::codepage::detail

#endif
