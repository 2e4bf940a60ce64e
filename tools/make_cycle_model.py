#!/usr/bin/env python3
"""Builds data/vask3.wrl, the light-cycle model, in the VRML subset the game reads.

Usage: tools/make_cycle_model.py [output path]   (default: data/vask3.wrl next to tools/)

The cycle is written in game units: it travels along +x, its origin is the tail where
the wall of light leaves it, the nose is at x = 80 (the farthest point, so sizing keeps
these units), and the wheels stand on y = -12, the floor under a rider's origin.

Each part is a DEF'd Transform holding one Shape whose IndexedFaceSet has its points in a
DEF'd Coordinate node and its faces in coordIndex: the game reads the points into the
Coordinate node and the faces into the Transform around it. Pieces in the rider's colour
come first; tyres and trim follow under #IGNORESHADING and keep their own colours.

Every face is flat and convex (the game draws each as one polygon), ends with -1, and has
at most 64 corners; a piece stays under 999 points and 2999 index entries.
"""

import math
import os
import sys

# --- sizes ---------------------------------------------------------------------------

NOSE_X = 80.0
FLOOR_Y = -12.0
WHEEL_RADIUS = 15.0
WHEEL_CENTRE_Y = FLOOR_Y + WHEEL_RADIUS        # 3
REAR_WHEEL_X = 16.0
FRONT_WHEEL_X = 60.0
TYRE_HALF_WIDTH = 4.5
WHEEL_SEGMENTS = 32
RIM_OUTER = 13.0
RIM_INNER = 11.6
HUB_RADIUS = 3.5
HUB_SEGMENTS = 16
HUB_REACH = 1.2                                 # how far the hub caps stand out

# Side view of the body, front and back of the hull: (x, top, bottom, half width,
# shoulder size, lower bevel size). Stations in between are interpolated smoothly.
HULL_PROFILE = [
    (0.0, 8.0, 4.0, 1.2, 0.2, 0.2),
    (2.0, 11.5, 4.5, 3.6, 0.6, 0.5),
    (6.0, 15.5, 9.0, 5.2, 1.0, 0.8),
    (12.0, 18.6, 11.5, 5.8, 1.2, 0.8),
    (19.0, 19.6, 12.0, 5.8, 1.2, 0.8),
    (26.0, 18.8, 9.0, 5.4, 1.2, 1.0),
    (33.0, 17.6, 2.0, 4.8, 1.2, 1.0),
    (40.0, 17.4, 1.0, 4.6, 1.2, 1.0),
    (47.0, 17.8, 4.0, 5.0, 1.2, 1.0),
    (54.0, 19.2, 11.5, 5.8, 1.2, 0.8),
    (61.0, 19.4, 12.0, 5.8, 1.2, 0.8),
    (67.0, 17.4, 11.0, 5.4, 1.1, 0.8),
    (73.0, 13.0, 8.5, 4.4, 0.9, 0.6),
    (77.5, 8.0, 5.5, 2.6, 0.5, 0.4),
    (80.0, 4.5, 3.5, 0.9, 0.15, 0.15),
]
HULL_STATIONS = 31
SHOULDER_DIR = (2.5, 1.0)   # (inward z, down y) per unit of shoulder size: one slope everywhere
BEVEL_DIR = (1.0, 2.0)      # (inward z, up y) per unit of lower bevel size
TRIM_HALF_HEIGHT = 0.5      # the glowing line along each flank
TRIM_OUT = 0.08             # it stands this far off the flank

# The canopy over the rider and the seat behind it: (x, top, half width).
CANOPY_PROFILE = [
    (27.0, 19.4, 2.0),
    (32.0, 21.6, 3.2),
    (38.0, 23.2, 3.5),
    (44.0, 22.8, 3.4),
    (50.0, 21.0, 2.9),
    (56.0, 19.6, 1.8),
]
CANOPY_STATIONS = 16
SEAT_PROFILE = [
    (14.0, 20.2, 2.6),
    (17.5, 21.8, 3.2),
    (23.0, 21.0, 3.4),
    (27.5, 19.8, 3.0),
]
SEAT_STATIONS = 8

COLOURS = {
    "hull": (0.9, 0.9, 0.9),      # the rider's colour, bright
    "ring": (1.0, 1.0, 1.0),      # the glowing wheel rings, in the rider's colour
    "skirt": (0.2, 0.21, 0.24),   # dark flanks and belly
    "disc": (0.13, 0.13, 0.15),
    "tyre": (0.07, 0.07, 0.08),
    "trim": (0.9, 0.93, 0.96),
    "glass": (0.22, 0.32, 0.48),
    "seat": (0.1, 0.1, 0.12),
}

