#!/usr/bin/env python3
"""Checks grabs of a compositor's output showing the demo full screen.

The output may be larger than the demo's 1024x768 and is then filled by a
stretched picture, scaled by the compositor or drawn at the output's size,
so that lines may be smoothed: colours are judged by ranges, not by value.
Grabs are binary PPM files.
  output_check.py frame GRAB [X Y]   opaque, filling the output; with X Y,
                                     no cursor drawn at the pointer there
  output_check.py raised A B         the detail's value changed from A to B
  output_check.py desktop GRAB       no window: the desktop's colour shows
Exits 0 when the check holds, 1 with the reasons otherwise.
"""
import sys


def load(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields, i = [], 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    assert fields[0] == b'P6' and fields[3] == b'255', 'expected an 8-bit binary PPM'
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[i + 1:i + 1 + width * height * 3]


def channel_range(channel, low, high):
    """One byte per pixel, 1 where low <= value <= high, as an integer."""
    table = bytes(1 if low <= v <= high else 0 for v in range(256))
    return int.from_bytes(channel.translate(table), 'big')


def mask(image, red, green, blue):
    """Pixels whose channels all lie in their (low, high) ranges: a list of (x, y)."""
    width, _, data = image
    bits = (channel_range(data[0::3], *red) & channel_range(data[1::3], *green)
            & channel_range(data[2::3], *blue))
    flags = bits.to_bytes(len(data) // 3, 'big')
    found, at = [], flags.find(1)
    while at != -1:
        found.append((at % width, at // width))
        at = flags.find(1, at + 1)
    return found


def black_pixels(image):
    _, _, data = image
    return len(data) // 3 - bin(channel_range(data[0::3], 1, 255) | channel_range(data[1::3], 1, 255)
                                | channel_range(data[2::3], 1, 255)).count('1')


def check_desktop(path):
    # The desktops are coloured: a grab that is mostly black still shows a
    # window, perhaps one whose program has already ended.
    image = load(path)
    black = black_pixels(image)
    return [f'{100 * black / (image[0] * image[1]):.0f}% of the output is black'] if black > 0.15 * image[0] * image[1] else []


def check_frame(path, pointer):
    image = load(path)
    width, height, data = image
    problems = []
    # Opaque: the cleared frame is black wherever the scene is not. A window
    # the desktop shows through is not.
    black = black_pixels(image)
    if black < 0.85 * width * height:
        problems.append(f'only {100 * black / (width * height):.0f}% of the output is black')
    # Full screen: the help text at the top of the output...
    top = int(0.08 * height)
    ink = [p for p in mask(image, (96, 255), (96, 255), (96, 255)) if p[1] < top]
    if len(ink) < 300:
        problems.append(f'{len(ink)} pixels of help text in the top {top} rows')
    # ... and the axes' origin at its centre: the green axis rises from it.
    # The bolt covers the axis's lowest pixels until it wanders off.
    green = mask(image, (0, 60), (110, 255), (0, 60))
    if len(green) < 50:
        problems.append(f'the green axis has {len(green)} pixels')
    else:
        x, y = max(green, key=lambda p: p[1])
        distance = ((x - width / 2) ** 2 + (y - height / 2) ** 2) ** 0.5
        if distance > 60:
            problems.append(f"the green axis's foot is at {x},{y}, {distance:.0f} px from the centre")
    if pointer:
        px, py = pointer
        drawn = [(x, y) for y in range(max(py - 4, 0), min(py + 32, height))
                 for x in range(max(px - 4, 0), min(px + 32, width))
                 if data[3 * (y * width + x):3 * (y * width + x) + 3] != b'\0\0\0']
        if drawn:
            problems.append(f'a cursor is drawn at the pointer ({px},{py}): {len(drawn)} pixels, '
                            f'first {drawn[0]}')
    return problems


def check_raised(path_a, path_b):
    # The sixth line of help holds the detail's value, right of the others'
    # labels: rows 80 to 96 and columns 560 to 700 of the 1024 x 768 picture.
    a, b = load(path_a), load(path_b)
    width, height, _ = a
    rows = range(80 * height // 768, 96 * height // 768)
    columns = range(560 * width // 1024, 700 * width // 1024)

    def grey(image, x, y):
        k = 3 * (y * width + x)
        return image[2][k] == image[2][k + 1] == image[2][k + 2]

    changed = sum(1 for y in rows for x in columns
                  if a[2][3 * (y * width + x):3 * (y * width + x) + 3]
                  != b[2][3 * (y * width + x):3 * (y * width + x) + 3]
                  and grey(a, x, y) and grey(b, x, y))
    return [] if changed >= 20 else [f'the value of the detail did not change ({changed} pixels)']


def main(argv):
    if len(argv) in (3, 5) and argv[1] == 'frame':
        problems = check_frame(argv[2], (int(argv[3]), int(argv[4])) if len(argv) == 5 else None)
    elif len(argv) == 3 and argv[1] == 'desktop':
        problems = check_desktop(argv[2])
    elif len(argv) == 4 and argv[1] == 'raised':
        problems = check_raised(argv[2], argv[3])
    else:
        print(__doc__)
        return 2
    for problem in problems:
        print('FAIL:', problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
