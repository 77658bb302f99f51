// The decoding core against a second, literal reading of the rewrite: first
// the edge cases as a table that both must meet, then thousands of
// generated messages on which both must agree byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "decode/encoded_word.h"
#include "decode/rewrite_message.h"
#include "tests/reference/message_generator.h"
#include "tests/reference/reference_rewrite.h"

#if defined(RAVLET_MIMEDECODE)
#include <sys/wait.h>
#endif

namespace {

using namespace std::string_literals;

// What one call gave: the text it returned (or wrote), whether it reported a
// change, or the message of the invalid_argument it threw.
struct Outcome {
  bool threw = false;
  std::string message;
  bool changed = false;
  std::string text;

  bool operator==(const Outcome&) const = default;
};

Outcome Capture(const std::function<std::string()>& call) {
  Outcome out;
  try {
    out.text = call();
  } catch (const std::invalid_argument& e) {
    out.threw = true;
    out.message = e.what();
  }
  return out;
}

Outcome RewriteWith(bool (*rewrite)(const std::string&, std::string&), const std::string& input) {
  Outcome out;
  try {
    out.changed = rewrite(input, out.text);
  } catch (const std::invalid_argument& e) {
    out.threw = true;
    out.message = e.what();
    out.text.clear();  // incomplete by contract
  }
  return out;
}

bool RealRewrite(const std::string& input, std::string& output) { return ravlet::RewriteMessage(input, output); }

Outcome Returns(std::string text) {
  Outcome out;
  out.text = std::move(text);
  return out;
}
Outcome Throws(std::string message) {
  Outcome out;
  out.threw = true;
  out.message = std::move(message);
  return out;
}
Outcome Rewrites(std::string text) {
  Outcome out;
  out.changed = true;
  out.text = std::move(text);
  return out;
}
Outcome Unchanged() { return Outcome{}; }

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[8];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 32 == 0) {
      std::snprintf(buf, sizeof buf, "\n%04zx:", i);
      out += buf;
    }
    std::snprintf(buf, sizeof buf, " %02x", static_cast<unsigned char>(bytes[i]));
    out += buf;
  }
  return out;
}

std::string Describe(const Outcome& o) {
  if (o.threw) return "throws \"" + o.message + "\"";
  return (o.changed ? "true, " : "false, ") + std::to_string(o.text.size()) + " bytes:" + Hex(o.text);
}

std::size_t FirstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

std::string Mismatch(const std::string& input, const Outcome& want, const Outcome& got) {
  std::ostringstream s;
  s << "input " << input.size() << " bytes:" << Hex(input) << "\nwant " << Describe(want) << "\ngot  " << Describe(got);
  if (want.threw == got.threw && want.changed == got.changed) {
    s << "\nfirst difference at output offset 0x" << std::hex << FirstDifference(want.text, got.text);
  }
  return s.str();
}

// ---------------------------------------------------------------------------
// Edge cases of the rewrite and the word decoding, each met by both readings.

struct Case {
  const char* name;
  std::string input;
  Outcome want;
};

// 日本語テスト in UTF-8, Base64, and in Shift-JIS.
const std::string kJapaneseBase64 = "5pel5pys6Kqe44OG44K544OI";
const std::string kJapaneseShiftJis = "\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67";

