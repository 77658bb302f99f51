#include <algorithm>
#include <memory>

#include "codepage/from_utf16.h"
#include "codepage/to_utf16.h"
#include "decode/encoded_word.h"
#include "decode/own_conversion.h"

namespace ravlet {

int ConvertToShiftJisWithOwnTables(unsigned codePage, std::string_view source, char* destination,
                                   std::size_t capacity) {
  destination[0] = '\0';
  // The source is a NUL-terminated text: it ends at its first NUL.
  source = source.substr(0, source.find('\0'));

  // Words are short; spare the heap for them.
  char16_t small[256];
  std::unique_ptr<char16_t[]> large;
  char16_t* units = small;
  if (source.size() > std::size(small)) {
    large = std::make_unique<char16_t[]>(source.size());
    units = large.get();
  }
  const auto count = codepage::ToUtf16(codePage, source, units);
  if (!count) return 0;

  // Like WideCharToMultiByte with the terminator counted: the text and its
  // NUL must fit in `capacity`, or the step fails and leaves an empty text.
  const std::u16string_view wide(units, *count);
  std::size_t written;
  if (2 * wide.size() + 1 <= capacity) {
    written = codepage::Utf16ToCp932(wide, destination);
  } else {
    auto scratch = std::make_unique<char[]>(2 * wide.size() + 1);
    written = codepage::Utf16ToCp932(wide, scratch.get());
    if (written + 1 > capacity) return 0;
    std::copy_n(scratch.get(), written, destination);
  }
  destination[written] = '\0';
  return static_cast<int>(written + 1);
}

#ifndef _WIN32
int ConvertToShiftJis(unsigned codePage, std::string_view source, char* destination, std::size_t capacity) {
  return ConvertToShiftJisWithOwnTables(codePage, source, destination, capacity);
}
#endif

}  // namespace ravlet
