#include "bench/codepage/japanese_text.h"

#include <cstdint>
#include <iterator>

namespace ravlet::bench {

namespace {

const char* const kWords[] = {
    "お世話になっております", "株式会社", "営業部", "の", "です", "ます", "。", "、", "会議",
    "資料", "添付", "ファイル", "確認", "よろしくお願いいたします", "来週", "月曜日", "午後",
    "打ち合わせ", "について", "ご連絡", "本日", "東京", "大阪", "新製品", "発表", "予定",
    "変更", "お知らせ", "見積書", "請求書", "送付", "いたしました", "ください", "担当者",
    "電話", "メール", "返信", "お待ちしております", "日本語", "文字化け", "漢字", "ひらがな",
    "カタカナ", "「", "」", "（", "）", "・", "ー", "第", "回", "年", "月", "日", "時", "分",
    "Re: ", "Fw: ", "OK", "PDF", "2026", "10", "3", " ", " ", "\r\n", "\r\n", ": ", "-",
    "プロジェクト", "進捗", "報告", "品質", "管理", "システム", "開発", "検討", "結果",
};

}  // namespace

std::string JapaneseUtf8(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 64);
  std::uint32_t state = 12345;
  while (text.size() < bytes) {
    state = state * 1664525u + 1013904223u;  // the usual LCG
    text += kWords[(state >> 8) % std::size(kWords)];
  }
  return text;
}

}  // namespace ravlet::bench