const std::vector<Case> kRewriteCases = {
    // Whether anything changes.
    {"no word, clean body", "Subject: hello\r\n\r\nbody\r\n", Unchanged()},
    {"no header end at all", "Subject: =?UTF-8?B?QUJD?=\n\nbody\n", Unchanged()},
    {"only =? lies in the body", "Subject: hello\r\n\r\n=?UTF-8?B?QUJD?=\r\n", Unchanged()},
    {"=? in the body is not decoded when the body is fixed", "Subject: x\r\n\r\n=?UTF-8?B?QUJD?=\nb",
     Rewrites("Subject: x\r\n\r\n=?UTF-8?B?QUJD?=\r\nb\r\n")},
    {"a word that decodes to the same text still reports a change", "S: =?X?B?QUJD?=\r\n\r\nb",
     Rewrites("S: =?X?B?QUJD?=\r\n\r\nb")},
    {"the message ends at its first NUL", "S: x\r\n\r\nab\0\nc"s, Unchanged()},
    {"a word after the NUL is not seen", "S: x\0=?UTF-8?B?QUJD?=\r\n\r\n"s, Unchanged()},

    // Body line ends.
    {"bare LF in the body", "Subject: hello\r\n\r\na\nb", Rewrites("Subject: hello\r\n\r\na\r\nb\r\n")},
    {"lone CR stays inside its line", "Subject: hello\r\n\r\na\rb\r\n", Rewrites("Subject: hello\r\n\r\na\rb\r\n")},
    {"CR as the very last byte", "S: x\r\n\r\nab\r", Rewrites("S: x\r\n\r\nab\r\n")},
    {"a fixed body ending in a line end gains no empty line", "S: =?UTF-8?B?QUJD?=\r\n\r\na\nb\n",
     Rewrites("S: ABC\r\n\r\na\r\nb\r\n")},
    {"header lines re-ended when only the body is fixed", "A: 1\nB: 2\r\n\r\nx\ny",
     Rewrites("A: 1\r\nB: 2\r\n\r\nx\r\ny\r\n")},
    {"body copied byte for byte, last line without line end", "Subject: =?UTF-8?B?QUJD?=\r\n\r\nline\r\nlast",
     Rewrites("Subject: ABC\r\n\r\nline\r\nlast")},
    {"empty body", "Subject: =?UTF-8?B?QUJD?=\r\n\r\n", Rewrites("Subject: ABC\r\n\r\n")},

    // Header fields.
    {"field folded over three lines", "Subject: =?UTF-8?B?QUJD?=\r\n =?UTF-8?Q?d_e?=\r\n\t=?UTF-8?B?Rg==?=\r\n\r\nbody",
     Rewrites("Subject: ABC\r\n d e\r\n\tF\r\n\r\nbody")},
    {"one word across a fold is one word", "S: =?UTF-8?Q?a\r\n b?=\r\n\r\n", Rewrites("S: a b\r\n\r\n")},
    {"first line begins with a space", " x: =?UTF-8?B?QUJD?=\r\nB: 1\r\n\r\nb", Rewrites("\r\n x: ABC\r\nB: 1\r\n\r\nb")},
    {"mid-line CR in a header line stays", "A: a\rb =?UTF-8?B?QUJD?=\r\n\r\n", Rewrites("A: a\rb ABC\r\n\r\n")},
    {"bare LF header lines", "A: =?UTF-8?B?QUJD?=\nB: 2\r\n\r\nz", Rewrites("A: ABC\r\nB: 2\r\n\r\nz")},
    {"a failure ends the rewrite", "A: 1\r\nSubject: =?UTF-8?X?abc?=\r\n\r\n", Throws("not support encode.")},
    {"a word with an empty encoding", "Subject: =?UTF-8??QUJD?=\r\n\r\n", Throws("encoding type not found.?QUJD?=")},

    // The header loop stops at an empty line before the blank line of the
    // first CR LF CR LF: nothing after it is lost.
    {"empty line before the header end", "A: =?UTF-8?B?QUJD?=\n\nB: 2\r\n\r\nbody",
     Rewrites("A: ABC\r\n\r\nB: 2\r\n\r\nbody")},
    {"line of one CR before the header end", "A: =?UTF-8?B?QUJD?=\n\r\nB: 2\r\n\r\nbody",
     Rewrites("A: ABC\r\n\r\nB: 2\r\n\r\nbody")},
    {"empty line at the start of the header end", "A: =?UTF-8?B?QUJD?=\n\r\n\r\nbody",
     Rewrites("A: ABC\r\n\r\n\r\nbody")},
    {"empty line before the header end, body fixed", "A: 1\n\nB: 2\r\n\r\nx\ny",
     Rewrites("A: 1\r\n\r\nB: 2\r\n\r\nx\r\ny\r\n")},
};

