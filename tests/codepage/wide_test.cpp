// The wide paths (AVX-512, where the processor has it) against the scalar
// code that defines the results, on long texts made of pieces that hit every
// rule, at every offset from the 64-byte windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "codepage/to_cp932.h"
#include "codepage/wide.h"
#include "convert.h"
#include "utf8_reference.h"

namespace ravlet::codepage::testing {
namespace {

struct Random {
  std::uint64_t state;
  unsigned Below(unsigned n) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<unsigned>((state >> 33) % n);
  }
};

// Texts of every length up to a few windows, then longer ones: mostly
// `common` pieces (so that the wide paths run), now and then a `rare` one.
template <typename Piece>
std::vector<std::basic_string<typename Piece::value_type>> Texts(const std::vector<Piece>& common,
                                                                const std::vector<Piece>& rare) {
  Random random{42};
  std::vector<std::basic_string<typename Piece::value_type>> texts;
  for (int i = 0; i < 3000; ++i) {
    const std::size_t length = i < 1000 ? static_cast<std::size_t>(i % 300) : 200 + random.Below(4000);
    std::basic_string<typename Piece::value_type> text;
    while (text.size() < length) {
      const bool isRare = random.Below(i % 3 == 0 ? 400 : 25) == 0;
      const auto& from = isRare ? rare : common;
      text += from[random.Below(static_cast<unsigned>(from.size()))];
    }
    texts.push_back(text);
  }
  return texts;
}

// Callers may size a buffer by an earlier count (as ConvertToShiftJis does
// with the platform's functions), so nothing past the result may be written.
template <typename Unit, typename Convert>
bool WritesOnlyItsResult(std::size_t room, Convert convert) {
  constexpr Unit kUntouched = static_cast<Unit>(0x5A);
  std::vector<Unit> buffer(room + 64, kUntouched);
  const std::size_t n = convert(buffer.data());
  for (std::size_t i = n; i < buffer.size(); ++i)
    if (buffer[i] != kUntouched) return false;
  return true;
}

void Report(const char* what, long texts, long bytes, long differences) {
  std::printf("%s: %ld texts (%ld bytes or units) compared, %ld differences; wide paths %s\n", what, texts, bytes,
              differences, detail::HaveWidePaths() ? "on" : "off (scalar only)");
  EXPECT_EQ(differences, 0) << what;
}

TEST(WidePaths, Utf8AgreesWithScalarAndRules) {
  const std::vector<std::string> common = {
      "\xE3\x81\x82", "\xE6\xBC\xA2", "\xE5\xAD\x97", "\xE3\x83\xBC", "\xEF\xBC\x81", "\xEF\xBF\xBF", "\xE0\xA0\x80",
      "\xED\x9F\xBF", "\xEE\x80\x80", "\xC3\xA9", "\xDF\xBF", "\xC2\x80", "abc", " ", "\r\n", "0123456789",
  };
  const std::vector<std::string> rare = {
      "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xC0\x80", "\xC1", "\xED\xA0\x80", "\xE0\x80\x80", "\xE0\x9F",
      "\xF4\x90\x80\x80", "\x80", "\xBF\xBF", "\xE3\x81", "\xE3", "\xF0\x9F\x98", "\xFF", "\xF5", std::string(1, '\0'),
      "\xEF\xBB\xBF",
  };
  long differences = 0, bytes = 0, count = 0;
  for (const auto& text : Texts(common, rare)) {
    std::vector<char16_t> scalar(text.size());
    scalar.resize(detail::Utf8ToUtf16Scalar(text.data(), text.size(), scalar.data()));
    const std::u16string wide = Read(Utf8ToUtf16, text);
    std::vector<char> twoSteps(2 * scalar.size()), direct(2 * text.size()), directScalar(2 * text.size());
    twoSteps.resize(detail::Utf16ToCp932Scalar(scalar.data(), scalar.size(), twoSteps.data()));
    direct.resize(Utf8ToCp932(text, direct.data()));
    directScalar.resize(detail::Utf8ToCp932Scalar(text.data(), text.size(), directScalar.data()));
    const bool same = wide == std::u16string(scalar.begin(), scalar.end()) && wide == ReferenceUtf8ToUtf16(text) &&
                      WritesOnlyItsResult<char16_t>(text.size(), [&](char16_t* d) { return Utf8ToUtf16(text, d); }) &&
                      direct == twoSteps && directScalar == twoSteps &&
                      WritesOnlyItsResult<char>(2 * text.size(), [&](char* d) { return Utf8ToCp932(text, d); });
    if (!same && differences++ < 5) ADD_FAILURE() << Hex(text);
    bytes += static_cast<long>(text.size());
    ++count;
  }
  Report("UTF-8, wide against scalar and the rules, and straight to 932 against the two steps", count, bytes, differences);
}

TEST(WidePaths, Iso2022JpAgreesWithScalar) {
  std::vector<std::string> common = {"\x1B$B", "\x1B(B", "abc", " ", "\r\n", "12"};
  for (int ku = 1; ku <= 94; ku += 3)
    for (int ten = 1; ten <= 94; ten += 5) common.push_back({static_cast<char>(0x20 + ku), static_cast<char>(0x20 + ten)});
  const std::vector<std::string> rare = {
      "\x1B(J", "\x1B$@", "\x1B(I", "\x1B$(D", "\x0E", "\x0F", "\x1B(Z", "\x1B", "\x1B$", "\xB1", "\x82\xA0",
      "\x82", "\x80", "\xFF", std::string(1, '\0'), "\x7F", "\x21", "\t",
  };
  long differences = 0, bytes = 0, count = 0;
  for (const auto& text : Texts(common, rare)) {
    std::vector<char16_t> scalar(text.size());
    scalar.resize(detail::Iso2022JpToUtf16Scalar(text.data(), text.size(), scalar.data()));
    std::vector<char> twoSteps(2 * scalar.size()), direct(2 * text.size()), directScalar(2 * text.size());
    twoSteps.resize(detail::Utf16ToCp932Scalar(scalar.data(), scalar.size(), twoSteps.data()));
    direct.resize(Iso2022JpToCp932(text, direct.data()));
    directScalar.resize(detail::Iso2022JpToCp932Scalar(text.data(), text.size(), directScalar.data()));
    const bool same =
        Read(Iso2022JpToUtf16, text) == std::u16string(scalar.begin(), scalar.end()) &&
        WritesOnlyItsResult<char16_t>(text.size(), [&](char16_t* d) { return Iso2022JpToUtf16(text, d); }) &&
        direct == twoSteps && directScalar == twoSteps &&
        WritesOnlyItsResult<char>(2 * text.size(), [&](char* d) { return Iso2022JpToCp932(text, d); });
    if (!same && differences++ < 5)
      ADD_FAILURE() << Hex(text);
    bytes += static_cast<long>(text.size());
    ++count;
  }
  Report("ISO-2022-JP, wide against scalar, and straight to 932 against the two steps", count, bytes, differences);
}

TEST(WidePaths, Utf16To932AgreesWithScalar) {
  std::vector<std::u16string> common = {u"abc", u"\r\n", u"\u3042", u"\u30A2", u"\u6F22", u"\u5B57", u"\uFF01"};
  std::vector<std::u16string> rare;
  for (unsigned u = 1; u <= 0xFFFF; u += 97) rare.push_back(std::u16string(1, static_cast<char16_t>(u)));
  rare.push_back(std::u16string(1, char16_t{0xFFFF}));
  rare.push_back(std::u16string(1, char16_t{0}));
  auto texts = Texts(common, rare);
  std::u16string all;  // and every unit once, in one text
  for (unsigned u = 0; u <= 0xFFFF; ++u) all += static_cast<char16_t>(u);
  texts.push_back(all);
  long differences = 0, units = 0, count = 0;
  for (const auto& text : texts) {
    std::vector<char> scalar(2 * text.size());
    scalar.resize(detail::Utf16ToCp932Scalar(text.data(), text.size(), scalar.data()));
    const bool same = WriteCp932(text) == std::string(scalar.begin(), scalar.end()) &&
                      WritesOnlyItsResult<char>(2 * text.size(), [&](char* d) { return Utf16ToCp932(text, d); });
    if (!same && differences++ < 5)
      ADD_FAILURE() << Hex(text);
    units += static_cast<long>(text.size());
    ++count;
  }
  Report("UTF-16 to 932, wide against scalar", count, units, differences);
}

}  // namespace
}  // namespace ravlet::codepage::testing
