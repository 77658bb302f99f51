// One UTF-16 unit written in 932, as the writer and the direct ISO-2022-JP
// path both do it.
#ifndef RAVLET_CODEPAGE_CP932_ENCODE_H
#define RAVLET_CODEPAGE_CP932_ENCODE_H

#include <cstdint>

#include "codepage/tables.h"

namespace ravlet::codepage::detail {

// Writes one or two bytes at `out` and returns how many.
inline int EncodeCp932(char16_t unit, char* out) {
  const std::uint16_t code = kCp932Encode.codes[kCp932Encode.block[unit >> 8]][unit & 0xFF];
  if (code < 0x100) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  out[0] = static_cast<char>(code >> 8);
  out[1] = static_cast<char>(code & 0xFF);
  return 2;
}

}  // namespace ravlet::codepage::detail

#endif
