#!/usr/bin/env python3
"""Writes COUNT generated messages into DIR (make_corpus.py DIR COUNT SEED).

The messages mix encoded words in the four charsets, B and Q, folds,
adjacent words, words in other charsets, malformed and unfinished words, and
bodies with mixed line ends. Every UTF-8 payload is well-formed, and so is
every GB2312 and ISO-2022-JP one: on malformed input Wine's readers are not
Windows', so such input says nothing about the plug-in. No message holds a
NUL byte, since the host's text would end there.
"""
import base64
import os
import random
import sys

KANJI = "日本語会議資料東京大阪出張報告来週予定確認連絡名前山田鈴木高橋佐藤伊藤渡辺中村小林加藤見積請求書社長部長"
CHINESE_ONLY = "们这说时对会过还发经现进种样关说话问题听觉应该议节联欢晚华"  # mostly without a Shift-JIS form
RANGES = [
    (0x3041, 0x3093), (0x30A1, 0x30F6), (0xFF01, 0xFF5E), (0xFF61, 0xFF9F),
    (0x4E00, 0x9FA5), (0x00A0, 0x00FF), (0x0391, 0x03C9), (0x0410, 0x044F),
    (0x2460, 0x2473), (0x2010, 0x2312), (0x3000, 0x301F), (0xAC00, 0xD7A3),
    (0x0100, 0x017F), (0x0E01, 0x0E3A), (0xF900, 0xFA2D), (0xFE30, 0xFE4F),
]
SPECIAL = "~\\¥‾—―‖∥－～￠￡￢〜¦"


def random_char(rng):
    pick = rng.random()
    if pick < 0.3:
        return rng.choice(KANJI)
    if pick < 0.4:
        return rng.choice(CHINESE_ONLY)
    if pick < 0.45:
        return rng.choice(SPECIAL)
    if pick < 0.5:
        return chr(rng.choice([0x1F600, 0x1F4E7, 0x20B9F, 0x1D11E]))  # outside the BMP
    if pick < 0.6:
        return chr(rng.randrange(0x20, 0x7F))
    lo, hi = rng.choice(RANGES)
    return chr(rng.randrange(lo, hi + 1))


def random_text(rng, codec, length):
    """A text of about `length` characters that `codec` can encode."""
    out = []
    while len(out) < length:
        c = random_char(rng)
        try:
            c.encode(codec)
        except UnicodeEncodeError:
            continue
        out.append(c)
    return "".join(out)


def q_encode(data, rng):
    out = []
    for b in data:
        c = chr(b)
        if c == " " and rng.random() < 0.8:
            out.append("_")
        elif (c.isalnum() and b < 0x80) or c in "!*+-/":
            out.append(c)
        else:
            out.append(("=%02X" if rng.random() < 0.9 else "=%02x") % b)
    return "".join(out)


CHARSETS = [  # (name as written, Python codec)
    ("UTF-8", "utf-8"), ("utf-8", "utf-8"), ("Utf-8", "utf-8"),
    ("ISO-2022-JP", "iso2022_jp"), ("iso-2022-jp", "iso2022_jp"),
    ("GB2312", "gb2312"), ("gb2312", "gb2312"),
    ("Shift_JIS", "cp932"), ("SHIFT_JIS", "cp932"), ("shift_jis", "cp932"),
]


def encoded_word(rng):
    pick = rng.random()
    if pick < 0.005:  # fails the whole message
        return rng.choice(["=?UTF-8?X?5pel?=", "=?ISO-8859-1?Z?abc?=", "=?UTF-8??5pel?="])
    if pick < 0.05:
        return rng.choice(["=?ISO-8859-1?Q?caf=E9?=", "=?EUC-JP?B?xvzL3A==?=", "=?UTF8?B?5pel?=",
                           "=?us-ascii?Q?plain?=", "=??B?QUJD?=", "=?CP932?B?k/qWew==?="])
    name, codec = rng.choice(CHARSETS)
    data = random_text(rng, codec, rng.randrange(1, 16)).encode(codec)
    if rng.random() < 0.5:
        letter = rng.choice(["B", "b", "Base64"] if rng.random() < 0.1 else ["B"])
        payload = base64.b64encode(data).decode()
        if rng.random() < 0.1:
            payload = payload.rstrip("=")
        return "=?%s?%s?%s?=" % (name, letter, payload)
    letter = rng.choice(["Q", "q"])
    return "=?%s?%s?%s?=" % (name, letter, q_encode(data, rng))


def field_value(rng):
    parts = []
    for _ in range(rng.randrange(1, 5)):
        if rng.random() < 0.65:
            parts.append(encoded_word(rng))
        else:
            parts.append(rng.choice(["Re:", "Fwd:", "<taro@example.jp>", "hello", "(note)", "\"x\""]))
    if rng.random() < 0.05:
        # A "=?" that starts no word, last in its field: followed by a word it
        # would swallow that word's text and feed malformed UTF-8 to the
        # conversion.
        parts.append(rng.choice(["a =?b", "=?", "=?UTF-8?B?", "=?UTF-8?B?5pel", "?="]))
    value = ""
    for i, part in enumerate(parts):
        if i:
            value += rng.choice([" ", "", "  ", "\r\n ", "\r\n\t"])
        value += part
    return value


def message(rng):
    names = ["Subject", "From", "To", "Cc", "X-Note", "Reply-To", "Comments"]
    eol = rng.choice(["\r\n"] * 8 + ["\n", "\r\n"])
    lines = []
    for name in rng.sample(names, rng.randrange(1, len(names) + 1)):
        lines.append("%s: %s" % (name, field_value(rng)))
    lines.append("Date: Fri, 11 Dec 2026 12:00:00 +0900")
    header = eol.join(lines).replace("\r\n", eol) + "\r\n\r\n"
    if rng.random() < 0.03:
        header = "A: 1\n\n" + header  # an empty line before the real header end
    body = ""
    for _ in range(rng.randrange(0, 6)):
        body += rng.choice(["body line", "=?UTF-8?B?5pel?= in the body", "", "tab\there", "cr\rinside"])
        body += rng.choice(["\r\n"] * 6 + ["\n", "\r", ""])
    return (header + body).encode("ascii")


def main():
    directory, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    os.makedirs(directory, exist_ok=True)
    for i in range(count):
        data = message(rng)
        assert b"\0" not in data
        with open(os.path.join(directory, "g%04d.eml" % i), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
