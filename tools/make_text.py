#!/usr/bin/env python3
"""Copies language files and music descriptions into the program folder.

The sources are UTF-8. The program reads these files as 8-bit text in the system's code page,
so for Windows each file is converted to the ANSI code page of its language (found from the
decimal language identifier at the end of its base name) with CR LF line ends; for Linux they
stay UTF-8.
"""

import argparse
import os
import re
import sys

# ANSI code pages by primary language (the low ten bits of the identifier).
CODE_PAGES = {
    0x04: "cp936", 0x11: "cp932", 0x12: "cp949", 0x19: "cp1251", 0x22: "cp1251", 0x23: "cp1251",
    0x02: "cp1251", 0x05: "cp1250", 0x0E: "cp1250", 0x15: "cp1250", 0x18: "cp1250", 0x1A: "cp1250",
    0x1B: "cp1250", 0x24: "cp1250", 0x08: "cp1253", 0x1F: "cp1254", 0x0D: "cp1255", 0x01: "cp1256",
    0x25: "cp1257", 0x26: "cp1257", 0x27: "cp1257", 0x1E: "cp874", 0x2A: "cp1258",
}


def code_page(name):
    """The ANSI code page for a file whose base name ends with a language identifier."""
    match = re.search(r"(\d+)$", os.path.splitext(os.path.basename(name))[0])
    if not match:
        raise ValueError("%s: the name does not end with a language identifier" % name)
    lang = int(match.group(1))
    if lang == 0x0404 or lang == 0x0C04 or lang == 0x1404:
        return "cp950"  # Chinese in traditional characters
    return CODE_PAGES.get(lang & 0x3FF, "cp1252")


def convert(source, target, encoding):
    with open(source, encoding="utf-8-sig") as f:
        text = f.read()
    lines = text.splitlines()
    if encoding == "ansi":
        page = code_page(source)
        try:
            data = "\r\n".join(lines).encode(page) + b"\r\n"
        except UnicodeEncodeError as error:
            raise ValueError("%s: %s cannot hold %r" % (source, page, error.object[error.start:error.end]))
    else:
        data = ("\n".join(lines) + "\n").encode("utf-8")
    tmp = target + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, target)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--encoding", choices=("utf-8", "ansi"), required=True)
    parser.add_argument("--out", required=True, help="target folder")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for source in args.files:
        try:
            convert(source, os.path.join(args.out, os.path.basename(source)), args.encoding)
        except ValueError as error:
            sys.exit("error: %s" % error)


if __name__ == "__main__":
    main()