MAX_VERTICES = 999
MAX_INDICES = 2999
MAX_FACES = 2000
MAX_FACE_CORNERS = 64


# --- vector helpers --------------------------------------------------------------------

def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def length(a):
    return math.sqrt(dot(a, a))


# --- meshes ----------------------------------------------------------------------------

class Mesh:
    """Points and faces of one part, with flat, convex faces only."""

    def __init__(self, name, colour):
        self.name = name
        self.colour = colour
        self.points = []
        self.lookup = {}
        self.faces = []

    def point(self, p):
        key = tuple(round(c, 4) for c in p)
        if key not in self.lookup:
            self.lookup[key] = len(self.points)
            self.points.append(key)
        return self.lookup[key]

    def face(self, corners):
        """Adds a face; drops repeated corners, and splits it into triangles unless flat."""
        ids = []
        for p in corners:
            i = self.point(p)
            if not ids or ids[-1] != i:
                ids.append(i)
        if len(ids) > 1 and ids[0] == ids[-1]:
            ids.pop()
        if len(ids) < 3:
            return
        pts = [self.points[i] for i in ids]
        # Start at a corner whose first three points span a plane (the game takes its
        # face normal from them).
        for start in range(len(ids)):
            a, b, c = (pts[(start + k) % len(pts)] for k in range(3))
            if length(cross(sub(b, a), sub(c, a))) > 1e-6:
                break
        else:
            return
        ids = ids[start:] + ids[:start]
        pts = pts[start:] + pts[:start]
        normal = cross(sub(pts[1], pts[0]), sub(pts[2], pts[0]))
        n = length(normal)
        flat = all(abs(dot(sub(p, pts[0]), normal)) / n < 2e-3 for p in pts[3:])
        if flat and len(ids) <= MAX_FACE_CORNERS:
            self.faces.append(ids)
            return
        for k in range(1, len(ids) - 1):
            tri = [ids[0], ids[k], ids[k + 1]]
            a, b, c = (self.points[i] for i in tri)
            if length(cross(sub(b, a), sub(c, a))) > 1e-6:
                self.faces.append(tri)

    def strip(self, ring_a, ring_b, closed):
        """Quads between two rows of points of equal length."""
        count = len(ring_a)
        last = count if closed else count - 1
        for i in range(last):
            j = (i + 1) % count
            self.face([ring_a[i], ring_a[j], ring_b[j], ring_b[i]])

    def index_count(self):
        return sum(len(f) + 1 for f in self.faces)


def catmull_rom(profile, stations):
    """Resamples a list of (x, values...) rows smoothly at `stations` evenly spaced x."""
    rows = profile
    x0, x1 = rows[0][0], rows[-1][0]
    out = []
    for s in range(stations):
        x = x0 + (x1 - x0) * s / (stations - 1)
        k = 0
        while k < len(rows) - 2 and x > rows[k + 1][0]:
            k += 1
        p0 = rows[max(k - 1, 0)]
        p1 = rows[k]
        p2 = rows[k + 1]
        p3 = rows[min(k + 2, len(rows) - 1)]
        t = (x - p1[0]) / (p2[0] - p1[0])
        values = []
        for c in range(1, len(p1)):
            a, b, cc, d = p0[c], p1[c], p2[c], p3[c]
            values.append(0.5 * ((2 * b) + (-a + cc) * t + (2 * a - 5 * b + 4 * cc - d) * t * t +
                                 (-a + 3 * b - 3 * cc + d) * t * t * t))
        out.append((x,) + tuple(values))
    return out


# --- the body ----------------------------------------------------------------------------

def hull_section(x, top, bottom, half, shoulder, bevel):
    """Corner points of one cross-section, half a section per flank (+z then -z).

    Upper part, from the top centre line over the shoulder to the trim line, and lower
    part from the trim line down the flank, over the bevel to the bottom."""
    top_half = half - SHOULDER_DIR[0] * shoulder
    shoulder_y = top - SHOULDER_DIR[1] * shoulder
    bottom_half = half - BEVEL_DIR[0] * bevel
    bevel_y = bottom + BEVEL_DIR[1] * bevel
    # The line runs 7 below the top, parallel to it, and closes in at the ends.
    mid_y = min(shoulder_y - 0.6, max(bevel_y + 0.6, top - 7.0))
    upper = [(top_half, top), (half, shoulder_y), (half, mid_y + TRIM_HALF_HEIGHT)]
    lower = [(half, mid_y - TRIM_HALF_HEIGHT), (half, bevel_y), (bottom_half, bottom)]
    return upper, lower, mid_y


