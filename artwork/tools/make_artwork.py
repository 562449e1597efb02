#!/usr/bin/env python3
"""Source of the Drollicant artwork.

This script is the source of every SVG in artwork/Resources/: the knob overlay, the
product underlay, the six parameter dials and the two switch captions. Edit the script,
not the SVGs, then regenerate them all with

    python3 artwork/tools/make_artwork.py            # writes artwork/Resources/*.svg
    python3 artwork/tools/make_artwork.py OUTDIR     # writes them somewhere else

and look at the result with artwork/tools/preview_artwork.sh. Python 3 standard library only.

Everything is drawn in a 200 x 200 box (captions 150 x 60) and written as plain vector
paths, so the pictures stay sharp from an 8-point knob to a full-screen editor on any
pixel density. Lettering comes from the small stroke font below rather than from a system
font, so the names look the same on every machine.

Geometry the code relies on:
- underlays are drawn 5 % larger than an aspect fit and clipped to the knob's square, so
  nothing important lies farther than about 95 units from the centre along either axis;
- the overlay is drawn at an exact fit and turned about the centre, -160 degrees at the
  lowest value, 0 (pointing up) in the middle, +160 degrees at the highest; the scale on
  the dials covers exactly that arc, and the pointer stays within the knob cap, which
  appears 5 % larger on screen than its radius here.
"""

import math
import os
import sys

# --------------------------------------------------------------------------------------
# Palette (the editor background behind all of this is #BD4C00)

BACKGROUND = "#BD4C00"
CREAM = "#FFF0D2"
CREAM_SHADE = "#F2D7A8"
INK = "#2A1003"           # darkest brown, outlines and shadows
CAP_DARK = "#331505"
CAP_MID = "#5C2A0C"
CAP_LIGHT = "#8A4518"
SKIRT_TOP = "#7A3A12"
SKIRT_BOTTOM = "#2B1104"

# One jewel colour per parameter, set in the centre of its knob.
JEWELS = {
    "Charisma": "#FFC23A",   # gold
    "Naivete": "#9BE8C4",    # mint
    "Nostalgia": "#E8A0A8",  # faded rose
    "Surprise": "#C49BFF",   # violet
    "Sweetness": "#FF8CC0",  # candy pink
    "Whimsy": "#5FD8E4",     # turquoise
}

# --------------------------------------------------------------------------------------
# Dial geometry, in units of the 200 x 200 box

SIZE = 200.0
C = SIZE / 2.0
ARC_DEGREES = 160.0          # the scale runs from -ARC_DEGREES to +ARC_DEGREES, 0 at the top
UNDERLAY_SCALE = 1.05        # how much larger than a fit the underlays are shown

SKIRT_R = 46.0               # the knob's outer rim
CAP_R = 39.0                 # the knob's top face
JEWEL_R = 7.5
TICK_OUTER_R = 66.0
MAJOR_TICK_IN_R = 56.5
MINOR_TICK_IN_R = 60.5
MAJOR_TICKS = 11
MINORS_PER_GAP = 1
NAME_CAP_H = 14.0
NAME_STROKE = 3.0
NAME_BASELINE_R = 88.0       # the name is set along the bottom of the dial on this circle

# Pointer, in overlay units (shown at an exact fit, so 1 unit here is 1/1.05 of a dial unit)
POINTER_IN_R = 15.0
POINTER_OUT_R = CAP_R * UNDERLAY_SCALE - 3.0
POINTER_W = 8.0

# --------------------------------------------------------------------------------------
# Stroke font: capital letters drawn as centre lines on a cap height of 1, y growing
# downwards from 0 (cap line) to 1 (baseline). A stroke is a list of commands:
#   ("M", x, y)  ("L", x, y)  ("A", cx, cy, rx, ry, t0, t1)  ("Z",)
# where "A" follows an ellipse from parameter angle t0 to t1 (degrees, y down, so a growing
# angle turns clockwise on screen).


