// The converters with std::string/std::u16string results, for tests.
#ifndef RAVLET_TESTS_CODEPAGE_CONVERT_H
#define RAVLET_TESTS_CODEPAGE_CONVERT_H

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "codepage/from_utf16.h"
#include "codepage/to_utf16.h"

namespace ravlet::codepage::testing {

using Reader = std::size_t (*)(std::string_view, char16_t*);

// The buffers are exactly the promised size, so a converter that writes more
// shows up under the sanitizers.
inline std::u16string Read(Reader reader, std::string_view src) {
  std::vector<char16_t> out(src.size());
  return std::u16string(out.data(), reader(src, out.data()));
}

inline std::string WriteCp932(std::u16string_view src) {
  std::vector<char> out(2 * src.size());
  return std::string(out.data(), Utf16ToCp932(src, out.data()));
}

// "E3 81 82" / "3042 FFFD": readable failure messages.
inline std::string Hex(std::string_view bytes) {
  std::string s;
  char buf[4];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, s.empty() ? "%02X" : " %02X", b);
    s += buf;
  }
  return s;
}

inline std::string Hex(std::u16string_view units) {
  std::string s;
  char buf[8];
  for (char16_t u : units) {
    std::snprintf(buf, sizeof buf, s.empty() ? "%04X" : " %04X", static_cast<unsigned>(u));
    s += buf;
  }
  return s;
}

}  // namespace ravlet::codepage::testing

#endif
