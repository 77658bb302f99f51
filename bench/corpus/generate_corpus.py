#!/usr/bin/env python3
"""Writes the corpus that the speed comparison runs over. Deterministic: the
same arguments give the same bytes on every machine (a fixed seed, Python's
own codecs).

    generate_corpus.py OUTDIR [--megabytes 50]

OUTDIR/messages/NNNNN.eml  tens of thousands of CR LF messages, Japanese and
                           Chinese encoded words in UTF-8, ISO-2022-JP,
                           Shift_JIS and GB2312, B and Q, folded fields, a
                           few words in charsets outside that table, some
                           bodies with mixed line ends, some attachments
OUTDIR/stream.eml          the same messages concatenated, in file order
OUTDIR/sized/SIZE.eml      one message each of 1 KB, 4 KB, ... 64 MB: an
                           eighth header fields with words, the rest a body
                           with mixed line ends
"""

import argparse
import base64
import os
import random
import sys

SEED = 20261211

JAPANESE = [
    "会議の議事録について", "来週の打ち合わせ", "お見積もりのご依頼", "請求書送付のお知らせ",
    "新製品発表会のご案内", "システムメンテナンスのお知らせ", "出張報告書", "年末年始の営業日について",
    "パスワード変更のお願い", "ご注文ありがとうございます", "株式会社テスト", "【重要】",
    "至急：ご確認ください", "東京本社", "大阪支店", "第３四半期決算報告", "資料送付の件",
    "打ち合わせ日程の再調整", "ご無沙汰しております", "社内研修のご案内",
]
JAPANESE_NAMES = ["山田太郎", "田中花子", "佐藤一郎", "鈴木次郎", "高橋美咲", "伊藤健", "営業部", "開発部 総務課"]
CHINESE = [
    "会议纪要", "下周的会议安排", "报价单", "发票通知", "新产品发布会邀请", "系统维护通知",
    "年度总结报告", "请尽快确认", "关于合同的问题", "北京分公司", "上海办事处", "市场部",
]
CHINESE_NAMES = ["王小明", "李华", "张伟", "刘洋", "陈静"]
JAPANESE_BODY = [
    "いつもお世話になっております。", "本日の会議の議事録を添付いたします。", "ご確認のほどよろしくお願いいたします。",
    "詳細は以下のとおりです。", "ご不明な点がございましたらお知らせください。", "日時：１２月１５日（火）１４時から",
    "場所：本社３階会議室", "以上、よろしくお願いいたします。",
]
CHINESE_BODY = ["您好，", "附件是本次会议的纪要，请查收。", "如有问题请随时联系我。", "谢谢！", "此致敬礼"]

# Python codec and the spellings a mailer may use for each charset.
JAPANESE_CHARSETS = [
    ("iso2022_jp", ["ISO-2022-JP", "iso-2022-jp", "ISO-2022-JP"], 5),
    ("utf-8", ["UTF-8", "utf-8"], 3),
    ("shift_jis", ["Shift_JIS", "SHIFT_JIS", "shift_jis"], 2),
]
CHINESE_CHARSETS = [("gb2312", ["GB2312", "gb2312"], 7), ("utf-8", ["UTF-8", "utf-8"], 3)]

