// Conversion to Shift-JIS with our own tables (codepage/), which give the
// results of Windows' conversion. Used everywhere except where the Windows
// platform itself converts, and there for the code pages it refuses.
#ifndef RAVLET_DECODE_OWN_CONVERSION_H
#define RAVLET_DECODE_OWN_CONVERSION_H

#include <cstddef>
#include <string_view>

namespace ravlet {

// Same contract as ConvertToShiftJis.
int ConvertToShiftJisWithOwnTables(unsigned codePage, std::string_view source, char* destination,
                                   std::size_t capacity);

}  // namespace ravlet

#endif
