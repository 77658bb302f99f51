// Decoding of MIME encoded words ("=?charset?B?...?=", "=?charset?Q?...?=")
// in one header field into Shift-JIS (code page 932).
#ifndef RAVLET_DECODE_ENCODED_WORD_H
#define RAVLET_DECODE_ENCODED_WORD_H

#include <cstddef>
#include <string>
#include <string_view>

namespace ravlet {

// One parsed encoded word. Throws std::invalid_argument when the word has no
// "=?", no separators, an empty or unsupported encoding, or no closing "?=".
struct EncodedWord {
  std::string charset;  // as written; DecodeHeaderField upper-cases it
  char encoding = 0;    // 'B' or 'Q'
  std::string text;     // decoded bytes, before any charset conversion
  std::string source;   // the word exactly as given

  explicit EncodedWord(std::string_view word);
};

// How a charset's decoded bytes become Shift-JIS. codePage 0 means the bytes
// are Shift-JIS already and are used unchanged.
struct CharsetEntry {
  std::string_view name;
  unsigned codePage;
};

inline constexpr CharsetEntry CharsetTable[] = {
    {"UTF-8", 65001},
    {"ISO-2022-JP", 50222},
    {"SHIFT_JIS", 0},
    {"GB2312", 936},
};

// The entry whose name equals `upperCharset` exactly, or nullptr.
const CharsetEntry* FindCharset(std::string_view upperCharset);

// Decodes every encoded word in `field` (a whole logical field, folds
// included) and copies everything between the words unchanged. Words in
// charsets outside CharsetTable stay as they stood. The field ends at its
// first NUL byte, as a host text would. Throws std::invalid_argument as
// EncodedWord does.
std::string DecodeHeaderField(std::string_view field);

// The same, appending to `out`; after a throw `out` holds part of the field
// and must not be used.
void AppendDecodedHeaderField(std::string_view field, std::string& out);

// Base64; bytes without a value are skipped. Ends at the first zero byte.
std::string DecodeBase64Text(std::string_view text);

// The Q encoding; empty when the text cannot be decoded. Ends at the first
// zero byte.
std::string DecodeQText(std::string_view text);

// Converts `source` (no NUL inside) from `codePage` into Shift-JIS in
// `destination`, which has room for `capacity` bytes plus a terminator, and
// always terminates it. Returns the byte count including the terminator, or 0
// when the conversion failed (the destination then holds an empty text).
int ConvertToShiftJis(unsigned codePage, std::string_view source, char* destination, std::size_t capacity);

}  // namespace ravlet

#endif
