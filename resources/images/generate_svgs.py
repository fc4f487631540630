#!/usr/bin/env python3
"""Writes the interface pictures as SVG sources beside this script.

Many pictures share a shape (a glyph in normal, pressed and disabled colours, the dial
scales), so they are generated here instead of being kept in step by hand. The build only
converts the committed SVG files; run this script again after changing a shape:

    python3 resources/images/generate_svgs.py
"""
import math
import os

OUT = os.path.dirname(os.path.abspath(__file__))

# One flat palette on the dark theme.
BG_DARK = "#111111"
SURFACE = "#1e1e1e"
SURFACE_DIS = "#191919"
EDGE = "#3a3a3a"
GLYPH = "#d4dde3"
GLYPH_DIS = "#5a5f63"
ACCENT = "#2fb3ff"
NORTH = "#e72c2c"
START = "#42bd56"


def write(name, width, height, body):
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}">\n{body}</svg>\n')
    with open(os.path.join(OUT, name + ".svg"), "w", encoding="ascii") as f:
        f.write(svg)


# --- glyphs on a 24-unit grid; "s" parts are stroked, "f" parts filled ---------------------

def gear_path(cx, cy, r_out, r_in, teeth, hole):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        r = r_out if i % 4 in (0, 1) else r_in
        pts.append(f"{cx + r * math.cos(a):.2f},{cy + r * math.sin(a):.2f}")
    ring = "M" + " L".join(pts) + " Z"
    circle = (f"M{cx + hole},{cy} A{hole},{hole} 0 1 0 {cx - hole},{cy} "
              f"A{hole},{hole} 0 1 0 {cx + hole},{cy} Z")
    return ring + " " + circle


SPEAKER = ("f", "M3 9 H7 L12 4.5 V19.5 L7 15 H3 Z")
MAGNIFIER = [("s", "M10 4 A6 6 0 1 0 10 16 A6 6 0 1 0 10 4 Z"), ("s", "M14.5 14.5 L20.5 20.5")]

GLYPHS = {
    "close": [("s", "M6 6 L18 18 M18 6 L6 18")],
    "maximise": [("s", "M5 5 H19 V19 H5 Z")],
    "restore": [("s", "M4 9 H15 V20 H4 Z"), ("s", "M9 9 V4 H20 V15 H15")],
    "minimise": [("s", "M5 12 H19")],
    "gear": [("fe", gear_path(12, 12, 10, 7.2, 8, 3.2))],
    "camera": [("s", "M3 8 H7.5 L9.5 5 H14.5 L16.5 8 H21 V19.5 H3 Z"),
               ("s", "M12 10 A3.6 3.6 0 1 0 12 17.2 A3.6 3.6 0 1 0 12 10 Z")],
    "folder": [("s", "M3 5.5 H9.5 L11.5 8 H21 V19 H3 Z"), ("s", "M3 11 H21")],
    "stop": [("f", "M6.5 6.5 H17.5 V17.5 H6.5 Z")],
    "fullscreen": [("s", "M4 9 V4 H9 M15 4 H20 V9 M20 15 V20 H15 M9 20 H4 V15")],
    "play": [("f", "M7.5 4.5 L19.5 12 L7.5 19.5 Z")],
    "pause": [("f", "M6.5 5 H10.5 V19 H6.5 Z M13.5 5 H17.5 V19 H13.5 Z")],
    "sound": [SPEAKER, ("s", "M15.5 9 Q17.5 12 15.5 15 M18 6.5 Q22 12 18 17.5")],
    "mute": [SPEAKER, ("s", "M15.5 9 L21 15 M21 9 L15.5 15")],
    "previous": [("f", "M4.5 5 H7.5 V19 H4.5 Z M19.5 5 L8.5 12 L19.5 19 Z")],
    "next": [("f", "M4.5 5 L15.5 12 L4.5 19 Z M16.5 5 H19.5 V19 H16.5 Z")],
    "zoom_out": MAGNIFIER + [("s", "M7 10 H13")],
    "zoom_in": MAGNIFIER + [("s", "M7 10 H13 M10 7 V13")],
    "dropdown": [("s", "M7 9.5 L12 14.5 L17 9.5")],
}


