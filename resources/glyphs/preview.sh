#!/bin/sh
# Renders enlarged previews of the board glyphs and tool-bar buttons, plus a mock board drawn the
# way the board widget draws (glyphs AND-ed onto the background, active labels XOR-ed), so the
# art can be judged at 1x and zoomed. Needs python3 with PIL (Debian: python3-pil).
# Usage: resources/glyphs/preview.sh [OUTDIR]   (default /tmp/art-preview)
set -eu
RES="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-/tmp/art-preview}"
mkdir -p "$OUT"
# Prefer $PYTHON, else the first python3 that has PIL (a Debian one if a private one lacks it).
PY="${PYTHON:-}"
if [ -z "$PY" ]; then
    for cand in python3 /usr/bin/python3; do
        if "$cand" -c 'import PIL' 2>/dev/null; then PY="$cand"; break; fi
    done
fi
[ -n "$PY" ] || { echo "preview.sh: needs python3 with PIL (apt-get install python3-pil)" >&2; exit 1; }
exec "$PY" - "$RES" "$OUT" <<'PY'
import sys
from PIL import Image, ImageDraw

res, out = sys.argv[1], sys.argv[2]

def read_xpm(path):
    """Minimal XPM reader: one or more chars per pixel, '#RRGGBB' or 'None' colours."""
    text = open(path).read()
    strings, i = [], 0
    while True:
        a = text.find('"', i)
        if a < 0:
            break
        b = text.find('"', a + 1)
        strings.append(text[a + 1:b])
        i = b + 1
    w, h, ncol, cpp = (int(v) for v in strings[0].split()[:4])
    colours = {}
    for s in strings[1:1 + ncol]:
        key, words = s[:cpp], s[cpp:].split()
        value = words[words.index("c") + 1]
        colours[key] = (0, 0, 0, 0) if value.lower() == "none" else \
            tuple(int(value[k:k + 2], 16) for k in (1, 3, 5)) + (255,)
    img = Image.new("RGBA", (w, h))
    rows = strings[1 + ncol:1 + ncol + h]
    assert len(rows) == h, path
    for y, row in enumerate(rows):
        assert len(row) == w * cpp, (path, y)
        for x in range(w):
            img.putpixel((x, y), colours[row[x * cpp:(x + 1) * cpp]])
    return img

def zoom(img, k):
    return img.resize((img.width * k, img.height * k), Image.NEAREST)

def with_grid(img, k, colour=(200, 200, 200)):
    """Zoomed copy with a faint pixel grid, for inspecting single pixels."""
    z = zoom(img.convert("RGB"), k)
    d = ImageDraw.Draw(z)
    for x in range(0, z.width, k):
        d.line([(x, 0), (x, z.height - 1)], fill=colour)
    for y in range(0, z.height, k):
        d.line([(0, y), (z.width - 1, y)], fill=colour)
    return z

def bgr(v):  # colours are given as 0xBBGGRR like the board code
    return (v & 255, (v >> 8) & 255, (v >> 16) & 255)

digits = read_xpm(res + "/glyphs/digits.xpm").convert("RGB")
marks = read_xpm(res + "/glyphs/marks.xpm").convert("RGB")
labels = read_xpm(res + "/glyphs/labels.xpm").convert("RGB")
buttons = read_xpm(res + "/buttons/buttons.xpm")

for name, img in (("digits", digits), ("marks", marks), ("labels", labels)):
    zoom(img, 8).save("%s/%s-8x.png" % (out, name))
    with_grid(img, 12).save("%s/%s-grid.png" % (out, name))

def blit_and(dst, glyph, box, pos, colour):
    """Copies glyph box to pos: ink ('#' = black) takes colour, then AND with the destination."""
    g = glyph.crop(box)
    for y in range(g.height):
        for x in range(g.width):
            src = colour if g.getpixel((x, y)) == (0, 0, 0) else (255, 255, 255)
            p = (pos[0] + x, pos[1] + y)
            d = dst.getpixel(p)
            dst.putpixel(p, tuple(s & t for s, t in zip(src, d)))

def blit_xor(dst, glyph, box, pos, colour):
    g = glyph.crop(box)
    for y in range(g.height):
        for x in range(g.width):
            src = colour if g.getpixel((x, y)) == (0, 0, 0) else (255, 255, 255)
            p = (pos[0] + x, pos[1] + y)
            d = dst.getpixel(p)
            dst.putpixel(p, tuple(s ^ t for s, t in zip(src, d)))