Q_SAFE = set(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")


def q_encode(raw):
    return "".join(chr(c) if c in Q_SAFE else "=%02X" % c for c in raw)


def encoded_words(rng, text, charsets, q_share=0.2):
    """Text as one or more encoded words (chunks of up to 8 characters)."""
    codec, names, _ = rng.choices(charsets, weights=[w for _, _, w in charsets])[0]
    name = rng.choice(names)
    q = rng.random() < q_share
    words = []
    for i in range(0, len(text), 8):
        raw = text[i:i + 8].encode(codec)
        if q:
            words.append("=?%s?Q?%s?=" % (name, q_encode(raw)))
        else:
            words.append("=?%s?B?%s?=" % (name, base64.b64encode(raw).decode("ascii")))
    return words


def foreign_word(rng):
    """A word in a charset outside the table; it stays as it stands."""
    if rng.random() < 0.5:
        return "=?EUC-JP?B?%s?=" % base64.b64encode(rng.choice(JAPANESE).encode("euc_jp")).decode("ascii")
    return "=?ISO-8859-1?Q?caf=E9_cr=E8me?="


def phrase_words(rng, chinese):
    if chinese:
        return encoded_words(rng, rng.choice(CHINESE), CHINESE_CHARSETS)
    return encoded_words(rng, rng.choice(JAPANESE), JAPANESE_CHARSETS)


def name_words(rng, chinese):
    if chinese:
        return encoded_words(rng, rng.choice(CHINESE_NAMES), CHINESE_CHARSETS)
    return encoded_words(rng, rng.choice(JAPANESE_NAMES), JAPANESE_CHARSETS)


def address(rng, n):
    return "user%d@%s" % (n, rng.choice(["example.jp", "example.co.jp", "example.cn", "example.com"]))


def date(n):
    day = 1 + n % 28
    return "%s, %02d Nov 2026 %02d:%02d:%02d +0900" % (
        ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"][n % 7], day, n % 24, n % 60, (n * 7) % 60)


def header_fields(rng, n, chinese, plain):
    """The header of message n as a list of logical fields (folds inside)."""
    fields = ["Return-Path: <%s>" % address(rng, n)]
    for hop in range(rng.randint(2, 4)):
        fields.append(
            "Received: from mx%d.example.jp (mx%d.example.jp [192.0.2.%d])\r\n"
            "\tby mail.example.com with ESMTP id %08X\r\n\tfor <%s>; %s"
            % (hop, hop, rng.randint(1, 254), rng.getrandbits(32), address(rng, n + 1), date(n)))
    fields.append("Message-ID: <%d.%08X@example.jp>" % (n, rng.getrandbits(32)))
    fields.append("Date: " + date(n))
    if plain:
        fields.append("From: %s" % address(rng, n))
        fields.append("To: %s" % address(rng, n + 1))
        fields.append("Subject: Re: weekly report %d" % n)
    else:
        fields.append("From: %s <%s>" % (" ".join(name_words(rng, chinese)), address(rng, n)))
        to = ["%s <%s>" % (" ".join(name_words(rng, chinese)), address(rng, n + k)) for k in range(rng.randint(1, 4))]
        fields.append("To: " + ",\r\n ".join(to))
        if rng.random() < 0.3:
            fields.append("Cc: %s <%s>" % (" ".join(name_words(rng, chinese)), address(rng, n + 9)))
        subject = []
        for _ in range(rng.randint(1, 3)):
            subject += phrase_words(rng, chinese)
        if rng.random() < 0.02:
            subject.append(foreign_word(rng))
        prefix = rng.choice(["", "", "Re: ", "Fwd: "])
        fields.append("Subject: " + prefix + "\r\n ".join(subject))
    fields.append("MIME-Version: 1.0")
    fields.append("X-Mailer: Kavora 2.%d" % (n % 10))
    return fields


def japanese_body_lines(rng, count):
    lines = []
    for _ in range(count):
        text = "".join(rng.choice(JAPANESE_BODY) for _ in range(rng.randint(1, 3)))
        lines.append(text.encode("iso2022_jp"))
    return lines


def base64_lines(data):
    encoded = base64.b64encode(data)
    return [encoded[i:i + 76] for i in range(0, len(encoded), 76)]


def body_lines(rng, n, chinese, attachment):
    """Body lines without line ends, and the content fields they need."""
    if chinese:
        text = "\n".join(rng.choice(CHINESE_BODY) for _ in range(rng.randint(3, 20)))
        text_part = base64_lines(text.encode("utf-8"))
        text_fields = ["Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: base64"]
    else:
        text_part = japanese_body_lines(rng, rng.randint(3, 25))
        text_fields = ["Content-Type: text/plain; charset=ISO-2022-JP", "Content-Transfer-Encoding: 7bit"]
    if not attachment:
        return text_fields, text_part
    boundary = "----=_Part_%d_%08X" % (n, rng.getrandbits(32))
    lines = [b"--" + boundary.encode()]
    lines += [f.encode() for f in text_fields] + [b""] + text_part
    lines += [b"--" + boundary.encode(), b"Content-Type: application/octet-stream; name=\"data.bin\"",
              b"Content-Transfer-Encoding: base64", b""]
    lines += base64_lines(rng.randbytes(attachment))
    lines += [b"--" + boundary.encode() + b"--"]
    return ['Content-Type: multipart/mixed; boundary="%s"' % boundary], lines


def mixed_ends(rng, count):
    """Line ends for a body that mixes them: mostly CR LF, some LF, a lone CR."""
    ends = []
    for _ in range(count):
        r = rng.random()
        ends.append(b"\n" if r < 0.3 else b"\r" if r < 0.32 else b"\r\n")
    return ends


def message(rng, n):
    chinese = rng.random() < 0.3
    plain = rng.random() < 0.1
    r = rng.random()
    attachment = 0 if r < 0.955 else rng.randint(2000, 8000) if r < 0.995 else rng.randint(20000, 60000)
    fields = header_fields(rng, n, chinese, plain)
    content_fields, lines = body_lines(rng, n, chinese, attachment)
    head = "\r\n".join(fields + content_fields).encode("ascii") + b"\r\n\r\n"
    if rng.random() < 0.05:
        ends = mixed_ends(rng, len(lines))
        return head + b"".join(line + end for line, end in zip(lines, ends))
    return head + b"".join(line + b"\r\n" for line in lines)


def sized_message(rng, size):
    """One message of about `size` bytes: an eighth header fields (those
    with words first), the rest a body with mixed line ends."""
    head = []
    length = 0
    n = 0
    while length < size // 8 or not head:
        fields = sorted(header_fields(rng, n, n % 3 == 2, False), key=lambda f: "=?" not in f)
        for f in fields:
            if length >= size // 8 and head:
                break
            head.append(f)
            length += len(f) + 2
        n += 1
    out = bytearray("\r\n".join(head).encode("ascii") + b"\r\n\r\n")
    while len(out) < size:
        lines = japanese_body_lines(rng, 64)
        for line, end in zip(lines, mixed_ends(rng, len(lines))):
            if len(out) >= size:
                break
            out += line + end
    return bytes(out)


SIZES = [(1 << s, "%dK" % (1 << (s - 10)) if s < 20 else "%dM" % (1 << (s - 20))) for s in range(10, 27, 2)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("outdir")
    parser.add_argument("--megabytes", type=float, default=50)
    args = parser.parse_args()

    rng = random.Random(SEED)
    messages_dir = os.path.join(args.outdir, "messages")
    sized_dir = os.path.join(args.outdir, "sized")
    os.makedirs(messages_dir, exist_ok=True)
    os.makedirs(sized_dir, exist_ok=True)

    target = int(args.megabytes * 1024 * 1024)
    total = 0
    n = 0
    with open(os.path.join(args.outdir, "stream.eml"), "wb") as stream:
        while total < target:
            n += 1
            text = message(rng, n)
            with open(os.path.join(messages_dir, "%05d.eml" % n), "wb") as f:
                f.write(text)
            stream.write(text)
            total += len(text)

    for size, name in SIZES:
        with open(os.path.join(sized_dir, name + ".eml"), "wb") as f:
            f.write(sized_message(random.Random(SEED + size), size))

    print("generate_corpus: %d messages, %d bytes; %d sized messages" % (n, total, len(SIZES)), file=sys.stderr)


if __name__ == "__main__":
    main()