def _ellipse(cx, cy, rx, ry, t):
    a = math.radians(t)
    return cx + rx * math.cos(a), cy + ry * math.sin(a)


GLYPHS = {
    "A": [[("M", 0, 1), ("L", .40, 0), ("L", .80, 1)], [("M", .15, .64), ("L", .65, .64)]],
    "C": [[("A", .46, .5, .46, .5, -48, -312)]],
    "D": [[("M", 0, 0), ("L", .28, 0), ("A", .28, .5, .46, .5, -90, 90), ("L", 0, 1), ("Z",)]],
    "E": [[("M", .58, 0), ("L", 0, 0), ("L", 0, 1), ("L", .58, 1)], [("M", 0, .5), ("L", .48, .5)]],
    "F": [[("M", .58, 0), ("L", 0, 0), ("L", 0, 1)], [("M", 0, .5), ("L", .48, .5)]],
    "G": [[("A", .48, .5, .48, .5, -48, -360), ("L", .52, .5)]],
    "H": [[("M", 0, 0), ("L", 0, 1)], [("M", .68, 0), ("L", .68, 1)], [("M", 0, .5), ("L", .68, .5)]],
    "I": [[("M", 0, 0), ("L", 0, 1)]],
    "L": [[("M", 0, 0), ("L", 0, 1), ("L", .55, 1)]],
    "M": [[("M", 0, 1), ("L", 0, 0), ("L", .42, .72), ("L", .84, 0), ("L", .84, 1)]],
    "N": [[("M", 0, 1), ("L", 0, 0), ("L", .70, 1), ("L", .70, 0)]],
    "O": [[("A", .5, .5, .5, .5, -90, 270), ("Z",)]],
    "P": [[("M", 0, 1), ("L", 0, 0), ("L", .32, 0), ("A", .32, .27, .27, .27, -90, 90), ("L", 0, .54)]],
    "R": [[("M", 0, 1), ("L", 0, 0), ("L", .32, 0), ("A", .32, .27, .27, .27, -90, 90), ("L", 0, .54)],
          [("M", .30, .54), ("L", .62, 1)]],
    "S": [[("A", .32, .25, .29, .25, -25, -270), ("A", .32, .75, .32, .25, -90, 155)]],
    "T": [[("M", 0, 0), ("L", .70, 0)], [("M", .35, 0), ("L", .35, 1)]],
    "U": [[("M", 0, 0), ("L", 0, .6), ("A", .34, .6, .34, .4, 180, 0), ("L", .68, 0)]],
    "V": [[("M", 0, 0), ("L", .38, 1), ("L", .76, 0)]],
    "W": [[("M", 0, 0), ("L", .25, 1), ("L", .52, .22), ("L", .79, 1), ("L", 1.04, 0)]],
    "Y": [[("M", 0, 0), ("L", .36, .5), ("L", .72, 0)], [("M", .36, .5), ("L", .36, 1)]],
}


def _stroke_points(stroke):
    """Points along a stroke (arcs sampled), used to measure glyphs."""
    pts = []
    for cmd in stroke:
        if cmd[0] in ("M", "L"):
            pts.append((cmd[1], cmd[2]))
        elif cmd[0] == "A":
            _, cx, cy, rx, ry, t0, t1 = cmd
            n = max(2, int(abs(t1 - t0) / 5))
            pts += [_ellipse(cx, cy, rx, ry, t0 + (t1 - t0) * i / n) for i in range(n + 1)]
    return pts


def glyph_extent(ch):
    xs = [p[0] for s in GLYPHS[ch] for p in _stroke_points(s)]
    return min(xs), max(xs)


def fmt(v):
    s = f"{v:.2f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


class Placement:
    """Uniform scale, then rotation, then translation: where a glyph goes."""

    def __init__(self, scale, degrees, tx, ty):
        self.s = scale
        self.deg = degrees
        self.cos = math.cos(math.radians(degrees))
        self.sin = math.sin(math.radians(degrees))
        self.tx = tx
        self.ty = ty

    def __call__(self, x, y):
        x *= self.s
        y *= self.s
        return (self.tx + x * self.cos - y * self.sin, self.ty + x * self.sin + y * self.cos)


