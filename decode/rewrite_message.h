// Rewriting of one stored message: header fields decoded, header lines and
// mixed body line ends re-ended with CR LF.
#ifndef RAVLET_DECODE_REWRITE_MESSAGE_H
#define RAVLET_DECODE_REWRITE_MESSAGE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace ravlet {

// Reads a text line by line, splitting at LF (which is consumed, not kept).
// The last line is yielded even without an LF; a read at the end fails.
struct LineReader {
  std::string_view text;
  std::size_t pos = 0;

  bool Read(std::string_view& line);
};

// The rest of the reader's text, each line with one trailing CR removed and
// CR LF appended.
std::string ReadBodyLines(LineReader& reader);

// Rewrites `text` (which ends at its first NUL byte, as a host text does)
// into `output`. Returns false, with `output` empty, when nothing needs to
// change. Throws std::invalid_argument from DecodeHeaderField; `output` is
// then incomplete and must not be used.
bool RewriteMessage(std::string_view text, std::string& output);

}  // namespace ravlet

#endif
