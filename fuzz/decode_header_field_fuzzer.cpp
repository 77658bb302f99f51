// DecodeHeaderField on arbitrary fields: the text around and between the
// words is kept, words in other charsets stay as they stood, and the result
// stays within the room the conversion buffers give it.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "decode/encoded_word.h"
#include "fuzz/check.h"
#include "fuzz/words.h"

using ravlet::fuzz::AsText;
using ravlet::fuzz::Fail;
using ravlet::fuzz::FindWords;
using ravlet::fuzz::IsConvertedCharset;
using ravlet::fuzz::Require;
using ravlet::fuzz::UpToNul;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = AsText(data, size);
  const std::string_view field = UpToNul(input);
  const auto words = FindWords(field);

  std::string expectedFailure;
  for (const auto& w : words) {
    expectedFailure = ravlet::fuzz::ExpectedFailure(w);
    if (!expectedFailure.empty()) break;
  }

  std::string out;
  try {
    out = ravlet::DecodeHeaderField(input);
  } catch (const std::invalid_argument& e) {
    Require(!expectedFailure.empty(), "threw for a field whose words are all well formed", input);
    Require(std::string_view(e.what()) == expectedFailure, "threw another message than the first bad word's", input);
    return 0;
  } catch (...) {
    Fail("threw something other than std::invalid_argument", input);
  }

  Require(expectedFailure.empty(), "did not throw for a word with a bad encoding", input);
  Require(out.find('\0') == std::string::npos, "result holds a NUL byte", input);
  if (field.size() != input.size())
    Require(ravlet::DecodeHeaderField(field) == out, "read past the first NUL byte", input);

  if (words.empty()) {
    Require(out == field, "changed a field without an encoded word", input);
    return 0;
  }

  bool anyConverted = false;
  for (const auto& w : words) anyConverted = anyConverted || IsConvertedCharset(w.upperCharset);
  if (!anyConverted) Require(out == field, "changed words in charsets it does not convert", input);

  // No word yields more than two Shift-JIS bytes per byte of its text.
  Require(out.size() <= 2 * field.size(), "result longer than the conversion buffers allow", input);
  const std::string_view before = field.substr(0, words.front().start);
  const std::string_view after = field.substr(words.back().start + words.back().size);
  Require(out.size() >= before.size() + after.size(), "lost the text around the words", input);
  Require(out.starts_with(before), "lost the text before the first word", input);
  Require(out.ends_with(after), "lost the text after the last word", input);
  return 0;
}
