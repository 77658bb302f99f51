#!/usr/bin/env python3
"""What a user would write with Python's standard library instead: standard
input to standard output, every logical field (a line and its continuation
lines) that holds "=?" decoded with email.header into Shift_JIS, every line
re-ended with CR LF. A yardstick for speed, not a second implementation."""

import sys
from email.errors import HeaderParseError
from email.header import decode_header, make_header


def emit(out, lines):
    text = b"".join(lines)
    if b"=?" in text:
        try:
            decoded = str(make_header(decode_header(text.decode("latin-1"))))
            out.write(decoded.encode("shift_jis", "replace") + b"\r\n")
            return
        except (HeaderParseError, LookupError, UnicodeDecodeError):
            pass
    for line in lines:
        out.write(line.rstrip(b"\r\n") + b"\r\n")


def main():
    out = sys.stdout.buffer
    field = []
    for line in sys.stdin.buffer:
        if field and line[:1] in (b" ", b"\t"):
            field.append(line)
            continue
        if field:
            emit(out, field)
        field = [line]
    if field:
        emit(out, field)


if __name__ == "__main__":
    main()
