"""A small text notation for scores, rendered to General MIDI.

    title Canon in D            header lines: title, composer, file (the MIDI file's name),
    tempo 52                    tempo (quarters per minute), meter (for bar checks),
    meter 4/4                   reverb (0..127)
    define GROUND               a named phrase, used as $GROUND or $GROUND*4
      D3q A2 B2 F#2 | G2 D2 G2 A2 |
    end
    voice Bass program=42 pan=64 volume=100 delay=8 transpose=0 gate=0.95
      $GROUND*20 D2w |
    end

Notes: pitch letter, optional # or b, octave (C4 is middle C), then a duration letter
(w h q e s = whole, half, quarter, eighth, sixteenth) with an optional "." for dotted; a note
without a duration takes the previous one. "r" is a rest, [C4 E4 G4]h a chord, "~" after a
note ties it to the next. "|" checks that a full bar has passed. !pp !p !mp !mf !f !ff set the
loudness, @tempo=N changes the tempo from that point on, @program=N changes the instrument.
"delay" is in quarter notes.
"""

import re

from .midi import DIVISION, meta, write_smf

DURATIONS = {"w": 4.0, "h": 2.0, "q": 1.0, "e": 0.5, "s": 0.25}
DYNAMICS = {"ppp": 28, "pp": 40, "p": 54, "mp": 66, "mf": 80, "f": 96, "ff": 110}
STEPS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
NOTE_RE = re.compile(r"^([A-Ga-g])(#|b)?(-?\d)([whqes]\.?)?(~)?$")
CHORD_RE = re.compile(r"^\[([^\]]*)\]([whqes]\.?)?(~)?$")
REST_RE = re.compile(r"^r([whqes]\.?)?$")
TOKEN_RE = re.compile(r"\[[^\]]*\]\S*|\S+")


class ScoreError(Exception):
    pass


class Voice:
    def __init__(self, name, options):
        self.name = name
        self.program = int(options.get("program", 0))
        self.channel = int(options["channel"]) if "channel" in options else None
        self.pan = int(options.get("pan", 64))
        self.volume = int(options.get("volume", 100))
        self.delay = float(options.get("delay", 0))
        self.transpose = int(options.get("transpose", 0))
        self.gate = float(options.get("gate", 0.92))
        self.tokens = []


class Score:
    def __init__(self):
        self.title = ""
        self.composer = ""
        self.filename = ""
        self.tempo = 120.0
        self.meter = (4, 4)
        self.reverb = 50
        self.defines = {}
        self.voices = []


def parse(text, source="score"):
    score = Score()
    current = None  # list receiving tokens
    for number, raw in enumerate(text.splitlines(), 1):
        # Comments start with "# " or with "#" at the start of a line; F#4 is a note.
        if raw.lstrip().startswith("#"):
            line = ""
        else:
            line = raw.split("# ", 1)[0].strip()
        if not line:
            continue
        word, _, rest = line.partition(" ")
        where = "%s:%d" % (source, number)
        if current is None:
            if word == "title":
                score.title = rest.strip()
            elif word == "file":
                score.filename = rest.strip()
            elif word == "composer":
                score.composer = rest.strip()
            elif word == "tempo":
                score.tempo = float(rest)
            elif word == "reverb":
                score.reverb = int(rest)
            elif word == "meter":
                top, bottom = rest.strip().split("/")
                score.meter = (int(top), int(bottom))
            elif word == "define":
                name = rest.strip()
                current = score.defines.setdefault(name, [])
                if current:
                    raise ScoreError("%s: %s defined twice" % (where, name))
            elif word == "voice":
                parts = rest.split()
                options = dict(p.split("=", 1) for p in parts[1:])
                voice = Voice(parts[0], options)
                score.voices.append(voice)
                current = voice.tokens
            else:
                raise ScoreError("%s: unknown directive %r" % (where, word))
        elif word == "end" and not rest:
            current = None
        else:
            current.extend((tok, where) for tok in TOKEN_RE.findall(line))
    if current is not None:
        raise ScoreError("%s: missing 'end'" % source)
    return score


def _pitch(letter, accidental, octave):
    value = STEPS[letter.upper()] + 12 * (int(octave) + 1)
    if accidental == "#":
        value += 1
    elif accidental == "b":
        value -= 1
    if not 0 <= value <= 127:
        raise ScoreError("pitch out of range: %s%s%s" % (letter, accidental or "", octave))
    return value


def _duration(text, previous):
    if not text:
        return previous
    value = DURATIONS[text[0]]
    return value * 1.5 if text.endswith(".") else value


def _expand(tokens, defines, depth=0):
    if depth > 10:
        raise ScoreError("phrases nested too deeply")
    for tok, where in tokens:
        if tok.startswith("$"):
            name, _, count = tok[1:].partition("*")
            if name not in defines:
                raise ScoreError("%s: unknown phrase %s" % (where, name))
            for _ in range(int(count or 1)):
                yield from _expand(defines[name], defines, depth + 1)
        else:
            yield tok, where