def glyph_path(ch, place, x0):
    """Path data of one glyph; x0 shifts the glyph's own coordinates before placing."""
    out = []
    for stroke in GLYPHS[ch]:
        here = None
        start = None
        for cmd in stroke:
            op = cmd[0]
            if op in ("M", "L"):
                p = place(cmd[1] - x0, cmd[2])
                out.append(f"{op}{fmt(p[0])} {fmt(p[1])}")
                here = p
                if op == "M":
                    start = p
            elif op == "A":
                _, cx, cy, rx, ry, t0, t1 = cmd
                a = place(*(lambda q: (q[0] - x0, q[1]))(_ellipse(cx, cy, rx, ry, t0)))
                if here is None:
                    out.append(f"M{fmt(a[0])} {fmt(a[1])}")
                    start = a
                # SVG cannot draw a whole ellipse in one arc: split long arcs in halves.
                span = t1 - t0
                pieces = 2 if abs(span) > 300 else 1
                for k in range(1, pieces + 1):
                    tk = t0 + span * k / pieces
                    part = span / pieces
                    q = place(*(lambda r: (r[0] - x0, r[1]))(_ellipse(cx, cy, rx, ry, tk)))
                    large = 1 if abs(part) > 180 else 0
                    sweep = 1 if part > 0 else 0
                    out.append(f"A{fmt(rx * place.s)} {fmt(ry * place.s)} {fmt(place.deg)} "
                               f"{large} {sweep} {fmt(q[0])} {fmt(q[1])}")
                    here = q
            elif op == "Z":
                out.append("Z")
                here = start
    return "".join(out)


def text_advances(text, cap_h, stroke_w, tracking):
    """Width of each letter box (ink plus round caps) and the gap after it, in units."""
    boxes = []
    for ch in text:
        lo, hi = glyph_extent(ch)
        boxes.append((hi - lo) * cap_h + stroke_w)
    return boxes, tracking


def text_width(text, cap_h, stroke_w, tracking):
    boxes, gap = text_advances(text, cap_h, stroke_w, tracking)
    return sum(boxes) + gap * (len(text) - 1)


def straight_text(text, cap_h, stroke_w, tracking, x, baseline, anchor="middle"):
    """Path data of a line of text; x is its middle (or its left end for anchor 'start')."""
    width = text_width(text, cap_h, stroke_w, tracking)
    left = x - width / 2 if anchor == "middle" else x
    boxes, gap = text_advances(text, cap_h, stroke_w, tracking)
    d = []
    for ch, box in zip(text, boxes):
        lo, _ = glyph_extent(ch)
        place = Placement(cap_h, 0, left + stroke_w / 2, baseline - cap_h)
        d.append(glyph_path(ch, place, lo))
        left += box + gap
    return "".join(d)


def arc_text(text, cap_h, stroke_w, tracking, cx, cy, baseline_r, top):
    """Path data of text set along a circle, centred on the top or the bottom of it.

    On the top the letters stand on the circle with their feet inward; on the bottom they
    hang from it with their heads inward, so both read left to right. Spacing is measured
    along the circle through the middle of the letters.
    """
    mid_r = baseline_r + cap_h / 2 if top else baseline_r - cap_h / 2
    width = text_width(text, cap_h, stroke_w, tracking)
    boxes, gap = text_advances(text, cap_h, stroke_w, tracking)
    s = -width / 2
    d = []
    for ch, box in zip(text, boxes):
        lo, hi = glyph_extent(ch)
        centre_s = s + box / 2
        a = centre_s / mid_r                      # radians along the circle from the middle
        if top:
            bx, by = cx + baseline_r * math.sin(a), cy - baseline_r * math.cos(a)
            deg = math.degrees(a)
        else:
            bx, by = cx + baseline_r * math.sin(a), cy + baseline_r * math.cos(a)
            deg = -math.degrees(a)
        # Glyph coordinates: centre of the ink on x = 0, baseline on y = 1 (cap units).
        place = Placement(cap_h, deg, bx, by)
        shift = (lo + hi) / 2
        d.append(glyph_path(ch, _Baseline(place), shift))
        s += box + gap
    return "".join(d)