const std::vector<Case> kFieldCases = {
    {"UTF-8 Japanese", "Subject: =?UTF-8?B?" + kJapaneseBase64 + "?=", Returns("Subject: " + kJapaneseShiftJis)},
    {"ISO-2022-JP in lower case", "=?iso-2022-jp?B?GyRCRnxLXDhsGyhC?=", Returns("\x93\xfa\x96\x7b\x8c\xea")},
    {"SHIFT_JIS is only decoded", "=?shift_jis?B?k/qWew==?=", Returns("\x93\xfa\x96\x7b")},
    {"GB2312 is converted", "=?GB2312?B?1tDOxA==?=", Returns("\x92\x86\x95\xb6")},
    {"charset matched after upper-casing", "=?Utf-8?q?=E6=97=A5?=", Returns("\x93\xfa")},
    {"ISO-8859-1 stays as it stood", "=?ISO-8859-1?Q?caf=E9?=", Returns("=?ISO-8859-1?Q?caf=E9?=")},
    {"UTF8 is not in the table", "=?utf8?b?QUJD?=", Returns("=?utf8?b?QUJD?=")},
    {"empty charset stays", "=??B?QUJD?=", Returns("=??B?QUJD?=")},
    {"unsupported encoding fails before the charset is looked at", "=?ISO-8859-1?X?abc?=", Throws("not support encode.")},
    {"empty encoding", "=?UTF-8??QUJD?=", Throws("encoding type not found.?QUJD?=")},
    {"two words and the space between", "=?UTF-8?B?QUJD?= =?UTF-8?B?REVG?=", Returns("ABC DEF")},
    {"adjacent words", "=?UTF-8?B?QUJD?==?UTF-8?Q?x?=", Returns("ABCx")},
    {"a fold between words stays", "S: =?UTF-8?B?QUJD?=\r\n =?UTF-8?B?REVG?=", Returns("S: ABC\r\n DEF")},
    {"=? without a further ?", "a =?b", Returns("a =?b")},
    {"no =? at all", "Subject: plain text", Returns("Subject: plain text")},
    {"the word after an unclosed one is still found", "A =?UTF-8?B?QUJD?= =?x", Returns("A ABC =?x")},
    {"a word runs on from an earlier =?", "=?a =?UTF-8?B?QUJD?=", Throws("not support encode.")},
    {"the closing ?= is searched after the second ?", "=?a?B?=", Returns("=?a?B?=")},
    {"empty encoded text", "x=?UTF-8?B?\?=y", Returns("xy")},
    {"a Q text that cannot be decoded gives an empty text", "x=?UTF-8?Q?abc=?=y", Returns("xy")},
    {"a decoded zero byte ends the text", "=?UTF-8?B?QUJDAERFRg==?=!", Returns("ABC!")},
};

struct WordCase {
  const char* name;
  std::string word;
  std::string charset;
  char encoding;
  std::string text;
};

const std::vector<WordCase> kWordCases = {
    {"lower-case b", "=?UTF-8?b?QUJD?=", "UTF-8", 'B', "ABC"},
    {"empty charset", "=??B?QUJD?=", "", 'B', "ABC"},
    {"charset kept as written", "=?utf-8?q?a_b?=", "utf-8", 'Q', "a b"},
    {"only the first byte of the encoding counts", "=?X?Base64?QUJD?=", "X", 'B', "ABC"},
    {"text before the =?", "ab=?c?Q?d?=", "c", 'Q', "d"},
};

const std::vector<Case> kWordFailures = {
    {"no =?", "abc", Throws("=? not found")},
    {"no ? after the charset", "=?UTF-8", Throws("separator(?) not found")},
    {"no ? after the encoding", "=?UTF-8?B", Throws("separator(?) not found")},
    {"empty encoding", "=?UTF-8??QUJD?=", Throws("encoding type not found.?QUJD?=")},
    {"empty encoding is found before the missing ?=", "=?UTF-8??abc", Throws("encoding type not found.?abc")},
    {"no closing ?=", "=?UTF-8?B?QUJD", Throws("?= not found.[=?UTF-8?B?QUJD]")},
    {"the missing ?= is found before the encoding letter", "=?UTF-8?X?abc", Throws("?= not found.[=?UTF-8?X?abc]")},
    {"unsupported letter", "=?UTF-8?X?abc?=", Throws("not support encode.")},
    {"unsupported letter, lower case", "=?UTF-8?x?abc?=", Throws("not support encode.")},
};

const std::vector<Case> kBase64Cases = {
    {"three bytes", "QUJD", Returns("ABC")},
    {"one pad", "QUI=", Returns("AB")},
    {"two pads", "QQ==", Returns("A")},
    {"one value gives nothing", "Q", Returns("")},
    {"a space is skipped", "QU JD", Returns("ABC")},
    {"a zero byte ends the result", "AA==", Returns("")},
    {"empty", "", Returns("")},
    {"a pad does not end a group", "QUI=QUJD", Returns("AB\x10\x50\x90")},
    {"text after a zero byte is dropped", "QUJDAA==REVG", Returns("ABC")},
    {"bytes of 0x80 or more are skipped", "Q\xc3UJ\xff" "D", Returns("ABC")},
};

