#!/usr/bin/env python3
"""Writes the made seeds of the fuzz corpora (tests/fuzz/corpus/): demos cut
from the shipped ones, small fonts and PNG images of every kind the readers
meet, settings files, command lines and key names. Run from the top of the
tree; the output is committed, so this runs only when the seeds change. The
faults the fuzzers found are kept beside them as found-*."""
import os
import struct
import zlib

OUT = 'tests/fuzz/corpus'


def put(target, name, data):
    os.makedirs(os.path.join(OUT, target), exist_ok=True)
    with open(os.path.join(OUT, target, name), 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode('latin1'))


# ---- PNG ---------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def png(w, h, depth, color, rows, interlace=0, extra=b''):
    """rows: the filtered scanlines (each with its filter byte) as one bytes."""
    ihdr = struct.pack('>IIBBBBB', w, h, depth, color, 0, 0, interlace)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + extra + chunk(b'IDAT', zlib.compress(rows)) +
            chunk(b'IEND', b''))


def plain(w, h, channels, depth, pixel):
    row_bytes = (w * channels * depth + 7) // 8
    return b''.join(b'\x00' + bytes(pixel(x, y) & 255 for x in range(row_bytes)) for y in range(h))


def adam7_rows(w, h, bpp, pixel):
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    out = b''
    for x0, y0, dx, dy in passes:
        xs = range(x0, w, dx)
        for y in range(y0, h, dy):
            if len(xs):
                out += b'\x00' + b''.join(bytes(pixel(x, y, c) for c in range(bpp)) for x in xs)
    return out


def pngs():
    put('image', 'grey-8x8.png', png(8, 8, 8, 0, plain(8, 8, 1, 8, lambda x, y: (x * 31 + y * 7) & 255)))
    put('image', 'grey-alpha-4x4.png', png(4, 4, 8, 4, plain(4, 4, 2, 8, lambda x, y: x * 60 + y)))
    put('image', 'grey-1bit-16x2.png', png(16, 2, 1, 0, plain(16, 2, 1, 1, lambda x, y: 0xA5 ^ y)))
    palette = chunk(b'PLTE', bytes(range(48))) + chunk(b'tRNS', b'\xff\x80\x00')
    put('image', 'palette-8x4.png', png(8, 4, 8, 3, plain(8, 4, 1, 8, lambda x, y: (x + y) % 16), extra=palette))
    put('image', 'palette-4bit-8x2.png',
        png(8, 2, 4, 3, plain(8, 2, 1, 4, lambda x, y: 0x12 * (x + 1)), extra=chunk(b'PLTE', bytes(range(48)))))
    put('image', 'rgba16-4x4.png', png(4, 4, 16, 6, plain(4, 4, 8, 8, lambda x, y: (x * 13 + y * 5) & 255)))
    put('image', 'rgb-filters-4x4.png',
        png(4, 4, 8, 2, b''.join(bytes([f]) + bytes(range(12)) for f in range(1, 5))))
    put('image', 'interlaced-rgb-9x9.png',
        png(9, 9, 8, 2, adam7_rows(9, 9, 3, lambda x, y, c: (x * 20 + y * 9 + c * 70) & 255), interlace=1))
    put('image', 'interlaced-rgba-1x1.png', png(1, 1, 8, 6, adam7_rows(1, 1, 4, lambda x, y, c: 200), interlace=1))
    put('image', 'rgba-1x1.png', png(1, 1, 8, 6, b'\x00\x10\x20\x30\x40'))
    put('image', 'rgba-4096x1.png', png(4096, 1, 8, 6, b'\x00' + bytes(4096 * 4)))
    put('image', 'huge-header.png', png(100000, 100000, 8, 6, b'\x00' + bytes(64)))
    put('image', 'past-the-limit-4097x1.png', png(4097, 1, 8, 6, b'\x00' + bytes(4097 * 4)))
    put('image', 'rgba16-4096x4096-header.png', png(4096, 4096, 16, 6, b'\x00' + bytes(64)))
    # A chunk that claims far more than the file holds.
    lie = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 16, 16, 8, 6, 0, 0, 0))
    put('image', 'idat-claims-256mb.png', lie + struct.pack('>I', 256 << 20) + b'IDAT' + zlib.compress(b'\x00' * 65))
    put('image', 'not-png.png', b'GIF89a\x01\x00\x01\x00')


