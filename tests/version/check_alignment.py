#!/usr/bin/env python3
"""Checks the program file's version section: aligned to 32 bits by its own declaration (not by
the compiler's or the linker's chance), and holding the version block at its start.

Usage: check_alignment.py PROGRAM [--compile COMPILER SOURCE FLAGS...]
With --compile, the source is also compiled alone into an object file that is checked too."""
import os
import struct
import subprocess
import sys
import tempfile

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


def check(path, whole_program):
    data = open(path, "rb").read()
    found = [h for name, h in sections(data) if name == SECTION]
    if len(found) != 1:
        return [f"{path}: expected one {SECTION.decode()} section, found {len(found)}"]
    h = found[0]
    offset, align = h[4], h[8]
    failures = []
    if align < 4:
        failures.append(f"{path}: the section's alignment is {align}, not at least 4")
    if offset % 4:
        failures.append(f"{path}: the section starts at file offset {offset}, not a multiple of 4")
    key = "VS_VERSION_INFO".encode("utf-16-le")
    if whole_program and data[offset + 6:offset + 6 + len(key)] != key:
        failures.append(f"{path}: the section does not start with the version block")
    print(f"{path}: {SECTION.decode()} at offset {offset}, alignment {align}")
    return failures


def main():
    args = sys.argv[1:]
    failures = check(args[0], True)
    if len(args) > 2 and args[1] == "--compile":
        compiler, source, flags = args[2], args[3], args[4:]
        with tempfile.TemporaryDirectory() as folder:
            obj = os.path.join(folder, "version.o")
            subprocess.run([compiler, "-std=c++20", "-O2", *flags, "-c", source, "-o", obj],
                           check=True)
            failures += check(obj, False)
    if failures:
        sys.exit("\n".join(failures))


main()
