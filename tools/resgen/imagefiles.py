"""Writers for PNG, BMP and ICO files from plain RGBA pixel rows."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, rgba):
    """rgba: bytes of width*height*4, rows top to bottom."""
    if len(rgba) != width * height * 4:
        raise ValueError("pixel data does not match %dx%d" % (width, height))
    stride = width * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride] for y in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + _chunk(b"IDAT", zlib.compress(raw, 9))
            + _chunk(b"IEND", b""))


def bmp24_bytes(width, height, rgb):
    """A bottom-up 24-bit BMP; rgb: bytes of width*height*3, rows top to bottom."""
    row = width * 3
    pad = (4 - row % 4) % 4
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        line = rgb[y * row:(y + 1) * row]
        for x in range(width):
            r, g, b = line[x * 3:x * 3 + 3]
            pixels += bytes((b, g, r))
        pixels += b"\x00" * pad
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + bytes(pixels)


def _ico_dib(size, rgba):
    """32-bit DIB with an AND mask, the form every Windows version reads."""
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            i = (y * size + x) * 4
            r, g, b, a = rgba[i:i + 4]
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if rgba[(y * size + x) * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, rgba); sizes above 64 are stored as PNG, smaller as DIB."""
    images = sorted(images, key=lambda item: item[0])
    blobs = [png_bytes(s, s, p) if s > 64 else _ico_dib(s, p) for s, p in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def read_png(data):
    """Decodes the 8-bit RGBA or RGB, non-interlaced PNGs that this package writes.

    Returns (width, height, rgba bytes). Used by the checks and the tests.
    """
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, width = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        if zlib.crc32(kind + body) & 0xFFFFFFFF != struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]:
            raise ValueError("PNG chunk %r has a bad checksum" % kind)
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError("unsupported PNG format")
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if width is None:
        raise ValueError("PNG without header")
    raw = zlib.decompress(idat)
    stride = width * channels
    out = bytearray()
    prev = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        prev = line
        if channels == 4:
            out += line
        else:
            for x in range(width):
                out += line[x * 3:x * 3 + 3] + b"\xff"
    return width, height, bytes(out)


def read_bmp24(data):
    """Reads a 24-bit uncompressed BMP; returns (width, height, rgb rows top to bottom)."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    (offset,) = struct.unpack("<I", data[10:14])
    _, width, height, _, bits, compression = struct.unpack("<IiiHHI", data[14:34])
    if bits != 24 or compression != 0:
        raise ValueError("not an uncompressed 24-bit BMP")
    bottom_up = height > 0
    height = abs(height)
    row = width * 3
    stride = (row + 3) // 4 * 4
    out = bytearray()
    for y in range(height):
        src = height - 1 - y if bottom_up else y
        line = data[offset + src * stride:offset + src * stride + row]
        for x in range(width):
            b, g, r = line[x * 3:x * 3 + 3]
            out += bytes((r, g, b))
    return width, height, bytes(out)