# ---- TrueType -------------------------------------------------------------------

def table_file(tables):
    tags = sorted(tables)
    count = len(tags)
    head = struct.pack('>IHHHH', 0x00010000, count, 16, 0, 0)
    at = 12 + 16 * count
    directory, body = b'', b''
    for tag in tags:
        data = tables[tag] + b'\0' * (-len(tables[tag]) % 4)
        directory += tag.encode() + struct.pack('>III', 0, at + len(body), len(tables[tag]))
        body += data
    return head + directory + body


def square_glyph(x0, y0, x1, y1, off_curve=False):
    points = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
    flags = bytes([0 if off_curve and i == 1 else 1 for i in range(4)])
    xs, ys, px, py = b'', b'', 0, 0
    for x, y in points:
        xs += struct.pack('>h', x - px)
        ys += struct.pack('>h', y - py)
        px, py = x, y
    return struct.pack('>hhhhh', 1, x0, y0, x1, y1) + struct.pack('>HH', 3, 0) + flags + xs + ys


def contours_glyph(contours):
    """contours: lists of (x, y, on_curve)."""
    points = [p for c in contours for p in c]
    ends, n = [], 0
    for c in contours:
        n += len(c)
        ends.append(n - 1)
    xs, ys, px, py = b'', b'', 0, 0
    for x, y, on in points:
        xs += struct.pack('>h', x - px)
        ys += struct.pack('>h', y - py)
        px, py = x, y
    return (struct.pack('>hhhhh', len(contours), 0, 0, 1000, 1000) + b''.join(struct.pack('>H', e) for e in ends) +
            struct.pack('>H', 0) + bytes(1 if on else 0 for x, y, on in points) + xs + ys)


def composite_glyph(parts):
    out = struct.pack('>hhhhh', -1, 0, 0, 1000, 1400)
    for i, (glyph, dx, dy, scale) in enumerate(parts):
        flags = 1 | 2 | (8 if scale else 0) | (32 if i + 1 < len(parts) else 0)
        out += struct.pack('>HHhh', flags, glyph, dx, dy)
        if scale:
            out += struct.pack('>h', scale)
    return out


def cmap4(pairs):
    """pairs: (code, glyph) sorted by code, one segment each, then the 0xFFFF end."""
    segs = [(c, c, g - c) for c, g in pairs] + [(0xFFFF, 0xFFFF, 1)]
    n = len(segs)
    rng = 1
    while rng * 2 <= n:
        rng *= 2
    sel = rng.bit_length() - 1
    body = struct.pack('>HHHH', 2 * n, 2 * rng, sel, 2 * (n - rng))
    body += b''.join(struct.pack('>H', e) for s, e, d in segs) + b'\0\0'
    body += b''.join(struct.pack('>H', s) for s, e, d in segs)
    body += b''.join(struct.pack('>h', d) for s, e, d in segs)
    body += b'\0\0' * n
    sub = struct.pack('>HH', 4, 6 + len(body)) + b'\0\0' + body
    return struct.pack('>HHHHI', 0, 1, 3, 1, 12) + sub


def cmap12(pairs):
    groups = b''.join(struct.pack('>III', c, c, g) for c, g in pairs)
    sub = struct.pack('>HHIII', 12, 0, 16 + len(groups), 0, len(pairs)) + groups
    return struct.pack('>HHHHI', 0, 1, 3, 10, 12) + sub