const std::vector<Case> kQCases = {
    {"=XX", "caf=E9", Returns("caf\xe9")},
    {"underscore", "a_b", Returns("a b")},
    {"escaped =", "=3D", Returns("=")},
    {"escaped _", "=5F", Returns("_")},
    {"lower-case hex", "=e9", Returns("\xe9")},
    {"one hex digit, then a letter", "=4g", Returns("\x04")},
    {"a zero byte ends the result", "ab=G0cd", Returns("ab")},
    {"= at the end", "abc=", Returns("")},
    {"= with one byte after it", "abc=4", Returns("")},
    {"= before a byte that is no letter or digit", "=+1", Returns("")},
    {"soft line break", "a=\r\nb", Returns("ab")},
    {"CR LF are dropped", "a\r\nb", Returns("ab")},
    {"soft line break at the end", "a=\r\n", Returns("a")},
    {"= CR at the end", "a=\r", Returns("")},
    {"= before a space", "= 1", Returns("")},
    {"bare LF and CR are dropped", "a\nb\rc", Returns("abc")},
    {"a bad escape after a zero byte still empties the result", "ab=00cd=", Returns("")},
    {"a bad escape after =G0 still empties the result", "ab=G0c=+1", Returns("")},
};

TEST(EdgeCases, RewriteMessage) {
  for (const Case& c : kRewriteCases) {
    SCOPED_TRACE(c.name);
    const Outcome ref = RewriteWith(reference::RewriteMessage, c.input);
    EXPECT_EQ(ref, c.want) << "reference\n" << Mismatch(c.input, c.want, ref);
    const Outcome real = RewriteWith(RealRewrite, c.input);
    EXPECT_EQ(real, c.want) << "RewriteMessage\n" << Mismatch(c.input, c.want, real);
  }
}

TEST(EdgeCases, DecodeHeaderField) {
  for (const Case& c : kFieldCases) {
    SCOPED_TRACE(c.name);
    const Outcome ref = Capture([&] { return reference::DecodeHeaderField(c.input.c_str()); });
    EXPECT_EQ(ref, c.want) << "reference\n" << Mismatch(c.input, c.want, ref);
    const Outcome real = Capture([&] { return ravlet::DecodeHeaderField(c.input); });
    EXPECT_EQ(real, c.want) << "DecodeHeaderField\n" << Mismatch(c.input, c.want, real);
  }
}

TEST(EdgeCases, EncodedWord) {
  for (const WordCase& c : kWordCases) {
    SCOPED_TRACE(c.name);
    const reference::EncodedWord ref(c.word.c_str());
    EXPECT_EQ(ref.charset, c.charset);
    EXPECT_EQ(ref.encoding, c.encoding);
    EXPECT_EQ(ref.text, c.text);
    EXPECT_EQ(ref.source, c.word);
    try {
      const ravlet::EncodedWord real(c.word);
      EXPECT_EQ(real.charset, c.charset);
      EXPECT_EQ(real.encoding, c.encoding);
      EXPECT_EQ(real.text, c.text);
      EXPECT_EQ(real.source, c.word);
    } catch (const std::invalid_argument& e) {
      ADD_FAILURE() << "EncodedWord threw \"" << e.what() << "\"";
    }
  }
  for (const Case& c : kWordFailures) {
    SCOPED_TRACE(c.name);
    const Outcome ref = Capture([&] { return reference::EncodedWord(c.input.c_str()).text; });
    EXPECT_EQ(ref, c.want) << "reference\n" << Mismatch(c.input, c.want, ref);
    const Outcome real = Capture([&] { return ravlet::EncodedWord(c.input).text; });
    EXPECT_EQ(real, c.want) << "EncodedWord\n" << Mismatch(c.input, c.want, real);
  }
}

TEST(EdgeCases, DecodeBase64Text) {
  for (const Case& c : kBase64Cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reference::DecodeBase64Text(c.input.c_str()), c.want.text) << "reference";
    EXPECT_EQ(ravlet::DecodeBase64Text(c.input), c.want.text) << "DecodeBase64Text";
  }
}

