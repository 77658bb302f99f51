// Conversion from the code pages we read (65001, 50222, 936, 932) to UTF-16,
// with the results of MultiByteToWideChar(codePage, 0, ...) on Windows.
#ifndef RAVLET_CODEPAGE_TO_UTF16_H
#define RAVLET_CODEPAGE_TO_UTF16_H

#include <cstddef>
#include <optional>
#include <string_view>

namespace ravlet::codepage {

// Every reader yields at most one UTF-16 unit per source byte, so `dst` needs
// room for src.size() units. Each returns the number of units written.
std::size_t Utf8ToUtf16(std::string_view src, char16_t* dst);       // 65001
std::size_t Iso2022JpToUtf16(std::string_view src, char16_t* dst);  // 50222
std::size_t Cp936ToUtf16(std::string_view src, char16_t* dst);      // 936
std::size_t Cp932ToUtf16(std::string_view src, char16_t* dst);      // 932

// Dispatches on `codePage`; std::nullopt for a code page we do not read.
std::optional<std::size_t> ToUtf16(unsigned codePage, std::string_view src, char16_t* dst);

}  // namespace ravlet::codepage

#endif
