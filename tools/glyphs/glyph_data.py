#!/usr/bin/env python3
"""Prints the stored form of a glyph bitmap for a window design's "Glyph.Data" property.

The stored form of a bitmap is a 32-bit little-endian length followed by the bitmap file of that
many bytes; designs hold it as base64. The toolbar buttons of the main window carry their glyphs
this way (made from resources/bitmaps/GLYPH_*.bmp); menu item bitmaps name their resource instead.

    python3 tools/glyphs/glyph_data.py GLYPH_ABRIR      ->  {"base64": "..."}
"""

import base64
import json
import os
import struct
import sys

BITMAPS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'resources', 'bitmaps')


def stored_form(name):
    with open(os.path.join(BITMAPS, name + '.bmp'), 'rb') as f:
        data = f.read()
    return {'base64': base64.b64encode(struct.pack('<I', len(data)) + data).decode('ascii')}


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    print(json.dumps(stored_form(sys.argv[1])))
