// Message texts of the shapes that RewriteMessage must handle at any size:
// a typical Japanese message, clean and mixed-line-end bodies, one field of
// many encoded words, one field of many continuation lines, and a header of
// many fields. Each grows by whole units, so cost per byte can be compared
// across sizes.
#ifndef RAVLET_BENCH_REWRITE_SAMPLE_MESSAGES_H
#define RAVLET_BENCH_REWRITE_SAMPLE_MESSAGES_H

#include <cstddef>
#include <string>

namespace ravlet::bench {

// About 1.5 KB: words in ISO-2022-JP, UTF-8 (B and Q), Shift_JIS and
// GB2312, a folded Subject, and a short CR LF body.
std::string TypicalMessage();

// A plain header and a body of CR LF lines, no "=?" anywhere: nothing to do.
std::string CleanMessage(std::size_t size);

// As CleanMessage, but the body's lines end in CR LF, LF, and now and then a
// lone CR, so every line must be re-ended.
std::string MixedLineEndMessage(std::size_t size);

// One Subject field holding `words` encoded words on one line, cycling
// through the charsets and both encodings.
std::string ManyWordsMessage(std::size_t words);

// One field of `lines` continuation lines, with an encoded word on its first
// and its last line.
std::string ContinuationLinesMessage(std::size_t lines);

// The number of units (words, lines) that makes the two messages above about
// `size` bytes long.
std::size_t WordsForSize(std::size_t size);
std::size_t LinesForSize(std::size_t size);

// Header blocks of eight fields with words, folds included, repeated to fill
// half of `size`; the other half a mixed-line-end body.
std::string ManyFieldsMessage(std::size_t size);

}  // namespace ravlet::bench

#endif
