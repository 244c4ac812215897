"""Compares frame FRAME_INDEX (from 0) of each delivered video with the same
frame of the lossless recording they were made from, decoding it as a player
does (by its own colour tags), on the pixels inside 9x9 areas of one colour:
chroma subsampling and the coding of edges do not reach them. Prints each
colour's median and largest difference; exits 1 when a median passes 2
levels, a lossy code's noise touching a few pixels of an area and a wrong
conversion all of them.

usage: check_delivery_colours.py SOURCE FRAME_INDEX DELIVERED...
"""
import subprocess
import sys

WIDTH, HEIGHT, REACH = 1920, 1080, 4


def decode_frame(path, index):
    command = ["ffmpeg", "-v", "error", "-i", path, "-vf",
               f"select=eq(n\\,{index}),scale=in_color_matrix=auto:in_range=auto,format=rgb24",
               "-frames:v", "1", "-f", "rawvideo", "-"]
    data = subprocess.run(command, check=True, capture_output=True).stdout
    if len(data) != WIDTH * HEIGHT * 3:
        sys.exit(f"{path}: frame {index} could not be decoded ({len(data)} bytes)")
    return data


def flat_pixels(original):
    """(offset, colour) of the pixels inside a flat area of a colour."""
    for y in range(REACH, HEIGHT - REACH, 2):
        for x in range(REACH, WIDTH - REACH, 2):
            at = (y * WIDTH + x) * 3
            colour = original[at:at + 3]
            row = colour * (2 * REACH + 1)
            starts = [((y + dy) * WIDTH + x - REACH) * 3 for dy in range(-REACH, REACH + 1)]
            if colour != b"\0\0\0" and all(original[a:a + len(row)] == row for a in starts):
                yield at, tuple(colour)


def main():
    index = int(sys.argv[2])
    flat = list(flat_pixels(decode_frame(sys.argv[1], index)))
    if not flat:
        sys.exit("the frame holds no flat area of a colour to compare")
    passed = True
    for path in sys.argv[3:]:
        result = decode_frame(path, index)
        differences = {}
        for at, colour in flat:
            difference = max(abs(a - b) for a, b in zip(colour, result[at:at + 3]))
            differences.setdefault(colour, []).append(difference)
        for colour, found in sorted(differences.items()):
            found.sort()
            median = found[len(found) // 2]
            print(f"{path} {colour}: {len(found)} pixels, off by {median} (median), {found[-1]} at most")
            passed = passed and median <= 2
    sys.exit(0 if passed else 1)


main()