def gpos_pairs(format_, stray=False):
    """One lookup of pair positioning: 'd' (glyph 1) before 'e' (glyph 2)."""
    coverage = struct.pack('>HHH', 1, 1, 1)
    if format_ == 'packed':
        # No pair sets, and the coverage (glyphs 0 to 20) inside the 21 pair set
        # offsets, whose last ends the table.
        offsets = [2, 1, 0, 20, 0] + [0] * 16
        sub = struct.pack('>HHHHH', 1, 10, 4, 0, 0) + b''.join(struct.pack('>H', o) for o in offsets)
    elif format_ == 1:
        pair_set = struct.pack('>HHh', 1, 2, -80)
        sub = struct.pack('>HHHHHH', 1, 12, 4, 0, 1, 12 + len(coverage)) + coverage + pair_set
    else:
        class1 = struct.pack('>HHHH', 1, 1, 1, 1)
        class2 = struct.pack('>HHHH', 1, 2, 1, 1)
        matrix = struct.pack('>hhhh', 0, 0, 0, -120)
        at = 16 + len(matrix)
        sub = struct.pack('>HHHHHHHH', 2, at, 4, 0, at + len(coverage), at + len(coverage) + len(class1), 2, 2)
        sub += matrix + coverage + class1 + class2
    lookup = struct.pack('>HHHH', 2, 0, 1, 8) + sub
    lookups = struct.pack('>HH', 1, 4) + lookup
    if stray:
        # After the list's one offset, another, to a broken lookup that only a
        # reader counting past the list would find.
        lookups = struct.pack('>HHH', 1, 6, 6 + len(lookup)) + lookup + struct.pack('>HHH', 2, 0, 0x7fff)
    return struct.pack('>HHHHH', 1, 0, 10, 10, 10) + lookups


