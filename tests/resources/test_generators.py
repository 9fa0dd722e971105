#!/usr/bin/env python3
"""The generators refuse bad input with a clear error instead of writing a damaged file."""

import argparse
import os
import subprocess
import sys
import tempfile

parser = argparse.ArgumentParser()
parser.add_argument("--source-dir", required=True)
ARGS = parser.parse_args()
TOOLS = os.path.join(ARGS.source_dir, "tools")
sys.path.insert(0, TOOLS)
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from common import Checks  # noqa: E402
from resgen import score  # noqa: E402
from resgen.imagefiles import bmp24_bytes, ico_bytes, png_bytes, read_bmp24, read_png  # noqa: E402
from resgen.midi import read_smf  # noqa: E402

HEADER = "title T\nfile T.mid\ntempo 120\nmeter 4/4\n"


def render(body):
    return score.render(score.parse(HEADER + body, "test"))


def refused(body):
    try:
        render(body)
    except score.ScoreError as error:
        return str(error)
    return None


def test_scores(c):
    c.check("lasts 3 quarters" in (refused("voice A\n C4q D4 E4 |\nend\n") or ""), "a short bar is not caught")
    c.check(refused("voice A\n C4q D4 E4 F4 G4 |\nend\n") is not None, "a long bar is not caught")
    c.check(refused("voice A\n H4q\nend\n") is not None, "a bad note is not caught")
    c.check(refused("voice A\n C4q~ D4q\nend\n") is not None, "an open tie is not caught")
    c.check(refused("voice A\n $NOPE\nend\n") is not None, "an unknown phrase is not caught")
    c.check(refused("voice A\n C4q\n") is not None, "a missing end is not caught")
    info = read_smf(render("define P\n C4q E4 G4 C5 |\nend\nvoice A program=73\n $P*2 [C4 E4 G4]w |\nend\n"))
    c.check(info.notes == 11 and info.unbalanced == 0, "phrases or chords render wrongly: %d notes" % info.notes)
    c.check(info.programs == {0: 73}, "the instrument is not set: %s" % info.programs)
    # 3 bars of 4 quarters at 120 per minute, plus the one-beat ring-out at the end.
    c.check(abs(info.seconds - 6.5) < 0.01, "the length is %.2f s, not 6.5" % info.seconds)
    tied = read_smf(render("voice A\n C4h~ C4h |\nend\n"))
    c.check(tied.notes == 1, "a tie should join two notes into one, got %d" % tied.notes)
    slow = read_smf(render("voice A\n C4w | @tempo=60 C4w |\nend\n"))
    c.check(abs(slow.seconds - 7.0) < 0.01, "a tempo change is not applied: %.2f s" % slow.seconds)


def test_midi_reader(c):
    data = render("voice A\n C4w |\nend\n")
    for cut in (10, len(data) // 2, len(data) - 3):
        try:
            read_smf(data[:cut])
            c.check(False, "a file cut at %d bytes was accepted" % cut)
        except ValueError:
            c.check(True, "")
    try:
        read_smf(b"RIFF" + data[4:])
        c.check(False, "a file that is not MIDI was accepted")
    except ValueError:
        c.check(True, "")


def test_image_files(c):
    rgba = b"".join(bytes((x * 16, y * 16, 128, 255 if (x + y) % 3 else 0)) for y in range(16) for x in range(16))
    c.check(read_png(png_bytes(16, 16, rgba)) == (16, 16, rgba), "PNG pixels do not survive")
    rgb = b"".join(bytes((x * 20, y * 20, 7)) for y in range(5) for x in range(3))  # rows need padding
    c.check(read_bmp24(bmp24_bytes(3, 5, rgb)) == (3, 5, rgb), "BMP pixels or row order do not survive")
    damaged = bytearray(png_bytes(16, 16, rgba))
    damaged[40] ^= 0xFF
    try:
        read_png(bytes(damaged))
        c.check(False, "a damaged PNG was accepted")
    except ValueError:
        c.check(True, "")
    ico = ico_bytes([(32, rgba * 4), (16, rgba)])
    c.check(ico[4:6] == b"\x02\x00" and ico[6] == 16, "icon directory out of order")


def test_text_conversion(c):
    with tempfile.TemporaryDirectory() as tmp:
        good = os.path.join(tmp, "Russkij 1049.ini")
        with open(good, "w", encoding="utf-8") as f:
            f.write("[Message]\nMsgError=Ошибка\n")
        out = os.path.join(tmp, "out")
        run = subprocess.run([sys.executable, os.path.join(TOOLS, "make_text.py"), "--encoding", "ansi",
                              "--out", out, good], capture_output=True, text=True)
        c.check(run.returncode == 0, "conversion failed: %s" % run.stderr)
        with open(os.path.join(out, "Russkij 1049.ini"), "rb") as f:
            c.check(f.read() == "[Message]\r\nMsgError=Ошибка\r\n".encode("cp1251"),
                    "not converted to code page 1251 with CR LF")
        bad = os.path.join(tmp, "Deutsch 1031.ini")
        with open(bad, "w", encoding="utf-8") as f:
            f.write("[Message]\nMsgError=Ошибка\n")
        run = subprocess.run([sys.executable, os.path.join(TOOLS, "make_text.py"), "--encoding", "ansi",
                              "--out", out, bad], capture_output=True, text=True)
        c.check(run.returncode != 0 and "cp1252" in run.stderr, "text that 1252 cannot hold was not refused")
        c.check(not os.path.exists(os.path.join(out, "Deutsch 1031.ini")), "a refused file was written")


Checks().run(test_scores, test_midi_reader, test_image_files, test_text_conversion)
