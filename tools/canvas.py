"""A tiny float RGB canvas that draws anti-aliased shapes from signed distances.

Every shape is a function of the pixel centre: it returns None (nothing there) or
(r, g, b, alpha). Edges are smoothed by turning the signed distance to the outline
(negative inside, in pixels) into a coverage between 0 and 1, which gives round lamps
without jagged steps and without drawing at a larger size first. Pure Python float
maths only, so the same input always gives the same pixels.

Shapes are given in design units. A canvas made with scale k has k pixels per unit, so the
same drawing gives the picture for k times the display scale; at scale 1 units are pixels.
"""

import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def coverage(dist):
    """Share of a pixel covered by a shape whose outline is `dist` pixels away."""
    return clamp(0.5 - dist)


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    """Linear blend of two colours, t=0 gives a, t=1 gives b."""
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_round_rect(x, y, x0, y0, x1, y1, rad):
    """Signed distance to the rectangle [x0,x1]x[y0,y1] with corners rounded by rad."""
    cx, cy = (x0 + x1) * 0.5, (y0 + y1) * 0.5
    hx, hy = (x1 - x0) * 0.5 - rad, (y1 - y0) * 0.5 - rad
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - rad


def sd_ellipse_approx(x, y, cx, cy, rx, ry, angle=0.0):
    """Approximate signed distance to a (rotated) ellipse; good enough for soft glints."""
    ca, sa = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u = (dx * ca + dy * sa) / rx
    v = (-dx * sa + dy * ca) / ry
    return (math.hypot(u, v) - 1.0) * min(rx, ry)


class Canvas:
    def __init__(self, width, height, colour, scale=1):
        """A canvas of width x height design units, drawn at scale pixels per unit."""
        self.scale = scale
        self.width = int(round(width * scale))
        self.height = int(round(height * scale))
        self.pixels = [list(colour) for _ in range(self.width * self.height)]

    def paint(self, fn, bbox=None):
        """Blend fn(x, y) -> None | (r, g, b, a) over every pixel of bbox (x0, y0, x1, y1);
        fn and bbox are in design units."""
        k = self.scale
        if bbox is None:
            x0, y0, x1, y1 = 0, 0, self.width, self.height
        else:
            x0 = max(0, int(math.floor(bbox[0] * k)))
            y0 = max(0, int(math.floor(bbox[1] * k)))
            x1 = min(self.width, int(math.ceil(bbox[2] * k)) + 1)
            y1 = min(self.height, int(math.ceil(bbox[3] * k)) + 1)
        for py in range(y0, y1):
            row = py * self.width
            for px in range(x0, x1):
                res = fn((px + 0.5) / k, (py + 0.5) / k)
                if res is None:
                    continue
                r, g, b, a = res
                if a <= 0.0:
                    continue
                p = self.pixels[row + px]
                if a >= 1.0:
                    p[0], p[1], p[2] = r, g, b
                else:
                    p[0] += (r - p[0]) * a
                    p[1] += (g - p[1]) * a
                    p[2] += (b - p[2]) * a

    def shape(self, sdf, shader, bbox, opacity=1.0):
        """Fill the shape given by signed distance sdf(x, y) with shader(x, y) -> colour."""

        k = self.scale

        def fn(x, y):
            a = coverage(sdf(x, y) * k) * opacity
            if a <= 0.0:
                return None
            c = shader(x, y)
            return (c[0], c[1], c[2], a)

        self.paint(fn, bbox)

    def blend_mask(self, mask, colour, x0=0, y0=0):
        """Blend a flat colour through an 8-bit mask (rows of 0..255), e.g. rendered text;
        x0 and y0 are in pixels."""
        for my, mrow in enumerate(mask):
            py = y0 + my
            if not 0 <= py < self.height:
                continue
            for mx, m in enumerate(mrow):
                px = x0 + mx
                if m == 0 or not 0 <= px < self.width:
                    continue
                a = m / 255.0
                p = self.pixels[py * self.width + px]
                p[0] += (colour[0] - p[0]) * a
                p[1] += (colour[1] - p[1]) * a
                p[2] += (colour[2] - p[2]) * a

    def to_rgb(self):
        """Rounded 8-bit colours, row by row from the top."""
        out = []
        for p in self.pixels:
            out.append(tuple(int(math.floor(clamp(c, 0.0, 255.0) + 0.5)) for c in p))
        return out