LINES = [6, 31, 56, 82, 107, 132, 158, 183, 208, 234, 259]
BOX = {5, 6, 81, 82, 157, 158, 233, 234}

def grid(img):
    d = ImageDraw.Draw(img)
    for v in [5, 6, 31, 56, 81, 82, 107, 132, 157, 158, 183, 208, 233, 234]:
        d.line([(v, 5), (v, 234)], fill=(0, 0, 0))
        d.line([(5, v), (234, v)], fill=(0, 0, 0))

def digit(img, r, c, n, colour):
    blit_and(img, digits, (12 * (n - 1), 0, 12 * n, 15), (LINES[c] + 7, LINES[r] + 5), colour)

def mark(img, r, c, d, colour, fill=None):
    x = LINES[c] + 1 + 8 * (d % 3)
    y = LINES[r] + 1 + 8 * (d // 3)
    if fill:
        ImageDraw.Draw(img).rectangle([x, y, x + 7, y + 7], fill=fill)
    blit_and(img, marks, (7 * d, 0, 7 * d + 7, 7), (x, y), colour)

def shade(img, r, c, colour):
    ImageDraw.Draw(img).rectangle([LINES[c] + 1, LINES[r] + 1, LINES[c] + 24, LINES[r] + 24],
                                  fill=colour)

BLACK, BLUE, RED = bgr(0x000000), bgr(0xFF0000), bgr(0x0000FF)
NAVY, GREY = bgr(0x800000), bgr(0x606060)
PALE = [bgr(v) for v in (0xB0FFFF, 0xFFB0FF, 0xFFFFB0, 0xC0C0FF, 0xC0FFC0, 0x80B0FF, 0xFFC080,
                         0x80FFFF)]

# A partly solved puzzle: givens black, entries in the four number colours, pencil marks in
# navy, computed candidates in grey, one step highlighted.
PUZ = ("53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79")
SOL = ("534678912672195348198342567859761423426853791713924856961537284287419635345286179")
board = Image.new("RGB", (240, 246), (255, 255, 255))
shade(board, 4, 4, PALE[0])
shade(board, 4, 0, PALE[3])
shade(board, 0, 4, PALE[4])
shade(board, 0, 3, PALE[1])
grid(board)
colours = [bgr(v) for v in (0xFF0000, 0x0000FF, 0x00BF00, 0xB000B0)]
entered = {2: 0, 10: 0, 11: 1, 20: 2, 30: 3, 40: 0, 50: 0, 60: 1, 70: 2}
for i in range(81):
    r, c = divmod(i, 9)
    if PUZ[i] != ".":
        digit(board, r, c, int(PUZ[i]), BLACK)
    elif i in entered:
        digit(board, r, c, int(SOL[i]), colours[entered[i]])
    elif r >= 6 and c < 3:
        for d in range(9):   # all nine, to compare every mark digit side by side
            mark(board, r, c, d, GREY)
    else:
        cand = {int(SOL[i]), (int(SOL[i]) + 2) % 9 + 1, (i * 7) % 9 + 1}
        for d in sorted(cand):
            hl = (i in (3, 5) and d == int(SOL[i]))
            mark(board, r, c, d - 1, RED if hl else NAVY, PALE[7] if hl else None)
for i in range(6):
    x, y = 5 + 21 * i, LINES[9] + 2
    box = (20 * i, 0, 20 * i + 20, 8)
    if i in (0, 1, 4):
        blit_xor(board, labels, box, (x, y), NAVY)
    else:
        blit_and(board, labels, box, (x, y), NAVY)
board.save(out + "/board-1x.png")
zoom(board, 2).save(out + "/board-2x.png")
zoom(board, 4).save(out + "/board-4x.png")

# Close-up of single cells: given, entered blue, entered on a highlight, nine navy marks,
# candidates grey with one highlighted mark, all nine marks on a highlight.
cells = Image.new("RGB", (6 * 25 + 1, 26), (255, 255, 255))
d = ImageDraw.Draw(cells)
for k in range(7):
    d.line([(25 * k, 0), (25 * k, 25)], fill=(0, 0, 0))
d.line([(0, 0), (150, 0)], fill=(0, 0, 0))
d.line([(0, 25), (150, 25)], fill=(0, 0, 0))
def cell_digit(k, n, colour):
    blit_and(cells, digits, (12 * (n - 1), 0, 12 * n, 15), (25 * k + 7, 5), colour)
def cell_mark(k, dd, colour, fill=None):
    x, y = 25 * k + 1 + 8 * (dd % 3), 1 + 8 * (dd // 3)
    if fill:
        ImageDraw.Draw(cells).rectangle([x, y, x + 7, y + 7], fill=fill)
    blit_and(cells, marks, (7 * dd, 0, 7 * dd + 7, 7), (x, y), colour)
cell_digit(0, 8, BLACK)
cell_digit(1, 5, BLUE)
d.rectangle([51, 1, 74, 24], fill=PALE[0])
cell_digit(2, 3, BLUE)
for dd in range(9):
    cell_mark(3, dd, NAVY)
for dd in (0, 2, 4, 5, 7):
    cell_mark(4, dd, RED if dd == 5 else GREY, PALE[7] if dd == 5 else None)
d.rectangle([126, 1, 149, 24], fill=PALE[2])
for dd in range(9):
    cell_mark(5, dd, NAVY)
cells.save(out + "/cells-1x.png")
zoom(cells, 4).save(out + "/cells-4x.png")

# All six labels, plain and inverted, at 1x and 6x.
strip = Image.new("RGB", (6 * 21 + 4, 22), (255, 255, 255))
for i in range(6):
    box = (20 * i, 0, 20 * i + 20, 8)
    blit_and(strip, labels, box, (2 + 21 * i, 2), NAVY)
    blit_xor(strip, labels, box, (2 + 21 * i, 12), NAVY)
strip.save(out + "/labels-strip-1x.png")
zoom(strip, 6).save(out + "/labels-strip-6x.png")

# Buttons on a light and a dark tool bar, at 1x, 2x and 4x, with a disabled (greyed) row.
def bar(bg, k):
    pad = 4 * k
    img = Image.new("RGBA", (7 * (16 * k + pad) + pad, 2 * (16 * k + pad) + pad), bg + (255,))
    z = zoom(buttons, k)
    grey = z.convert("LA").convert("RGBA")
    a = grey.getchannel("A").point(lambda v: v * 45 // 100)
    grey.putalpha(a)
    for i in range(7):
        tile = z.crop((16 * k * i, 0, 16 * k * (i + 1), 16 * k))
        img.alpha_composite(tile, (pad + i * (16 * k + pad), pad))
        tile = grey.crop((16 * k * i, 0, 16 * k * (i + 1), 16 * k))
        img.alpha_composite(tile, (pad + i * (16 * k + pad), 2 * pad + 16 * k))
    return img
for name, bg in (("light", (240, 240, 240)), ("dark", (43, 43, 43))):
    for k in (1, 2, 4):
        bar(bg, k).convert("RGB").save("%s/buttons-%s-%dx.png" % (out, name, k))
# Program icon: every rendered size at 1x on a light and a dark panel, and zoomed to 128 px.
import os
sizes = [16, 22, 24, 32, 48, 64, 128, 256]
icons = {}
for n in sizes:
    path = "%s/icons/hicolor/%dx%d/apps/org.quadrivo.Quadrivo.png" % (res, n, n)
    if os.path.exists(path):
        icons[n] = Image.open(path).convert("RGBA")
if icons:
    for name, bg in (("light", (240, 240, 240)), ("dark", (43, 43, 43))):
        sheet = Image.new("RGBA", (sum(icons) + 8 * (len(icons) + 1), 256 + 16), bg + (255,))
        x = 8
        for n, img in icons.items():
            sheet.alpha_composite(img, (x, 8))
            x += n + 8
        sheet.convert("RGB").save("%s/icon-%s-1x.png" % (out, name))
    small = [n for n in icons if n <= 48]
    sheet = Image.new("RGBA", (len(small) * 136 + 8, 144), (128, 128, 128, 255))
    for i, n in enumerate(small):
        k = max(1, 128 // n)
        sheet.alpha_composite(zoom(icons[n], k), (8 + 136 * i, 8))
    sheet.convert("RGB").save(out + "/icon-small-zoomed.png")
print("previews written to", out)
PY