class _Baseline:
    """Moves glyph coordinates so that the baseline (y = 1) lands on the placement origin."""

    def __init__(self, place):
        self.place = place
        self.s = place.s
        self.deg = place.deg

    def __call__(self, x, y):
        return self.place(x, y - 1)


# --------------------------------------------------------------------------------------
# SVG pieces


def svg_document(width, height, body, defs=""):
    head = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{fmt(width)}" height="{fmt(height)}" '
            f'viewBox="0 0 {fmt(width)} {fmt(height)}">\n')
    if defs:
        head += f"<defs>\n{defs}</defs>\n"
    return head + body + "</svg>\n"


def polar(r, deg, cx=C, cy=C):
    """Point at radius r and angle deg measured clockwise from straight up."""
    a = math.radians(deg)
    return cx + r * math.sin(a), cy - r * math.cos(a)


def scale_ticks():
    """Path data of the major and minor ticks of the 320-degree scale."""
    major, minor = [], []
    steps = (MAJOR_TICKS - 1) * (MINORS_PER_GAP + 1)
    for i in range(steps + 1):
        deg = -ARC_DEGREES + 2 * ARC_DEGREES * i / steps
        is_major = i % (MINORS_PER_GAP + 1) == 0
        r0 = MAJOR_TICK_IN_R if is_major else MINOR_TICK_IN_R
        p, q = polar(r0, deg), polar(TICK_OUTER_R, deg)
        (major if is_major else minor).append(f"M{fmt(p[0])} {fmt(p[1])}L{fmt(q[0])} {fmt(q[1])}")
    return "".join(major), "".join(minor)


def arc_path(r, deg0, deg1, cx=C, cy=C):
    p, q = polar(r, deg0, cx, cy), polar(r, deg1, cx, cy)
    large = 1 if abs(deg1 - deg0) > 180 else 0
    sweep = 1 if deg1 > deg0 else 0
    return f"M{fmt(p[0])} {fmt(p[1])}A{fmt(r)} {fmt(r)} 0 {large} {sweep} {fmt(q[0])} {fmt(q[1])}"


def ramp_path(r_in, w0, w1, deg0, deg1, steps=64):
    """A band along the scale that thickens from w0 to w1: 'more' as the value grows."""
    outer, inner = [], []
    for i in range(steps + 1):
        t = i / steps
        deg = deg0 + (deg1 - deg0) * t
        w = w0 + (w1 - w0) * t
        outer.append(polar(r_in + w, deg))
        inner.append(polar(r_in, deg))
    pts = outer + inner[::-1]
    return "M" + "L".join(f"{fmt(x)} {fmt(y)}" for x, y in pts) + "Z"


def knob_defs(jewel):
    return (
        '<radialGradient id="shadow" cx="0.5" cy="0.5" r="0.5">'
        f'<stop offset="0.78" stop-color="{INK}" stop-opacity="0.55"/>'
        f'<stop offset="1" stop-color="{INK}" stop-opacity="0"/></radialGradient>\n'
        '<linearGradient id="skirt" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{SKIRT_TOP}"/><stop offset="1" stop-color="{SKIRT_BOTTOM}"/>'
        '</linearGradient>\n'
        '<radialGradient id="cap" cx="0.5" cy="0.5" r="0.5" fx="0.36" fy="0.3">'
        f'<stop offset="0" stop-color="{CAP_LIGHT}"/><stop offset="0.55" stop-color="{CAP_MID}"/>'
        f'<stop offset="1" stop-color="{CAP_DARK}"/></radialGradient>\n'
        '<linearGradient id="rim" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" stop-color="#FFFFFF" stop-opacity="0.35"/>'
        '<stop offset="0.5" stop-color="#FFFFFF" stop-opacity="0"/>'
        f'<stop offset="1" stop-color="{INK}" stop-opacity="0.5"/></linearGradient>\n'
        '<radialGradient id="jewel" cx="0.5" cy="0.5" r="0.5" fx="0.35" fy="0.3">'
        f'<stop offset="0" stop-color="#FFFFFF"/><stop offset="0.35" stop-color="{jewel}"/>'
        f'<stop offset="1" stop-color="{jewel}" stop-opacity="0.75"/></radialGradient>\n'
    )


