#!/usr/bin/python3
"""Draws the lamp panel and signal head bitmaps into res/ (or the folder given).

    /usr/bin/python3 tools/make_bitmaps.py [OUTDIR]

Each picture is written as the 8 bpp BMP shown at 96 DPI and, for higher display scales,
drawn again at two and three times that size into PNG files (name_2x.png, name_3x.png).
Shapes are drawn by tools/canvas.py; PIL is only used to rasterise the Japanese
captions with IPA Gothic. The lamp centres below are shared with tests/res.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmpio  # noqa: E402
import core_facts  # noqa: E402
import pngio  # noqa: E402
from canvas import Canvas, clamp, mix, sd_circle, sd_ellipse_approx, sd_round_rect, smoothstep  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

FONT_CANDIDATES = (
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
)

# ---- shared geometry -------------------------------------------------------------

PANEL_SIZE = core_facts.picture_size("PANEL")
# Lamp centres (x, y) in pixel coordinates; the pixel (int(x), int(y)) lies inside the lens.
PANEL_LAMPS = {"left": (39.0, 34.0), "right": (111.0, 34.0)}
PANEL_LENS_R = 17.5
PANEL_BEZEL_R = 23.0
# Caption plates (x0, y0, x1, y1) under each lamp.
PANEL_PLATES = {"left": (5, 65, 73, 84), "right": (77, 65, 145, 84)}
PANEL_CAPTIONS = {"left": "表示灯", "right": "警報表示灯"}
CAPTION_PX = 12

SIGNAL_SIZE = core_facts.picture_size("SIGNAL")
SIGNAL_LAMPS = [(16.0, 8.0 + 12.0 * i) for i in range(5)]  # lamp 1 (top) .. lamp 5
SIGNAL_LENS_R = 4.5
SIGNAL_RIM_R = 5.6
SIGNAL_LAMP_HUES = ("yellow", "yellow", "red", "yellow", "green")

# The larger renderings, as multiples of the 96 DPI size.
LARGER_SCALES = core_facts.larger_scales()

# Lit lamps per aspect, lamps numbered 1..5 from the top.
SIGNAL_ASPECTS = {
    "stop": {3},
    "restrict": {1, 4},
    "caution": {4},
    "reduce": {2, 5},
    "proceed": {5},
}
# Which panel lamps are lit in each panel state.
PANEL_STATES = {
    "normal": {"left": True, "right": False},
    "dark": {"left": False, "right": False},
    "alarm": {"left": False, "right": True},
}

# ---- colours ----------------------------------------------------------------------

# The signal head stands on the dialog's face colour (COLOR_3DFACE on Windows and Wine).
DIALOG_FACE = (240, 240, 240)
TEAL_TOP = (46, 124, 126)
TEAL_BOTTOM = (28, 96, 99)
METAL_LIGHT = (222, 225, 228)
METAL_DARK = (58, 62, 68)
PLATE = (204, 206, 201)
PLATE_EDGE = (96, 102, 102)
CAPTION_INK = (20, 22, 24)

# (hot centre, lens edge) for each lamp look.
PANEL_LOOKS = {
    ("left", True): ((255, 246, 176), (240, 210, 108)),    # pale yellow, lit
    ("left", False): ((168, 156, 118), (112, 101, 74)),    # dull beige, unlit
    ("right", True): ((255, 96, 78), (226, 26, 20)),       # bright red, lit
    ("right", False): ((122, 30, 27), (74, 14, 13)),       # dark red, unlit
}
SIGNAL_LOOKS = {
    ("yellow", True): ((255, 240, 150), (255, 184, 18)),
    ("yellow", False): ((92, 76, 24), (50, 40, 12)),
    ("red", True): ((255, 112, 92), (236, 30, 20)),
    ("red", False): ((96, 24, 20), (52, 12, 10)),
    ("green", True): ((150, 255, 212), (18, 212, 132)),
    ("green", False): ((18, 82, 56), (8, 44, 30)),
}


def font_path():
    for p in FONT_CANDIDATES:
        if os.path.exists(p):
            return p
    raise SystemExit("IPA Gothic not found: install fonts-ipafont-gothic (scripts/deps-res.sh)")


def teal_ground(canvas):
    h = canvas.height / canvas.scale

    def fn(x, y):
        c = mix(TEAL_TOP, TEAL_BOTTOM, y / h)
        return (c[0], c[1], c[2], 1.0)

    canvas.paint(fn)


def metal_shade(x, y, cx, cy, invert=False):
    """0..1 lighting of a bevel facing up-left (or down-right when inverted)."""
    d = math.hypot(x - cx, y - cy) or 1.0
    s = -((x - cx) + (y - cy)) / (d * math.sqrt(2.0))
    if invert:
        s = -s
    return 0.5 + 0.5 * s


def draw_lens(canvas, cx, cy, r, look, glare_opacity, rings=False):
    hot, edge = look

    def shader(x, y):
        # A dome lit from inside: hot core fading to the edge colour, a little darker
        # at the lower right.
        dx, dy = x - cx, y - cy
        t = math.hypot(dx, dy) / r
        c = mix(hot, edge, smoothstep(0.0, 1.05, t) ** 0.8)
        k = 1.0 - 0.12 * clamp((dx + dy) / (r * 1.4) + 0.3) * t
        if rings:
            k *= 1.0 + 0.035 * math.cos(t * r * 2.0 * math.pi / 3.2) * smoothstep(0.25, 0.5, t)
        return (c[0] * k, c[1] * k, c[2] * k)

    canvas.shape(lambda x, y: sd_circle(x, y, cx, cy, r), shader,
                 (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))
    # Glare: a soft white glint up-left of the centre.
    gx, gy = cx - 0.36 * r, cy - 0.42 * r
    rx, ry = 0.32 * r, 0.15 * r
    soft = max(0.6, 0.08 * r)

    def glint(x, y):
        d = sd_ellipse_approx(x, y, gx, gy, rx, ry, -0.7)
        a = smoothstep(soft, -soft, d) * glare_opacity
        if a <= 0.0:
            return None
        return (255.0, 255.0, 255.0, a)

    canvas.paint(glint, (gx - rx - 2, gy - rx - 2, gx + rx + 2, gy + rx + 2))


def draw_screw(canvas, cx, cy, r):
    def head(x, y):
        s = metal_shade(x, y, cx, cy)
        return mix(METAL_DARK, METAL_LIGHT, 0.15 + 0.7 * s)

    canvas.shape(lambda x, y: sd_circle(x, y, cx + 0.4, cy + 0.5, r),
                 lambda x, y: (15, 45, 47), (cx - r - 1, cy - r - 1, cx + r + 2, cy + r + 2),
                 opacity=0.5)
    canvas.shape(lambda x, y: sd_circle(x, y, cx, cy, r), head,
                 (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1))
    # Slot across the head.
    canvas.shape(lambda x, y: max(abs((x - cx) - (y - cy)) / math.sqrt(2.0) - 0.35,
                                  math.hypot(x - cx, y - cy) - r + 0.5),
                 lambda x, y: METAL_DARK, (cx - r, cy - r, cx + r, cy + r), opacity=0.8)


def caption_mask(text, box, scale):
    """Caption rasterised by FreeType at the canvas's scale, centred in box (design units);
    returns (rows, x0, y0) in pixels."""
    font = ImageFont.truetype(font_path(), CAPTION_PX * scale)
    x0, y0, x1, y1 = (v * scale for v in box)
    w, h = x1 - x0, y1 - y0
    img = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(img)
    l, t, r, b = draw.textbbox((0, 0), text, font=font)
    tx = (w - (r - l)) // 2 - l
    ty = (h - (b - t)) // 2 - t
    if r - l > w - 4 * scale:
        raise SystemExit("caption %r does not fit its plate" % text)
    draw.text((tx, ty), text, font=font, fill=255)
    data = list(img.getdata())
    rows = [data[i * w:(i + 1) * w] for i in range(h)]
    return rows, x0, y0


def draw_panel(state, scale=1):
    w, h = PANEL_SIZE
    cv = Canvas(w, h, TEAL_TOP, scale)
    teal_ground(cv)

    # Raised border of the panel: light top/left, dark bottom/right.
    def border(x, y):
        d = min(x, y, w - x, h - y)
        if d > 2.5:
            return None
        a = 0.55 * (1.0 - d / 2.5)
        c = (150, 205, 205) if min(x, y) <= min(w - x, h - y) else (8, 40, 42)
        return (c[0], c[1], c[2], a)

    cv.paint(border)
    for sx, sy in ((5.5, 5.5), (w - 5.5, 5.5), (5.5, h - 5.5), (w - 5.5, h - 5.5)):
        draw_screw(cv, sx, sy, 2.4)

    for side in ("left", "right"):
        cx, cy = PANEL_LAMPS[side]
        lit = PANEL_STATES[state][side]
        R, r = PANEL_BEZEL_R, PANEL_LENS_R
        box = (cx - R - 4, cy - R - 4, cx + R + 4, cy + R + 4)

        # Soft shadow of the bezel on the panel.
        def shadow(x, y, cx=cx, cy=cy):
            d = sd_circle(x, y, cx + 1.2, cy + 2.0, R)
            a = 0.5 * smoothstep(2.8, -1.0, d)
            return None if a <= 0 else (10, 36, 38, a)

        cv.paint(shadow, box)

        # Chrome bezel: a raised outer ring and a recessed inner ring.
        def bezel(x, y, cx=cx, cy=cy, r=r):
            d = math.hypot(x - cx, y - cy)
            inner = d < r + 2.6
            s = metal_shade(x, y, cx, cy, invert=inner)
            c = mix(METAL_DARK, METAL_LIGHT, 0.1 + 0.85 * s)
            if inner:
                c = mix(c, (20, 22, 24), 0.25)
            return c

        cv.shape(lambda x, y, cx=cx, cy=cy: sd_circle(x, y, cx, cy, R), bezel, box)
        # Dark groove between ring and lens.
        cv.shape(lambda x, y, cx=cx, cy=cy: sd_circle(x, y, cx, cy, r + 0.9),
                 lambda x, y: (18, 18, 20), box)
        draw_lens(cv, cx, cy, r, PANEL_LOOKS[(side, lit)],
                  glare_opacity=0.55 if lit else 0.42, rings=True)

        # Caption plate with an engraved-looking edge.
        x0, y0, x1, y1 = PANEL_PLATES[side]
        cv.shape(lambda x, y, b=(x0 + 0.8, y0 + 1.2, x1 + 0.8, y1 + 1.2): sd_round_rect(x, y, *b, 2.0),
                 lambda x, y: (12, 44, 46), (x0, y0, x1 + 2, y1 + 2), opacity=0.45)
        cv.shape(lambda x, y: sd_round_rect(x, y, x0, y0, x1, y1, 2.0),
                 lambda x, y: PLATE_EDGE, (x0, y0, x1, y1))

        def plate(x, y, y0=y0, y1=y1):
            return mix((222, 224, 219), (188, 190, 185), (y - y0) / (y1 - y0))

        cv.shape(lambda x, y: sd_round_rect(x, y, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 1.2),
                 plate, (x0, y0, x1, y1))
        rows, mx, my = caption_mask(PANEL_CAPTIONS[side], (x0 + 1, y0 + 1, x1 - 1, y1 - 1),
                                    scale)
        cv.blend_mask(rows, CAPTION_INK, mx, my)
    return cv


def draw_signal(aspect, scale=1):
    w, h = SIGNAL_SIZE
    cv = Canvas(w, h, DIALOG_FACE, scale)
    lit = SIGNAL_ASPECTS[aspect]
    body = (3.5, 0.5, 28.5, 63.5)

    # Shadow, then the black body with a faint sheen on its upper left edge.
    cv.shape(lambda x, y: sd_round_rect(x, y, body[0] + 1.0, body[1] + 1.5, body[2] + 1.0, body[3] + 1.5, 10.0),
             lambda x, y: (120, 120, 120), (0, 0, w, h), opacity=0.5)
    cv.shape(lambda x, y: sd_round_rect(x, y, *body, 10.0),
             lambda x, y: mix((14, 15, 17), (92, 96, 102), clamp(1.0 - (x + 0.3 * y) / 24.0)), (0, 0, w, h))
    cv.shape(lambda x, y: sd_round_rect(x, y, body[0] + 1.0, body[1] + 1.0, body[2] - 1.0, body[3] - 1.0, 9.0),
             lambda x, y: mix((26, 27, 30), (10, 10, 12), x / w), (0, 0, w, h))

    # Glow of lit lamps spilling onto the body.
    for n, (cx, cy) in enumerate(SIGNAL_LAMPS, start=1):
        if n not in lit:
            continue
        _hot, edge = SIGNAL_LOOKS[(SIGNAL_LAMP_HUES[n - 1], True)]

        def glow(x, y, cx=cx, cy=cy, edge=edge):
            d = math.hypot(x - cx, y - cy)
            a = 0.55 * (1.0 - smoothstep(SIGNAL_RIM_R - 0.5, SIGNAL_RIM_R + 3.6, d))
            return None if a <= 0 else (edge[0], edge[1], edge[2], a)

        cv.paint(glow, (cx - 10, cy - 10, cx + 10, cy + 10))
        # Keep the glow on the body.
        cv.shape(lambda x, y: -sd_round_rect(x, y, *body, 10.0),
                 lambda x, y: DIALOG_FACE, (cx - 10, cy - 10, cx + 10, cy + 10))

    for n, (cx, cy) in enumerate(SIGNAL_LAMPS, start=1):
        on = n in lit
        box = (cx - 7, cy - 7, cx + 7, cy + 7)
        # Metal rim of the lamp, lit from the upper left.
        cv.shape(lambda x, y, cx=cx, cy=cy: sd_circle(x, y, cx, cy, SIGNAL_RIM_R),
                 lambda x, y, cx=cx, cy=cy: mix((22, 23, 26), (128, 132, 138),
                                                metal_shade(x, y, cx, cy) ** 1.5), box)
        draw_lens(cv, cx, cy, SIGNAL_LENS_R, SIGNAL_LOOKS[(SIGNAL_LAMP_HUES[n - 1], on)],
                  glare_opacity=0.45 if on else 0.6)
    return cv


PICTURES = [("panel_" + state, draw_panel, state) for state in ("normal", "dark", "alarm")] + [
    ("signal_" + aspect, draw_signal, aspect)
    for aspect in ("stop", "restrict", "caution", "reduce", "proceed")]


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(REPO, "res")
    os.makedirs(out, exist_ok=True)
    for name, draw, what in PICTURES:
        cv = draw(what)
        bmpio.write_bmp8(os.path.join(out, name + ".bmp"), cv.width, cv.height, cv.to_rgb())
        for scale in LARGER_SCALES:
            cv = draw(what, scale)
            pngio.write_png(os.path.join(out, "%s_%dx.png" % (name, scale)), cv.width, cv.height,
                            cv.to_rgb())


if __name__ == "__main__":
    main(sys.argv)
