"""Standard MIDI files: a writer for the scores and a reader that measures a file's length."""

import struct

DIVISION = 480  # ticks per quarter note


def _varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def _track(events):
    """events: list of (tick, order, bytes); sorted by time, then by order so that note-offs
    come before note-ons at the same tick."""
    data = bytearray()
    now = 0
    for tick, _, message in sorted(events, key=lambda e: (e[0], e[1])):
        data += _varlen(tick - now) + message
        now = tick
    data += _varlen(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def meta(kind, payload):
    return bytes((0xFF, kind)) + _varlen(len(payload)) + payload


def write_smf(tracks):
    """tracks: list of event lists as for _track; format 1."""
    return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION) + b"".join(_track(t) for t in tracks)


class MidiInfo:
    def __init__(self):
        self.format = 0
        self.tracks = 0
        self.division = 0
        self.seconds = 0.0
        self.notes = 0
        self.channels = set()
        self.programs = {}
        self.unbalanced = 0


def read_smf(data):
    """Parses a standard MIDI file; returns a MidiInfo with its length in seconds (up to the
    last event), its note count, the channels that play notes and their programs.
    Raises ValueError on a damaged file."""
    try:
        return _read_smf(data)
    except (IndexError, struct.error):
        raise ValueError("the MIDI file is cut short or damaged") from None


def _read_smf(data):
    if data[:4] != b"MThd":
        raise ValueError("not a standard MIDI file")
    (hlen,) = struct.unpack(">I", data[4:8])
    info = MidiInfo()
    info.format, info.tracks, info.division = struct.unpack(">HHH", data[8:14])
    if info.division & 0x8000 or info.division == 0:
        raise ValueError("SMPTE time division is not supported")
    pos = 8 + hlen
    tempo_map = []  # (tick, microseconds per quarter)
    last_tick = 0
    for _ in range(info.tracks):
        if data[pos:pos + 4] != b"MTrk":
            raise ValueError("missing track chunk at byte %d" % pos)
        (length,) = struct.unpack(">I", data[pos + 4:pos + 8])
        end = pos + 8 + length
        if end > len(data):
            raise ValueError("track runs past the end of the file")
        p, tick, status = pos + 8, 0, 0
        sounding = {}
        ended = False
        while p < end:
            delta = 0
            while True:
                b = data[p]
                p += 1
                delta = (delta << 7) | (b & 0x7F)
                if not b & 0x80:
                    break
            tick += delta
            b = data[p]
            if b & 0x80:
                status = b
                p += 1
            elif status == 0:
                raise ValueError("running status without a status byte")
            if status == 0xFF:
                kind = data[p]
                p += 1
                n = 0
                while True:
                    c = data[p]
                    p += 1
                    n = (n << 7) | (c & 0x7F)
                    if not c & 0x80:
                        break
                body = data[p:p + n]
                p += n
                if kind == 0x51:
                    tempo_map.append((tick, int.from_bytes(body, "big")))
                if kind == 0x2F:
                    ended = True
                    break
                status = 0
            elif status in (0xF0, 0xF7):
                n = 0
                while True:
                    c = data[p]
                    p += 1
                    n = (n << 7) | (c & 0x7F)
                    if not c & 0x80:
                        break
                p += n
                status = 0
            else:
                kind, channel = status & 0xF0, status & 0x0F
                size = 1 if kind in (0xC0, 0xD0) else 2
                args = data[p:p + size]
                p += size
                if kind == 0x90 and args[1] > 0:
                    info.notes += 1
                    info.channels.add(channel)
                    sounding[(channel, args[0])] = sounding.get((channel, args[0]), 0) + 1
                elif kind == 0x80 or (kind == 0x90 and args[1] == 0):
                    key = (channel, args[0])
                    if sounding.get(key, 0) > 0:
                        sounding[key] -= 1
                    else:
                        info.unbalanced += 1
                elif kind == 0xC0:
                    info.programs.setdefault(channel, args[0])
            last_tick = max(last_tick, tick)
        if not ended:
            raise ValueError("track without an end-of-track event")
        info.unbalanced += sum(sounding.values())
        pos = end
    # Seconds up to the last event, following the tempo changes.
    tempo_map.sort()
    seconds, prev_tick, tempo = 0.0, 0, 500000
    for tick, value in tempo_map:
        if tick > last_tick:
            break
        seconds += (tick - prev_tick) * tempo / 1e6 / info.division
        prev_tick, tempo = tick, value
    seconds += (last_tick - prev_tick) * tempo / 1e6 / info.division
    info.seconds = seconds
    return info