def build_body():
    hull = Mesh("Hull", COLOURS["hull"])
    skirt = Mesh("Skirt", COLOURS["skirt"])
    trim = Mesh("FlankTrim", COLOURS["trim"])
    rows_upper, rows_lower, trim_rows, lower_caps = [], [], [], []
    for x, top, bottom, half, shoulder, bevel in catmull_rom(HULL_PROFILE, HULL_STATIONS):
        upper, lower, mid_y = hull_section(x, top, bottom, half, shoulder, bevel)
        # One row runs from the left flank over the top to the right flank.
        rows_upper.append([(x, y, -z) for z, y in reversed(upper)] + [(x, y, z) for z, y in upper])
        rows_lower.append([(x, y, z) for z, y in lower] + [(x, y, -z) for z, y in reversed(lower)])
        # The lower end cap reaches up to the upper one, closing the band behind the line.
        capped = [upper[-1]] + lower[1:]
        lower_caps.append([(x, y, z) for z, y in capped] + [(x, y, -z) for z, y in reversed(capped)])
        trim_rows.append((x, mid_y, half))
    for a, b in zip(rows_upper, rows_upper[1:]):
        hull.strip(a, b, closed=False)
    for a, b in zip(rows_lower, rows_lower[1:]):
        skirt.strip(a, b, closed=False)
    # End caps at the tail and the nose: small, since faces along x draw dark.
    for rows, mesh in ((rows_upper, hull), (lower_caps, skirt)):
        mesh.face(rows[0])
        mesh.face(list(reversed(rows[-1])))
    # Flank strips between the upper and lower parts carry the glowing line.
    for side in (1, -1):
        for (xa, ya, ha), (xb, yb, hb) in zip(trim_rows, trim_rows[1:]):
            za, zb = side * (ha + TRIM_OUT), side * (hb + TRIM_OUT)
            trim.face([(xa, ya - TRIM_HALF_HEIGHT, za), (xb, yb - TRIM_HALF_HEIGHT, zb),
                       (xb, yb + TRIM_HALF_HEIGHT, zb), (xa, ya + TRIM_HALF_HEIGHT, za)])
            # The flank behind the line, so no gap shows where the line stands off.
            skirt.face([(xa, ya - TRIM_HALF_HEIGHT, side * ha), (xb, yb - TRIM_HALF_HEIGHT, side * hb),
                        (xb, yb + TRIM_HALF_HEIGHT, side * hb), (xa, ya + TRIM_HALF_HEIGHT, side * ha)])
    return hull, skirt, trim


def hull_top_at(x):
    rows = catmull_rom(HULL_PROFILE, 400)
    best = min(rows, key=lambda r: abs(r[0] - x))
    return best[1]


def build_pod(name, colour, profile, stations, sink):
    """A rounded pod sitting on the hull: the canopy or the seat."""
    mesh = Mesh(name, colour)
    rows = []
    for x, top, half in catmull_rom(profile, stations):
        base = hull_top_at(x) - sink
        top = max(top, base + 0.3)
        shoulder = min(0.8, (top - base) * 0.4)
        top_half = max(half - SHOULDER_DIR[0] * shoulder, 0.2)
        side_y = top - SHOULDER_DIR[1] * shoulder
        section = [(half, base), (half, side_y), (top_half, top)]
        rows.append([(x, y, -z) for z, y in section] + [(x, y, z) for z, y in reversed(section)])
    for a, b in zip(rows, rows[1:]):
        mesh.strip(a, b, closed=False)
    mesh.face(rows[0])
    mesh.face(list(reversed(rows[-1])))
    return mesh


# --- the wheels --------------------------------------------------------------------------

def ring(radius, z, segments, phase=-math.pi / 2):
    """Points round a circle in the xy plane at depth z; the first one at the bottom."""
    return [(radius * math.cos(phase + 2 * math.pi * k / segments),
             radius * math.sin(phase + 2 * math.pi * k / segments), z) for k in range(segments)]


