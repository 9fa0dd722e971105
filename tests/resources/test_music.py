#!/usr/bin/env python3
"""Checks the shipped music: well-formed General MIDI files of sensible length, the default
piece present, and the canon really a canon (each violin repeats the first one, two bars
later)."""

import glob
import os

from common import Checks, arguments

ARGS = arguments()
from resgen.midi import read_smf  # noqa: E402

MUSIC_DIR = os.path.join(ARGS.program_dir, "Music")
SCORES = os.path.join(ARGS.source_dir, "resources", "Music", "Scores")


def tracks_notes(data):
    """Per track: list of (tick, pitch) of its note-ons, read independently of the writer."""
    pos = 14
    out = []
    while pos < len(data):
        length = int.from_bytes(data[pos + 4:pos + 8], "big")
        p, end, tick, status, notes = pos + 8, pos + 8 + length, 0, 0, []
        while p < end:
            delta = 0
            while True:
                b = data[p]
                p += 1
                delta = (delta << 7) | (b & 0x7F)
                if not b & 0x80:
                    break
            tick += delta
            if data[p] & 0x80:
                status = data[p]
                p += 1
            if status == 0xFF:
                p += 1
                n = 0
                while True:
                    b = data[p]
                    p += 1
                    n = (n << 7) | (b & 0x7F)
                    if not b & 0x80:
                        break
                p += n
            elif status & 0xF0 in (0xC0, 0xD0):
                p += 1
            else:
                if status & 0xF0 == 0x90 and data[p + 1] > 0:
                    notes.append((tick, data[p]))
                p += 2
        out.append(notes)
        pos = end
    return out


def test_folder(c):
    entries = sorted(os.listdir(MUSIC_DIR))
    pieces = [e for e in entries if e.lower().endswith(".mid")]
    c.check("Canon in D.mid" in pieces, "Canon in D.mid, the default music, is missing")
    c.check(len(pieces) >= 3, "expected the canon and two or more further pieces: %s" % pieces)
    # Every file of the music folder is an entry of the Music page: nothing else may lie there.
    others = [e for e in entries if e not in pieces and e != "Info"]
    c.check(not others, "the music folder holds more than music: %s" % others)
    scores = sorted(os.path.splitext(os.path.basename(s))[0] + ".mid" for s in glob.glob(os.path.join(SCORES, "*.score")))
    c.check(scores == pieces, "the music folder %s differs from the scores %s" % (pieces, scores))


def test_pieces(c):
    for path in sorted(glob.glob(os.path.join(MUSIC_DIR, "*.mid"))):
        name = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        info = read_smf(data)
        c.check(info.format == 1 and info.division > 0, "%s: not a format-1 file" % name)
        c.check(info.unbalanced == 0, "%s: %d notes are never released" % (name, info.unbalanced))
        c.check(info.notes >= 200, "%s: only %d notes" % (name, info.notes))
        c.check(9 not in info.channels, "%s: uses the drum channel" % name)
        for channel in info.channels:
            c.check(channel in info.programs, "%s: channel %d plays without choosing an instrument" % (name, channel))
        low, high = (150, 300) if name == "Canon in D.mid" else (60, 300)
        c.check(low <= info.seconds <= high, "%s lasts %.0f s, expected %d..%d" % (name, info.seconds, low, high))


def test_canon(c):
    with open(os.path.join(MUSIC_DIR, "Canon in D.mid"), "rb") as f:
        data = f.read()
    info = read_smf(data)
    tracks = [t for t in tracks_notes(data) if t]
    c.check(len(tracks) == 4, "the canon should have a bass and three violins, has %d voices" % len(tracks))
    c.check(sorted(info.programs.values()) == [40, 40, 40, 42], "instruments %s" % info.programs)
    if len(tracks) != 4:
        return
    bar = 4 * info.division
    bass, v1, v2, v3 = tracks
    # The ground: eight notes that come back every two bars.
    ground = [p for _, p in bass[:8]]
    c.check(all([p for _, p in bass[i:i + 8]] == ground for i in range(0, len(bass) - 9, 8)),
            "the bass does not repeat its two-bar ground")
    c.check(v1[0][0] == 2 * bar and v2[0][0] == 4 * bar and v3[0][0] == 6 * bar,
            "the violins should enter at bars 3, 5 and 7: %s" % [v[0][0] // bar + 1 for v in (v1, v2, v3)])
    for later, delay in ((v2, 2 * bar), (v3, 4 * bar)):
        n = len(v3) - 1
        shifted = [(t + delay, p) for t, p in v1[:n]]
        c.check(later[:n] == shifted, "a later violin does not repeat the first one")


Checks().run(test_folder, test_pieces, test_canon)
