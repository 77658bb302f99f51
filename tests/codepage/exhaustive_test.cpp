// The exhaustive comparisons. In the Windows builds they run under Wine
// against the platform's own MultiByteToWideChar/WideCharToMultiByte, whose
// 932 and 936 tables are Microsoft's; natively the JIS X 0208 sweep reads the
// Shift-JIS codes through our 932 reader instead, and the platform
// comparisons are skipped. UTF-8 is checked against the slow reading of the
// rules in both (Wine's UTF-8 reader is not Windows').
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <vector>

#include "codepage/to_cp932.h"
#include "convert.h"
#include "utf8_reference.h"

namespace ravlet::codepage::testing {
namespace {

std::string Describe(const char* label) { return label; }
template <typename Text>
std::string Describe(const Text& text) { return Hex(text); }

// Counts what was compared and keeps the first few differences for the log.
struct Tally {
  const char* what;
  long compared = 0;
  long differences = 0;
  std::vector<std::string> firsts;

  // Texts are only turned into hex for the log when they differ.
  template <typename Input, typename Text>
  void Check(const Input& input, const Text& got, const Text& want) {
    ++compared;
    if (got == want) return;
    ++differences;
    if (firsts.size() < 10) firsts.push_back("[" + Describe(input) + "] got [" + Hex(got) + "] want [" + Hex(want) + "]");
  }
  ~Tally() {
    std::printf("%s: %ld compared, %ld differences\n", what, compared, differences);
    for (const auto& f : firsts) std::printf("  %s\n", f.c_str());
    EXPECT_EQ(differences, 0) << what;
  }
};

#ifdef _WIN32
constexpr bool kHavePlatform = true;

std::u16string PlatformRead(unsigned codePage, std::string_view src) {
  if (src.empty()) return {};
  const int size = static_cast<int>(src.size());
  const int n = MultiByteToWideChar(codePage, 0, src.data(), size, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(codePage, 0, src.data(), size, reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string PlatformWriteCp932(std::u16string_view src) {
  if (src.empty()) return {};
  const auto* units = reinterpret_cast<const wchar_t*>(src.data());
  const int size = static_cast<int>(src.size());
  const int n = WideCharToMultiByte(932, 0, units, size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, 0, units, size, out.data(), n, nullptr, nullptr);
  return out;
}
#else
constexpr bool kHavePlatform = false;
std::u16string PlatformRead(unsigned, std::string_view) { return {}; }
std::string PlatformWriteCp932(std::u16string_view) { return {}; }
#endif

#define NEED_PLATFORM() \
  if (!kHavePlatform) GTEST_SKIP() << "compares with Windows' conversions: run in a Windows build under Wine"

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(Exhaustive, EveryUtf16UnitTo932) {
  NEED_PLATFORM();
  Tally tally{"UTF-16 units 0001-FFFF to 932"};
  std::u16string all;
  for (unsigned u = 1; u <= 0xFFFF; ++u) {
    const std::u16string unit(1, static_cast<char16_t>(u));
    tally.Check(unit, WriteCp932(unit), PlatformWriteCp932(unit));
    all += unit;
    all.append(u % 7, u'a');
  }
  // Once more in one text, where surrogates pair up and ASCII runs vary.
  tally.Check("all units in one text", WriteCp932(all), PlatformWriteCp932(all));
}

void CompareDoubleByteReader(Reader reader, unsigned codePage, const char* what) {
  Tally tally{what};
  std::string all;
  for (int b = 0; b < 256; ++b) {
    const std::string one = Bytes({b});
    tally.Check(one, Read(reader, one), PlatformRead(codePage, one));
  }
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const std::string pair = Bytes({lead, trail});
      tally.Check(pair, Read(reader, pair), PlatformRead(codePage, pair));
      all += pair;
      all.append(static_cast<std::size_t>(trail % 11), 'a');
    }
  }
  tally.Check("all pairs in one text", Read(reader, all), PlatformRead(codePage, all));
}

TEST(Exhaustive, Every936ByteAndPair) {
  NEED_PLATFORM();
  CompareDoubleByteReader(Cp936ToUtf16, 936, "936 single bytes and pairs");
}

TEST(Exhaustive, Every932ByteAndPair) {
  NEED_PLATFORM();
  CompareDoubleByteReader(Cp932ToUtf16, 932, "932 single bytes and pairs");
}

// Row (ku) and cell (ten), 1-94, to Shift-JIS as the JIS X 0208 annex gives it.
std::string ShiftJis(int ku, int ten) {
  const int lead = (ku + 1) / 2 + (ku <= 62 ? 0x80 : 0xC0);
  const int trail = ku % 2 ? ten + 0x3F + (ten >= 64 ? 1 : 0) : ten + 0x9E;
  return Bytes({lead, trail});
}

TEST(Exhaustive, EveryJisX0208PairThrough50222) {
  Tally tally{kHavePlatform ? "JIS X 0208 pairs against the platform's 932"
                            : "JIS X 0208 pairs against our 932 reader"};
  std::string run = "\x1B$B";
  std::u16string runWant;
  for (int ku = 1; ku <= 94; ++ku) {
    for (int ten = 1; ten <= 94; ++ten) {
      const std::string jis = Bytes({ku + 0x20, ten + 0x20});
      const std::string sjis = ShiftJis(ku, ten);
      const std::u16string want = kHavePlatform ? PlatformRead(932, sjis) : Read(Cp932ToUtf16, sjis);
      tally.Check(jis, Read(Iso2022JpToUtf16, "\x1B$B" + jis + "\x1B(B"), want);
      run += jis;
      runWant += want;
    }
  }
  run += "\x1B(B";
  tally.Check("all pairs in one run", Read(Iso2022JpToUtf16, run), runWant);
}

// ISO-2022-JP straight to 932 writes, for every pair, what the platform's 932
// writes for what its 932 reads from the pair's Shift-JIS code.
TEST(Exhaustive, EveryJisX0208PairStraightTo932) {
  Tally tally{kHavePlatform ? "JIS X 0208 pairs straight to 932 against the platform's 932 both ways"
                            : "JIS X 0208 pairs straight to 932 against our two steps"};
  std::string run = "\x1B$B", runWant;
  auto direct = [](const std::string& jis) {
    std::vector<char> out(2 * jis.size());
    return std::string(out.data(), Iso2022JpToCp932(jis, out.data()));
  };
  for (int ku = 1; ku <= 94; ++ku) {
    for (int ten = 1; ten <= 94; ++ten) {
      const std::string jis = Bytes({ku + 0x20, ten + 0x20});
      const std::string sjis = ShiftJis(ku, ten);
      const std::string want = kHavePlatform ? PlatformWriteCp932(PlatformRead(932, sjis))
                                             : WriteCp932(Read(Cp932ToUtf16, sjis));
      tally.Check(jis, direct("\x1B$B" + jis + "\x1B(B"), want);
      run += jis;
      runWant += want;
    }
  }
  run += "\x1B(B";
  tally.Check("all pairs in one run", direct(run), runWant);
}

// Every sequence of up to two bytes, of three from every lead byte, and
// longer ones over the bytes where the rules change, alone and (a share)
// after a varying run of ASCII.
TEST(Exhaustive, Utf8MalformedSequencesFollowTheRules) {
  Tally tally{"UTF-8 sequences against the slow reading of the rules"};
  long count = 0;
  auto check = [&](const std::string& seq) {
    tally.Check(seq, Read(Utf8ToUtf16, seq), ReferenceUtf8ToUtf16(seq));
    if (++count % 5 == 0) {  // a share is enough to cover the hand-over from the ASCII path
      const std::string padded = std::string(count % 11, 'a') + seq + "z";
      tally.Check(padded, Read(Utf8ToUtf16, padded), ReferenceUtf8ToUtf16(padded));
    }
  };
  for (int a = 0; a < 256; ++a) {
    check(Bytes({a}));
    for (int b = 0; b < 256; ++b) {
      check(Bytes({a, b}));
      // Three bytes after every byte that can start a sequence; after the
      // others, the edge sweep below.
      if (a < 0xC2 || a > 0xF4) continue;
      for (int c = 0; c < 256; ++c) check(Bytes({a, b, c}));
    }
  }
  const int edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                       0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFE, 0xFF};
  for (int a : edges)
    for (int b : edges)
      for (int c : edges)
        for (int d : edges) {
          check(Bytes({a, b, c, d}));
          for (int e : {0x41, 0x80, 0xBF, 0xE3, 0xF0}) check(Bytes({a, b, c, d, e}));
        }
}

}  // namespace
}  // namespace ravlet::codepage::testing