def build_wheel(prefix, centre_x):
    w = TYRE_HALF_WIDTH
    tyre = Mesh(prefix + "Tyre", COLOURS["tyre"])
    disc = Mesh(prefix + "Disc", COLOURS["disc"])
    glow = Mesh(prefix + "Ring", COLOURS["ring"])
    trim = Mesh(prefix + "Hub", COLOURS["trim"])
    n = WHEEL_SEGMENTS
    tyre.strip(ring(WHEEL_RADIUS, -w, n), ring(WHEEL_RADIUS, w, n), closed=True)
    for side in (1, -1):
        z = side * w
        tyre.strip(ring(WHEEL_RADIUS, z, n), ring(RIM_OUTER, z, n), closed=True)
        glow.strip(ring(RIM_OUTER, z, n), ring(RIM_INNER, z, n), closed=True)
        # The disc inside the rim, out to the hub: one ring of quads.
        disc.strip(ring(RIM_INNER, z, n), ring(HUB_RADIUS, z, n), closed=True)
        # The hub cap: a short drum with a flat face.
        cap_z = side * (w + HUB_REACH)
        trim.strip(ring(HUB_RADIUS, z, HUB_SEGMENTS), ring(HUB_RADIUS * 0.8, cap_z, HUB_SEGMENTS),
                   closed=True)
        trim.face(ring(HUB_RADIUS * 0.8, cap_z, HUB_SEGMENTS))
    translation = (centre_x, WHEEL_CENTRE_Y, 0.0)
    return {"glow": (glow, translation), "own": [(m, translation) for m in (tyre, disc, trim)]}


# --- writing -----------------------------------------------------------------------------

def number(v):
    text = ("%.4f" % v).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def write_part(out, mesh, translation):
    if len(mesh.points) > MAX_VERTICES or mesh.index_count() > MAX_INDICES:
        raise SystemExit("%s is too big for the reader" % mesh.name)
    r, g, b = mesh.colour
    out.append("    DEF %s Transform {" % mesh.name)
    if translation != (0.0, 0.0, 0.0):
        out.append("      translation %s" % " ".join(number(c) for c in translation))
    out.append("      children [")
    out.append("        Shape {")
    out.append("          appearance Appearance {")
    out.append("            material Material {")
    out.append("              diffuseColor %s %s %s" % (number(r), number(g), number(b)))
    out.append("              specularColor 0.2 0.2 0.2")
    out.append("              ambientIntensity 0.3")
    out.append("            }")
    out.append("          }")
    out.append("          geometry IndexedFaceSet {")
    out.append("            solid FALSE")
    out.append("            coord DEF %sCoords Coordinate {" % mesh.name)
    out.append("              point [")
    for p in mesh.points:
        out.append("                %s %s %s," % tuple(number(c) for c in p))
    out.append("              ]")
    out.append("            }")
    out.append("            coordIndex [")
    for f in mesh.faces:
        out.append("              %s, -1," % ", ".join(str(i) for i in f))
    out.append("            ]")
    out.append("          }")
    out.append("        }")
    out.append("      ]")
    out.append("    }")


def build():
    hull, skirt, flank_trim = build_body()
    canopy = build_pod("Canopy", COLOURS["glass"], CANOPY_PROFILE, CANOPY_STATIONS, 1.2)
    seat = build_pod("Seat", COLOURS["seat"], SEAT_PROFILE, SEAT_STATIONS, 0.6)
    rear = build_wheel("Rear", REAR_WHEEL_X)
    front = build_wheel("Front", FRONT_WHEEL_X)
    coloured = [(hull, None), rear["glow"], front["glow"]]
    own = rear["own"] + front["own"] + [(skirt, None), (flank_trim, None), (canopy, None),
                                        (seat, None)]
    return coloured, own


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "vask3.wrl")
    coloured, own = build()
    parts = coloured + own
    faces = sum(len(m.faces) for m, _ in parts)
    points = sum(len(m.points) for m, _ in parts)
    if faces > MAX_FACES:
        raise SystemExit("%d faces: the game draws at most %d" % (faces, MAX_FACES))
    out = ["#VRML V2.0 utf8",
           "# Vask light cycle, made by tools/make_cycle_model.py (CC0 1.0).",
           "# Travels along +x; origin at the tail; nose at x = 80; wheels on y = -12.",
           "# %d points, %d faces." % (points, faces),
           "DEF VaskCycle Transform {",
           "  children ["]
    out.append("    # In the rider's colour.")
    for mesh, translation in coloured:
        write_part(out, mesh, translation or (0.0, 0.0, 0.0))
    out.append("#IGNORESHADING")
    out.append("    # Tyres and trim keep their own colours.")
    for mesh, translation in own:
        write_part(out, mesh, translation or (0.0, 0.0, 0.0))
    out.append("#UNIGNORESHADING")
    out.append("  ]")
    out.append("}")
    for line in out:
        if len(line) > 500:
            raise SystemExit("line too long for the reader: " + line[:40])
    with open(target, "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")
    for mesh, _ in parts:
        print("%-12s %4d points %4d faces %5d indices" %
              (mesh.name, len(mesh.points), len(mesh.faces), mesh.index_count()))
    print("total        %4d points %4d faces" % (points, faces))


if __name__ == "__main__":
    main()
