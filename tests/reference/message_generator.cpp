// Messages are assembled from pieces chosen by a seeded splitmix64, so a
// failing seed can be replayed anywhere. The encoded payloads come from a few
// characters whose bytes in each charset are written out below; the code-page
// converters themselves are checked exhaustively elsewhere.
#include "tests/reference/message_generator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace reference {

namespace {

struct Random {
  std::uint64_t state;

  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool Percent(unsigned p) { return Below(1000) < p * 10; }
  bool PerMille(unsigned p) { return Below(1000) < p; }
  template <std::size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }
};

// A character's bytes in each charset; nullptr where the charset has none.
// ISO-2022-JP gives the two JIS X 0208 bytes used between ESC $ B and ESC ( B.
struct KnownCharacter {
  const char* utf8;
  const char* shiftJis;
  const char* jis;
  const char* gb2312;
};

constexpr KnownCharacter kCharacters[] = {
    {"\xe6\x97\xa5", "\x93\xfa", "\x46\x7c", "\xc8\xd5"},  // 日
    {"\xe6\x9c\xac", "\x96\x7b", "\x4b\x5c", "\xb1\xbe"},  // 本
    {"\xe8\xaa\x9e", "\x8c\xea", "\x38\x6c", nullptr},     // 語
    {"\xe6\xbc\xa2", "\x8a\xbf", "\x34\x41", nullptr},     // 漢
    {"\xe5\xad\x97", "\x8e\x9a", "\x3b\x7a", "\xd7\xd6"},  // 字
    {"\xe4\xbb\xb6", "\x8c\x8f", "\x37\x6f", "\xbc\xfe"},  // 件
    {"\xe5\x90\x8d", "\x96\xbc", "\x4c\x3e", "\xc3\xfb"},  // 名
    {"\xe3\x83\xa1", "\x83\x81", "\x25\x61", "\xa5\xe1"},  // メ
    {"\xe3\x83\xbc", "\x81\x5b", "\x21\x3c", nullptr},     // ー
    {"\xe3\x83\xab", "\x83\x8b", "\x25\x6b", "\xa5\xeb"},  // ル
    {"\xe3\x83\x86", "\x83\x65", "\x25\x46", "\xa5\xc6"},  // テ
    {"\xe3\x82\xb9", "\x83\x58", "\x25\x39", "\xa5\xb9"},  // ス
    {"\xe3\x83\x88", "\x83\x67", "\x25\x48", "\xa5\xc8"},  // ト
    {"\xe3\x81\x93", "\x82\xb1", "\x24\x33", "\xa4\xb3"},  // こ
    {"\xe3\x82\x93", "\x82\xf1", "\x24\x73", "\xa4\xf3"},  // ん
    {"\xe3\x81\xab", "\x82\xc9", "\x24\x4b", "\xa4\xcb"},  // に
    {"\xe3\x81\xa1", "\x82\xbf", "\x24\x41", "\xa4\xc1"},  // ち
    {"\xe3\x81\xaf", "\x82\xcd", "\x24\x4f", "\xa4\xcf"},  // は
    {"\xe4\xb8\xad", "\x92\x86", "\x43\x66", "\xd6\xd0"},  // 中
    {"\xe6\x96\x87", "\x95\xb6", "\x4a\x38", "\xce\xc4"},  // 文
    {"\xe4\xbd\x93", "\x91\xcc", "\x42\x4e", "\xcc\xe5"},  // 体
    {"\xe5\xa5\xbd", "\x8d\x44", "\x39\x25", "\xba\xc3"},  // 好
    {"\xe9\x80\x81", "\x91\x97", "\x41\x77", "\xcb\xcd"},  // 送
    {"\xe4\xbf\xa1", "\x90\x4d", "\x3f\x2e", "\xd0\xc5"},  // 信
    // Simplified hanzi without a Shift-JIS form.
    {"\xe7\xae\x80", nullptr, nullptr, "\xbc\xf2"},  // 简
    {"\xe9\x82\xae", nullptr, nullptr, "\xd3\xca"},  // 邮
    {"\xe4\xbd\xa0", nullptr, nullptr, "\xc4\xe3"},  // 你
    {"\xe6\xb5\x8b", nullptr, nullptr, "\xb2\xe2"},  // 测
    {"\xe8\xaf\x95", nullptr, nullptr, "\xca\xd4"},  // 试
};

