#!/usr/bin/env python3
"""Opens each built help file, reads its ITSF header and its directory of files, and checks
that it holds every page of its project, with the title and default topic in its system
block. With extract_chmLib (Debian package libchm-bin) named in VISTREL_EXTRACT_CHMLIB, the
pages are also unpacked and compared with their sources."""

import glob
import os
import re
import struct
import subprocess
import tempfile

from common import Checks, arguments

ARGS = arguments()
HELP_DIR = os.path.join(ARGS.program_dir, "Help")
SOURCES = os.path.join(ARGS.source_dir, "resources", "Help")


def encint(data, pos):
    value = 0
    while True:
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos


def read_chm(data):
    """Returns ({name: (section, offset, length)}, content offset). Raises ValueError."""
    if data[:4] != b"ITSF":
        raise ValueError("no ITSF signature")
    version, header_len = struct.unpack("<II", data[4:12])
    if version not in (2, 3):
        raise ValueError("ITSF version %d" % version)
    dir_offset, dir_len = struct.unpack("<QQ", data[0x48:0x58])
    if version == 3:
        (content_offset,) = struct.unpack("<Q", data[0x58:0x60])
    else:
        content_offset = dir_offset + dir_len
    itsp = data[dir_offset:dir_offset + dir_len]
    if itsp[:4] != b"ITSP":
        raise ValueError("no ITSP directory header")
    (itsp_len,) = struct.unpack("<I", itsp[8:12])
    (chunk_size,) = struct.unpack("<I", itsp[0x10:0x14])
    first, last = struct.unpack("<ii", itsp[0x20:0x28])
    (chunks,) = struct.unpack("<I", itsp[0x2C:0x30])
    files = {}
    index = first
    seen = set()
    while index != -1:
        if index in seen or not 0 <= index < chunks:
            raise ValueError("directory chunks form no chain")
        seen.add(index)
        chunk = itsp[itsp_len + index * chunk_size:itsp_len + (index + 1) * chunk_size]
        if chunk[:4] != b"PMGL":
            raise ValueError("chunk %d is not a listing chunk" % index)
        (free,) = struct.unpack("<I", chunk[4:8])
        (nxt,) = struct.unpack("<i", chunk[16:20])
        pos, end = 20, chunk_size - free
        while pos < end:
            n, pos = encint(chunk, pos)
            name = chunk[pos:pos + n].decode("utf-8")
            pos += n
            section, pos = encint(chunk, pos)
            offset, pos = encint(chunk, pos)
            length, pos = encint(chunk, pos)
            files[name] = (section, offset, length)
        index = nxt
    return files, content_offset


def system_block(data, files, content_offset):
    """Entries of /#SYSTEM, which is stored uncompressed: code -> bytes."""
    section, offset, length = files["/#SYSTEM"]
    if section != 0:
        raise ValueError("#SYSTEM is not in the uncompressed section")
    block = data[content_offset + offset:content_offset + offset + length]
    entries = {}
    pos = 4
    while pos + 4 <= len(block):
        code, size = struct.unpack("<HH", block[pos:pos + 4])
        entries[code] = block[pos + 4:pos + 4 + size]
        pos += 4 + size
    return entries


def project(folder):
    with open(os.path.join(folder, "Help.hhp"), encoding="latin-1") as f:
        text = f.read()
    files = re.search(r"\[FILES\]\s*(.*?)(?:\n\[|\Z)", text, re.S).group(1).split()
    title = re.search(r"^Title=(.*)$", text, re.M).group(1).strip()
    topic = re.search(r"^Default topic=(.*)$", text, re.M).group(1).strip()
    return files, title, topic


def test_english_exists(c):
    c.check(os.path.isfile(os.path.join(HELP_DIR, "1033", "Help.chm")), "Help/1033/Help.chm was not built")


def test_help_files(c):
    for folder in sorted(glob.glob(os.path.join(SOURCES, "*"))):
        if not os.path.isfile(os.path.join(folder, "Help.hhp")):
            continue
        code = os.path.basename(folder)
        chm = os.path.join(HELP_DIR, code, "Help.chm")
        if not c.check(os.path.isfile(chm), "%s is missing" % chm):
            continue
        with open(chm, "rb") as f:
            data = f.read()
        try:
            files, content_offset = read_chm(data)
            system = system_block(data, files, content_offset)
        except (ValueError, KeyError, struct.error) as error:
            c.check(False, "%s cannot be read: %s" % (chm, error))
            continue
        pages, title, topic = project(folder)
        for page in pages + ["Contents.hhc", "Index.hhk"]:
            entry = files.get("/" + page)
            c.check(entry is not None and entry[2] > 0, "%s lacks the page %s" % (chm, page))
        for page in pages:
            c.check(os.path.getsize(os.path.join(folder, page)) == files.get("/" + page, (0, 0, -1))[2],
                    "%s: %s has another size than its source" % (chm, page))
        c.check(system.get(3, b"").rstrip(b"\0").decode("latin-1") == title, "%s: title %r" % (chm, system.get(3)))
        c.check(system.get(2, b"").rstrip(b"\0").decode("latin-1") == topic, "%s: default topic %r" % (chm, system.get(2)))
        # Every link between pages leads to a page of the file.
        for page in pages:
            if page.endswith(".htm"):
                with open(os.path.join(folder, page), encoding="latin-1") as f:
                    for target in re.findall(r'href="([^"#:]+)', f.read()):
                        c.check("/" + target in files, "%s: %s links to %s, which is not there" % (code, page, target))
        tool = os.environ.get("VISTREL_EXTRACT_CHMLIB")
        if tool:
            with tempfile.TemporaryDirectory() as out:
                subprocess.run([tool, chm, out], stdout=subprocess.DEVNULL, check=True)
                for page in pages:
                    with open(os.path.join(folder, page), "rb") as a:
                        source = a.read()
                    extracted = os.path.join(out, page)
                    same = os.path.isfile(extracted) and open(extracted, "rb").read() == source
                    c.check(same, "%s: %s unpacks to something else than its source" % (chm, page))


Checks().run(test_english_exists, test_help_files)
