"""Checks a screenshot of the live piece during its ending: the picture
fills the largest 16:9 rectangle of the area (x, y, w, h), centred, with
black bars around it, and its three full-width stripes lie at the heights
the scale puts them. With --doubled the picture must be the 1920x1080
picture doubled exactly.
usage: check_screenshot.py SHOT.png SCREEN_W SCREEN_H X Y W H [--doubled]"""
import subprocess
import sys

shot, sw, sh, ax, ay, aw, ah = sys.argv[1], *map(int, sys.argv[2:8])
doubled = "--doubled" in sys.argv
raw = subprocess.run(["ffmpeg", "-v", "error", "-i", shot, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                     capture_output=True, check=True).stdout
if len(raw) != sw * sh * 3:
    sys.exit("screenshot is not %dx%d" % (sw, sh))


def px(x, y):
    i = (y * sw + x) * 3
    return raw[i], raw[i + 1], raw[i + 2]


# The 16:9 rectangle, as the program fits it.
if aw * 1080 <= ah * 1920:
    rw, rh = aw, (aw * 1080 + 960) // 1920
else:
    rw, rh = (ah * 1920 + 540) // 1080, ah
rx, ry = ax + (aw - rw) // 2, ay + (ah - rh) // 2
s = rw / 1920.0
problems = []
for y in range(ay, ay + ah, 3):
    for x in range(ax, ax + aw, 3):
        if not (rx <= x < rx + rw and ry <= y < ry + rh) and px(x, y) != (0, 0, 0):
            problems.append("bar pixel (%d,%d) is %s" % (x, y, px(x, y)))
            break
    if problems:
        break
# Green, blue and red stripes at picture rows 518, 538 and 558 (4 rows each).
for top, channel in ((518, 1), (538, 2), (558, 0)):
    y = ry + int((top + 2) * s)
    lit = [px(x, y)[channel] > 100 for x in range(rx, rx + rw)]
    # The marker (13.5 picture pixels, red, green or blue) runs along the
    # blue stripe: its one short, bright run is no gap.
    gap = [i for i, on in enumerate(lit) if not on]
    marker = top == 538 and gap and gap[-1] - gap[0] < 14 * s + 2 and all(max(px(rx + i, y)) > 100 for i in gap)
    if gap and not marker:
        problems.append("stripe at picture row %d: %d of %d pixels lit on screen row %d" % (top, sum(lit), rw, y))
    for x in (rx - 1, rx + rw):
        if ax <= x < ax + aw and px(x, y) != (0, 0, 0):
            problems.append("stripe at row %d reaches past the picture at x %d" % (top, x))
if doubled:
    for y in range(ry, ry + rh, 2):
        # A row pair of whole blocks passes at once; otherwise the first
        # block that is not one picture pixel is named.
        row = raw[(y * sw + rx) * 3:(y * sw + rx + rw) * 3]
        below = raw[((y + 1) * sw + rx) * 3:((y + 1) * sw + rx + rw) * 3]
        if row == below and all(row[c::6] == row[c + 3::6] for c in range(3)):
            continue
        for x in range(rx, rx + rw, 2):
            p = px(x, y)
            if px(x + 1, y) != p or px(x, y + 1) != p or px(x + 1, y + 1) != p:
                problems.append("block (%d,%d) is not one picture pixel" % (x, y))
                break
        if len(problems) > 3:
            break
if problems:
    sys.exit("; ".join(problems[:4]))