def glyph(name, colour, x, y, size, stroke=2.0):
    scale = size / 24.0
    parts = []
    for kind, d in GLYPHS[name]:
        if kind == "s":
            parts.append(f'<path d="{d}" fill="none" stroke="{colour}" stroke-width="{stroke}" '
                         'stroke-linecap="round" stroke-linejoin="round"/>')
        elif kind == "fe":
            parts.append(f'<path d="{d}" fill="{colour}" fill-rule="evenodd"/>')
        else:
            parts.append(f'<path d="{d}" fill="{colour}"/>')
    return (f'<g transform="translate({x:.2f} {y:.2f}) scale({scale:.4f})">'
            + "".join(parts) + "</g>\n")


# --- stroke font for the few characters the pictures print (4 x 6 units) ------------------

FONT = {
    "0": [[(0, 0), (4, 0), (4, 6), (0, 6), (0, 0)]],
    "1": [[(1, 1), (2, 0), (2, 6)]],
    "2": [[(0, 0), (4, 0), (4, 3), (0, 3), (0, 6), (4, 6)]],
    "3": [[(0, 0), (4, 0), (4, 6), (0, 6)], [(1, 3), (4, 3)]],
    "4": [[(0, 0), (0, 3), (4, 3)], [(4, 0), (4, 6)]],
    "5": [[(4, 0), (0, 0), (0, 3), (4, 3), (4, 6), (0, 6)]],
    "6": [[(4, 0), (0, 0), (0, 6), (4, 6), (4, 3), (0, 3)]],
    "7": [[(0, 0), (4, 0), (4, 6)]],
    "8": [[(0, 0), (4, 0), (4, 6), (0, 6), (0, 0)], [(0, 3), (4, 3)]],
    "9": [[(4, 3), (0, 3), (0, 0), (4, 0), (4, 6), (0, 6)]],
    "/": [[(0, 6), (4, 0)]],
    "x": [[(0.5, 2.5), (3.5, 6)], [(3.5, 2.5), (0.5, 6)]],
    "N": [[(0, 6), (0, 0), (4, 6), (4, 0)]],
    "S": [[(4, 0), (0, 0), (0, 3), (4, 3), (4, 6), (0, 6)]],
    "F": [[(4, 0), (0, 0), (0, 6)], [(0, 3), (3, 3)]],
}
ADVANCE = 6.0  # units from one character to the next


def text_width(text, unit):
    return (len(text) * ADVANCE - (ADVANCE - 4)) * unit


def text(s, cx, cy, unit, colour, stroke):
    """Draws s centred on (cx, cy); unit is the size of one font unit in pixels."""
    x0 = cx - text_width(s, unit) / 2
    y0 = cy - 3 * unit
    d = []
    for i, ch in enumerate(s):
        for line in FONT[ch]:
            pts = [f"{x0 + (i * ADVANCE + px) * unit:.2f},{y0 + py * unit:.2f}" for px, py in line]
            d.append("M" + " L".join(pts))
    return (f'<path d="{" ".join(d)}" fill="none" stroke="{colour}" stroke-width="{stroke}" '
            'stroke-linecap="round" stroke-linejoin="round"/>\n')


# --- the pictures --------------------------------------------------------------------------

def title_buttons():
    for name, shape in [("icon_top_cancel", "close"), ("icon_top_recovery", "restore"),
                        ("icon_top_enlarge", "maximise"), ("icon_top_narrow", "minimise"),
                        ("icon_top_set", "gear")]:
        write(name, 30, 30, glyph(shape, GLYPH, 8, 8, 14, 2.2))
        write(name + "_press", 30, 30,
              '<rect x="1" y="1" width="28" height="28" rx="4" fill="#262626"/>\n'
              + glyph(shape, ACCENT, 8, 8, 14, 2.2))


def logo():
    write("logo", 30, 30,
          f'<rect x="2" y="2" width="26" height="26" rx="6" fill="{ACCENT}"/>\n'
          f'<circle cx="15" cy="15" r="8" fill="{BG_DARK}"/>\n'
          f'<circle cx="15" cy="15" r="4.5" fill="none" stroke="{GLYPH}" stroke-width="1.6"/>\n'
          '<circle cx="17.6" cy="12.4" r="1.4" fill="#ffffff"/>\n')