enum class Family { Utf8, Iso2022Jp, ShiftJis, Gb2312, Latin1, Junk };

struct CharsetName {
  const char* name;
  Family family;
};

constexpr CharsetName kTableCharsets[] = {
    {"UTF-8", Family::Utf8},
    {"ISO-2022-JP", Family::Iso2022Jp},
    {"SHIFT_JIS", Family::ShiftJis},
    {"GB2312", Family::Gb2312},
};

constexpr CharsetName kOtherCharsets[] = {
    {"ISO-8859-1", Family::Latin1}, {"EUC-JP", Family::Junk},     {"UTF8", Family::Utf8},
    {"", Family::Utf8},             {"Shift-JIS", Family::ShiftJis}, {"CP932", Family::ShiftJis},
    {"US-ASCII", Family::Latin1},   {"utf-8*ja", Family::Utf8},   {"UTF-8 ", Family::Utf8},
    {"GBK", Family::Gb2312},        {"ISO-2022-JP-2", Family::Iso2022Jp}, {"\xe9UTF-8", Family::Utf8},
    {"windows-1252", Family::Latin1}, {"UTF-16", Family::Junk},
};

const char* const kAsciiPieces[] = {"Re: ", "hello", " ", "test", "a_b", "x=y", "100%", "caf",
                                    "Fwd:", "[ML 12]", "A", "ok.", "(1/2)", "x y z"};

const char* const kOddUtf8[] = {"\x80", "\xe6\x97", "\xc0\xaf", "\xed\xa0\x80", "\xf0\x9f\x98\x80",
                                "\xff", "\xef\xbb\xbf", "\xe2\x82\xac", "\xc2\xa5", "\xe2\x80\x94",
                                "\xe3\x80\x9c", "\xef\xbd\x9e", "\xc3\xa9", "\xf4\x90\x80\x80"};
const char* const kOddShiftJis[] = {"\xb1\xb2", "\x81", "\x5c", "\xa0", "\xfd", "\x87\x40", "\xff", "\x81\x7f"};
const char* const kOddJis[] = {"\x1b(J\\~", "\x1b(I12", "\x1b$@\x30\x21", "\x1b", "\xa4\xa2",
                               "\x1b$(D", "\x0e", "\x1b$B\x21", "\x1b$B\x7f\x7f", "\x1b(B"};
const char* const kOddGb2312[] = {"\xa1", "\x80", "\xff\xfe", "\xa1\xa1", "\xa3\xa4", "\x81\x40", "\xa2\xe3"};
const char* const kLatin1[] = {"caf\xe9", "\xe4\xf6\xfc", "na\xefve", "\xa9 2024"};

std::string RandomCase(Random& r, const std::string& name) {
  const std::size_t mode = r.Below(10);
  std::string out = name;
  for (char& c : out) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) continue;
    const bool lower = mode < 4 ? false : mode < 7 ? true : r.Percent(50);
    c = lower ? static_cast<char>(c | 0x20) : static_cast<char>(c & ~0x20);
  }
  return out;
}

