// Conversion from UTF-16 to Shift-JIS (code page 932), with the results of
// WideCharToMultiByte(932, 0, ..., NULL, NULL) on Windows: best fit applies
// and anything without a mapping becomes "?".
#ifndef RAVLET_CODEPAGE_FROM_UTF16_H
#define RAVLET_CODEPAGE_FROM_UTF16_H

#include <cstddef>
#include <string_view>

namespace ravlet::codepage {

// One lookup per UTF-16 unit, at most two bytes each: `dst` needs room for
// 2 * src.size() bytes. Returns the number of bytes written.
std::size_t Utf16ToCp932(std::u16string_view src, char* dst);

}  // namespace ravlet::codepage

#endif