def round_button(name, shape, colour, ring=None, surface=SURFACE):
    edge = f' stroke="{ring}" stroke-width="1.5"' if ring else ""
    write(name, 42, 42,
          f'<circle cx="21" cy="21" r="19.5" fill="{surface}"{edge}/>\n'
          + glyph(shape, colour, 11, 11, 20, 2.0))


def control_buttons():
    for name, shape in [("icon_cut", "camera"), ("icon_folder", "folder"), ("icon_pause", "stop"),
                        ("icon_zoom", "fullscreen"), ("icon_play", "play"),
                        ("icon_sound", "sound"), ("icon_enter", "previous"),
                        ("icon_retreat", "next"), ("icon_shrink", "zoom_out"),
                        ("icon_enlarge", "zoom_in"), ("icon_set", "gear")]:
        round_button(name, shape, GLYPH)
        round_button(name + "_press", shape, ACCENT, ring=ACCENT)
        round_button(name + "_dis", shape, GLYPH_DIS, surface=SURFACE_DIS)
    # Checked states of play (now playing: offer pause) and mute.
    for name, shape in [("icon_stop", "pause"), ("icon_mute", "mute")]:
        round_button(name, shape, ACCENT)
        round_button(name + "_press", shape, ACCENT, ring=ACCENT)
        round_button(name + "_dis", shape, GLYPH_DIS, surface=SURFACE_DIS)


def speed_buttons():
    for name, label in [("icon_multiple_percent_four", "1/4"), ("icon_multiple_percent_two", "1/2"),
                        ("icon_multiple_one", "1x"), ("icon_multiple_three", "3x"),
                        ("icon_multiple_fifteen", "15x"), ("icon_multiple_sixty", "60x")]:
        unit = min(1.25, 24.0 / text_width(label, 1.0))
        for suffix, fill, edge, ink in [("", SURFACE, EDGE, GLYPH),
                                        ("_press", ACCENT, ACCENT, BG_DARK),
                                        ("_dis", SURFACE_DIS, "#262626", GLYPH_DIS)]:
            write(name + suffix, 30, 30,
                  f'<rect x="1.5" y="1.5" width="27" height="27" rx="5" fill="{fill}" '
                  f'stroke="{edge}" stroke-width="1"/>\n' + text(label, 15, 15, unit, ink, 1.5))


def list_pictures():
    write("Playicon", 14, 18, f'<path d="M2 2 L13 9 L2 16 Z" fill="{ACCENT}"/>\n')
    for suffix, ink, fill in [("", "#8c9296", "none"), ("_press", ACCENT, "#262626")]:
        write("icon_off" + suffix, 30, 30,
              f'<circle cx="15" cy="15" r="9.5" fill="{fill}" stroke="{ink}" stroke-width="1.5"/>\n'
              f'<path d="M11.5 11.5 L18.5 18.5 M18.5 11.5 L11.5 18.5" stroke="{ink}" '
              'stroke-width="1.6" stroke-linecap="round"/>\n')
    # Rules: a dark line with a lighter one beside it, stretched or tiled along their length.
    write("level_line", 64, 2,
          f'<rect x="0" y="0" width="64" height="1" fill="{BG_DARK}"/>\n'
          '<rect x="0" y="1" width="64" height="1" fill="#333333"/>\n')
    write("vertical_line", 2, 64,
          f'<rect x="0" y="0" width="1" height="64" fill="{BG_DARK}"/>\n'
          '<rect x="1" y="0" width="1" height="64" fill="#333333"/>\n')
    write("icon_data_rectangle", 85, 35,
          f'<rect x="0.5" y="0.5" width="84" height="34" rx="4" fill="{SURFACE}" '
          f'stroke="{EDGE}" stroke-width="1"/>\n')
    write("icon_set_dropdown", 25, 28, glyph("dropdown", "#ffffff", 4.5, 6, 16, 2.4))


