// ConvertToShiftJis with every code page it may be asked for and every
// capacity: the text always ends in a NUL inside the room it was given, the
// count includes that NUL or is 0, and a text that does not fit comes out
// empty rather than cut short.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "decode/encoded_word.h"
#include "fuzz/check.h"

using ravlet::fuzz::AsText;
using ravlet::fuzz::Require;

namespace {

constexpr unsigned kCodePages[] = {65001, 50222, 936, 932, 0, 1252, 20932, 50220};
constexpr std::size_t kCanaryBytes = 16;

struct Converted {
  int count;
  std::string text;
};

Converted Convert(unsigned codePage, std::string_view source, std::size_t capacity, std::string_view input) {
  // capacity bytes plus the terminator, exactly, so ASan sees an overrun.
  std::unique_ptr<char[]> exact(new char[capacity + 1]);
  std::memset(exact.get(), 0xA5, capacity + 1);
  const int count = ravlet::ConvertToShiftJis(codePage, source, exact.get(), capacity);
  // The count includes the terminator, so it never exceeds the capacity.
  Require(count >= 0 && static_cast<std::size_t>(count) <= capacity, "count beyond the capacity", input);
  const std::size_t length = ::strnlen(exact.get(), capacity + 1);
  Require(length <= capacity, "text not terminated within its room", input);
  if (count == 0) {
    Require(length == 0, "failed but left a text behind", input);
  } else {
    Require(length + 1 == static_cast<std::size_t>(count), "count is not the length plus the terminator", input);
  }

  // The same behind a canary.
  std::unique_ptr<char[]> padded(new char[capacity + 1 + kCanaryBytes]);
  std::memset(padded.get(), 0x5A, capacity + 1 + kCanaryBytes);
  const int again = ravlet::ConvertToShiftJis(codePage, source, padded.get(), capacity);
  for (std::size_t i = capacity + 1; i < capacity + 1 + kCanaryBytes; ++i)
    Require(padded[i] == 0x5A, "wrote past capacity plus terminator", input);
  Require(again == count && std::string_view(padded.get()) == std::string_view(exact.get(), length),
          "result depends on what the buffer held", input);
  return {count, std::string(exact.get(), length)};
}

}  // namespace

// Input: a byte choosing the code page, a byte choosing the capacity, then
// the source text (up to its first NUL, as the decoders hand it over).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view input = AsText(data, size);
  const unsigned codePage = kCodePages[data[0] % std::size(kCodePages)];
  std::string_view source = input.substr(2);
  source = source.substr(0, source.find('\0'));

  // The room DecodeHeaderField gives: two bytes per source byte, plus one.
  const std::size_t full = 2 * source.size() + 1;
  const Converted roomy = Convert(codePage, source, full, input);
  Require(roomy.text.size() <= 2 * source.size(), "more than two bytes per source byte", input);

  std::size_t capacity = data[1] < 0x80 ? full : (data[1] - 0x80u) % (full + 1);
  if (capacity != full) {
    const Converted tight = Convert(codePage, source, capacity, input);
    if (tight.count != 0)
      Require(tight.count == roomy.count && tight.text == roomy.text, "a tight room changed the text", input);
  }
  return 0;
}
