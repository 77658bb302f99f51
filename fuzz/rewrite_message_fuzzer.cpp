// RewriteMessage on arbitrary message texts. Beyond crashes it checks that
// nothing of a message is lost: a header without "=?" comes out equal to the
// input once line ends are normalised, and a decoded header never disturbs
// the body that follows it.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "decode/rewrite_message.h"
#include "fuzz/check.h"

namespace {

using ravlet::fuzz::AsText;
using ravlet::fuzz::Fail;
using ravlet::fuzz::Require;
using ravlet::fuzz::UpToNul;

// CR LF and bare LF both count as one line end, and a final line end is
// added. A CR right before the added line end merges with it, as the
// rewrite ends a last line "x" CR with CR LF.
std::string NormaliseLineEnds(std::string_view text) {
  std::string ended(text);
  if (ended.empty() || ended.back() != '\n') ended += '\n';
  std::string out;
  out.reserve(ended.size());
  for (std::size_t i = 0; i < ended.size(); ++i) {
    if (ended[i] == '\r' && i + 1 < ended.size() && ended[i + 1] == '\n') continue;
    out += ended[i];
  }
  return out;
}

// Where the header loop stops: just after the first line (split at LF) that
// is empty or a lone CR. npos when no such line exists.
std::size_t BodyStart(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view line = text.substr(pos, end - pos);
    if (line.empty() || line == "\r") return lf == std::string_view::npos ? text.size() : lf + 1;
    if (lf == std::string_view::npos) break;
    pos = lf + 1;
  }
  return std::string_view::npos;
}

bool IsKnownFailure(std::string_view message) {
  return message.starts_with("encoding type not found.") || message == "not support encode.";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = AsText(data, size);
  const std::string_view text = UpToNul(input);

  const std::size_t headerEnd = text.find("\r\n\r\n");
  const std::size_t firstWord = text.find("=?");
  const bool decodeHeaders = headerEnd != std::string_view::npos && firstWord < headerEnd;

  // Left-over bytes in the output must not survive: it is cleared on entry.
  std::string output = "left over";
  bool changed = false;
  try {
    changed = ravlet::RewriteMessage(input, output);
  } catch (const std::invalid_argument& e) {
    Require(decodeHeaders, "threw although no \"=?\" lies in the header", input);
    Require(IsKnownFailure(e.what()), "threw an unknown message", input);
    return 0;
  } catch (...) {
    Fail("threw something other than std::invalid_argument", input);
  }

  if (!changed) {
    Require(output.empty(), "reported no change but left text in the output", input);
    Require(headerEnd == std::string_view::npos || !decodeHeaders,
            "reported no change although the header holds \"=?\"", input);
  }
  Require(output.find('\0') == std::string::npos, "output holds a NUL byte", input);

  if (text.size() != input.size()) {
    std::string again;
    bool changedAgain = ravlet::RewriteMessage(text, again);
    Require(changedAgain == changed && again == output, "read past the first NUL byte", input);
  }

  if (!changed) return 0;

  const std::string expected = NormaliseLineEnds(text);
  const std::string got = NormaliseLineEnds(output);
  if (!decodeHeaders) {
    // A first line that starts with a space or tab is a continuation of
    // nothing; the field it opens begins with CR LF.
    const bool leadingFold = !text.empty() && (text[0] == ' ' || text[0] == '\t');
    Require(got == expected || (leadingFold && got == "\n" + expected),
            "lost or changed bytes of a message without \"=?\" in its header", input);
  } else {
    // Decoding changes the header only: the body must follow it whole.
    const std::size_t bodyStart = BodyStart(text);
    Require(bodyStart != std::string_view::npos, "no end of header found", input);
    const std::string body = "\n" + NormaliseLineEnds(text.substr(bodyStart));
    Require(got.size() >= body.size() && got.compare(got.size() - body.size(), body.size(), body) == 0,
            "decoding the header damaged the body", input);
  }
  return 0;
}
