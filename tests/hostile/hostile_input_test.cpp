#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "decode/encoded_word.h"
#include "decode/rewrite_message.h"

namespace ravlet {
namespace {

using namespace std::string_literals;

#ifndef RAVLET_HOSTILE_SCALE
#define RAVLET_HOSTILE_SCALE 1
#endif

constexpr std::size_t Scaled(std::size_t n) { return n / RAVLET_HOSTILE_SCALE; }

constexpr std::size_t kMessageBytes = Scaled(100'000'000);
constexpr std::size_t kFieldBytes = Scaled(1'000'000);
// Three times the 100 000 words or continuation lines a field must take:
// a path that copies the rest of the field once per word then takes minutes.
constexpr std::size_t kManyWords = Scaled(300'000);
constexpr std::size_t kMillion = Scaled(1'000'000);

std::string Repeat(std::string_view unit, std::size_t times) {
  std::string out;
  out.reserve(unit.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += i + 1 < bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

std::string BWord(std::string_view charset, std::string_view bytes) {
  return "=?"s.append(charset) + "?B?" + Base64(bytes) + "?=";
}

// "日本" in the three converted charsets and in Shift-JIS.
const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::string kNihonJis = "\x1B$BF|K\\\x1B(B";
const std::string kNihonGb = "\xC8\xD5\xB1\xBE";
const std::string kNihonSjis = "\x93\xFA\x96\x7B";

// CR LF and bare LF count as one line end; a final line end is added.
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

// Equality that, for texts of megabytes, says where they part instead of
// printing them.
testing::AssertionResult SameBytes(std::string_view got, std::string_view want) {
  if (got == want) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  auto hex = [](std::string_view s, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < s.size() && i < from + 16; ++i) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(s[i]));
      out += buf;
    }
    return out;
  };
  return testing::AssertionFailure() << "sizes " << got.size() << " (got) and " << want.size()
                                     << " (want), first difference at byte " << at << ": got " << hex(got, at)
                                     << ", want " << hex(want, at);
}

enum class Outcome { Unchanged, Rewritten, NothingLost, Throws };

struct Hostile {
  std::string input;
  Outcome outcome;
  std::string want;  // the output when Rewritten, the message when Throws
};

struct Case {
  const char* what;
  std::function<Hostile()> make;
};

// A body of `bytes` lines that mixes bare LF with CR LF, and the same body
// re-ended with CR LF.
std::pair<std::string, std::string> MixedBody(std::size_t bytes) {
  const std::string_view bare = "a body line that ends in a bare line feed\n";
  const std::string_view crlf = "a body line that ends in a proper CR LF\r\n";
  const std::size_t pairs = bytes / (bare.size() + crlf.size());
  std::string body = Repeat(std::string(bare) + std::string(crlf), pairs);
  std::string fixed = Repeat(std::string(bare.substr(0, bare.size() - 1)) + "\r\n" + std::string(crlf), pairs);
  return {body, fixed};
}

const Case kCases[] = {
    {"100 MB message, decoded header, mixed body",
     [] {
       auto [body, fixed] = MixedBody(kMessageBytes);
       return Hostile{"Subject: " + BWord("UTF-8", kNihonUtf8) + "\r\nFrom: a@example.jp\r\n\r\n" + body,
                      Outcome::Rewritten, "Subject: " + kNihonSjis + "\r\nFrom: a@example.jp\r\n\r\n" + fixed};
     }},
    {"100 MB message, decoded header, clean body copied as it is",
     [] {
       std::string body = Repeat("a clean body line\r\n", kMessageBytes / 19) + "no line end at the end";
       return Hostile{"Subject: " + BWord("GB2312", kNihonGb) + "\r\n\r\n" + body, Outcome::Rewritten,
                      "Subject: " + kNihonSjis + "\r\n\r\n" + body};
     }},
    {"100 MB message with nothing to do",
     [] {
       return Hostile{"Subject: plain\r\n\r\n" + Repeat("=?UTF-8?B?5pel?= in the body\r\n", kMessageBytes / 29),
                      Outcome::Unchanged, ""};
     }},
    {"1 MB plain header field",
     [] {
       std::string field = "Subject: " + Repeat("plain words ", kFieldBytes / 12);
       std::string word = "X-Word: " + BWord("UTF-8", kNihonUtf8);
       return Hostile{field + "\r\n" + word + "\r\n\r\nbody\r\n", Outcome::Rewritten,
                      field + "\r\nX-Word: " + kNihonSjis + "\r\n\r\nbody\r\n"};
     }},
    {"1 MB header field that is one encoded word",
     [] {
       const std::size_t times = kFieldBytes * 3 / 4 / kNihonUtf8.size();
       return Hostile{"Subject: " + BWord("UTF-8", Repeat(kNihonUtf8, times)) + "\r\n\r\nbody\r\n",
                      Outcome::Rewritten, "Subject: " + Repeat(kNihonSjis, times) + "\r\n\r\nbody\r\n"};
     }},
    {"300 000 encoded words in one field",
     [] {
       // Long words make the field some 30 MB.
       const std::string word = BWord("UTF-8", Repeat(kNihonUtf8, 10));
       return Hostile{"Subject:" + Repeat(" " + word, kManyWords) + "\r\n\r\nbody\r\n", Outcome::Rewritten,
                      "Subject:" + Repeat(" " + Repeat(kNihonSjis, 10), kManyWords) + "\r\n\r\nbody\r\n"};
     }},
    {"300 000 continuation lines with words, folds with CR LF and bare LF",
     [] {
       const std::string word = BWord("ISO-2022-JP", "\x1B$B" + Repeat("F|K\\", 10) + "\x1B(B");
       const std::string decoded = Repeat(kNihonSjis, 10);
       return Hostile{"Subject: start" + Repeat("\r\n " + word + "\n\t" + word, kManyWords / 2) + "\r\n\r\nbody\r\n",
                      Outcome::Rewritten,
                      "Subject: start" + Repeat("\r\n " + decoded + "\r\n\t" + decoded, kManyWords / 2) +
                          "\r\n\r\nbody\r\n"};
     }},
    {"300 000 continuation lines without words, bare LF everywhere",
     [] {
       return Hostile{"Received: from somewhere" + Repeat("\n\tby a relay that folds its trace", kManyWords) +
                          "\r\n\r\nbody\n",
                      Outcome::NothingLost, ""};
     }},
    {"\"=?\" a million times in a field",
     // The first word found is "=?=?=?=?=": charset "=", encoding "=".
     [] { return Hostile{"Subject: " + Repeat("=?", kMillion) + "\r\n\r\nb\r\n", Outcome::Throws, "not support encode."}; }},
    {"\"=? \" a million times: no word ever completes",
     [] {
       std::string field = "Subject: " + Repeat("=? ", kMillion);
       return Hostile{field + "\r\n\r\nb\r\n", Outcome::Rewritten, field + "\r\n\r\nb\r\n"};
     }},
    {"\"=?\" a million times in the body only",
     [] { return Hostile{"Subject: x\r\n\r\n" + Repeat("=?", kMillion), Outcome::Unchanged, ""}; }},
    {"300 000 words that never close",
     [] {
       std::string field = "Subject: " + Repeat("=?UTF-8?B?5pel5pys ", kManyWords);
       return Hostile{field + "\r\n\r\nb\r\n", Outcome::Rewritten, field + "\r\n\r\nb\r\n"};
     }},
    {"a 1 MB word that never closes",
     [] {
       std::string field = "Subject: =?UTF-8?B?" + Repeat("5pel5pys", kFieldBytes / 8) + "?";
       return Hostile{field + "\r\n\r\nb\r\n", Outcome::Rewritten, field + "\r\n\r\nb\r\n"};
     }},
    {"separators but no \"?=\" in 1 MB",
     [] {
       std::string field = "Subject: " + Repeat("=?a?b?c ", kFieldBytes / 8);
       return Hostile{field + "\r\n\r\nb\r\n", Outcome::Rewritten, field + "\r\n\r\nb\r\n"};
     }},
    {"only CR LF",
     [] { return Hostile{Repeat("\r\n", kMillion), Outcome::Unchanged, ""}; }},
    {"only LF", [] { return Hostile{Repeat("\n", kMillion), Outcome::Unchanged, ""}; }},
    {"only CR", [] { return Hostile{Repeat("\r", kMillion), Outcome::Unchanged, ""}; }},
    {"a blank line, then only LF",
     [] { return Hostile{"\r\n\r\n" + Repeat("\n", kMillion), Outcome::Rewritten, Repeat("\r\n", kMillion + 2)}; }},
    {"a blank line, then only CR",
     [] {
       std::string input = "\r\n\r\n" + Repeat("\r", kMillion);
       return Hostile{input, Outcome::Rewritten, input + "\n"};
     }},
    {"line ends of every kind mixed", [] { return Hostile{"\r\n\r\n" + Repeat("\r\n\n\r\r\r\n\n", kMillion / 4), Outcome::NothingLost, ""}; }},
};

TEST(HostileInput, IsHandledWhole) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const Hostile h = c.make();
    std::string out = "stale";
    switch (h.outcome) {
      case Outcome::Unchanged:
        EXPECT_FALSE(RewriteMessage(h.input, out));
        EXPECT_TRUE(out.empty());
        break;
      case Outcome::Rewritten:
        EXPECT_TRUE(RewriteMessage(h.input, out));
        EXPECT_TRUE(SameBytes(out, h.want));
        break;
      case Outcome::NothingLost:
        EXPECT_TRUE(RewriteMessage(h.input, out));
        EXPECT_TRUE(SameBytes(NormaliseLineEnds(out), NormaliseLineEnds(h.input)));
        break;
      case Outcome::Throws:
        try {
          RewriteMessage(h.input, out);
          ADD_FAILURE() << "did not throw";
        } catch (const std::invalid_argument& e) {
          EXPECT_EQ(e.what(), h.want);
        }
        break;
    }
  }
}

