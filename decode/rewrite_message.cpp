#include "decode/rewrite_message.h"

#include <cstring>

#include "decode/encoded_word.h"

namespace ravlet {
namespace {

constexpr auto npos = std::string_view::npos;

std::size_t CountByte(std::string_view text, char byte) {
  // A plain loop the compiler vectorises; this runs over whole bodies.
  std::size_t n = 0;
  for (const char c : text) n += c == byte;
  return n;
}

// True when the body mixes line ends: a CR that is not followed by LF (a CR
// as the very last byte counts) or an LF that is not preceded by CR.
bool HasMixedLineEnds(std::string_view body) {
  std::size_t lineFeeds = 0;
  const char* p = body.data();
  const char* const end = p + body.size();
  while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
    const char* lf = static_cast<const char*>(hit);
    if (lf == body.data() || lf[-1] != '\r') return true;
    ++lineFeeds;
    p = lf + 1;
  }
  // Every LF has its own CR before it; any CR beyond those stands alone.
  return CountByte(body, '\r') != lineFeeds;
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
  const std::size_t lf = text.find('\n', pos);
  if (lf == npos) {
    line = text.substr(pos);
    pos = text.size();
  } else {
    line = text.substr(pos, lf - pos);
    pos = lf + 1;
  }
  return true;
}

std::string ReadBodyLines(LineReader& reader) {
  std::string out;
  AppendBodyLines(reader, out);
  return out;
}

bool RewriteMessage(std::string_view text, std::string& output) {
  output.clear();
  text = text.substr(0, text.find('\0'));  // a host text ends at its NUL

  // Without the end of the header nothing can be decided.
  const std::size_t headerEnd = text.find("\r\n\r\n");
  if (headerEnd == npos) return false;
  // Only a "=?" before the header end matters, so the body is never searched.
  const bool decodeHeaders = text.substr(0, headerEnd).find("=?") != npos;
  const bool fixBody = HasMixedLineEnds(text.substr(headerEnd + 2));
  if (!decodeHeaders && !fixBody) return false;

  // Header lines gain at most a CR each and decoding never lengthens a
  // field, so this is enough for everything but a body that gains CRs.
  output.reserve(text.size() + (fixBody ? CountByte(text, '\n') : CountByte(text.substr(0, headerEnd), '\n')) + 4);

  LineReader reader{text};
  std::string field;
  const auto emit = [&] {
    if (decodeHeaders) {
      output += DecodeHeaderField(field);
    } else {
      output += field;
    }
    output += "\r\n";
  };
  std::string_view line;
  while (reader.Read(line)) {
    if (line.empty()) break;
    if (line.back() == '\r') {
      line.remove_suffix(1);
      if (line.empty()) break;
    }
    if (line.front() == ' ' || line.front() == '\t') {
      field += "\r\n";  // a continuation line keeps its fold
      field += line;
    } else {
      if (!field.empty()) emit();
      field.assign(line);
    }
  }
  if (!field.empty()) emit();

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
