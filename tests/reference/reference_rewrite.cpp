// The rewrite read literally, one step at a time, over NUL-terminated texts.
// Each function follows its numbered steps in order (the step numbers are in
// the comments) so it can be checked line by line.
#include "tests/reference/reference_rewrite.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "codepage/from_utf16.h"
#include "codepage/to_utf16.h"

namespace reference {

namespace {

// The classic default locale: only ASCII letters change case, and bytes of
// 0x80 or more are neither letters nor digits. Spelled out so no locale set
// elsewhere can change the reading.
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Base64 value of a byte, or -1 for a byte without one.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// "The result is the emitted bytes up to (not including) the first zero byte."
std::string UpToFirstZero(const std::string& emitted) { return std::string(emitted.c_str()); }

}  // namespace

EncodedWord::EncodedWord(const char* word) {
  // 1.
  source = word;
  // 2.
  const char* a = std::strstr(word, "=?");
  if (a == nullptr) throw std::invalid_argument("=? not found");
  // 3.
  const char* b = std::strchr(a + 2, '?');
  if (b == nullptr) throw std::invalid_argument("separator(?) not found");
  // 4.
  charset.assign(a + 2, b);
  // 5.
  const char* c = std::strchr(b + 1, '?');
  if (c == nullptr) throw std::invalid_argument("separator(?) not found");
  // 6.
  if (c == b + 1) throw std::invalid_argument(std::string("encoding type not found.") + (b + 1));
  // 7.
  encoding = b[1];
  // 8.
  const char* d = std::strstr(c + 1, "?=");
  if (d == nullptr) throw std::invalid_argument(std::string("?= not found.[") + word + "]");
  // 9.
  const std::string encoded(c + 1, d);
  // 10.
  encoding = AsciiUpper(encoding);
  if (encoding == 'B') {
    text = DecodeBase64Text(encoded.c_str());
  } else if (encoding == 'Q') {
    text = DecodeQText(encoded.c_str());
  } else {
    throw std::invalid_argument("not support encode.");
  }
}

std::string DecodeBase64Text(const char* text) {
  std::string emitted;
  const std::size_t len = std::strlen(text);
  std::size_t p = 0;
  while (p < len) {
    // a.
    unsigned long acc = 0;
    int bits = 0;
    int collected = 0;
    while (collected < 4 && p < len) {
      const int v = Base64Value(text[p]);
      ++p;
      if (v >= 0) {
        acc = acc * 64 + static_cast<unsigned long>(v);
        bits += 6;
        ++collected;
      }
    }
    // b.
    const int n = bits / 8;
    // c.
    acc <<= (24 - bits);
    for (int i = 0; i < n; ++i) {
      emitted.push_back(static_cast<char>((acc >> 16) & 0xFF));
      acc <<= 8;
    }
  }
  // 2.
  return UpToFirstZero(emitted);
}

std::string DecodeQText(const char* text) {
  std::string emitted;
  const std::size_t len = std::strlen(text);
  std::size_t k = 0;
  while (k < len) {
    const char c = text[k];
    if (c == '=') {
      if (k + 2 < len && AsciiLetterOrDigit(text[k + 1])) {
        // Read exactly as an unsigned-long conversion with base 16 would
        // read the two bytes.
        const char digits[3] = {text[k + 1], text[k + 2], '\0'};
        const unsigned long value = std::strtoul(digits, nullptr, 16);
        emitted.push_back(static_cast<char>(value & 0xFF));
        k += 3;
      } else if (k + 2 < len && text[k + 1] == '\r' && text[k + 2] == '\n') {
        k += 3;
      } else {
        return std::string();
      }
    } else if (c == '\r' || c == '\n') {
      ++k;
    } else if (c == '_') {
      emitted.push_back(' ');
      ++k;
    } else {
      emitted.push_back(c);
      ++k;
    }
  }
  return UpToFirstZero(emitted);
}

long CharsetCodePage(const std::string& upperCharset) {
  const char* name = upperCharset.c_str();
  if (std::strcmp(name, "UTF-8") == 0) return 65001;
  if (std::strcmp(name, "ISO-2022-JP") == 0) return 50222;
  if (std::strcmp(name, "SHIFT_JIS") == 0) return 0;
  if (std::strcmp(name, "GB2312") == 0) return 936;
  return -1;
}

int ConvertToShiftJis(unsigned codePage, const char* source, char* destination, std::size_t capacity) {
  const std::size_t length = std::strlen(source);
  // 1. Units needed, the terminator included. Our readers stand in for the
  // platform: they yield one unit per source byte at most, and the NUL is one
  // more. A code page they do not read is the platform's answer 0; the
  // destination is then left as an empty text.
  std::vector<char16_t> probe(length + 1);
  const auto units = ravlet::codepage::ToUtf16(codePage, std::string_view(source, length), probe.data());
  if (!units) {
    destination[0] = '\0';
    return 0;
  }
  const std::size_t needed = *units + 1;
  // 2.
  std::vector<char16_t> wide(needed + 1);
  ravlet::codepage::ToUtf16(codePage, std::string_view(source, length), wide.data());
  wide[needed - 1] = u'\0';
  // 3. Everything up to and including the NUL must fit in `capacity`, or the
  // conversion fails and reports 0.
  std::vector<char> bytes(2 * needed);
  const std::size_t written =
      ravlet::codepage::Utf16ToCp932(std::u16string_view(wide.data(), needed - 1), bytes.data());
  std::size_t k = written + 1;
  if (k > capacity) {
    k = 0;
  } else {
    std::memcpy(destination, bytes.data(), written);
  }
  // 4.
  destination[k] = '\0';
  if (k > 0) destination[k - 1] = '\0';
  return static_cast<int>(k);
}

namespace {

// The next encoded word at or after `pos`: sets `start` and `after` (one past
// its "?="). False when any of the four searches finds nothing.
bool FindNextWord(const char* pos, const char*& start, const char*& after) {
  const char* s = std::strstr(pos, "=?");
  if (s == nullptr) return false;
  const char* q1 = std::strchr(s + 2, '?');
  if (q1 == nullptr) return false;
  const char* q2 = std::strchr(q1 + 1, '?');
  if (q2 == nullptr) return false;
  const char* end = std::strstr(q2 + 1, "?=");
  if (end == nullptr) return false;
  start = s;
  after = end + 2;
  return true;
}

}  // namespace

std::string DecodeHeaderField(const char* field) {
  // 1.
  std::string result;
  const char* pos = field;
  for (;;) {
    // 2.
    const char* start = nullptr;
    const char* after = nullptr;
    if (!FindNextWord(pos, start, after)) {
      result += pos;
      return result;
    }
    // 3.
    const std::string wordText(start, after);
    EncodedWord word(wordText.c_str());
    // 4.
    result.append(pos, start);
    // 5.
    for (char& c : word.charset) c = AsciiUpper(c);
    // 6.
    const long codePage = CharsetCodePage(word.charset);
    if (codePage > 0) {
      const std::size_t n = word.text.size();
      std::vector<char> buffer(2 * n + 2);
      ConvertToShiftJis(static_cast<unsigned>(codePage), word.text.c_str(), buffer.data(), 2 * n + 1);
      result += buffer.data();
    } else if (codePage == 0) {
      result += word.text;
    } else {
      result += word.source;
    }
    // 7.
    pos = after;
  }
}

std::string ReadBodyLines(std::istream& reader) {
  std::string body;
  std::string line;
  while (std::getline(reader, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    body += line;
    body += "\r\n";
  }
  return body;
}

namespace {

void EmitField(const std::string& field, bool decodeHeaders, std::string& output) {
  output += decodeHeaders ? DecodeHeaderField(field.c_str()) : field;
  output += "\r\n";
}

// The body when it is not re-ended. The plain copy starts at
// headerEnd + 2; when the header loop stopped at the blank line of the first
// CR LF CR LF that is the same as a CR LF followed by everything after that
// blank line. When the loop stopped at an earlier empty line (a header with
// bare LF ends, "A: 1" LF LF "B: 2" CR LF CR LF ...), copying from headerEnd + 2
// would drop the lines in between, so the copy starts where the loop stopped:
// the blank line as CR LF, then the rest of the input byte for byte.
void AppendBodyUnchanged(std::istream& reader, std::string& output) {
  output += "\r\n";
  output.append(std::istreambuf_iterator<char>(reader.rdbuf()), std::istreambuf_iterator<char>());
}

}  // namespace

bool RewriteMessage(const std::string& message, std::string& output) {
  const char* text = message.c_str();  // up to the first NUL
  // 1.
  output.clear();
  // 2.
  const char* headerEnd = std::strstr(text, "\r\n\r\n");
  const char* firstWord = std::strstr(text, "=?");
  // 3.
  const bool decodeHeaders = headerEnd != nullptr && firstWord != nullptr && firstWord < headerEnd;
  // 4.
  bool fixBody = false;
  if (headerEnd != nullptr) {
    const char* from = headerEnd + 2;
    for (const char* p = from; *p != '\0'; ++p) {
      if (*p == '\r' && p[1] != '\n') fixBody = true;
    }
    if (!fixBody) {
      for (const char* p = from; *p != '\0'; ++p) {
        if (*p == '\n' && (p == from || p[-1] != '\r')) fixBody = true;
      }
    }
  }
  // 5.
  if (!decodeHeaders && !fixBody) return false;
  // 6.
  std::istringstream reader{std::string(text)};
  std::string field;
  // 7.
  std::string line;
  while (std::getline(reader, line)) {
    if (line.empty()) break;
    if (line.back() == '\r') line.pop_back();
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      field += "\r\n";
      field += line;
    } else {
      if (!field.empty()) EmitField(field, decodeHeaders, output);
      field = line;
    }
  }
  // 8.
  if (!field.empty()) EmitField(field, decodeHeaders, output);
  // 9.
  if (fixBody) {
    output += "\r\n";
    output += ReadBodyLines(reader);
  } else {
    AppendBodyUnchanged(reader, output);
  }
  // 10.
  return true;
}

}  // namespace reference