TEST(EdgeCases, DecodeQText) {
  for (const Case& c : kQCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reference::DecodeQText(c.input.c_str()), c.want.text) << "reference";
    EXPECT_EQ(ravlet::DecodeQText(c.input), c.want.text) << "DecodeQText";
  }
}

TEST(EdgeCases, ConvertToShiftJis) {
  struct Conversion {
    const char* name;
    unsigned codePage;
    std::string source;
    std::size_t capacity;
    int count;
    std::string text;
  };
  const std::vector<Conversion> cases = {
      {"ASCII", 65001, "abc", 7, 4, "abc"},
      {"empty source gives the terminator alone", 65001, "", 1, 1, ""},
      {"GB2312", 936, "\xd6\xd0\xce\xc4", 9, 5, "\x92\x86\x95\xb6"},
      {"a code page that cannot be read gives an empty text", 12345, "abc", 7, 0, ""},
      {"the terminator must fit in the capacity", 65001, "abc", 3, 0, ""},
      {"exactly enough room", 65001, "abc", 4, 4, "abc"},
  };
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> ref(c.capacity + 1, '\x7f');
    EXPECT_EQ(reference::ConvertToShiftJis(c.codePage, c.source.c_str(), ref.data(), c.capacity), c.count);
    EXPECT_EQ(std::string(ref.data()), c.text);
    std::vector<char> real(c.capacity + 1, '\x7f');
    EXPECT_EQ(ravlet::ConvertToShiftJis(c.codePage, c.source, real.data(), c.capacity), c.count);
    EXPECT_EQ(std::string(real.data(), strnlen(real.data(), real.size())), c.text);
  }
}

// ---------------------------------------------------------------------------
// Generated messages.

constexpr std::uint64_t kMessages = 20000;

TEST(GeneratedMessages, RewriteAgreesWithTheReference) {
  std::uint64_t changed = 0;
  std::uint64_t threw = 0;
  std::uint64_t unchanged = 0;
  int failures = 0;
  for (std::uint64_t seed = 0; seed < kMessages; ++seed) {
    const std::string input = reference::GenerateMessage(seed);
    const Outcome want = RewriteWith(reference::RewriteMessage, input);
    const Outcome got = RewriteWith(RealRewrite, input);
    (want.threw ? threw : want.changed ? changed : unchanged) += 1;
    if (want != got && ++failures <= 3) ADD_FAILURE() << "seed " << seed << "\n" << Mismatch(input, want, got);
  }
  std::printf("%llu messages: %llu rewritten, %llu unchanged, %llu failed to decode; %d disagree\n",
              static_cast<unsigned long long>(kMessages), static_cast<unsigned long long>(changed),
              static_cast<unsigned long long>(unchanged), static_cast<unsigned long long>(threw), failures);
  EXPECT_EQ(failures, 0);
  // The generator must keep reaching every outcome, or the comparison says little.
  EXPECT_GT(changed, kMessages / 2);
  EXPECT_GT(unchanged, kMessages / 50);
  EXPECT_GT(threw, kMessages / 50);
}

