// The plug-in converts as the Windows it runs on does; where that Windows
// refuses a code page (Wine has no 50220-50222), our own tables stand in.
#include <windows.h>

#include <climits>
#include <memory>
#include <string>

#include "decode/encoded_word.h"
#include "decode/own_conversion.h"

namespace ravlet {

int ConvertToShiftJis(unsigned codePage, std::string_view source, char* destination, std::size_t capacity) {
  destination[0] = '\0';
  // Not even the terminator fits; and a size of 0 would make the platform
  // only measure, returning a count that is not a text.
  if (capacity == 0) return 0;
  // A NUL-terminated copy, converted with its terminator as one text.
  const std::string text(source.substr(0, source.find('\0')));
  if (text.size() >= INT_MAX) return 0;
  const int length = static_cast<int>(text.size()) + 1;

  const int needed = MultiByteToWideChar(codePage, 0, text.c_str(), length, nullptr, 0);
  if (needed == 0) return ConvertToShiftJisWithOwnTables(codePage, text, destination, capacity);

  auto units = std::make_unique<wchar_t[]>(static_cast<std::size_t>(needed) + 1);
  MultiByteToWideChar(codePage, 0, text.c_str(), length, units.get(), needed);

  const int size = capacity >= INT_MAX ? INT_MAX : static_cast<int>(capacity);
  const int count = WideCharToMultiByte(932, 0, units.get(), needed, destination, size, nullptr, nullptr);
  destination[count] = '\0';
  return count;
}

}  // namespace ravlet
