// UTF-8 (code page 65001) as MultiByteToWideChar(65001, 0, ...) reads it on
// Windows, whose handling of malformed input differs from Wine's:
// - C0, C1, F5-FF and every stray continuation byte give one U+FFFD;
// - a valid start cut short (by the end or by a byte that does not continue
//   it) gives one U+FFFD for the bytes read so far;
// - a lead E0-F4 whose second byte is a continuation byte outside the lead's
//   range (E0 80-9F, ED A0-BF, F0 80-8F, F4 90-BF) gives one U+FFFD for the
//   two, and any continuation bytes after them count as stray;
// - a BOM is an ordinary character (U+FEFF).
#include <cstdint>
#include <cstring>

#include "codepage/cp932_encode.h"
#include "codepage/to_cp932.h"
#include "codepage/to_utf16.h"
#include "codepage/wide.h"

namespace ravlet::codepage {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Where the units go: into UTF-16, or straight on into 932.
struct ToUtf16Sink {
  char16_t* out;
  void Put(char16_t unit) { *out++ = unit; }
  const unsigned char* WideRun(const unsigned char* p, const unsigned char* end) {
    return detail::Utf8RunToUtf16(p, end, out);
  }
};

struct ToCp932Sink {
  char* out;
  void Put(char16_t unit) { out += detail::EncodeCp932(unit, out); }
  const unsigned char* WideRun(const unsigned char* p, const unsigned char* end) {
    return detail::Utf8RunToCp932(p, end, out);
  }
};

template <bool kWide, typename Sink>
void Read(const unsigned char* p, const unsigned char* const end, Sink& sink) {
  const unsigned char* wideFrom = p;
  while (p != end) {
    if (kWide && p >= wideFrom) {
      const unsigned char* q = sink.WideRun(p, end);
      if (q == p) wideFrom = p + 16;  // a few characters the scalar way first
      p = q;
      if (p == end) break;
    }
    // Runs of ASCII, eight bytes at a time.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080u) == 0) {
        for (int i = 0; i < 8; ++i) sink.Put(p[i]);
        p += 8;
        continue;
      }
    }
    const unsigned char lead = *p;
    if (lead < 0x80) {
      sink.Put(lead);
      ++p;
      continue;
    }
    // How many continuation bytes the lead wants, and the range allowed for
    // the first of them (which rules out overlong forms, surrogates and
    // values above U+10FFFF).
    int need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {  // C0, C1, F5-FF or a stray continuation byte
      sink.Put(kReplacement);
      ++p;
      continue;
    }
    if (end - p < 2 || !IsContinuation(p[1])) {  // cut short after the lead
      sink.Put(kReplacement);
      ++p;
      continue;
    }
    if (p[1] < low || p[1] > high) {  // one U+FFFD for the lead and this byte
      sink.Put(kReplacement);
      p += 2;
      continue;
    }
    char32_t cp = lead & (0x3F >> need);
    int got = 1;
    for (; got <= need; ++got) {
      if (end - p <= got || !IsContinuation(p[got])) break;
      cp = cp << 6 | (p[got] & 0x3F);
    }
    p += got;
    if (got <= need) {  // a valid start cut short
      sink.Put(kReplacement);
    } else if (cp < 0x10000) {
      sink.Put(static_cast<char16_t>(cp));
    } else {
      cp -= 0x10000;
      sink.Put(static_cast<char16_t>(0xD800 + (cp >> 10)));
      sink.Put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
  }
}

template <typename Sink, typename Unit>
std::size_t Convert(bool wide, const char* src, std::size_t size, Unit* dst) {
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  Sink sink{dst};
  if (wide) Read<true>(p, p + size, sink);
  else Read<false>(p, p + size, sink);
  return static_cast<std::size_t>(sink.out - dst);
}

}  // namespace

std::size_t Utf8ToUtf16(std::string_view src, char16_t* dst) {
  return Convert<ToUtf16Sink>(detail::HaveWidePaths(), src.data(), src.size(), dst);
}

std::size_t Utf8ToCp932(std::string_view src, char* dst) {
  return Convert<ToCp932Sink>(detail::HaveWidePaths(), src.data(), src.size(), dst);
}

std::size_t detail::Utf8ToUtf16Scalar(const char* src, std::size_t size, char16_t* dst) {
  return Convert<ToUtf16Sink>(false, src, size, dst);
}

std::size_t detail::Utf8ToCp932Scalar(const char* src, std::size_t size, char* dst) {
  return Convert<ToCp932Sink>(false, src, size, dst);
}

}  // namespace ravlet::codepage
