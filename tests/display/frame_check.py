#!/usr/bin/env python3
"""Checks screen grabs of the demo as a person would look at them.

Grabs are binary PPM files (ImageMagick: convert grab.png grab.ppm).
  frame_check.py initial GRAB       the first frame's scene
  frame_check.py same A B           two grabs are identical
  frame_check.py differ A B         two grabs differ in the bolt
  frame_check.py overlay GRAB       the help text in its band, nothing below
  frame_check.py changed A B LINE   of the help text, only LINE's value differs
  frame_check.py blank_band GRAB    no help text: the band left of the scene is black
  frame_check.py band_same A B      the help text reads the same in both grabs
  frame_check.py still A B          the axes have not moved between the grabs
  frame_check.py twin GRAB LINE     LINE's value begins with two equal digits (11, 22, ...)
Exits 0 when the check holds, 1 with the reasons otherwise.
"""
import sys

BLACK = (0, 0, 0)
RED = (255, 0, 0)
GREEN = (0, 255, 0)
BLUE = (0, 0, 255)
BOLT = (255, 230, 255)  # (1.0, 0.9, 1.0)
CENTRE = (512, 384)


def load(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields = []
    i = 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b'#':
            while data[i:i + 1] not in (b'\n', b''):
                i += 1
            continue
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    assert fields[0] == b'P6' and fields[3] == b'255', 'expected an 8-bit binary PPM'
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[i + 1:i + 1 + width * height * 3]


def pixels_of(image, colour):
    width, height, data = image
    found = []
    target = bytes(colour)
    start = data.find(target)
    while start != -1:
        if start % 3 == 0:
            index = start // 3
            found.append((index % width, index // width))
        start = data.find(target, start + 1)
    return found


def check_initial(path):
    image = load(path)
    width, height, data = image
    problems = []
    if (width, height) != (1024, 768):
        problems.append(f'screen is {width}x{height}, not 1024x768')
    black = sum(1 for k in range(0, len(data), 3) if data[k:k + 3] == b'\0\0\0')
    if black < 0.9 * width * height:
        problems.append(f'only {black} of {width * height} pixels are black')

    green = pixels_of(image, GREEN)
    if len(green) < 100:
        problems.append(f'green axis has {len(green)} pixels')
    else:
        xs = [x for x, _ in green]
        ys = [y for _, y in green]
        if max(xs) - min(xs) > 3 or abs(min(xs) - CENTRE[0]) > 10:
            problems.append(f'green axis is not vertical at the centre: x {min(xs)}..{max(xs)}')
        # The bolt starts at the origin and covers the axis's lowest pixels
        # until it wanders off: the green may begin a little above the centre.
        if max(ys) > CENTRE[1] + 15 or max(ys) < CENTRE[1] - 60 or min(ys) > CENTRE[1] - 150:
            problems.append(f'green axis does not rise from the centre: y {min(ys)}..{max(ys)}')

    for name, colour, right in (('red', RED, True), ('blue', BLUE, False)):
        found = pixels_of(image, colour)
        if len(found) < 100:
            problems.append(f'{name} axis has {len(found)} pixels')
            continue
        on_side = sum(1 for x, y in found
                      if (x > CENTRE[0]) == right and y >= CENTRE[1] - 2)
        if on_side < 0.95 * len(found):
            side = 'right' if right else 'left'
            problems.append(f'{name} axis does not go down to the {side}: {on_side} of {len(found)}')

    bolt = pixels_of(image, BOLT)
    if len(bolt) < 100:
        problems.append(f'bolt has {len(bolt)} pixels')
    else:
        near = sum(1 for x, y in bolt if abs(x - CENTRE[0]) < 150 and 80 < y < CENTRE[1] + 20)
        if near < 0.95 * len(bolt):
            problems.append(f'bolt is not along the green axis: {near} of {len(bolt)} pixels near it')
    return problems


BAND_ROWS = 96  # six lines of 16 pixels
VALUE_COLUMN = 35 * 16  # where the values of lines 4 to 6 begin


def is_ink(pixel):
    # White glyphs, modulated and blended: grey levels, equal channels.
    return pixel[0] == pixel[1] == pixel[2] and pixel[0] >= 64


def pixel(image, x, y):
    width, _, data = image
    k = (y * width + x) * 3
    return tuple(data[k:k + 3])


def check_overlay(path):
    image = load(path)
    problems = []
    for line in range(6):
        ink = sum(1 for y in range(line * 16, line * 16 + 16) for x in range(0, 600)
                  if is_ink(pixel(image, x, y)))
        if ink < 40:
            problems.append(f'line {line + 1} of the help has {ink} pixels of ink')
    # The left edge below the band is away from the scene: nothing there.
    stray = [(x, y) for y in range(BAND_ROWS, 768) for x in range(0, 200)
             if pixel(image, x, y) != BLACK]
    if stray:
        problems.append(f'{len(stray)} pixels below the help at the left edge, first {stray[0]}')
    return problems


def is_grey(p):
    return p[0] == p[1] == p[2]


def check_changed(path_a, path_b, line):
    # A held key acts once a frame, so the faster the frames, the further
    # it moves the scene; the bolt may then reach into the band. Text is
    # grey on black: pixels with colour in either grab are the scene's, and
    # so are those within two pixels of them, where text blended over the
    # bolt can round to grey.
    a, b = load(path_a), load(path_b)
    scene = {(x + dx, y + dy) for y in range(BAND_ROWS) for x in range(0, 1024)
             if not (is_grey(pixel(a, x, y)) and is_grey(pixel(b, x, y)))
             for dx in range(-2, 3) for dy in range(-2, 3)}
    changed = [(x, y) for y in range(BAND_ROWS) for x in range(0, 1024)
               if pixel(a, x, y) != pixel(b, x, y) and (x, y) not in scene]
    top = (line - 1) * 16
    outside = [(x, y) for x, y in changed
               if not (top <= y < top + 16 and x >= VALUE_COLUMN)]
    problems = []
    if not changed:
        problems.append(f'the value of line {line} did not change')
    if outside:
        problems.append(f'{len(outside)} pixels of the help changed outside line {line}\'s value, '
                        f'first {outside[0]}')
    return problems


SCENE_LEFT = CENTRE[0] - 150  # the first frame's scene lies right of this
TEXT_RIGHT = 700  # beyond the longest line with two-digit values


def check_blank_band(path):
    # Without a font nothing may be drawn in the band, not even blank glyph
    # boxes: the left part of it is away from the scene and must be black.
    image = load(path)
    drawn = [(x, y) for y in range(BAND_ROWS) for x in range(SCENE_LEFT)
             if pixel(image, x, y) != BLACK]
    if drawn:
        return [f'{len(drawn)} pixels drawn in the help band left of the scene, first {drawn[0]} '
                f'= {pixel(image, *drawn[0])}']
    return []


def check_band_same(path_a, path_b):
    # The scene may reach into the band once it is turned; text is grey on
    # black, so pixels with colour in either grab are the scene's and are
    # left out.
    a, b = load(path_a), load(path_b)
    differ = []
    ink = 0
    for y in range(BAND_ROWS):
        for x in range(TEXT_RIGHT):
            pa, pb = pixel(a, x, y), pixel(b, x, y)
            if not (is_grey(pa) and is_grey(pb)):
                continue
            ink += is_ink(pa)
            if pa != pb:
                differ.append((x, y))
    problems = []
    if ink < 200:
        problems.append(f'the band holds only {ink} pixels of ink: no help text to compare')
    if differ:
        problems.append(f'{len(differ)} pixels of the help text differ, first {differ[0]}')
    return problems


def check_still(path_a, path_b):
    # A live bolt is drawn over the axes and hides different pixels of them
    # in each grab; any other difference means the scene turned.
    a, b = load(path_a), load(path_b)
    bolt_a, bolt_b = set(pixels_of(a, BOLT)), set(pixels_of(b, BOLT))
    problems = []
    for name, colour in (('red', RED), ('green', GREEN), ('blue', BLUE)):
        in_a, in_b = set(pixels_of(a, colour)), set(pixels_of(b, colour))
        moved = (in_a - in_b - bolt_b) | (in_b - in_a - bolt_a)
        if not in_a or moved:
            problems.append(f'the {name} axis moved: {len(moved)} of {len(in_a)} pixels')
    return problems


def check_twin(path, line):
    # The font is monospaced, one 16-pixel cell a character: "11" shows the
    # same glyph in the value's first two cells, "10" or "9" does not.
    image = load(path)
    top = (line - 1) * 16
    cells = [[pixel(image, VALUE_COLUMN + 16 * c + x, top + y) for y in range(16) for x in range(16)]
             for c in (0, 1)]
    ink = sum(1 for p in cells[0] if is_ink(p))
    if ink < 10:
        return [f'line {line} has no value where it should begin']
    if cells[0] != cells[1]:
        return [f'the first two digits of line {line}\'s value differ']
    return []


def main(argv):
    if len(argv) == 3 and argv[1] == 'initial':
        problems = check_initial(argv[2])
    elif len(argv) == 3 and argv[1] == 'overlay':
        problems = check_overlay(argv[2])
    elif len(argv) == 3 and argv[1] == 'blank_band':
        problems = check_blank_band(argv[2])
    elif len(argv) == 4 and argv[1] == 'band_same':
        problems = check_band_same(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == 'still':
        problems = check_still(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == 'twin':
        problems = check_twin(argv[2], int(argv[3]))
    elif len(argv) == 5 and argv[1] == 'changed':
        problems = check_changed(argv[2], argv[3], int(argv[4]))
    elif len(argv) == 4 and argv[1] in ('same', 'differ'):
        a, b = load(argv[2]), load(argv[3])
        identical = a == b
        bolt_a, bolt_b = pixels_of(a, BOLT), pixels_of(b, BOLT)
        problems = []
        if not bolt_a or not bolt_b:
            problems.append('a grab shows no bolt')
        if argv[1] == 'same' and not identical:
            problems.append('the grabs differ')
        if argv[1] == 'differ' and bolt_a == bolt_b:
            problems.append('the bolt is the same in both grabs')
    else:
        print(__doc__)
        return 2
    for problem in problems:
        print('FAIL:', problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
