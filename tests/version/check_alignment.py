#!/usr/bin/env python3
"""Checks the program file's version section: aligned to 32 bits by its own declaration (not by
the linker's chance), and holding the version block at its start."""
import struct
import sys

SECTION = b".vistrel_version"


def sections(data):
    if data[:4] != b"\x7fELF" or data[4] != 2:
        sys.exit("not a 64-bit ELF file")
    shoff, = struct.unpack_from("<Q", data, 0x28)
    shentsize, shnum, shstrndx = struct.unpack_from("<HHH", data, 0x3A)
    headers = [struct.unpack_from("<IIQQQQIIQQ", data, shoff + i * shentsize) for i in range(shnum)]
    names_at = headers[shstrndx][4]
    for h in headers:
        start = names_at + h[0]
        yield data[start:data.index(b"\0", start)], h


def main():
    data = open(sys.argv[1], "rb").read()
    found = [h for name, h in sections(data) if name == SECTION]
    if len(found) != 1:
        sys.exit(f"{sys.argv[1]}: expected one {SECTION.decode()} section, found {len(found)}")
    h = found[0]
    offset, align = h[4], h[8]
    failures = []
    if align < 4:
        failures.append(f"the section's alignment is {align}, not at least 4")
    if offset % 4:
        failures.append(f"the section starts at file offset {offset}, not a multiple of 4")
    key = "VS_VERSION_INFO".encode("utf-16-le")
    if data[offset + 6:offset + 6 + len(key)] != key:
        failures.append("the section does not start with the version block")
    if failures:
        sys.exit("\n".join(failures))
    print(f"{SECTION.decode()}: offset {offset}, alignment {align}")


main()
