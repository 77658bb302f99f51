// Utf16ToCp932 on arbitrary UTF-16 (the input read as little-endian units,
// unpaired surrogates included): at most two bytes per unit, nothing written
// past them, and the single-byte ranges mapped as themselves.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "codepage/from_utf16.h"
#include "fuzz/check.h"

using ravlet::fuzz::AsText;
using ravlet::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = AsText(data, size);
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);

  const std::size_t room = 2 * units.size();
  std::unique_ptr<char[]> exact(new char[room]);
  const std::size_t n = ravlet::codepage::Utf16ToCp932(units, exact.get());
  Require(n <= room, "wrote more than two bytes per unit", input);

  constexpr std::size_t kCanaryBytes = 16;
  std::unique_ptr<char[]> padded(new char[room + kCanaryBytes]);
  for (std::size_t i = 0; i < room + kCanaryBytes; ++i) padded[i] = '\xA5';
  const std::size_t again = ravlet::codepage::Utf16ToCp932(units, padded.get());
  for (std::size_t i = room; i < room + kCanaryBytes; ++i)
    Require(padded[i] == '\xA5', "wrote past the room of two bytes per unit", input);
  Require(again == n && std::string_view(padded.get(), n) == std::string_view(exact.get(), n),
          "result depends on what the buffer held", input);

  // ASCII and halfwidth katakana are single bytes of 932; when the text is
  // only those, each unit gives exactly its byte.
  bool singleBytes = true;
  std::string expected;
  for (char16_t u : units) {
    if (u < 0x80) {
      expected += static_cast<char>(u);
    } else if (u >= 0xFF61 && u <= 0xFF9F) {
      expected += static_cast<char>(u - 0xFF61 + 0xA1);
    } else {
      singleBytes = false;
      break;
    }
  }
  if (singleBytes)
    Require(std::string_view(exact.get(), n) == expected, "single-byte characters not mapped as themselves", input);
  return 0;
}
