// EncodedWord, DecodeBase64Text and DecodeQText on arbitrary bytes: every
// failure carries the message its condition calls for, a parsed word holds
// what stood between its separators, and B and Q texts that we encode
// ourselves decode back to the bytes we started from.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "decode/encoded_word.h"
#include "fuzz/check.h"

namespace {

using ravlet::fuzz::AsText;
using ravlet::fuzz::Fail;
using ravlet::fuzz::Require;

std::string ExpectedFailure(std::string_view word) {
  std::size_t a = word.find("=?");
  if (a == std::string_view::npos) return "=? not found";
  std::size_t b = word.find('?', a + 2);
  if (b == std::string_view::npos) return "separator(?) not found";
  std::size_t c = word.find('?', b + 1);
  if (c == std::string_view::npos) return "separator(?) not found";
  if (c == b + 1) return "encoding type not found." + std::string(word.substr(b + 1));
  std::size_t d = word.find("?=", c + 1);
  if (d == std::string_view::npos) return "?= not found.[" + std::string(word) + "]";
  char e = word[b + 1];
  if (e != 'B' && e != 'b' && e != 'Q' && e != 'q') return "not support encode.";
  return {};
}

std::string Base64(std::string_view bytes, std::string_view junk) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t junkAt = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
    // Bytes without a Base64 value are skipped wherever they stand.
    if (junkAt < junk.size()) out += junk[junkAt++];
  }
  return out;
}

// Q text for `bytes`: hex escapes in either case where `style` asks for
// them, "_" for a space, soft line breaks here and there.
std::string QEncode(std::string_view bytes, std::string_view style) {
  static constexpr char kUpper[] = "0123456789ABCDEF";
  static constexpr char kLower[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    unsigned s = i < style.size() ? static_cast<unsigned char>(style[i]) : 0;
    bool plain = b > 0x20 && b < 0x7f && b != '=' && b != '_' && b != '?';
    if (b == ' ' && (s & 1)) {
      out += '_';
    } else if (plain && (s & 2)) {
      out += static_cast<char>(b);
    } else {
      const char* hex = (s & 4) ? kLower : kUpper;
      out += '=';
      out += hex[b >> 4];
      out += hex[b & 15];
    }
    if (s & 8) out += "=\r\n";
  }
  return out;
}

bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = AsText(data, size);
  const std::string expectedFailure = ExpectedFailure(input);

  try {
    ravlet::EncodedWord word(input);
    Require(expectedFailure.empty(), "parsed a word it should have refused", input);
    Require(word.source == input, "source is not the word as given", input);
    std::size_t a = input.find("=?");
    std::size_t b = input.find('?', a + 2);
    std::size_t c = input.find('?', b + 1);
    std::size_t d = input.find("?=", c + 1);
    Require(word.charset == input.substr(a + 2, b - a - 2), "charset is not what stood before the \"?\"",
            input);
    Require(word.encoding == 'B' || word.encoding == 'Q', "encoding is neither B nor Q", input);
    std::string_view encoded = input.substr(c + 1, d - c - 1);
    std::string decoded = word.encoding == 'B' ? ravlet::DecodeBase64Text(encoded) : ravlet::DecodeQText(encoded);
    Require(word.text == decoded, "text differs from decoding the encoded text", input);
  } catch (const std::invalid_argument& e) {
    Require(!expectedFailure.empty(), "refused a well-formed word", input);
    // what() is a C string: a NUL inside the word ends the message there.
    Require(std::string_view(e.what()) == ravlet::fuzz::UpToNul(expectedFailure),
            "failure message differs from its condition's", input);
  } catch (...) {
    Fail("threw something other than std::invalid_argument", input);
  }

  // The decoders on the raw bytes: bounded by their buffers, never a NUL.
  std::string b = ravlet::DecodeBase64Text(input);
  std::size_t values = 0;
  for (char ch : input) values += IsBase64Char(ch);
  Require(b.size() <= values * 3 / 4, "B yields more than three bytes per four characters", input);
  Require(b.find('\0') == std::string::npos, "B result holds a NUL byte", input);
  std::string q = ravlet::DecodeQText(input);
  Require(q.size() <= input.size(), "Q yields more than a byte per character", input);
  Require(q.find('\0') == std::string::npos, "Q result holds a NUL byte", input);
  if (input.find('=') == std::string_view::npos) {
    std::string plain;
    for (char ch : input) {
      if (ch == '\0') break;
      if (ch == '\r' || ch == '\n') continue;
      plain += ch == '_' ? ' ' : ch;
    }
    Require(q == plain, "Q changed a text without \"=\" beyond \"_\" and line ends", input);
  }

  // Round trips: the first half of the input is the payload, the second
  // half says how to encode it.
  std::string_view payload = input.substr(0, input.size() / 2);
  payload = payload.substr(0, payload.find('\0'));
  std::string_view style = input.substr(input.size() / 2);
  std::string junk;
  for (char ch : style)
    if (!IsBase64Char(ch) && ch != '\0') junk += ch;
  Require(ravlet::DecodeBase64Text(Base64(payload, junk)) == payload, "B does not round-trip", input);
  Require(ravlet::DecodeQText(QEncode(payload, style)) == payload, "Q does not round-trip", input);
  return 0;
}
