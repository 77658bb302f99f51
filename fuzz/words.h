// The word search of DecodeHeaderField, restated plainly so the fuzz targets
// can say which parts of a field must come out untouched.
#ifndef RAVLET_FUZZ_WORDS_H
#define RAVLET_FUZZ_WORDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ravlet::fuzz {

struct FoundWord {
  std::size_t start;
  std::size_t size;
  std::string upperCharset;
  std::string_view encoding;  // between the second and third "?"
  std::string_view afterCharset;  // the word after the charset's "?"
};

// Every encoded word of `field`, in order. A search that finds no complete
// word ends the list: the rest counts as plain text.
inline std::vector<FoundWord> FindWords(std::string_view field) {
  std::vector<FoundWord> words;
  std::size_t pos = 0;
  for (;;) {
    std::size_t start = field.find("=?", pos);
    if (start == std::string_view::npos) break;
    std::size_t q1 = field.find('?', start + 2);
    if (q1 == std::string_view::npos) break;
    std::size_t q2 = field.find('?', q1 + 1);
    if (q2 == std::string_view::npos) break;
    std::size_t end = field.find("?=", q2 + 1);
    if (end == std::string_view::npos) break;
    std::string charset(field.substr(start + 2, q1 - start - 2));
    for (char& c : charset)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    words.push_back({start, end + 2 - start, charset, field.substr(q1 + 1, q2 - q1 - 1),
                     field.substr(q1 + 1, end + 2 - q1 - 1)});
    pos = end + 2;
  }
  return words;
}

// The failure EncodedWord reports for a word the search found, or empty.
inline std::string ExpectedFailure(const FoundWord& w) {
  if (w.encoding.empty()) return "encoding type not found." + std::string(w.afterCharset);
  char e = w.encoding[0];
  if (e != 'B' && e != 'b' && e != 'Q' && e != 'q') return "not support encode.";
  return {};
}

inline bool IsConvertedCharset(std::string_view upper) {
  return upper == "UTF-8" || upper == "ISO-2022-JP" || upper == "SHIFT_JIS" || upper == "GB2312";
}

}  // namespace ravlet::fuzz

#endif
