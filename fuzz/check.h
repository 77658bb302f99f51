// Property checks for the fuzz targets: a broken property prints what broke
// and the whole input in hex, then aborts so that libFuzzer keeps the input.
#ifndef RAVLET_FUZZ_CHECK_H
#define RAVLET_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ravlet::fuzz {

inline void PrintHex(const char* label, std::string_view bytes) {
  std::fprintf(stderr, "%s (%zu bytes):", label, bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 32 == 0) std::fprintf(stderr, "\n  ");
    std::fprintf(stderr, "%02x", static_cast<unsigned char>(bytes[i]));
  }
  std::fprintf(stderr, "\n");
}

[[noreturn]] inline void Fail(const char* what, std::string_view input) {
  std::fprintf(stderr, "\nPROPERTY BROKEN: %s\n", what);
  PrintHex("input", input);
  std::abort();
}

inline void Require(bool holds, const char* what, std::string_view input) {
  if (!holds) Fail(what, input);
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A host text ends at its first NUL byte.
inline std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace ravlet::fuzz

#endif
