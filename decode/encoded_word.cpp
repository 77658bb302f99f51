#include "decode/encoded_word.h"

#include <stdexcept>

namespace ravlet {
namespace {

constexpr auto npos = std::string_view::npos;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Where the next encoded word lies in `field`, searching from `pos`. A word
// that is not complete ends the search: the rest is plain text.
struct WordSpan {
  std::size_t start;
  std::size_t size;
};

bool FindNextWord(std::string_view field, std::size_t pos, WordSpan& span) {
  const std::size_t start = field.find("=?", pos);
  if (start == npos) return false;
  const std::size_t q1 = field.find('?', start + 2);
  if (q1 == npos) return false;
  const std::size_t q2 = field.find('?', q1 + 1);
  if (q2 == npos) return false;
  const std::size_t end = field.find("?=", q2 + 1);
  if (end == npos) return false;
  span = {start, end + 2 - start};
  return true;
}

// Appends the Shift-JIS form of `text` read in `codePage`.
void AppendConverted(unsigned codePage, std::string_view text, std::string& out) {
  // Each source byte gives at most one UTF-16 unit and each unit at most two
  // Shift-JIS bytes, so 2n + 1 bytes (with the terminator) always suffice.
  const std::size_t capacity = 2 * text.size() + 1;
  const std::size_t old = out.size();
  out.resize(old + capacity + 1);
  const int count = ConvertToShiftJis(codePage, text, out.data() + old, capacity);
  // The count includes the terminator; the converted text ends at its first
  // NUL, which is the terminator unless the source held U+0000.
  std::string_view converted(out.data() + old, count > 0 ? static_cast<std::size_t>(count) - 1 : 0);
  out.resize(old + converted.substr(0, converted.find('\0')).size());
}

}  // namespace

EncodedWord::EncodedWord(std::string_view word) : source(word) {
  const std::size_t a = word.find("=?");
  if (a == npos) throw std::invalid_argument("=? not found");
  const std::size_t b = word.find('?', a + 2);
  if (b == npos) throw std::invalid_argument("separator(?) not found");
  charset.assign(word.substr(a + 2, b - (a + 2)));
  const std::size_t c = word.find('?', b + 1);
  if (c == npos) throw std::invalid_argument("separator(?) not found");
  if (c == b + 1) {
    throw std::invalid_argument("encoding type not found." + std::string(word.substr(b + 1)));
  }
  // Only the first letter counts, so "Base64" reads as B.
  encoding = word[b + 1];
  const std::size_t d = word.find("?=", c + 1);
  if (d == npos) throw std::invalid_argument("?= not found.[" + std::string(word) + "]");
  const std::string_view encoded = word.substr(c + 1, d - (c + 1));
  encoding = AsciiUpper(encoding);
  if (encoding == 'B') {
    text = DecodeBase64Text(encoded);
  } else if (encoding == 'Q') {
    text = DecodeQText(encoded);
  } else {
    throw std::invalid_argument("not support encode.");
  }
}

const CharsetEntry* FindCharset(std::string_view upperCharset) {
  for (const CharsetEntry& entry : CharsetTable) {
    if (entry.name == upperCharset) return &entry;
  }
  return nullptr;
}

void AppendDecodedHeaderField(std::string_view field, std::string& out) {
  field = field.substr(0, field.find('\0'));
  std::size_t pos = 0;
  WordSpan span;
  while (FindNextWord(field, pos, span)) {
    EncodedWord word(field.substr(span.start, span.size));
    out.append(field, pos, span.start - pos);
    for (char& c : word.charset) c = AsciiUpper(c);
    if (const CharsetEntry* entry = FindCharset(word.charset)) {
      if (entry->codePage == 0) {
        out += word.text;
      } else {
        AppendConverted(entry->codePage, word.text, out);
      }
    } else {
      out += word.source;
    }
    pos = span.start + span.size;
  }
  out.append(field, pos);
}

std::string DecodeHeaderField(std::string_view field) {
  std::string result;
  result.reserve(field.size());
  AppendDecodedHeaderField(field, result);
  return result;
}

}  // namespace ravlet