std::string Payload(Random& r, Family family) {
  std::string out;
  const std::size_t items = 1 + r.Below(7);
  bool inJis = false;
  for (std::size_t i = 0; i < items; ++i) {
    const std::size_t kind = r.Below(100);
    if (kind < 25) {
      if (inJis) {
        out += "\x1b(B";
        inJis = false;
      }
      out += r.Pick(kAsciiPieces);
    } else if (kind < 88) {
      const KnownCharacter& ch = kCharacters[r.Below(std::size(kCharacters))];
      switch (family) {
        case Family::Utf8:
          out += ch.utf8;
          break;
        case Family::ShiftJis:
          out += ch.shiftJis ? ch.shiftJis : "\x82\xa0";
          break;
        case Family::Gb2312:
          out += ch.gb2312 ? ch.gb2312 : "\xb2\xe2";
          break;
        case Family::Iso2022Jp:
          if (!inJis) {
            out += "\x1b$B";
            inJis = true;
          }
          out += ch.jis ? ch.jis : "\x24\x22";
          break;
        case Family::Latin1:
          out += r.Pick(kLatin1);
          break;
        case Family::Junk:
          out += ch.utf8;
          break;
      }
    } else {
      switch (family) {
        case Family::Utf8:
          out += r.Pick(kOddUtf8);
          break;
        case Family::ShiftJis:
          out += r.Pick(kOddShiftJis);
          break;
        case Family::Gb2312:
          out += r.Pick(kOddGb2312);
          break;
        case Family::Iso2022Jp:
          out += r.Pick(kOddJis);
          break;
        case Family::Latin1:
          out += r.Pick(kLatin1);
          break;
        case Family::Junk:
          for (std::size_t n = 1 + r.Below(5); n > 0; --n) out.push_back(static_cast<char>(1 + r.Below(255)));
          break;
      }
    }
  }
  if (inJis && r.Percent(90)) out += "\x1b(B";
  if (r.Percent(3)) {
    out.push_back('\0');
    out += "tail";
  }
  return out;
}

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::string& bytes, bool pad) {
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += kBase64Alphabet[(v >> 6) & 63];
    out += kBase64Alphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    if (rest == 2) out += kBase64Alphabet[(v >> 6) & 63];
    if (pad) out += rest == 2 ? "=" : "==";
  }
  return out;
}

std::string InsertAt(Random& r, std::string text, const std::string& piece) {
  text.insert(r.Below(text.size() + 1), piece);
  return text;
}

// `fold` is a line end followed by white space, as the message writes it.
std::string EncodeB(Random& r, const std::string& payload, const std::string& fold) {
  const std::size_t variant = r.Below(100);
  if (variant < 55) return Base64(payload, true);
  if (variant < 65) return Base64(payload, false);
  if (variant < 75) {
    static const char* const kJunk[] = {" ", "\t", "!", "\x80", "-", "=", "*", ".", "\r", "\n", "==", "\xff"};
    std::string text = Base64(payload, r.Percent(50));
    for (std::size_t n = 1 + r.Below(3); n > 0; --n) text = InsertAt(r, text, r.Percent(20) ? fold : r.Pick(kJunk));
    return text;
  }
  if (variant < 83) {
    const std::size_t cut = r.Below(payload.size() + 1);
    return Base64(payload.substr(0, cut), true) + Base64(payload.substr(cut), r.Percent(70));
  }
  if (variant < 90) {
    std::string text = Base64(payload, true);
    text.resize(text.size() - std::min(text.size(), 1 + r.Below(3)));
    return text;
  }
  if (variant < 95) {
    std::string text;
    for (std::size_t n = r.Below(13); n > 0; --n) text += kBase64Alphabet[r.Below(64)];
    return text;
  }
  // Letters flipped in case: still Base64, other bytes.
  std::string text = Base64(payload, true);
  for (char& c : text) {
    if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && r.Percent(30)) c ^= 0x20;
  }
  return text;
}

