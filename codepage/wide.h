// Wide paths for long texts on x86-64 processors with AVX-512 (VBMI2): they
// take the common case (valid UTF-8 of one to three bytes; UTF-16 to 932
// through the same tables) many characters at a time and leave everything
// else to the scalar code, which stays the definition of the results. The
// tests compare the two on long texts.
#ifndef RAVLET_CODEPAGE_WIDE_H
#define RAVLET_CODEPAGE_WIDE_H

#include <cstddef>
#include <string_view>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RAVLET_CODEPAGE_WIDE 1
#else
#define RAVLET_CODEPAGE_WIDE 0
#endif

namespace ravlet::codepage::detail {

// Whether this processor runs the wide paths (asked of the processor each
// time; the answer is cached by the compiler's runtime, not by us).
bool HaveWidePaths();

// Like the scalar code, these write nothing past the units or bytes they
// produce.

// Reads from `p` while the text is valid UTF-8 of characters of at most
// three bytes, many at a time, and returns where the scalar code must go on
// (`p` itself when it could take nothing). Writes at `out`, which moves on.
const unsigned char* Utf8RunToUtf16(const unsigned char* p, const unsigned char* end, char16_t*& out);

// The same, straight to 932 (see codepage/to_cp932.h).
const unsigned char* Utf8RunToCp932(const unsigned char* p, const unsigned char* end, char*& out);

// Writes the 32 units from `p` in 932 at `out` and returns the bytes written.
std::size_t Utf16BlockToCp932(const char16_t* p, char* out);

// ISO-2022-JP from `p`, in ASCII mode or (`jis`) JIS X 0208 mode, many
// bytes at a time through plain text, pairs and the escapes ESC ( B and
// ESC $ B; returns where the scalar reader must go on, and updates `jis`
// and `out`.
const unsigned char* Iso2022JpRunToUtf16(const unsigned char* p, const unsigned char* end, bool& jis,
                                         char16_t*& out);

// The same, straight to 932 (see codepage/to_cp932.h).
const unsigned char* Iso2022JpRunToCp932(const unsigned char* p, const unsigned char* end, bool& jis, char*& out);

// The scalar definitions, for the tests.
std::size_t Utf8ToUtf16Scalar(const char* src, std::size_t size, char16_t* dst);
std::size_t Utf16ToCp932Scalar(const char16_t* src, std::size_t size, char* dst);
std::size_t Iso2022JpToUtf16Scalar(const char* src, std::size_t size, char16_t* dst);
std::size_t Iso2022JpToCp932Scalar(const char* src, std::size_t size, char* dst);
std::size_t Utf8ToCp932Scalar(const char* src, std::size_t size, char* dst);

// 932 read and written again (what ToCp932 does for 932).
std::size_t Cp932ToCp932(std::string_view src, char* dst);

}  // namespace ravlet::codepage::detail

#endif
