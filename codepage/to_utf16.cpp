#include "codepage/to_utf16.h"

namespace ravlet::codepage {

std::optional<std::size_t> ToUtf16(unsigned codePage, std::string_view src, char16_t* dst) {
  switch (codePage) {
    case 65001: return Utf8ToUtf16(src, dst);
    case 50222: return Iso2022JpToUtf16(src, dst);
    case 936: return Cp936ToUtf16(src, dst);
    case 932: return Cp932ToUtf16(src, dst);
    default: return std::nullopt;
  }
}

}  // namespace ravlet::codepage