def knob_shadow():
    return f'<circle cx="{fmt(C)}" cy="{fmt(C + 3)}" r="{fmt(SKIRT_R + 4)}" fill="url(#shadow)"/>\n'


def knob_body(with_jewel=True):
    """The fixed, round part of the knob: skirt, cap, rim light and centre jewel."""
    c = fmt(C)
    parts = [
        f'<circle cx="{c}" cy="{c}" r="{fmt(SKIRT_R)}" fill="url(#skirt)" stroke="{INK}" '
        f'stroke-width="1.5"/>\n',
        f'<circle cx="{c}" cy="{fmt(C + 1.5)}" r="{fmt(CAP_R + 1)}" fill="{INK}" opacity="0.45"/>\n',
        f'<circle cx="{c}" cy="{c}" r="{fmt(CAP_R)}" fill="url(#cap)"/>\n',
        f'<circle cx="{c}" cy="{c}" r="{fmt(CAP_R - 0.8)}" fill="none" stroke="url(#rim)" '
        f'stroke-width="1.6"/>\n',
    ]
    if with_jewel:
        parts += [
            f'<circle cx="{c}" cy="{fmt(C + 0.8)}" r="{fmt(JEWEL_R + 1.2)}" fill="{INK}" '
            f'opacity="0.6"/>\n',
            f'<circle cx="{c}" cy="{c}" r="{fmt(JEWEL_R)}" fill="url(#jewel)"/>\n',
        ]
    return "".join(parts)


# --------------------------------------------------------------------------------------
# The pictures


def cream_strokes(d, width, drop=1.0, opacity=1.0):
    """Cream round-capped strokes with a soft dark drop beneath, so they lift off the orange."""
    common = (f'd="{d}" fill="none" stroke-width="{fmt(width)}" stroke-linecap="round" '
              'stroke-linejoin="round"')
    fade = f' opacity="{fmt(opacity)}"' if opacity < 1 else ""
    return (f'<path {common} stroke="{INK}" stroke-opacity="0.3" '
            f'transform="translate(0 {fmt(drop)})"/>\n'
            f'<path {common} stroke="{CREAM}"{fade}/>\n')


def parameter_underlay(name):
    major, minor = scale_ticks()
    name_d = arc_text(name.upper(), NAME_CAP_H, NAME_STROKE, 2.6, C, C, NAME_BASELINE_R, top=False)
    body = (
        knob_shadow()
        + f'<path d="{ramp_path(SKIRT_R + 3.0, 0.4, 4.6, -ARC_DEGREES, ARC_DEGREES)}" '
        f'fill="{CREAM}" opacity="0.7"/>\n'
        + cream_strokes(minor, 1.8, opacity=0.85)
        + cream_strokes(major, 3.2)
        + knob_body()
        + cream_strokes(name_d, NAME_STROKE)
    )
    return svg_document(SIZE, SIZE, body, knob_defs(JEWELS[name]))


def knob_overlay():
    """The pointer: a cream bar with a dark edge on the cap, pointing straight up."""
    top = C - POINTER_OUT_R
    bottom = C - POINTER_IN_R
    c = fmt(C)
    body = (
        f'<g stroke-linecap="round">\n'
        f'<line x1="{c}" y1="{fmt(bottom)}" x2="{c}" y2="{fmt(top)}" stroke="{INK}" '
        f'stroke-opacity="0.7" stroke-width="{fmt(POINTER_W + 3)}"/>\n'
        f'<line x1="{c}" y1="{fmt(bottom)}" x2="{c}" y2="{fmt(top)}" stroke="{CREAM}" '
        f'stroke-width="{fmt(POINTER_W)}"/>\n'
        "</g>\n"
    )
    return svg_document(SIZE, SIZE, body)