TEST(GeneratedMessages, EachFieldAgreesWithTheReference) {
  // Every physical header line of the generated messages as one field, and
  // the pieces of the line between "?" as words, so a fault in the word
  // decoding shows on its own rather than somewhere inside a message.
  int failures = 0;
  std::uint64_t fields = 0;
  for (std::uint64_t seed = 0; seed < kMessages / 4; ++seed) {
    std::istringstream lines(reference::GenerateMessage(seed));
    std::string line;
    while (std::getline(lines, line)) {
      ++fields;
      const std::string field(line.c_str());
      const Outcome want = Capture([&] { return reference::DecodeHeaderField(field.c_str()); });
      const Outcome got = Capture([&] { return ravlet::DecodeHeaderField(field); });
      if (want != got && ++failures <= 3) {
        ADD_FAILURE() << "DecodeHeaderField, seed " << seed << "\n" << Mismatch(field, want, got);
      }
      const Outcome wantWord = Capture([&] {
        const reference::EncodedWord w(field.c_str());
        return w.charset + '\1' + w.encoding + '\1' + w.text + '\1' + w.source;
      });
      const Outcome gotWord = Capture([&] {
        const ravlet::EncodedWord w(field);
        return w.charset + '\1' + w.encoding + '\1' + w.text + '\1' + w.source;
      });
      if (wantWord != gotWord && ++failures <= 3) {
        ADD_FAILURE() << "EncodedWord, seed " << seed << "\n" << Mismatch(field, wantWord, gotWord);
      }
      for (std::size_t from = 0; from < field.size(); from = field.find('?', from) + 1) {
        const std::size_t to = field.find('?', from);
        const std::string text = field.substr(from, to == std::string::npos ? std::string::npos : to - from);
        const std::string wantB = reference::DecodeBase64Text(text.c_str());
        const std::string gotB = ravlet::DecodeBase64Text(text);
        if (wantB != gotB && ++failures <= 3) {
          ADD_FAILURE() << "DecodeBase64Text, seed " << seed << "\ntext" << Hex(text) << "\nwant" << Hex(wantB)
                        << "\ngot" << Hex(gotB);
        }
        const std::string wantQ = reference::DecodeQText(text.c_str());
        const std::string gotQ = ravlet::DecodeQText(text);
        if (wantQ != gotQ && ++failures <= 3) {
          ADD_FAILURE() << "DecodeQText, seed " << seed << "\ntext" << Hex(text) << "\nwant" << Hex(wantQ)
                        << "\ngot" << Hex(gotQ);
        }
        if (to == std::string::npos) break;
      }
    }
  }
  std::printf("%llu header lines and their pieces: %d disagree\n", static_cast<unsigned long long>(fields), failures);
  EXPECT_EQ(failures, 0);
}

TEST(GeneratedMessages, BodyLinesAgreeWithTheReference) {
  for (std::uint64_t seed = 0; seed < kMessages; ++seed) {
    const std::string text = reference::GenerateMessage(seed);
    std::istringstream stream(text);
    ravlet::LineReader reader{text};
    const std::string want = reference::ReadBodyLines(stream);
    const std::string got = ravlet::ReadBodyLines(reader);
    if (want != got) {
      ADD_FAILURE() << "seed " << seed << "\ninput" << Hex(text) << "\nwant" << Hex(want) << "\ngot" << Hex(got);
      break;
    }
  }
}

#if defined(RAVLET_MIMEDECODE)

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each run starts a process; under the sanitizers that costs a tenth of a
// second or more.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFilterRuns = 100;
#else
constexpr int kFilterRuns = 300;
#endif

TEST(GeneratedMessages, FilterAgreesWithTheReference) {
  // The filter's contract: the rewrite when it reports a change, otherwise
  // the input unchanged; a decoding failure leaves the input unchanged, says
  // "mimedecode: FILE: MESSAGE" on standard error and exits 1.
  const std::string dir = ::testing::TempDir();
  const std::string file = dir + "reference_test_message.eml";
  const std::string errors = dir + "reference_test_errors.txt";
  int run = 0;
  int failures = 0;
  for (std::uint64_t seed = 0; run < kFilterRuns; seed += 37) {
    const std::string input = reference::GenerateMessage(seed);
    if (input.find('\0') != std::string::npos) continue;  // no host text holds a NUL
    ++run;
    std::ofstream(file, std::ios::binary) << input;
    const std::string command = "'" RAVLET_MIMEDECODE "' '" + file + "' 2>'" + errors + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = pclose(pipe);
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    const Outcome want = RewriteWith(reference::RewriteMessage, input);
    const std::string wantOut = want.changed ? want.text : input;
    const int wantExit = want.threw ? 1 : 0;
    const std::string wantErrors = want.threw ? "mimedecode: " + file + ": " + want.message + "\n" : "";
    const std::string gotErrors = ReadFile(errors);
    if ((out != wantOut || exitCode != wantExit || gotErrors != wantErrors) && ++failures <= 3) {
      ADD_FAILURE() << "seed " << seed << "\ninput" << Hex(input) << "\nwant exit " << wantExit << Hex(wantOut)
                    << "\nstderr " << wantErrors << "\ngot exit " << exitCode << Hex(out) << "\nstderr "
                    << gotErrors << "\nfirst difference at 0x" << std::hex << FirstDifference(wantOut, out);
    }
  }
  std::printf("mimedecode: %d messages, %d disagree\n", run, failures);
  EXPECT_EQ(failures, 0);
}

#else

TEST(GeneratedMessages, FilterAgreesWithTheReference) { GTEST_SKIP() << "mimedecode is not part of this build"; }

#endif

}  // namespace
