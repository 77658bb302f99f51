#include "bench/rewrite/sample_messages.h"

#include <array>
#include <string_view>

namespace ravlet::bench {
namespace {

// Real encoded words: 会議の議事録について, 来週の打ち合わせ, 田中, 山田太郎,
// 株式会社テスト, 会议纪要, 王.
constexpr std::array<std::string_view, 7> kWords = {
    "=?ISO-2022-JP?B?GyRCMnE1RCRONUQ7dk8/JEskRCQkJEYbKEI=?=",
    "=?UTF-8?B?5p2l6YCx44Gu5omT44Gh5ZCI44KP44Gb?=",
    "=?UTF-8?Q?=E7=94=B0=E4=B8=AD?=",
    "=?Shift_JIS?B?jlKTY5G+mFk=?=",
    "=?iso-2022-jp?B?GyRCM3Q8MDJxPFIlRiU5JUgbKEI=?=",
    "=?GB2312?B?u+HS6bzN0qo=?=",
    "=?GB2312?Q?=CD=F5?=",
};

constexpr std::string_view kPlainHeader =
    "Return-Path: <sender@example.jp>\r\n"
    "Received: from mx.example.jp (mx.example.jp [192.0.2.10])\r\n"
    "\tby mail.example.com with ESMTP id 4AB12C3D4E\r\n"
    "\tfor <taro@example.com>; Fri, 11 Dec 2026 09:12:34 +0900 (JST)\r\n"
    "Message-ID: <20261211091234.4AB12C3D4E@mx.example.jp>\r\n"
    "Date: Fri, 11 Dec 2026 09:12:34 +0900\r\n"
    "From: sender@example.jp\r\n"
    "To: taro@example.com\r\n"
    "Subject: weekly report\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "\r\n";

// 本日の会議の議事録を添付します。ご確認ください。 in ISO-2022-JP, then ASCII.
constexpr std::string_view kBodyLines[] = {
    "\x1b$BK\\F|$N2q5D$N5D;vO?$rE:IU$7$^$9!#$43NG'$/$@$5$$!#\x1b(B",
    "> On Thu, 10 Dec 2026 18:01:02 +0900, Tanaka wrote: the figures are attached",
    "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tem",
    "\x1b$B$h$m$7$/$*4j$$$$$?$7$^$9!#\x1b(B",
};

// The line end of body line `i` in a mixed message: CR LF, LF, LF, CR LF,
// and every 16th line a lone CR in front of its LF-ended successor.
std::string_view MixedEnd(std::size_t i) {
  if (i % 16 == 15) return "\r";
  switch (i % 4) {
    case 1:
    case 2:
      return "\n";
    default:
      return "\r\n";
  }
}

std::string Body(std::size_t size, bool mixed) {
  std::string body;
  body.reserve(size + 128);
  for (std::size_t i = 0; body.size() < size; ++i) {
    body += kBodyLines[i % std::size(kBodyLines)];
    body += mixed ? MixedEnd(i) : "\r\n";
  }
  return body;
}

constexpr std::string_view kShortBody =
    "\x1b$BK\\F|$N2q5D$N5D;vO?$rE:IU$7$^$9!#\x1b(B\r\n"
    "\r\n"
    "\x1b$B$h$m$7$/$*4j$$$$$?$7$^$9!#\x1b(B\r\n";

}  // namespace

std::string TypicalMessage() {
  std::string m =
      "Return-Path: <tanaka@example.jp>\r\n"
      "Received: from mx.example.jp (mx.example.jp [192.0.2.10])\r\n"
      "\tby mail.example.com with ESMTP id 4AB12C3D4E\r\n"
      "\tfor <taro@example.com>; Fri, 11 Dec 2026 09:12:34 +0900 (JST)\r\n"
      "Received: from [198.51.100.7] by mx.example.jp; Fri, 11 Dec 2026 09:12:30 +0900\r\n"
      "Message-ID: <20261211091234.4AB12C3D4E@mx.example.jp>\r\n"
      "Date: Fri, 11 Dec 2026 09:12:34 +0900\r\n"
      "From: =?ISO-2022-JP?B?GyRCRURDZhsoQg==?= <tanaka@example.jp>\r\n"
      "To: =?Shift_JIS?B?jlKTY5G+mFk=?= <taro@example.com>,\r\n"
      " =?UTF-8?Q?=E7=94=B0=E4=B8=AD?= <hanako@example.com>\r\n"
      "Cc: =?GB2312?B?u+HS6bzN0qo=?= <wang@example.cn>\r\n"
      "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRONUQ7dk8/JEskRCQkJEYbKEI=?=\r\n"
      " =?UTF-8?B?5p2l6YCx44Gu5omT44Gh5ZCI44KP44Gb?=\r\n"
      "Organization: =?iso-2022-jp?B?GyRCM3Q8MDJxPFIlRiU5JUgbKEI=?=\r\n"
      "MIME-Version: 1.0\r\n"
      "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
      "Content-Transfer-Encoding: 7bit\r\n"
      "X-Mailer: Kavora 2.7\r\n"
      "\r\n";
  m += kShortBody;
  m += "\r\n-- \r\n";
  m += "\x1b$BEDCf\x1b(B tanaka@example.jp\r\n";
  return m;
}

std::string CleanMessage(std::size_t size) {
  std::string m(kPlainHeader);
  m += Body(size > m.size() ? size - m.size() : 0, false);
  return m;
}

std::string MixedLineEndMessage(std::size_t size) {
  std::string m(kPlainHeader);
  m += Body(size > m.size() ? size - m.size() : 0, true);
  return m;
}

std::size_t WordsForSize(std::size_t size) {
  std::size_t unit = 0;
  for (auto w : kWords) unit += w.size() + 1;
  return size * kWords.size() / unit + 1;
}

std::string ManyWordsMessage(std::size_t words) {
  std::string m = "From: tanaka@example.jp\r\nSubject:";
  for (std::size_t i = 0; i < words; ++i) {
    m += ' ';
    m += kWords[i % kWords.size()];
  }
  m += "\r\n\r\n";
  m += kShortBody;
  return m;
}

namespace {
constexpr std::string_view kContinuation = " continued text of a long folded field";
}

std::size_t LinesForSize(std::size_t size) { return size / (kContinuation.size() + 2) + 1; }

std::string ContinuationLinesMessage(std::size_t lines) {
  std::string m = "From: tanaka@example.jp\r\nX-Long: ";
  m += kWords[0];
  m += "\r\n";
  for (std::size_t i = 0; i < lines; ++i) {
    m += kContinuation;
    m += "\r\n";
  }
  m += ' ';
  m += kWords[1];
  m += "\r\n\r\n";
  m += kShortBody;
  return m;
}

std::string ManyFieldsMessage(std::size_t size) {
  constexpr std::string_view kBlock =
      "Received: from mx.example.jp (mx.example.jp [192.0.2.10])\r\n"
      "\tby mail.example.com with ESMTP id 4AB12C3D4E\r\n"
      "From: =?ISO-2022-JP?B?GyRCRURDZhsoQg==?= <tanaka@example.jp>\r\n"
      "To: =?Shift_JIS?B?jlKTY5G+mFk=?= <taro@example.com>,\r\n"
      " =?UTF-8?Q?=E7=94=B0=E4=B8=AD?= <hanako@example.com>\r\n"
      "Cc: =?GB2312?B?u+HS6bzN0qo=?= <wang@example.cn>\r\n"
      "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRONUQ7dk8/JEskRCQkJEYbKEI=?=\r\n"
      " =?UTF-8?B?5p2l6YCx44Gu5omT44Gh5ZCI44KP44Gb?=\r\n"
      "Organization: =?iso-2022-jp?B?GyRCM3Q8MDJxPFIlRiU5JUgbKEI=?=\r\n"
      "Message-ID: <20261211091234.4AB12C3D4E@mx.example.jp>\r\n"
      "X-Mailer: Kavora 2.7\r\n";
  std::string m;
  m.reserve(size + 1024);
  while (m.size() < size / 2) m += kBlock;
  m += "\r\n";
  m += Body(size > m.size() ? size - m.size() : 0, true);
  return m;
}

}  // namespace ravlet::bench