std::string EncodeQ(Random& r, const std::string& payload, const std::string& fold) {
  static const char kHex[] = "0123456789ABCDEF0123456789abcdef";
  const bool lowerHex = r.Percent(20);
  std::string text;
  for (const char c : payload) {
    const unsigned char b = static_cast<unsigned char>(c);
    const bool safe = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                      (b != 0 && std::string("!*+-/.,:;()<>@[]%").find(c) != std::string::npos);
    if (b == ' ') {
      text += r.Percent(70) ? "_" : "=20";
    } else if ((safe && !r.Percent(10)) || (b >= 0x80 && r.Percent(5))) {
      text += c;
    } else {
      text += '=';
      text += kHex[(b >> 4) + (lowerHex ? 16 : 0)];
      text += kHex[(b & 15) + (lowerHex ? 16 : 0)];
    }
  }
  const std::size_t variant = r.Below(100);
  if (variant < 65) return text;
  if (variant < 75) return InsertAt(r, text, "=" + fold);  // soft line break across a fold
  if (variant < 80) return InsertAt(r, text, fold);
  if (variant < 90) {
    static const char* const kBad[] = {"=G0", "=4g", "=+1", "= ", "=\r", "=\n", "==", "=?", "=\t1", "=0x", "=\xe9\xe9"};
    return InsertAt(r, text, r.Pick(kBad));
  }
  if (variant < 95) {
    static const char* const kEnds[] = {"=", "=4", "=\r", "=\r\n"};
    return text + r.Pick(kEnds);
  }
  static const char* const kRaw[] = {"\r", "?", " ", "\t", "_", "\xe9"};
  return InsertAt(r, text, r.Pick(kRaw));
}

// One encoded word, or something that looks like the start of one.
std::string Word(Random& r, const std::string& fold) {
  CharsetName charset = r.Percent(75) ? kTableCharsets[r.Below(std::size(kTableCharsets))]
                                      : kOtherCharsets[r.Below(std::size(kOtherCharsets))];
  const std::string name = RandomCase(r, charset.name);
  const Family family = r.Percent(10) ? static_cast<Family>(r.Below(6)) : charset.family;
  const std::string payload = Payload(r, family);

  static const char* const kB[] = {"B", "b", "B", "b", "Base64", "bq"};
  static const char* const kQ[] = {"Q", "q", "Q", "q", "quoted", "Qb"};
  const bool useB = r.Percent(55);
  std::string encoding = useB ? r.Pick(kB) : r.Pick(kQ);
  std::string text = useB ? EncodeB(r, payload, fold) : EncodeQ(r, payload, fold);

  // The two failures that reach a rewrite: kept rare so most messages are
  // rewritten through to the end.
  if (r.PerMille(6)) encoding = "";
  if (r.PerMille(6)) {
    static const char* const kUnsupported[] = {"X", "x", "7", "U", "\xc2", " "};
    encoding = r.Pick(kUnsupported);
  }

  const std::size_t shape = r.Below(1000);
  if (shape < 20) return "=?" + name + "?" + encoding + "?" + text;  // never closes
  if (shape < 30) return "=?" + name + "?" + encoding + "?" + text + "?";
  if (shape < 35) return "=?" + name;
  if (shape < 40) return "=?" + name + "?" + encoding;
  if (shape < 45) return "=?";
  if (shape < 55) return "?=";
  if (shape < 65) return "=?" + name + "?" + encoding + "?" + text + "=";
  return "=?" + name + "?" + encoding + "?" + text + "?=";
}

struct LineEnds {
  std::size_t style;  // 0: CR LF, 1: LF, 2: mixed

  const char* Next(Random& r) const {
    static const char* const kMixed[] = {"\r\n", "\r\n", "\r\n", "\r\n", "\n", "\n", "\r\r\n", "\r"};
    if (style == 0) return "\r\n";
    if (style == 1) return "\n";
    return r.Pick(kMixed);
  }
};

std::string Fold(Random& r, const LineEnds& ends) {
  static const char* const kIndent[] = {" ", "\t", "   ", " \t", "\t\t"};
  return std::string(ends.Next(r)) + r.Pick(kIndent);
}

std::string FieldValue(Random& r, const LineEnds& ends) {
  std::string value;
  const std::size_t tokens = 1 + r.Below(8);
  for (std::size_t i = 0; i < tokens; ++i) {
    if (i > 0) {
      const std::size_t sep = r.Below(100);
      value += sep < 50 ? " " : sep < 65 ? "" : sep < 72 ? "  " : sep < 80 ? "\t" : Fold(r, ends);
    }
    const std::size_t kind = r.Below(100);
    if (kind < 55) {
      value += Word(r, Fold(r, ends));
    } else if (kind < 80) {
      value += r.Pick(kAsciiPieces);
    } else if (kind < 92) {
      value += kCharacters[r.Below(20)].shiftJis;  // raw Shift-JIS in a header
    } else if (kind < 94) {
      static const char* const kOdd[] = {"a\rb", "=", "?", "=?=", "=?\?=", "=?\?\?=", "=?\?\?\?=", "?B?", "=?UTF-8?B?",
                                         "?Q?=", "\x82\xa0=?"};
      value += r.Pick(kOdd);
    } else {
      value += "<user@example.jp>";
    }
  }
  return value;
}

