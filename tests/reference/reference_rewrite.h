// A slow, literal second reading of the message rewrite and the encoded-word
// decoding, kept apart from the production code so the two can be compared.
// It works over NUL-terminated texts with strstr/strchr and reads lines with
// std::getline, one numbered step at a time; speed is no goal.
#ifndef RAVLET_TESTS_REFERENCE_REFERENCE_REWRITE_H
#define RAVLET_TESTS_REFERENCE_REFERENCE_REWRITE_H

#include <cstddef>
#include <istream>
#include <string>

namespace reference {

struct EncodedWord {
  std::string charset;
  char encoding = 0;
  std::string text;
  std::string source;

  // `word` is NUL-terminated. Throws std::invalid_argument.
  explicit EncodedWord(const char* word);
};

std::string DecodeBase64Text(const char* text);
std::string DecodeQText(const char* text);

// Code page of an upper-cased charset name: 65001, 50222, 936, 0 for
// SHIFT_JIS (bytes used unchanged), or -1 when the name is not in the table.
long CharsetCodePage(const std::string& upperCharset);

int ConvertToShiftJis(unsigned codePage, const char* source, char* destination, std::size_t capacity);

std::string DecodeHeaderField(const char* field);

std::string ReadBodyLines(std::istream& reader);

// `text` ends at its first NUL byte, as a host text does.
bool RewriteMessage(const std::string& text, std::string& output);

}  // namespace reference

#endif
