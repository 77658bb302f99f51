#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "decode/rewrite_message.h"

namespace ravlet {
namespace {

using namespace std::string_literals;

struct Case {
  const char* what;
  std::string input;
  bool changed;
  std::string want;  // the output; empty when unchanged
};

void ExpectAll(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    std::string out = "stale";
    EXPECT_EQ(RewriteMessage(c->input, out), c->changed) << c->what;
    EXPECT_EQ(out, c->want) << c->what;
  }
}

TEST(RewriteMessage, DecidesWhetherAnythingChanges) {
  const Case cases[] = {
      {"clean message", "Subject: hello\r\n\r\nbody\r\n", false, ""},
      {"no header end", "Subject: =?UTF-8?B?QUJD?=\r\nbody\nmore", false, ""},
      {"only the body has =?", "Subject: hi\r\n\r\n=?UTF-8?B?QUJD?=\r\n", false, ""},
      {"no line end after the body", "A: 1\r\n\r\nbody", false, ""},
      {"empty body", "A: 1\r\n\r\n", false, ""},
      {"nothing at all", "", false, ""},
      {"decode", "Subject: =?UTF-8?B?QUJD?=\r\n\r\nbody\r\n", true, "Subject: ABC\r\n\r\nbody\r\n"},
      {"incomplete word still rewrites", "Subject: a =?b\r\n\r\nbody\r\n", true, "Subject: a =?b\r\n\r\nbody\r\n"},
      {"other charset still rewrites", "Subject: =?X?B?QUJD?=\r\n\r\nb\r\n", true, "Subject: =?X?B?QUJD?=\r\n\r\nb\r\n"},
      {"=? in the body with a bare LF", "A: 1\r\n\r\n=?UTF-8?B?QUJD?=\n", true, "A: 1\r\n\r\n=?UTF-8?B?QUJD?=\r\n"},
      {"message ends at its NUL", "A: =?UTF-8?B?QUJD?=\r\n\r\nb\r\n\0junk\n"s, true, "A: ABC\r\n\r\nb\r\n"},
      {"NUL before the header end", "A: 1\0\r\n\r\nb\n"s, false, ""},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(RewriteMessage, ReEndsMixedBodies) {
  const Case cases[] = {
      {"bare LF", "Subject: hello\r\n\r\na\nb", true, "Subject: hello\r\n\r\na\r\nb\r\n"},
      {"bare LF, final LF", "S: 1\r\n\r\na\nb\n", true, "S: 1\r\n\r\na\r\nb\r\n"},
      {"lone CR stays in its line", "S: 1\r\n\r\na\rb\r\n", true, "S: 1\r\n\r\na\rb\r\n"},
      {"CR as the last byte", "S: 1\r\n\r\nab\r", true, "S: 1\r\n\r\nab\r\n"},
      {"CR CR LF keeps one CR", "S: 1\r\n\r\na\r\r\nb\r\n", true, "S: 1\r\n\r\na\r\r\nb\r\n"},
      {"only line ends", "\r\n\r\n\n\n", true, "\r\n\r\n\r\n\r\n"},
      {"header lines re-ended too", "A: 1\nB: 2\r\n\r\nx\n", true, "A: 1\r\nB: 2\r\n\r\nx\r\n"},
      {"decode and re-end", "S: =?UTF-8?Q?x?=\r\n\r\na\nb", true, "S: x\r\n\r\na\r\nb\r\n"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(RewriteMessage, GathersFoldedFields) {
  const Case cases[] = {
      {"three lines, one field",
       "Subject: =?UTF-8?B?QUJD?=\r\n =?UTF-8?B?QUJD?=\r\n\t=?UTF-8?B?QUJD?=\r\nTo: x\r\n\r\nb\r\n", true,
       "Subject: ABC\r\n ABC\r\n\tABC\r\nTo: x\r\n\r\nb\r\n"},
      {"a word split by a fold", "S: =?UTF-8?B?QU\r\n JD?=\r\n\r\nb\r\n", true, "S: ABC\r\n\r\nb\r\n"},
      {"first line is a continuation", " x =?UTF-8?B?QUJD?=\r\nA: 1\r\n\r\nb\r\n", true,
       "\r\n x ABC\r\nA: 1\r\n\r\nb\r\n"},
      {"folds with bare LF", "S: =?UTF-8?Q?a?=\n b\r\n\r\nc\r\n", true, "S: a\r\n b\r\n\r\nc\r\n"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(RewriteMessage, CopiesACleanBodyByteForByte) {
  const Case cases[] = {
      {"trailing text without line end", "S: =?UTF-8?Q?a?=\r\n\r\nline\r\ntail", true, "S: a\r\n\r\nline\r\ntail"},
      {"blank lines in the body", "S: =?UTF-8?Q?a?=\r\n\r\n\r\n\r\nx\r\n", true, "S: a\r\n\r\n\r\n\r\nx\r\n"},
      {"empty body", "S: =?UTF-8?Q?a?=\r\n\r\n", true, "S: a\r\n\r\n"},
      // The header may end at an empty line with a bare LF before the first
      // CR LF CR LF; the lines between them are kept, not dropped.
      {"header ends early", "A: =?UTF-8?Q?a?=\n\nB: 2\r\n\r\nbody", true, "A: a\r\n\r\nB: 2\r\n\r\nbody"},
      {"header ends early at CR LF", "A: =?UTF-8?Q?a?=\n\r\nB: 2\r\n\r\nbody", true,
       "A: a\r\n\r\nB: 2\r\n\r\nbody"},
  };
  ExpectAll(std::begin(cases), std::end(cases));
}

TEST(RewriteMessage, PassesDecodingFailuresOn) {
  std::string out;
  try {
    RewriteMessage("To: x\r\nSubject: =?UTF-8??QUJD?=\r\n\r\nbody\r\n", out);
    ADD_FAILURE() << "no failure";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "encoding type not found.?QUJD?=");
  }
  // A failure in the body is no failure: the body is never decoded.
  EXPECT_FALSE(RewriteMessage("To: x\r\n\r\n=?UTF-8?X?QUJD?=\r\n", out));
}

TEST(ReadBodyLines, ReEndsEveryLine) {
  const struct {
    std::string input, want;
  } cases[] = {
      {"", ""}, {"a", "a\r\n"}, {"a\n", "a\r\n"}, {"a\r\n\nb\r", "a\r\n\r\nb\r\n"}, {"\r\r\n", "\r\r\n"},
  };
  for (const auto& c : cases) {
    LineReader reader{c.input};
    EXPECT_EQ(ReadBodyLines(reader), c.want) << c.input;
  }
}

}  // namespace
}  // namespace ravlet
