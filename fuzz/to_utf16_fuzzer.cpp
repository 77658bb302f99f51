// One reader of codepage/ (chosen by RAVLET_FUZZ_READER at compile time) on
// arbitrary bytes: it never writes past one UTF-16 unit per source byte,
// gives the same result whatever the buffer held, and reads ASCII as itself.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "codepage/to_utf16.h"
#include "fuzz/check.h"

#ifndef RAVLET_FUZZ_READER
#error "RAVLET_FUZZ_READER names the reader under test"
#endif

namespace {

using ravlet::fuzz::AsText;
using ravlet::fuzz::Require;

constexpr std::size_t kCanaryUnits = 16;
constexpr char16_t kCanary = 0xA5A5;

bool IsPlainAscii(std::string_view src) {
  for (char c : src) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x80) return false;
    // ISO-2022-JP shifts on ESC, SO and SI; elsewhere they are plain bytes.
    if (RAVLET_FUZZ_CODE_PAGE == 50222 && (b == 0x1B || b == 0x0E || b == 0x0F)) return false;
  }
  return true;
}

#if RAVLET_FUZZ_CODE_PAGE == 65001
// Valid UTF-8 that we build ourselves from the input must be read exactly.
void CheckValidUtf8(std::string_view input) {
  std::u16string units;
  std::string utf8;
  for (std::size_t i = 0; i + 2 < input.size(); i += 3) {
    char32_t cp = (static_cast<unsigned char>(input[i]) << 16 | static_cast<unsigned char>(input[i + 1]) << 8 |
                   static_cast<unsigned char>(input[i + 2])) % 0x110000;
    if (cp >= 0xD800 && cp <= 0xDFFF) cp -= 0x800;
    if (cp < 0x80) {
      utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | cp >> 6);
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      utf8 += static_cast<char>(0xE0 | cp >> 12);
      utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | cp >> 18);
      utf8 += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
    if (cp < 0x10000) {
      units += static_cast<char16_t>(cp);
    } else {
      units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  std::unique_ptr<char16_t[]> dst(new char16_t[utf8.size()]);
  std::size_t n = ravlet::codepage::Utf8ToUtf16(utf8, dst.get());
  Require(std::u16string_view(dst.get(), n) == units, "valid UTF-8 read wrongly", utf8);
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view src = AsText(data, size);

  // Exactly the room the contract promises, on the heap, so that ASan sees
  // the first unit written past it.
  std::unique_ptr<char16_t[]> exact(new char16_t[src.size()]);
  const std::size_t n = ravlet::codepage::RAVLET_FUZZ_READER(src, exact.get());
  Require(n <= src.size(), "wrote more units than source bytes", src);

  // The same with a canary behind the room and other bytes inside it.
  std::unique_ptr<char16_t[]> padded(new char16_t[src.size() + kCanaryUnits]);
  for (std::size_t i = 0; i < src.size() + kCanaryUnits; ++i) padded[i] = kCanary;
  const std::size_t again = ravlet::codepage::RAVLET_FUZZ_READER(src, padded.get());
  for (std::size_t i = src.size(); i < src.size() + kCanaryUnits; ++i)
    Require(padded[i] == kCanary, "wrote past the room of one unit per byte", src);
  Require(again == n && std::u16string_view(padded.get(), n) == std::u16string_view(exact.get(), n),
          "result depends on what the buffer held", src);

  std::unique_ptr<char16_t[]> viaDispatch(new char16_t[src.size()]);
  auto dispatched = ravlet::codepage::ToUtf16(RAVLET_FUZZ_CODE_PAGE, src, viaDispatch.get());
  Require(dispatched.has_value() && *dispatched == n &&
              std::u16string_view(viaDispatch.get(), n) == std::u16string_view(exact.get(), n),
          "ToUtf16 differs from the reader it dispatches to", src);

  if (IsPlainAscii(src)) {
    std::u16string widened(src.begin(), src.end());
    for (std::size_t i = 0; i < src.size(); ++i) widened[i] = static_cast<unsigned char>(src[i]);
    Require(std::u16string_view(exact.get(), n) == widened, "ASCII not read as itself", src);
  }
#if RAVLET_FUZZ_CODE_PAGE == 65001
  CheckValidUtf8(src);
#endif
  return 0;
}
