#!/usr/bin/env python3
"""Writes the program's glyph bitmaps (4-bit, standard 16-colour palette) into resources/bitmaps/.

Each glyph is drawn below as rows of characters, one character per pixel; the key maps them to
the standard palette. The bottom-left pixel is the background, which the controls draw as
see-through. Run from anywhere: python3 tools/glyphs/make_glyphs.py
"""

import os
import struct

PALETTE = [  # red, green, blue of the 16 standard colours
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

KEY = {
    'k': 0, 'm': 1, 'G': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 'g': 7,
    's': 8, 'r': 9, 'l': 10, 'y': 11, 'b': 12, '.': 13, 'a': 14, 'w': 15,
}

GLYPHS = {
    # Drive box, 16 x 11.
    'FLOPPY': [
        "................",
        "..kkkkkkkkkkkk..",
        ".kssssssssssssk.",
        ".kswwwwwwwwwwsk.",
        ".kswkkkkkkkkwsk.",
        ".kswwwwwwwwwwsk.",
        ".ksssssssssslsk.",
        ".kggggggggggggk.",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
    ],
    'HARD': [
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwgk.",
        ".kwssssssssssgk.",
        ".kwsssssssslsgk.",
        ".kwssssssssssgk.",
        ".kggggggggggggk.",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
    ],
    'NETWORK': [
        "................",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwgk.",
        ".kwsssssssslsgk.",
        ".kggggggggggggk.",
        "..kkkkkkkkkkkk..",
        ".......kk.......",
        ".......kk.......",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
    ],
    'CDROM': [
        "................",
        "..kkkkkkkkkkkk..",
        ".kwwwwwwwwwwwgk.",
        ".kwskkkkkkkssgk.",
        ".kwssssssslssgk.",
        ".kggggggggggggk.",
        "..kkkkkkkkkkkk..",
        ".....aaaaaa.....",
        "....aawwwwaa....",
        ".....aaaaaa.....",
        "................",
    ],
    'RAM': [
        "................",
        "..k.k.k.k.k.k...",
        ".kkkkkkkkkkkkkk.",
        ".kGGGGGGGGGGGGk.",
        ".kGkkkGkkkGkkGk.",
        ".kGkkkGkkkGkkGk.",
        ".kGGGGGGGGGGGGk.",
        ".kkkkkkkkkkkkkk.",
        "..k.k.k.k.k.k...",
        "................",
        "................",
    ],
    # Directory and file lists, 16 x 15.
    'OPENFOLDER': [
        "................",
        "................",
        "..kkkk..........",
        ".kyyyyk.........",
        "kyyyyyykkkkkkk..",
        "kywwwwwwwwwwwyk.",
        "kywkkkkkkkkkkkkk",
        "kywkyyyyyyyyyyyk",
        "kykyyyyyyyyyyyk.",
        "kykyyyyyyyyyyyk.",
        "kkyyyyyyyyyyyk..",
        "kkyyyyyyyyyyyk..",
        "kkkkkkkkkkkkk...",
        "................",
        "................",
    ],
    'CLOSEDFOLDER': [
        "................",
        "................",
        "..kkkkk.........",
        ".kyyyyyk........",
        "kyyyyyyykkkkkk..",
        "kwwwwwwwwwwwwyk.",
        "kwyyyyyyyyyyyok.",
        "kwyyyyyyyyyyyok.",
        "kwyyyyyyyyyyyok.",
        "kwyyyyyyyyyyyok.",
        "kwyyyyyyyyyyyok.",
        "koooooooooooook.",
        ".kkkkkkkkkkkkk..",
        "................",
        "................",
    ],
    'CURRENTFOLDER': [
        "................",
        "................",
        "..kkkk..........",
        ".kyyyyk.........",
        "kyyyyyykkkkkkk..",
        "kywwwwwwwwwwwyk.",
        "kywkkkkkkkkkkkkk",
        "kywkyyyyyyyyyyyk",
        "kykyyyyyyyyyyyk.",
        "kykyyyyryyyyyyk.",
        "kkyyyyrrryyyyk..",
        "kkyyyyyryyyyyk..",
        "kkkkkkkkkkkkk...",
        "................",
        "................",
    ],
    'EXECUTABLE': [
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".knnnnnnnnnnnnk.",
        ".kwwwwwwwwwwwwk.",
        ".kwsssssssssswk.",
        ".kwsssssssssswk.",
        ".kwsssssssssswk.",
        ".kwsssssssssswk.",
        ".kwsssssssssswk.",
        ".kwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    ],
    'UNKNOWNFILE': [
        "................",
        "...kkkkkkkk.....",
        "...kwwwwwwkk....",
        "...kwwwwwwkwk...",
        "...kwwwwwwkkkk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ],
    'KNOWNFILE': [
        "................",
        "...kkkkkkkk.....",
        "...kwwwwwwkk....",
        "...kwggggwkwk...",
        "...kwwwwwwkkkk..",
        "...kwgggggggwk..",
        "...kwwwwwwwwwk..",
        "...kwgggggggwk..",
        "...kwwwwwwwwwk..",
        "...kwgggggggwk..",
        "...kwwwwwwwwwk..",
        "...kwgggggggwk..",
        "...kwwwwwwwwwk..",
        "...kkkkkkkkkkk..",
        "................",
    ],
}

# Toolbar and menu glyphs, 16 x 16. Two-state glyphs get their disabled image generated.
TOOLBAR_GLYPHS = {
    'GLYPH_ABRIR': [
        "................",
        "................",
        "...........kkk..",
        "..kkkk....k...k.",
        ".kyyyyk.......k.",
        "kyyyyyykkkkk.kkk",
        "kywwwwwwwwwwk.k.",
        "kywkkkkkkkkkkkkk",
        "kywkyyyyyyyyyyyk",
        "kykyyyyyyyyyyyk.",
        "kykyyyyyyyyyyyk.",
        "kkyyyyyyyyyyyk..",
        "kkyyyyyyyyyyyk..",
        "kkkkkkkkkkkkk...",
        "................",
        "................",
    ],
    'GLYPH_IMPRIMIR': [
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwkkkkwk....",
        "....kwwwwwwk....",
        "..kkkkkkkkkkkk..",
        ".kssssssssssssk.",
        ".kssssssssslssk.",
        ".kggggggggggggk.",
        ".kssssssssssssk.",
        ".kkwwwwwwwwwwkk.",
        "...kwkkkkkkwk...",
        "...kwwwwwwwwk...",
        "...kkkkkkkkkk...",
        "................",
        "................",
    ],
    'GLYPH_CONFIGURAR': [
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwwwwwwk....",
        "..kkkkkkkkkkkk..",
        ".kssssssssssssk.",
        ".kssssssssslssk.",
        ".kggggggggggggk.",
        ".kkkkkkkkkkkkkk.",
        "..........kk....",
        ".........kssk...",
        "........kssgsk..",
        ".......kssgk.k..",
        "......kssgk.....",
        ".....kkgk.......",
        "......kk........",
    ],
    'GLYPH_VISUALIZAR': [
        "................",
        ".kkkkkkkkk......",
        ".kwwwwwwwkk.....",
        ".kwkkkkkwkwk....",
        ".kwwwwwwwkkkk...",
        ".kwkkkkwwwwwk...",
        ".kwwwwkkkkwwk...",
        ".kwkkkkaaakwk...",
        ".kwwwkaawaakk...",
        ".kwkkkaaaaakk...",
        ".kwwwkaaaaakk...",
        ".kwwwwkaaakkk...",
        ".kkkkkkkkkkkkk..",
        "............kkk.",
        ".............kkk",
        "..............k.",
    ],
    'GLYPH_ZOOMNORMAL': [
        "................",
        "................",
        "................",
        "....kkkkkkkk....",
        "....kaaaaaak....",
        "....kaayaaak....",
        "....kaaaaaak....",
        "....kGGaaaak....",
        "....kGGGGaak....",
        "....kGGGGGGk....",
        "....kkkkkkkk....",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
    'GLYPH_ZOOMESTICADO': [
        "................",
        ".kkkk......kkkk.",
        ".kk..........kk.",
        ".k.k........k.k.",
        ".k..kkkkkkkk..k.",
        "....kaaaaaak....",
        "....kaayaaak....",
        "....kaaaaaak....",
        "....kGGaaaak....",
        "....kGGGGaak....",
        "....kGGGGGGk....",
        ".k..kkkkkkkk..k.",
        ".k.k........k.k.",
        ".kk..........kk.",
        ".kkkk......kkkk.",
        "................",
    ],
    # The preview window's buttons.
    'GLYPH_ZOOMLARGURA': [
        "................",
        "..kkkkkkkkkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkkkwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkwwwk..",
        "..kwwwwwwwwwwk..",
        ".nkwwwwwwwwwwkn.",
        "nnnnnnnnnnnnnnnn",
        ".nkwwwwwwwwwwkn.",
        "..kwkkkkkkkkwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    'GLYPH_ZOOMPAGINA': [
        "................",
        ".nnnnnnnnnnnnnn.",
        ".n............n.",
        ".n..kkkkkkkk..n.",
        ".n..kwwwwwwkk.n.",
        ".n..kwkkkwwkwkn.",
        ".n..kwwwwwwkkkn.",
        ".n..kwkkkkkwwkn.",
        ".n..kwwwwwwwwkn.",
        ".n..kwkkkkwwwkn.",
        ".n..kwwwwwwwwkn.",
        ".n..kwkkkkkkwkn.",
        ".n..kwwwwwwwwkn.",
        ".n..kkkkkkkkkkn.",
        ".nnnnnnnnnnnnnn.",
        "................",
    ],
    'GLYPH_ZOOM100': [
        "................",
        "....kkkk........",
        "..kkwwwwkk......",
        "..kwwkwwwk......",
        ".kwwkkwwwwk.....",
        ".kwwwkwwwwk.....",
        ".kwwwkwwwwk.....",
        ".kwwkkkwwwk.....",
        "..kwwwwwwk......",
        "..kkwwwwkkk.....",
        "....kkkk.kgk....",
        "..........kgk...",
        "...........kgk..",
        "............kgk.",
        ".............kk.",
        "................",
    ],
    'GLYPH_PRIMEIRA': [
        "................",
        "................",
        "................",
        "...kk.......k...",
        "...kk......kk...",
        "...kk.....kkk...",
        "...kk....kkkk...",
        "...kk...kkkkk...",
        "...kk...kkkkk...",
        "...kk....kkkk...",
        "...kk.....kkk...",
        "...kk......kk...",
        "...kk.......k...",
        "................",
        "................",
        "................",
    ],
    'GLYPH_ANTERIOR': [
        "................",
        "................",
        "................",
        "..........k.....",
        ".........kk.....",
        "........kkk.....",
        ".......kkkk.....",
        "......kkkkk.....",
        "......kkkkk.....",
        ".......kkkk.....",
        "........kkk.....",
        ".........kk.....",
        "..........k.....",
        "................",
        "................",
        "................",
    ],
    'GLYPH_PROXIMA': [
        "................",
        "................",
        "................",
        ".....k..........",
        ".....kk.........",
        ".....kkk........",
        ".....kkkk.......",
        ".....kkkkk......",
        ".....kkkkk......",
        ".....kkkk.......",
        ".....kkk........",
        ".....kk.........",
        ".....k..........",
        "................",
        "................",
        "................",
    ],
    'GLYPH_ULTIMA': [
        "................",
        "................",
        "................",
        "...k.......kk...",
        "...kk......kk...",
        "...kkk.....kk...",
        "...kkkk....kk...",
        "...kkkkk...kk...",
        "...kkkkk...kk...",
        "...kkkk....kk...",
        "...kkk.....kk...",
        "...kk......kk...",
        "...k.......kk...",
        "................",
        "................",
        "................",
    ],
    'GLYPH_FECHAR': [
        "................",
        "..kkkkkkkkkk....",
        "..kwwwwwwwwk....",
        "..kwmmmmmmwk....",
        "..kwmmmmmmwk....",
        "..kwmmmmmmwk.r..",
        "..kwmmmmmmwk.rr.",
        "..kwmmmmyywrrrrr",
        "..kwmmmmyywrrrrr",
        "..kwmmmmmmwk.rr.",
        "..kwmmmmmmwk.r..",
        "..kwmmmmmmwk....",
        "..kwmmmmmmwk....",
        "..kwwwwwwwwk....",
        "..kkkkkkkkkk....",
        "................",
    ],
}
TWO_STATE = {'GLYPH_ZOOMNORMAL', 'GLYPH_ZOOMESTICADO'}


def disabled(rows):
    """The grayed image: every drawn pixel dark gray with a white shadow one pixel down-right."""
    height, width = len(rows), len(rows[0])
    out = [['.'] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if rows[y][x] != '.' and y + 1 < height and x + 1 < width:
                out[y + 1][x + 1] = 'w'
    for y in range(height):
        for x in range(width):
            if rows[y][x] != '.':
                out[y][x] = 'g'
    return [''.join(r) for r in out]


def bmp4(rows):
    """A 4-bit BI_RGB bitmap file, bottom-up, 16 colour entries."""
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), rows
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        indexes = [KEY[c] for c in row]
        line = bytearray()
        for i in range(0, width, 2):
            high = indexes[i]
            low = indexes[i + 1] if i + 1 < width else 0
            line.append((high << 4) | low)
        line.extend(b'\0' * (stride - len(line)))
        pixels.extend(line)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(__file__), '..', '..'))
    out = os.path.join(root, 'resources', 'bitmaps')
    os.makedirs(out, exist_ok=True)
    for name, rows in GLYPHS.items():
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(bmp4(rows))
    for name, rows in TOOLBAR_GLYPHS.items():
        if name in TWO_STATE:
            rows = [a + b for a, b in zip(rows, disabled(rows))]
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(bmp4(rows))


if __name__ == '__main__':
    main()