def product_underlay():
    """The product's emblem: the knob in a scalloped rosette, the name arched over it."""
    c = fmt(C)
    # Rosette: a ring of round lobes behind the knob.
    lobes = 16
    lobe_r = 7.0
    ring_r = SKIRT_R + 6.0
    rosette = "".join(
        f'<circle cx="{fmt(polar(ring_r, 360 * i / lobes)[0])}" '
        f'cy="{fmt(polar(ring_r, 360 * i / lobes)[1])}" r="{fmt(lobe_r)}"/>'
        for i in range(lobes))
    name_d = arc_text("DROLLICANT", 14.0, 2.9, 2.2, C, C, 69.5, top=True)
    # Three small stars along the bottom.
    stars = []
    for deg, size in ((180 - 28, 6.0), (180, 8.5), (180 + 28, 6.0)):
        x, y = polar(78.0, deg)
        stars.append(star_path(x, y, size, size * 0.42, 5, deg - 180))
    body = (
        f'<circle cx="{c}" cy="{c}" r="92" fill="{INK}" opacity="0.22"/>\n'
        f'<circle cx="{c}" cy="{c}" r="89" fill="none" stroke="{CREAM}" stroke-width="2"/>\n'
        f'<g fill="{CREAM_SHADE}" stroke="{INK}" stroke-width="1" stroke-opacity="0.5">{rosette}</g>\n'
        f'<circle cx="{c}" cy="{c}" r="{fmt(ring_r)}" fill="{CREAM_SHADE}"/>\n'
        + knob_shadow()
        + knob_body()
        + cream_strokes(name_d, 2.9)
        + f'<path d="{"".join(stars)}" fill="{CREAM}"/>\n'
    )
    return svg_document(SIZE, SIZE, body, knob_defs("#FFC23A"))


def star_path(cx, cy, r_out, r_in, points, deg):
    pts = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        pts.append(polar(r, deg + 180 * i / points, cx, cy))
    return "M" + "L".join(f"{fmt(x)} {fmt(y)}" for x, y in pts) + "Z"


CAPTION_WORDS = ("FLIGHTY", "GENTEEL")
CAPTION_W, CAPTION_H = 150.0, 60.0
CAPTION_MARGIN = 2.0


def caption_lettering():
    """Cap height, stroke and tracking shared by both captions, so the two words match."""
    cap_h, sw, tracking = 26.0, 4.6, 3.2
    widest = max(text_width(w, cap_h, sw, tracking) for w in CAPTION_WORDS)
    room = CAPTION_W - 2 * CAPTION_MARGIN
    k = min(1.0, room / widest)
    return cap_h * k, sw * k, tracking * k


def caption(word):
    """A switch caption: the word in bold cream letters, left-aligned, centred vertically."""
    cap_h, sw, tracking = caption_lettering()
    d = straight_text(word, cap_h, sw, tracking, CAPTION_MARGIN, CAPTION_H / 2 + cap_h / 2,
                      anchor="start")
    return svg_document(CAPTION_W, CAPTION_H, cream_strokes(d, sw, drop=1.5))


def all_artwork():
    pictures = {"KnobOverlay": knob_overlay(), "DrollicantUnderlay": product_underlay()}
    for name in JEWELS:
        pictures[f"{name}Underlay"] = parameter_underlay(name)
    pictures["FlightyLabel"] = caption(CAPTION_WORDS[0])
    pictures["GenteelLabel"] = caption(CAPTION_WORDS[1])
    return pictures


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, "..", "Resources")
    os.makedirs(out, exist_ok=True)
    for name, svg in all_artwork().items():
        with open(os.path.join(out, name + ".svg"), "w", encoding="utf-8") as f:
            f.write(svg)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