def render_voice(score, voice):
    """Returns (notes, tempo changes, program changes, length) in quarter notes:
    notes as (start, length, pitch, velocity)."""
    bar = score.meter[0] * 4.0 / score.meter[1]
    t = voice.delay
    bar_start = t
    length = 1.0
    velocity = DYNAMICS["mf"]
    notes, tempos, programs = [], [], []
    tied = {}  # pitch -> index in notes of a note waiting for its tie
    for tok, where in _expand(voice.tokens, score.defines):
        if tok == "|":
            if abs((t - bar_start) - bar) > 1e-6:
                raise ScoreError("%s: bar in voice %s lasts %g quarters, not %g"
                                 % (where, voice.name, t - bar_start, bar))
            bar_start = t
            continue
        if tok.startswith("!"):
            if tok[1:] not in DYNAMICS:
                raise ScoreError("%s: unknown dynamic %s" % (where, tok))
            velocity = DYNAMICS[tok[1:]]
            continue
        if tok.startswith("@"):
            key, _, value = tok[1:].partition("=")
            if key == "tempo":
                tempos.append((t, float(value)))
            elif key == "program":
                programs.append((t, int(value)))
            else:
                raise ScoreError("%s: unknown setting %s" % (where, tok))
            continue
        m = REST_RE.match(tok)
        if m:
            length = _duration(m.group(1), length)
            t += length
            continue
        m = NOTE_RE.match(tok)
        chord = CHORD_RE.match(tok)
        if m:
            pitches = [_pitch(m.group(1), m.group(2), m.group(3))]
            length = _duration(m.group(4), length)
            tie = bool(m.group(5))
        elif chord:
            pitches = []
            for part in chord.group(1).split():
                pm = NOTE_RE.match(part)
                if not pm or pm.group(4):
                    raise ScoreError("%s: bad chord note %r" % (where, part))
                pitches.append(_pitch(pm.group(1), pm.group(2), pm.group(3)))
            length = _duration(chord.group(2), length)
            tie = bool(chord.group(3))
        else:
            raise ScoreError("%s: cannot read %r" % (where, tok))
        for p in pitches:
            p += voice.transpose
            # A light accent on the first beat of a bar.
            accent = 6 if abs(t - bar_start) < 1e-6 else 0
            if p in tied:
                index = tied.pop(p)
                start, _, _, vel = notes[index]
                notes[index] = (start, t + length - start, p, vel)
            else:
                index = len(notes)
                notes.append((t, length, p, min(127, velocity + accent)))
            if tie:
                tied[p] = index
        t += length
    if tied:
        raise ScoreError("voice %s ends with an open tie" % voice.name)
    return notes, tempos, programs, t


def render(score):
    """Renders the score to the bytes of a format-1 MIDI file."""
    conductor = [(0, 0, meta(0x03, score.title.encode("ascii"))),
                 (0, 0, meta(0x58, bytes((score.meter[0], {2: 1, 4: 2, 8: 3}[score.meter[1]], 24, 8))))]
    if score.composer:
        conductor.append((0, 0, meta(0x02, ("Music: " + score.composer).encode("ascii"))))

    def tempo_event(bpm):
        return meta(0x51, int(round(60e6 / bpm)).to_bytes(3, "big"))

    conductor.append((0, 1, tempo_event(score.tempo)))
    tracks = [conductor]
    end = 0.0
    free_channels = [c for c in range(16) if c != 9]
    for voice in score.voices:
        notes, tempos, programs, length = render_voice(score, voice)
        end = max(end, length)
        channel = voice.channel if voice.channel is not None else free_channels.pop(0)
        for t, bpm in tempos:
            conductor.append((int(round(t * DIVISION)), 1, tempo_event(bpm)))
        events = [
            (0, 0, meta(0x03, voice.name.encode("ascii"))),
            (0, 1, bytes((0xC0 | channel, voice.program))),
            (0, 1, bytes((0xB0 | channel, 7, voice.volume))),
            (0, 1, bytes((0xB0 | channel, 10, voice.pan))),
            (0, 1, bytes((0xB0 | channel, 91, score.reverb))),
        ]
        for t, program in programs:
            events.append((int(round(t * DIVISION)), 1, bytes((0xC0 | channel, program))))
        for start, dur, pitch, vel in notes:
            on = int(round(start * DIVISION))
            off = on + max(1, int(round(dur * voice.gate * DIVISION)))
            events.append((on, 3, bytes((0x90 | channel, pitch, vel))))
            events.append((off, 2, bytes((0x80 | channel, pitch, 0))))
        tracks.append(events)
    # Let the last notes ring out for a moment before the end of the file.
    tail = int(round((end + 1.0) * DIVISION))
    conductor.append((tail, 9, meta(0x01, b"fine")))
    return write_smf(tracks)
