// Japanese mail text for the benchmarks, made up from a word list so that
// branch predictors see no short repeating pattern.
#ifndef RAVLET_BENCH_CODEPAGE_JAPANESE_TEXT_H
#define RAVLET_BENCH_CODEPAGE_JAPANESE_TEXT_H

#include <cstddef>
#include <string>

namespace ravlet::bench {

// At least `bytes` bytes of UTF-8: kanji and kana with ASCII words, digits,
// punctuation and line ends mixed in, every character one that Shift-JIS has.
std::string JapaneseUtf8(std::size_t bytes);

}  // namespace ravlet::bench

#endif
