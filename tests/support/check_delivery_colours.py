"""Compares one frame of a delivered video with the same frame of the
lossless recording it was made from, on the pixels that lie inside a flat
area of one colour (a 9x9 block of it, so that neither chroma subsampling
nor the coding of edges reaches them), decoding the delivered video as a player does: by its own
colour tags. Prints the median and the largest difference per colour and exits 1
when a median passes the tolerance, or when the frame holds no flat area.

usage: check_delivery_colours.py SOURCE DELIVERED FRAME_INDEX [TOLERANCE]
       (FRAME_INDEX counts from 0; a PNG sequence's first file is 0)
"""
import subprocess
import sys

WIDTH, HEIGHT = 1920, 1080


def decode_frame(path, index):
    # The scale filter converts by the frame's own tags (matrix and range).
    command = ["ffmpeg", "-v", "error", "-i", path, "-vf",
               f"select=eq(n\\,{index}),scale=in_color_matrix=auto:in_range=auto,format=rgb24",
               "-frames:v", "1", "-f", "rawvideo", "-"]
    data = subprocess.run(command, check=True, capture_output=True).stdout
    if len(data) != WIDTH * HEIGHT * 3:
        sys.exit(f"{path}: frame {index} could not be decoded ({len(data)} bytes)")
    return data


def flat_pixels(rgb, step=2, reach=4):
    """(offset, colour) of the pixels whose 9x9 neighbourhood is one colour."""
    for y in range(reach, HEIGHT - reach, step):
        for x in range(reach, WIDTH - reach, step):
            at = (y * WIDTH + x) * 3
            colour = rgb[at:at + 3]
            if colour == b"\0\0\0":
                continue
            width = 2 * reach + 1
            if all(rgb[((y + dy) * WIDTH + x - reach) * 3:((y + dy) * WIDTH + x + reach + 1) * 3] == colour * width
                   for dy in range(-reach, reach + 1)):
                yield at, bytes(colour)


def main():
    source, delivered, index = sys.argv[1], sys.argv[2], int(sys.argv[3])
    tolerance = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    original = decode_frame(source, index)
    result = decode_frame(delivered, index)
    differences = {}
    for at, colour in flat_pixels(original):
        difference = max(abs(a - b) for a, b in zip(colour, result[at:at + 3]))
        differences.setdefault(tuple(colour), []).append(difference)
    if not differences:
        sys.exit("the frame holds no flat area of a colour to compare")
    # The median: a lossy code's noise touches a few pixels of an area, a
    # wrong conversion every one of them.
    passed = True
    for colour, found in sorted(differences.items()):
        found.sort()
        median = found[len(found) // 2]
        print(f"{colour}: {len(found)} pixels, off by {median} (median), {found[-1]} at most")
        passed = passed and median <= tolerance
    sys.exit(0 if passed else 1)


main()
