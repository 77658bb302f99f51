// A second, slow reading of UTF-8 as Windows' MultiByteToWideChar(65001, 0)
// reads it, stated over the set of well-formed byte sequences rather than
// over byte ranges, to check the fast reader against.
#ifndef RAVLET_TESTS_CODEPAGE_UTF8_REFERENCE_H
#define RAVLET_TESTS_CODEPAGE_UTF8_REFERENCE_H

#include <string>
#include <string_view>

namespace ravlet::codepage::testing {

std::u16string ReferenceUtf8ToUtf16(std::string_view src);

}  // namespace ravlet::codepage::testing

#endif
