#include <algorithm>
#include <memory>

#include "codepage/to_cp932.h"
#include "decode/encoded_word.h"
#include "decode/own_conversion.h"

namespace ravlet {

int ConvertToShiftJisWithOwnTables(unsigned codePage, std::string_view source, char* destination,
                                   std::size_t capacity) {
  destination[0] = '\0';
  // The source is a NUL-terminated text: it ends at its first NUL.
  source = source.substr(0, source.find('\0'));

  // Straight to Shift-JIS: the same bytes as through UTF-16, at most two
  // per source byte. Like WideCharToMultiByte with the terminator counted,
  // the text and its NUL must fit in `capacity`, or the step fails and
  // leaves an empty text.
  std::optional<std::size_t> written;
  if (2 * source.size() + 1 <= capacity) {
    written = codepage::ToCp932(codePage, source, destination);
  } else {
    auto scratch = std::make_unique<char[]>(2 * source.size() + 1);
    written = codepage::ToCp932(codePage, source, scratch.get());
    if (written && *written + 1 > capacity) return 0;
    if (written) std::copy_n(scratch.get(), *written, destination);
  }
  if (!written) return 0;
  destination[*written] = '\0';
  return static_cast<int>(*written + 1);
}

#ifndef _WIN32
int ConvertToShiftJis(unsigned codePage, std::string_view source, char* destination, std::size_t capacity) {
  return ConvertToShiftJisWithOwnTables(codePage, source, destination, capacity);
}
#endif

}  // namespace ravlet