def font(cmap='4', kerning=None, long_loca=False, glyphs=None):
    glyphs = glyphs or [square_glyph(100, 0, 900, 1400), square_glyph(100, 0, 800, 1000),
                        square_glyph(100, -200, 700, 1000, off_curve=True), b'',
                        composite_glyph([(1, 0, 0, 0), (2, 300, 100, 8192)])]
    data = b''
    offsets = [0]
    for g in glyphs:
        data += g + b'\0' * (len(g) % 2)
        offsets.append(len(data))
    loca = b''.join(struct.pack('>I' if long_loca else '>H', o if long_loca else o // 2) for o in offsets)
    codes = [(ord('d'), 1), (ord('e'), 2), (ord(' '), 3), (ord('!'), 4)]
    tables = {
        'head': struct.pack('>IIIIHH', 0x10000, 0, 0, 0x5F0F3CF5, 0, 2048) + b'\0' * 16 +
                struct.pack('>hhhhHHhhh', 0, -200, 1000, 1400, 0, 8, 2, int(long_loca), 0),
        'hhea': struct.pack('>Ihhh', 0x10000, 1900, -480, 0) + b'\0' * 24 + struct.pack('>H', len(glyphs)),
        'maxp': struct.pack('>IH', 0x5000, len(glyphs)),
        'hmtx': b''.join(struct.pack('>hh', 1000, 100) for _ in glyphs),
        'loca': loca,
        'glyf': data,
        'cmap': cmap4(codes) if cmap == '4' else cmap12(codes),
    }
    if kerning == 'kern':
        tables['kern'] = struct.pack('>HHHHH', 0, 1, 0, 20, 1) + struct.pack('>HHHHHh', 1, 6, 0, 0, 1, 2) + \
            struct.pack('>h', -100)
    elif kerning == 'stray':
        tables['GPOS'] = gpos_pairs(1, stray=True)
    elif kerning:
        tables['GPOS'] = gpos_pairs(kerning)
    return table_file(tables)


def fonts():
    put('font', 'small-cmap4.ttf', font())
    put('font', 'small-cmap12-long-loca.ttf', font(cmap='12', long_loca=True))
    put('font', 'small-gpos-pairs.ttf', font(kerning=1))
    put('font', 'small-gpos-classes.ttf', font(kerning=2))
    put('font', 'small-kern.ttf', font(kerning='kern'))
    put('font', 'packed-gpos-pairs.ttf', font(kerning='packed'))
    put('font', 'stray-gpos-lookup.ttf', font(kerning='stray'))
    put('font', 'small-nested-parts.ttf', font(glyphs=[square_glyph(0, 0, 500, 500), composite_glyph([(0, 10, 10, 0)]),
                                                       composite_glyph([(1, 20, 0, 0), (1, 0, 30, 16384)])]))
    put('font', 'one-point-off-the-curve.ttf',
        font(glyphs=[square_glyph(0, 0, 500, 500),
                     contours_glyph([[(0, 0, 1), (0, 900, 0), (900, 900, 1)], [(400, 400, 0)]])]))
    put('font', 'part-of-itself.ttf', font(glyphs=[square_glyph(0, 0, 500, 500), composite_glyph([(1, 0, 0, 0)])]))
    # A part turned and stretched by a whole matrix (its second column the largest
    # a file can give), moved up as far as it may still go.
    put('font', 'turned-part.ttf', font(glyphs=[square_glyph(0, 0, 500, 500),
                                                struct.pack('>hhhhh', -1, 0, 0, 1000, 1400) +
                                                struct.pack('>HHhhhhhh', 1 | 2 | 128, 0, 0, 10000, 0x4000, 0,
                                                            0x7fff, 0x7fff)]))
    # An outline of one-byte steps (four of 255 units right), placed by a part
    # at 15000 units across and scaled by almost 2: sound, the part reaching
    # 2 * (2 * 1020 + 15000) = 34080, out of reach.
    steps = struct.pack('>hhhhh', 1, 0, 0, 1020, 0) + struct.pack('>HH', 3, 0) + bytes([1 | 2 | 16 | 4 | 32] * 4) + \
        bytes([255] * 4) + bytes(4)
    put('font', 'short-steps.ttf', font(glyphs=[steps, struct.pack('>hhhhh', -1, 0, 0, 1000, 1400) +
                                                struct.pack('>HHhhh', 1 | 2 | 8, 0, 15000, 0, 0x7fff)]))
    # Six levels of 64 parts, each level made of the one below, an empty outline
    # at the bottom: sound, and checked once per glyph, or 64 ** 6 walks.
    put('font', 'shared-parts.ttf', font(glyphs=[b''] + [composite_glyph([(g, 0, 0, 0)] * 64) for g in range(6)]))
    shipped = open('resources/DejaVuSans.ttf', 'rb').read()
    for cut in (12, 100, 332, 2048):
        put('font', 'dejavu-cut-%d.ttf' % cut, shipped[:cut])
    put('font', 'collection.ttc', b'ttcf' + struct.pack('>II', 0x10000, 1) + struct.pack('>I', 16) + font())


# ---- Demos ---------------------------------------------------------------------

def records(demo):
    """The shipped demo's records: (tag, bytes) after its 12-byte header."""
    at, out = 12, []
    while at < len(demo):
        size = 22 if demo[at:at + 1] == b'F' else 13
        out.append((demo[at:at + 1], demo[at:at + size]))
        at += size
    return out


def demos():
    descent = open('tests/demos/descent.dem', 'rb').read()
    header, recs = descent[:12], records(descent)
    put('demo', 'descent.dem', descent)
    put('demo', 'zoom-out-idle.dem', open('tests/demos/zoom-out-idle.dem', 'rb').read())
    frames_before = []
    for i, (tag, body) in enumerate(recs):
        if tag == b'H':
            frames_before.append(i)
    # Clean cuts: the frames up to a digest, that digest, and the end record with it.
    for i in frames_before[:2]:
        digest = recs[i][1]
        put('demo', 'clean-%d-frames.dem' % struct.unpack('<I', digest[1:5])[0],
            header + b''.join(b for t, b in recs[:i + 1]) + b'E' + digest[1:])
    put('demo', 'cut-after-1-frame.dem', header + recs[0][1])
    put('demo', 'cut-within-a-record.dem', header + b''.join(b for t, b in recs[:40])[:-7])
    put('demo', 'header-only.dem', header)
    put('demo', 'empty.dem', b'')
    put('demo', 'not-a-demo.dem', b'DELVEMO!' + header[8:])
    put('demo', 'version-2.dem', header[:8] + b'\x02\x00' + header[10:] + recs[0][1])
    put('demo', 'ten-keys.dem', header[:10] + b'\x0a\x00' + recs[0][1])
    put('demo', 'unknown-record.dem', header + b'Q' + recs[0][1][1:])
    put('demo', 'digest-out-of-place.dem', header + recs[0][1] + recs[frames_before[0]][1])
    put('demo', 'data-after-the-end.dem', header + recs[0][1] + b'E' + struct.pack('<IQ', 1, 0) + b'F')
    frame = bytearray(recs[0][1])
    frame[10:14] = struct.pack('<f', float('nan'))
    put('demo', 'cursor-not-a-number.dem', header + bytes(frame))
    frame = bytearray(recs[0][1])
    frame[10:14] = struct.pack('<f', 3.0e38)
    frame[18:22] = struct.pack('<f', -3.0e38)
    put('demo', 'cursor-and-wheel-far-off.dem', header + bytes(frame) * 3)
    frame = bytearray(recs[0][1])
    frame[1:5] = struct.pack('<I', 1 << 9)
    put('demo', 'key-beyond-the-list.dem', header + bytes(frame))


# ---- Settings, command lines, key names ------------------------------------------

def texts():
    settings = {
        'full.ini': '# delve: the window as it was when the game last ended\n[window]\nwidth=1000\nheight=700\n'
                    'x=161\ny=140\nscale=1\nfullscreen=0\n',
        'hand-edited.ini': '; hand-edited\r\n\r\n[window]\r\n  width = 800 \r\nheight=600\r\n# the end',
        'scale-only.ini': '[window]\nscale=3\nfullscreen=1\n',
        'far-off.ini': '[window]\nwidth=16384\nheight=16384\nx=-100000\ny=100000\n',
        'unknown-section.ini': '[window]\nwidth=800\nheight=600\n[sound]\nvolume=3\n',
        'before-window.ini': 'width=800\n[window]\n',
        'unknown-setting.ini': '[window]\nwidth=800\nheight=600\nzoom=3\n',
        'twice.ini': '[window]\nwidth=800\nwidth=900\nheight=600\n',
        'window-twice.ini': '[window]\n[window]\n',
        'not-a-number.ini': '[window]\nwidth=800px\nheight=600\n',
        'too-large.ini': '[window]\nwidth=99999999999999999999\nheight=1\n',
        'alone.ini': '[window]\nwidth=800\n',
        'words.ini': '[window]\njust some words\n',
        'nul.ini': '[window]\nwidth=8\0' + '00\nheight=600\n',
        'empty.ini': '',
    }
    for name, text in settings.items():
        put('settings', name, text)
    lines = {
        'none': '', 'help': '--help', 'short-version': '-V', 'scale': '--scale\0' + '3',
        'scale-equals': '--scale=8\0--fullscreen', 'scale-bad': '--scale\0' + '9',
        'play': '--play\0descent.dem', 'timedemo': '--timedemo=x.dem\0--no-settings',
        'record-and-play': '--record\0a.dem\0--play\0b.dem', 'twice': '--fullscreen\0--fullscreen',
        'unknown': '--zoom\0' + '3', 'empty-name': '--play=', 'stray': 'demo.dem', 'missing-value': '--record',
    }
    for name, text in lines.items():
        put('options', name, text)
    keys = ['KeyA', 'KeyZ', 'Digit0', 'Digit9', 'Numpad5', 'F1', 'F12', 'F24', 'F25', 'ArrowLeft', 'Space',
            'NumpadSubtract', 'Equal', 'MetaRight', 'IntlBackslash', 'Keya', '']
    for i, key in enumerate(keys):
        put('web_keys', 'key-%02d' % i, bytes([i % 2]) + key.encode())
    put('web_keys', 'play-address', b'\x80demos/descent.dem')
    put('web_keys', 'timedemo-address', b'\x81demos/zoom-out-idle.dem')
    put('web_keys', 'empty-address', b'\x80')
    put('web_keys', 'dashes-address', b'\x81--help')


if __name__ == '__main__':
    demos()
    pngs()
    fonts()
    texts()