// Broken text inside a word, at every byte: each byte in turn replaced by
// one that cannot stand there, and the text cut short at every byte. The
// field around the word survives, and every character wholly before the
// damage comes out as itself.
struct Charset {
  const char* name;
  std::string lead;                   // bytes before the characters (a shift)
  std::vector<std::string> chars;     // each character's bytes
  std::string tail;                   // bytes after them (a shift back)
  std::vector<std::string> sjis;      // each character in Shift-JIS
  std::vector<char> bad;              // bytes to put in every position
};

const Charset kCharsets[] = {
    {"UTF-8", "",
     {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE8\xAA\x9E", "\xE3\x81\xAE", "\xE3\x83\xA1", "\xE3\x83\xBC", "\xE3\x83\xAB", "A"},
     "",
     {"\x93\xFA", "\x96\x7B", "\x8C\xEA", "\x82\xCC", "\x83\x81", "\x81\x5B", "\x83\x8B", "A"},
     {'\xFF', '\x80', '\xC0', '\xED', '\xF4', '\x1B'}},
    {"ISO-2022-JP", "\x1B$B", {"F|", "K\\", "8l", "$N", "%a", "!<", "%k"}, "\x1B(B",
     {"\x93\xFA", "\x96\x7B", "\x8C\xEA", "\x82\xCC", "\x83\x81", "\x81\x5B", "\x83\x8B"},
     {'\x1B', '\x80', '\xFF', '\x0E', '\x0F', '\x7F', ' '}},
    {"GB2312", "", {"\xC8\xD5", "\xB1\xBE", "\xD6\xD0", "\xCE\xC4", "A"}, "",
     {"\x93\xFA", "\x96\x7B", "\x92\x86", "\x95\xB6", "A"},
     {'\xFF', '\x80', '\xA1', '\x7F', '\x20'}},
};

TEST(HostileInput, BrokenCharsetTextInEveryPosition) {
  const std::string before = "Subject: pre ";
  const std::string after = " post";
  for (const Charset& cs : kCharsets) {
    // Repeated past 128 bytes so that the converters' long-text paths see
    // the damage too.
    std::string text = cs.lead;
    std::vector<std::size_t> ends;  // where each character's bytes end
    std::vector<std::string> sjis;
    while (text.size() < 160) {
      for (std::size_t i = 0; i < cs.chars.size(); ++i) {
        text += cs.chars[i];
        ends.push_back(text.size());
        sjis.push_back(cs.sjis[i]);
      }
    }
    text += cs.tail;

    // The decoded text must begin with every character that lies wholly
    // before `at`.
    auto check = [&](const std::string& broken, std::size_t at, const char* how) {
      SCOPED_TRACE(std::string(cs.name) + ", " + how + " at byte " + std::to_string(at));
      std::string out;
      ASSERT_NO_THROW(out = DecodeHeaderField(before + BWord(cs.name, broken) + after));
      ASSERT_GE(out.size(), before.size() + after.size());
      EXPECT_TRUE(out.starts_with(before));
      EXPECT_TRUE(out.ends_with(after));
      const std::string decoded = out.substr(before.size(), out.size() - before.size() - after.size());
      EXPECT_LE(decoded.size(), 2 * broken.size());
      std::string intact;
      for (std::size_t i = 0; i < ends.size() && ends[i] <= at; ++i) intact += sjis[i];
      EXPECT_TRUE(decoded.starts_with(intact)) << "decoded " << testing::PrintToString(decoded);
    };

    for (std::size_t at = 0; at < text.size(); ++at) {
      for (char bad : cs.bad) {
        std::string broken = text;
        broken[at] = bad;
        check(broken, at, "a bad byte");
      }
      check(text.substr(0, at), at, "cut short");
    }
  }
}

}  // namespace
}  // namespace ravlet