def polar(cx, cy, r, bearing):
    """Point at distance r from the centre in the direction bearing (degrees clockwise from up)."""
    a = math.radians(bearing)
    return cx + r * math.sin(a), cy - r * math.cos(a)


SPEED_ZERO_BEARING = 225  # the needle picture points here; one unit of speed is one degree
SPEED_FULL_SCALE = 270


def speedometer():
    size, c = 156, 78
    body = [f'<circle cx="{c}" cy="{c}" r="76" fill="{SURFACE}" stroke="{EDGE}" stroke-width="2"/>\n']
    # The arc the needle tip travels along, 0 to full scale.
    x0, y0 = polar(c, c, 70, SPEED_ZERO_BEARING)
    x1, y1 = polar(c, c, 70, SPEED_ZERO_BEARING + SPEED_FULL_SCALE)
    body.append(f'<path d="M{x0:.2f},{y0:.2f} A70,70 0 1 1 {x1:.2f},{y1:.2f}" fill="none" '
                f'stroke="{EDGE}" stroke-width="2"/>\n')
    ticks = []
    for speed in range(0, SPEED_FULL_SCALE + 1, 10):
        bearing = SPEED_ZERO_BEARING + speed
        inner = 60 if speed % 30 == 0 else 64
        ax, ay = polar(c, c, 69, bearing)
        bx, by = polar(c, c, inner, bearing)
        ticks.append(f"M{ax:.2f},{ay:.2f} L{bx:.2f},{by:.2f}")
        if speed % 30 == 0:
            tx, ty = polar(c, c, 49, bearing)
            body.append(text(str(speed), tx, ty, 1.05, GLYPH, 1.1))
    body.insert(2, f'<path d="{" ".join(ticks)}" stroke="{GLYPH}" stroke-width="1.5" '
                   'stroke-linecap="round"/>\n')
    write("icon_meter_ring", size, size, "".join(body))

    needle = (f'<g transform="rotate({SPEED_ZERO_BEARING} {c} {c})">'
              f'<path d="M{c - 3.5},{c} L{c - 1},{c - 64} L{c + 1},{c - 64} L{c + 3.5},{c} '
              f'L{c + 2},{c + 14} L{c - 2},{c + 14} Z" fill="{ACCENT}"/></g>\n'
              f'<circle cx="{c}" cy="{c}" r="7" fill="{BG_DARK}" stroke="{ACCENT}" stroke-width="2"/>\n')
    write("icon_meter_pointer", size, size, needle)


def compass():
    size, c = 110, 55
    body = [f'<circle cx="{c}" cy="{c}" r="54" fill="{SURFACE}" stroke="{EDGE}" stroke-width="2"/>\n']
    ticks = []
    for bearing in range(0, 360, 10):
        if bearing == 0:
            continue
        inner = 44 if bearing % 90 == 0 else (46 if bearing % 30 == 0 else 48)
        ax, ay = polar(c, c, 50, bearing)
        bx, by = polar(c, c, inner, bearing)
        ticks.append(f"M{ax:.2f},{ay:.2f} L{bx:.2f},{by:.2f}")
    body.append(f'<path d="{" ".join(ticks)}" stroke="{GLYPH}" stroke-width="1.3" '
                'stroke-linecap="round"/>\n')
    # The top of the ring is the direction of travel; the needle shows where north lies.
    body.append(f'<path d="M{c},{c - 51} L{c + 5},{c - 42} L{c - 5},{c - 42} Z" fill="{ACCENT}"/>\n')
    write("icon_pointer_ring", size, size, "".join(body))

    needle = (f'<path d="M{c},{c - 38} L{c + 5},{c} L{c - 5},{c} Z" fill="{NORTH}"/>\n'
              f'<path d="M{c},{c + 38} L{c + 5},{c} L{c - 5},{c} Z" fill="{GLYPH}"/>\n'
              f'<circle cx="{c}" cy="{c}" r="4" fill="{BG_DARK}" stroke="{GLYPH}" stroke-width="1.5"/>\n')
    write("icon_pointer", size, size, needle)


if __name__ == "__main__":
    title_buttons()
    logo()
    control_buttons()
    speed_buttons()
    list_pictures()
    speedometer()
    compass()
