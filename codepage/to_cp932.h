// The code pages we read straight to Shift-JIS (932): the bytes that
// Utf16ToCp932 writes for what the readers of to_utf16.h read, without the
// UTF-16 text in between (which is what makes long texts slow).
#ifndef RAVLET_CODEPAGE_TO_CP932_H
#define RAVLET_CODEPAGE_TO_CP932_H

#include <cstddef>
#include <optional>
#include <string_view>

namespace ravlet::codepage {

// At most two bytes per source byte: `dst` needs room for 2 * src.size()
// bytes. Each returns the number of bytes written and writes nothing past
// them.
std::size_t Utf8ToCp932(std::string_view src, char* dst);       // 65001
std::size_t Iso2022JpToCp932(std::string_view src, char* dst);  // 50222 (most JIS X 0208 codes by arithmetic alone)
std::size_t Cp936ToCp932(std::string_view src, char* dst);      // 936

// Dispatches on `codePage` (65001, 50222, 936; 932 is copied through its
// reader and writer, as Windows would); std::nullopt for one we do not read.
std::optional<std::size_t> ToCp932(unsigned codePage, std::string_view src, char* dst);

}  // namespace ravlet::codepage

#endif