std::string TokenSoup(Random& r) {
  static const char* const kTokens[] = {"=?", "?=", "?", "=", "\r\n", "\n", "\r", " ", "\t", "B", "Q", "b",
                                        "q", "UTF-8", "utf-8", "SHIFT_JIS", "GB2312", "ISO-2022-JP", "QUJD",
                                        "44GC", "=E9", "_", "a", "Subject: ", "\r\n\r\n", "\x82\xa0", "=\r\n",
                                        "X", "", "GyRCJEIbKEI=", "5pel5pys"};
  std::string out;
  for (std::size_t n = r.Below(60); n > 0; --n) out += r.Pick(kTokens);
  return out;
}

}  // namespace

std::string GenerateMessage(std::uint64_t seed) {
  Random r{seed * 0x2545F4914F6CDD1Dull + 1};
  r.Next();
  if (r.Percent(8)) return TokenSoup(r);

  const LineEnds headerEnds{r.Percent(55) ? 0u : r.Percent(33) ? 1u : 2u};
  std::string message;
  if (r.Percent(3)) message += std::string(r.Percent(50) ? " " : "\t") + "leading continuation" + headerEnds.Next(r);

  static const char* const kNames[] = {"Subject", "From", "To", "Cc", "Reply-To", "X-Mailer", "Content-Type",
                                       "Received", "Date", "Message-ID", "X-Note", "subject"};
  const std::size_t fields = 1 + r.Below(6);
  for (std::size_t i = 0; i < fields; ++i) {
    const std::size_t kind = r.Below(100);
    if (kind < 4) {
      message += "no colon here";
    } else if (kind < 6) {
      message += "\r";  // a line of one CR (before its LF): an empty line
    } else if (kind < 8) {
      message += "\r\r";  // one CR is removed, the other stays: a field of one CR
    } else {
      message += r.Pick(kNames);
      message += r.Percent(90) ? ": " : ":";
      message += FieldValue(r, headerEnds);
    }
    message += i + 1 < fields ? headerEnds.Next(r) : (r.Percent(85) ? "\r\n" : headerEnds.Next(r));
    // An empty line inside the header, with the CR LF CR LF blank line later.
    if (r.Percent(4)) message += r.Percent(70) ? "\n" : "\r\n";
  }

  const std::size_t blank = r.Below(100);
  if (blank < 75) {
    message += "\r\n";
  } else if (blank < 83) {
    message += headerEnds.Next(r);
  } else if (blank < 90) {
    message += "\n";
  } else if (r.Percent(50)) {
    return message;  // header only, maybe without a final line end
  }

  const LineEnds bodyEnds{r.Percent(55) ? 0u : r.Percent(30) ? 1u : 2u};
  const std::size_t lines = r.Below(7);
  for (std::size_t i = 0; i < lines; ++i) {
    const std::size_t kind = r.Below(100);
    if (kind < 40) {
      message += r.Pick(kAsciiPieces);
    } else if (kind < 60) {
      message += kCharacters[r.Below(20)].shiftJis;
      message += kCharacters[r.Below(20)].shiftJis;
    } else if (kind < 75) {
      message += Word(r, Fold(r, bodyEnds));
    } else if (kind < 80) {
      message += "mid\rline";
    } else if (kind < 85) {
      message += "=?";
    }  // else an empty line
    const bool last = i + 1 == lines;
    if (!last || r.Percent(60)) {
      message += bodyEnds.Next(r);
    } else if (r.Percent(15)) {
      message += "\r";
    }
  }

  if (r.Percent(2)) message.insert(r.Below(message.size() + 1), 1, '\0');
  return message;
}

}  // namespace reference
