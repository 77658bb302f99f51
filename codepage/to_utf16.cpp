#include "codepage/to_utf16.h"

#include "codepage/to_cp932.h"
#include "codepage/wide.h"

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

std::optional<std::size_t> ToCp932(unsigned codePage, std::string_view src, char* dst) {
  switch (codePage) {
    case 65001: return Utf8ToCp932(src, dst);
    case 50222: return Iso2022JpToCp932(src, dst);
    case 936: return Cp936ToCp932(src, dst);
    case 932: return detail::Cp932ToCp932(src, dst);
    default: return std::nullopt;
  }
}

}  // namespace ravlet::codepage
