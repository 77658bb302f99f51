// Every scalar value (U+0000-U+10FFFF without surrogates) is written with the
// textbook encoder; the reader then goes by those forms alone:
// - a whole form at the position is its character;
// - else the longest start of some form there (two bytes or more) gives one
//   U+FFFD for those bytes;
// - else a byte that can start a form, followed by a continuation byte that
//   no form allows after it, gives one U+FFFD for the two (Windows' rule);
// - else the byte gives one U+FFFD.
#include "utf8_reference.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace ravlet::codepage::testing {

namespace {

// A byte sequence of up to four bytes as one number: its length on top.
std::uint64_t Key(std::string_view bytes) {
  std::uint64_t key = bytes.size();
  for (unsigned char b : bytes) key = key << 8 | b;
  return key << (8 * (4 - bytes.size()));
}

std::string Encode(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | c >> 6);
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | c >> 12);
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | c >> 18);
    s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

// By length (index 1-4), so that the short ones are searched in small tables.
struct Forms {
  std::vector<std::pair<std::uint64_t, char32_t>> whole[5];  // sorted by key
  std::vector<std::uint64_t> starts[5];                       // proper prefixes, sorted
};

const Forms& AllForms() {
  static const Forms forms = [] {
    Forms f;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      std::string s = Encode(c);
      f.whole[s.size()].emplace_back(Key(s), c);
      for (std::size_t k = 1; k < s.size(); ++k) f.starts[k].push_back(Key(std::string_view(s).substr(0, k)));
    }
    for (auto& w : f.whole) std::sort(w.begin(), w.end());
    for (auto& st : f.starts) {
      std::sort(st.begin(), st.end());
      st.erase(std::unique(st.begin(), st.end()), st.end());
    }
    return f;
  }();
  return forms;
}

bool IsStart(std::string_view bytes) {
  const auto& starts = AllForms().starts[bytes.size()];
  return std::binary_search(starts.begin(), starts.end(), Key(bytes));
}

const char32_t* WholeForm(std::string_view bytes) {
  const auto& whole = AllForms().whole[bytes.size()];
  auto it = std::lower_bound(whole.begin(), whole.end(), std::make_pair(Key(bytes), char32_t{0}));
  return it != whole.end() && it->first == Key(bytes) ? &it->second : nullptr;
}

void Append(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

}  // namespace

std::u16string ReferenceUtf8ToUtf16(std::string_view src) {
  std::u16string out;
  std::size_t i = 0;
  while (i < src.size()) {
    const std::size_t left = src.size() - i;
    std::size_t taken = 0;
    for (std::size_t k = 1; k <= 4 && k <= left && !taken; ++k) {
      if (const char32_t* c = WholeForm(src.substr(i, k))) {
        Append(out, *c);
        taken = k;
      }
    }
    if (!taken) {
      std::size_t start = 0;
      for (std::size_t k = 1; k <= 3 && k <= left; ++k)
        if (IsStart(src.substr(i, k))) start = k;
      const bool nextContinues = left >= 2 && (static_cast<unsigned char>(src[i + 1]) & 0xC0) == 0x80;
      if (start >= 2) taken = start;
      else if (start == 1 && nextContinues) taken = 2;
      else taken = 1;
      out += u'\uFFFD';
    }
    i += taken;
  }
  return out;
}

}  // namespace ravlet::codepage::testing
