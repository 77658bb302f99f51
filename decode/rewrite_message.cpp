#include "decode/rewrite_message.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decode/encoded_word.h"
#include "decode/large_buffer.h"

namespace ravlet {
namespace {

constexpr auto npos = std::string_view::npos;

// The scans below run over whole messages of any size. They work in blocks
// short enough for per-byte results to fit in a byte, which the compiler
// turns into vector code; a byte-at-a-time loop would be several times
// slower than the memchr-speed that a message needing no change deserves.
constexpr std::size_t kBlock = 255;  // so that a count fits in a byte

std::size_t CountByte(std::string_view text, char byte) {
  std::size_t n = 0;
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    const char* p = text.data() + at;
    const std::size_t m = std::min(kBlock, text.size() - at);
    unsigned char count = 0;
    for (std::size_t i = 0; i < m; ++i) count += p[i] == byte;
    n += count;
  }
  return n;
}

struct BodyScan {
  bool mixed = false;  // a CR not followed by LF, or an LF not preceded by CR
  bool nul = false;    // a NUL byte, which ends the text
};

// A mix shows as a pair of neighbours where "is LF" and "was CR" differ.
// Whether a block of 256 bytes from p[at] holds such a pair or a NUL.
constexpr std::size_t kScanBlock = 256;

#if defined(__GNUC__)
// Vector code by hand: the compiler's own vectorising of the plain loop
// below leaves this check at about a third of memchr's speed.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

bool BlockIsSuspect(const unsigned char* p, std::size_t at) {
  Bytes16 suspect = {};
  for (std::size_t i = at; i < at + kScanBlock; i += sizeof(Bytes16)) {
    Bytes16 c, before;
    std::memcpy(&c, p + i, sizeof c);
    std::memcpy(&before, p + i - 1, sizeof before);
    suspect |= ((c == '\n') ^ (before == '\r')) | (c == 0);
  }
  std::uint64_t halves[2];
  std::memcpy(halves, &suspect, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}
#else
bool BlockIsSuspect(const unsigned char* p, std::size_t at) {
  unsigned char suspect = 0;
  for (std::size_t i = at; i < at + kScanBlock; ++i) {
    suspect |= ((p[i] == '\n') ^ (p[i - 1] == '\r')) | (p[i] == '\0');
  }
  return suspect != 0;
}
#endif

BodyScan ScanBody(std::string_view body) {
  BodyScan scan;
  if (body.empty()) return scan;
  const auto* p = reinterpret_cast<const unsigned char*>(body.data());
  const std::size_t n = body.size();
  scan.mixed = p[0] == '\n' || p[n - 1] == '\r';
  scan.nul = p[0] == '\0';
  // The fast check only tells whether a whole block holds anything of
  // interest; such a block, and the tail, are then looked at byte by byte.
  for (std::size_t at = 1; at < n && !scan.nul;) {
    const std::size_t end = n - at >= kScanBlock ? at + kScanBlock : n;
    if (end - at == kScanBlock && !BlockIsSuspect(p, at)) {
      at = end;
      continue;
    }
    for (std::size_t i = at; i < end; ++i) {
      scan.nul |= p[i] == '\0';
      scan.mixed |= (p[i] == '\n') != (p[i - 1] == '\r');
    }
    // Once mixed, only a later NUL could still matter.
    if (scan.mixed && !scan.nul) {
      scan.nul = std::memchr(p + end, '\0', n - end) != nullptr;
      break;
    }
    at = end;
  }
  return scan;
}

void AppendBodyLines(LineReader& reader, std::string& out) {
  std::string_view line;
  while (reader.Read(line)) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.append(line);
    out.append("\r\n");
  }
}

}  // namespace

bool LineReader::Read(std::string_view& line) {
  if (pos >= text.size()) return false;
  const void* lf = std::memchr(text.data() + pos, '\n', text.size() - pos);
  const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) : text.size();
  line = text.substr(pos, end - pos);
  pos = lf ? end + 1 : end;
  return true;
}

std::string ReadBodyLines(LineReader& reader) {
  std::string out;
  AppendBodyLines(reader, out);
  return out;
}

bool RewriteMessage(std::string_view text, std::string& output) {
  output.clear();

  // Without the end of the header nothing can be decided.
  const std::size_t headerEnd = text.find("\r\n\r\n");
  if (headerEnd == npos) return false;
  const BodyScan body = ScanBody(text.substr(headerEnd + 2));
  // A host text ends at its NUL; cutting there is rare, so it is found by the
  // scans that run anyway, and the rest starts again on the shorter text.
  if (body.nul || std::memchr(text.data(), '\0', headerEnd) != nullptr) {
    return RewriteMessage(text.substr(0, text.find('\0')), output);
  }
  // Only a "=?" before the header end matters, so the body is never searched.
  const bool decodeHeaders = text.substr(0, headerEnd).find("=?") != npos;
  const bool fixBody = body.mixed;
  if (!decodeHeaders && !fixBody) return false;

  // Header lines gain at most a CR each and decoding never lengthens a
  // field; with fixBody every body line may gain one too.
  ReserveLarge(output, text.size() + CountByte(fixBody ? text : text.substr(0, headerEnd), '\n') + 4);

  // The field being gathered is a view of the text as long as its lines are
  // joined by CR LF there too, as they are in the output; only a field
  // folded at a bare LF, or starting with a continuation line, is copied.
  LineReader reader{text};
  std::string_view field;
  std::string joined;
  bool isJoined = false;
  bool lastLineHadCr = false;
  const auto emit = [&] {
    const std::string_view whole = isJoined ? std::string_view(joined) : field;
    if (decodeHeaders) {
      AppendDecodedHeaderField(whole, output);
    } else {
      output += whole;
    }
    output += "\r\n";
  };
  std::string_view line;
  while (reader.Read(line)) {
    if (line.empty()) break;
    const bool hadCr = line.back() == '\r';
    if (hadCr) {
      line.remove_suffix(1);
      if (line.empty()) break;
    }
    if (line.front() == ' ' || line.front() == '\t') {
      // A continuation line keeps its fold.
      if (!isJoined && !field.empty() && lastLineHadCr) {
        field = std::string_view(field.data(), static_cast<std::size_t>(line.data() + line.size() - field.data()));
      } else {
        if (!isJoined) joined.assign(field);
        isJoined = true;
        joined += "\r\n";
        joined += line;
      }
    } else {
      if (isJoined || !field.empty()) emit();
      field = line;
      isJoined = false;
    }
    lastLineHadCr = hadCr;
  }
  if (isJoined || !field.empty()) emit();

  output += "\r\n";  // the blank line
  if (fixBody) {
    AppendBodyLines(reader, output);
  } else {
    // Copy the rest byte for byte from where the header loop stopped. That is
    // the line after the blank line of the first CR LF CR LF, except when the
    // header ended earlier at an empty line with a bare LF: starting from the
    // CR LF CR LF would then drop the lines in between.
    output.append(text.substr(reader.pos));
  }
  return true;
}

}  // namespace ravlet
