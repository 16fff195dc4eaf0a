#!/usr/bin/env python3
"""Packs PNG images into a Windows .ico or .cur file (standard library only).

usage: mkicon.py ico OUT.ico IMAGE.png...
       mkicon.py cur OUT.cur IMAGE.png:HOTX,HOTY...

Images under 64 pixels are stored as 32-bit BMP with an AND mask, which every
loader reads; larger ones are stored as PNG (read since Windows Vista) to keep the
file small.
"""
import struct
import sys
import zlib


def read_rgba(path):
    """Decodes an 8-bit RGBA, non-interlaced PNG into (width, height, rows)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        sys.exit(f"{path}: need 8-bit RGBA without interlacing")
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = prev[i]
            corner = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def dib(width, height, rows):
    """A 32-bit bottom-up DIB with its AND mask (set where fully transparent)."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main():
    kind, out, images = sys.argv[1], sys.argv[2], sys.argv[3:]
    if kind not in ("ico", "cur") or not images:
        sys.exit(__doc__)
    entries = []
    for image in images:
        path, hot = image, (0, 0)
        if kind == "cur":
            path, _, where = image.rpartition(":")
            hot = tuple(int(v) for v in where.split(","))
        width, height, rows = read_rgba(path)
        body = open(path, "rb").read() if width >= 64 else dib(width, height, rows)
        entries.append((width, height, hot, body))
    out_data = bytearray(struct.pack("<HHH", 0, 1 if kind == "ico" else 2, len(entries)))
    offset = 6 + 16 * len(entries)
    for width, height, hot, body in entries:
        planes, bits = (1, 32) if kind == "ico" else hot
        out_data += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, planes, bits,
                                len(body), offset)
        offset += len(body)
    for entry in entries:
        out_data += entry[3]
    open(out, "wb").write(out_data)


main()
