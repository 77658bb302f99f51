// ISO-2022-JP (code page 50222) as Windows reads it. Wine has no reader for
// it, so this one also serves the plug-in under Wine.
//
// What Windows does:
// - ESC ( B, ESC ( J and ESC ( H switch to ASCII (ESC ( J keeps 0x5C and
//   0x7E as they are); ESC ( I and SO ... SI to half-width katakana; ESC $ @,
//   ESC $ B and ESC $ ( D to JIS X 0208, whose byte pairs are turned into
//   Shift-JIS by the usual arithmetic and read through the 932 table (so NEC
//   row 13 and the NEC-selected IBM rows 0x79-0x7C decode).
// - Outside the double-byte mode, raw bytes A1-DF are half-width katakana.
// - An unknown escape passes through as its characters.
//
// Where Windows gives us no rule we keep as much of the text as we can, and
// never read past the end:
// - An unassigned JIS X 0208 pair gives what the 932 table gives, U+30FB.
// - A JIS X 0208 byte (21-7E) without a second one (the end, a control byte,
//   a space, ESC, or a byte of 0x80 or more follows) gives U+30FB and takes
//   only itself; what follows is read as usual, so an escape right after a
//   cut pair still switches and line ends survive.
// - Controls (00-20 apart from ESC, SO and SI, and 7F) stand for themselves
//   in every mode and do not change it.
// - SO and SI give nothing. SI returns to the mode before SO; an SI outside
//   SO is ignored. A recognised escape ends an SO shift.
// - In katakana mode, 21-5F are katakana and 60-7E, which have no katakana,
//   stay ASCII.
// - Bytes of 0x80 or more are read as Shift-JIS in every mode: A1-DF are
//   katakana, other bytes as the 932 table reads them alone, and a 932 lead
//   byte followed by a Shift-JIS second byte (40-7E, 80-FC) is read as the
//   pair, so mislabelled Shift-JIS survives.
// - ESC not followed by a known sequence gives U+001B and takes only itself;
//   the bytes after it are read in the current mode.
#include "codepage/cp932_encode.h"
#include "codepage/to_cp932.h"
#include "codepage/tables.h"
#include "codepage/to_utf16.h"
#include "codepage/wide.h"

namespace ravlet::codepage {

namespace {

constexpr unsigned char kEsc = 0x1B, kShiftOut = 0x0E, kShiftIn = 0x0F;
constexpr char16_t kUnassigned = 0x30FB;  // 932's default when reading

enum class Mode { kAscii, kKatakana, kJis0208 };

bool IsJisByte(unsigned char b) { return b >= 0x21 && b <= 0x7E; }
bool IsShiftJisSecond(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Length of the escape sequence at p (0 if it is none we know) and the mode
// it selects.
int ReadEscape(const unsigned char* p, const unsigned char* end, Mode& mode) {
  const auto left = end - p;
  if (left >= 3 && p[1] == '(') {
    switch (p[2]) {
      case 'B': case 'J': case 'H': mode = Mode::kAscii; return 3;
      case 'I': mode = Mode::kKatakana; return 3;
      default: return 0;
    }
  }
  if (left >= 3 && p[1] == '$' && (p[2] == '@' || p[2] == 'B')) {
    mode = Mode::kJis0208;
    return 3;
  }
  if (left >= 4 && p[1] == '$' && p[2] == '(' && p[3] == 'D') {
    mode = Mode::kJis0208;
    return 4;
  }
  return 0;
}

// JIS X 0208 row byte j1 and cell byte j2 (both 21-7E) as a Shift-JIS pair.
unsigned JisToShiftJis(unsigned j1, unsigned j2) {
  const unsigned lead = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  const unsigned trail = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
  return lead << 8 | trail;
}

char16_t ReadShiftJisPair(unsigned code) {
  const auto& table = detail::kCp932Decode;
  return table.pairs[table.lead[code >> 8] - 1][code & 0xFF];
}

// Where the units go: into UTF-16, or straight on into 932.
struct ToUtf16Sink {
  char16_t* out;
  void Put(char16_t unit) { *out++ = unit; }
  bool WideRun(const unsigned char*& p, const unsigned char* end, bool& jis) {
    const unsigned char* q = detail::Iso2022JpRunToUtf16(p, end, jis, out);
    return q != p ? (p = q, true) : false;
  }
};

struct ToCp932Sink {
  char* out;
  void Put(char16_t unit) { out += detail::EncodeCp932(unit, out); }
  bool WideRun(const unsigned char*& p, const unsigned char* end, bool& jis) {
    const unsigned char* q = detail::Iso2022JpRunToCp932(p, end, jis, out);
    return q != p ? (p = q, true) : false;
  }
};

template <bool kWide, typename Sink>
void Read(const unsigned char* p, const unsigned char* const end, Sink& sink) {
  const auto& cp932 = detail::kCp932Decode;
  Mode mode = Mode::kAscii;
  Mode beforeShift = Mode::kAscii;
  bool shifted = false;
  const unsigned char* wideFrom = p;
  while (p != end) {
    if (kWide && p >= wideFrom && (mode == Mode::kAscii || mode == Mode::kJis0208)) {
      bool jis = mode == Mode::kJis0208;
      if (!sink.WideRun(p, end, jis)) wideFrom = p + 16;  // a few bytes the scalar way first
      // (in these two modes there is no SO shift to end)
      mode = jis ? Mode::kJis0208 : Mode::kAscii;
      if (p == end) break;
    }
    const unsigned char b = *p;
    if (b == kEsc) {
      if (int length = ReadEscape(p, end, mode)) {
        shifted = false;
        p += length;
      } else {
        sink.Put(kEsc);
        ++p;
      }
    } else if (b == kShiftOut) {
      if (!shifted) {
        beforeShift = mode;
        mode = Mode::kKatakana;
        shifted = true;
      }
      ++p;
    } else if (b == kShiftIn) {
      if (shifted) {
        mode = beforeShift;
        shifted = false;
      }
      ++p;
    } else if (b >= 0x80) {
      if (cp932.lead[b] != 0 && end - p >= 2 && IsShiftJisSecond(p[1])) {
        sink.Put(cp932.pairs[cp932.lead[b] - 1][p[1]]);
        p += 2;
      } else {
        sink.Put(cp932.single[b]);
        ++p;
      }
    } else if (!IsJisByte(b) || mode == Mode::kAscii) {
      sink.Put(b);
      ++p;
    } else if (mode == Mode::kKatakana) {
      sink.Put(b <= 0x5F ? cp932.single[b + 0x80] : b);
      ++p;
    } else if (end - p >= 2 && IsJisByte(p[1])) {
      sink.Put(ReadShiftJisPair(JisToShiftJis(b, p[1])));
      p += 2;
    } else {
      sink.Put(kUnassigned);
      ++p;
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

std::size_t Iso2022JpToUtf16(std::string_view src, char16_t* dst) {
  return Convert<ToUtf16Sink>(detail::HaveWidePaths(), src.data(), src.size(), dst);
}

std::size_t Iso2022JpToCp932(std::string_view src, char* dst) {
  return Convert<ToCp932Sink>(detail::HaveWidePaths(), src.data(), src.size(), dst);
}

std::size_t detail::Iso2022JpToUtf16Scalar(const char* src, std::size_t size, char16_t* dst) {
  return Convert<ToUtf16Sink>(false, src, size, dst);
}

std::size_t detail::Iso2022JpToCp932Scalar(const char* src, std::size_t size, char* dst) {
  return Convert<ToCp932Sink>(false, src, size, dst);
}

}  // namespace ravlet::codepage
