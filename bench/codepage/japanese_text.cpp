#include "bench/codepage/japanese_text.h"

#include <cstdint>
#include <iterator>

namespace ravlet::bench {

namespace {

// Words of business mail, and the ASCII that such mail carries: numbers,
// abbreviations, the odd reply marker.
const char* const kWords[] = {
    "お世話になっております", "株式会社", "営業部", "の", "です", "ます", "。", "、", "会議",
    "資料", "添付", "ファイル", "確認", "よろしくお願いいたします", "来週", "月曜日", "午後",
    "打ち合わせ", "について", "ご連絡", "本日", "東京", "大阪", "新製品", "発表", "予定",
    "変更", "お知らせ", "見積書", "請求書", "送付", "いたしました", "ください", "担当者",
    "電話", "メール", "返信", "お待ちしております", "日本語", "文字化け", "漢字", "ひらがな",
    "カタカナ", "「", "」", "（", "）", "・", "ー", "第", "回", "年", "月", "日", "時", "分",
    "プロジェクト", "進捗", "報告", "品質", "管理", "システム", "開発", "検討", "結果",
    "は", "が", "を", "に", "で", "と", "も", "から", "まで", "より",
};
const char* const kAscii[] = {"2026", "10", "3", "15:00", "PDF", "OK", "Re: ", "No.", "A-1", "URL: https://example.jp/"};

}  // namespace

// Lines of about 36 characters (the width Japanese mail is written to),
// ending in CR LF, with an ASCII token in about one word of twelve.
std::string JapaneseUtf8(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 128);
  std::uint32_t state = 12345;
  auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;  // the usual LCG
    return (state >> 8) % n;
  };
  std::size_t lineBytes = 0;
  while (text.size() < bytes) {
    const char* word = next(12) == 0 ? kAscii[next(std::size(kAscii))] : kWords[next(std::size(kWords))];
    const std::string_view w(word);
    text += w;
    lineBytes += w.size();
    if (lineBytes >= 36 * 3) {
      text += "\r\n";
      lineBytes = 0;
    }
  }
  return text;
}

}  // namespace ravlet::bench
