#!/usr/bin/env python3
"""Writes the seed corpus of bitmap files into tests/imaging/corpus/.

The name says what the decoder must do with a file: "decodes-" files give an
image, "refused-" files give none; "crash-" files (inputs the fuzzer once
failed on, if any) only need to pass without a fault. The replay test and the
fuzzer both read the folder. Run from anywhere: python3 make_corpus.py
"""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def bmp(width, height, bits=24, compression=0, header_size=40, planes=1,
        signature=b"BM", pixel_offset=54, pixels=b""):
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, planes, bits,
                       compression, len(pixels), 2835, 2835, 0, 0)
    head = signature + struct.pack("<IHHI", 54 + len(pixels), 0, 0, pixel_offset)
    return head + info + pixels


def rows24(width, height):
    stride = (3 * width + 3) // 4 * 4
    out = bytearray()
    for r in range(height):
        row = bytes((r * 31 + i * 7) % 251 for i in range(3 * width))
        out += row + b"\xee" * (stride - len(row))
    return bytes(out)


def rows32(width, height):
    return bytes((i * 13) % 256 for i in range(4 * width * height))


FILES = {
    "decodes-2x2-24bit.bmp": bmp(2, 2, pixels=rows24(2, 2)),
    "decodes-1x3-24bit.bmp": bmp(1, 3, pixels=rows24(1, 3)),
    "decodes-5x4-24bit.bmp": bmp(5, 4, pixels=rows24(5, 4)),
    "decodes-4x2-24bit.bmp": bmp(4, 2, pixels=rows24(4, 2)),
    "decodes-3x2-32bit.bmp": bmp(3, 2, bits=32, pixels=rows32(3, 2)),
    # An offset beyond the file: the rows follow the headers.
    "decodes-offset-1078.bmp": bmp(2, 2, pixel_offset=1078, pixels=rows24(2, 2)),
    # A colour table's worth of gap before the rows.
    "decodes-offset-gap.bmp": bmp(2, 2, pixel_offset=54 + 16, pixels=bytes(16) + rows24(2, 2)),
    "decodes-negative-height.bmp": bmp(3, -2, pixels=rows24(3, 2)),
    "decodes-negative-width.bmp": bmp(-3, 2, pixels=rows24(3, 2)),
    "refused-rows-cut-short.bmp": bmp(6, 6, pixels=rows24(6, 6)[:40]),
    "refused-headers-only.bmp": bmp(8, 8),
    "refused-cut-in-info-header.bmp": bmp(2, 2, pixels=rows24(2, 2))[:30],
    "refused-cut-in-file-header.bmp": bmp(2, 2)[:9],
    "refused-signature.bmp": bmp(2, 2, signature=b"MB", pixels=rows24(2, 2)),
    "refused-v5-header.bmp": bmp(2, 2, header_size=124, pixels=rows24(2, 2)),
    "refused-core-header.bmp": bmp(2, 2, header_size=12, pixels=rows24(2, 2)),
    "refused-two-planes.bmp": bmp(2, 2, planes=2, pixels=rows24(2, 2)),
    "refused-16bit.bmp": bmp(2, 2, bits=16, pixels=bytes(8)),
    "refused-bitfields.bmp": bmp(2, 2, bits=32, compression=3, pixels=rows32(2, 2)),
    "refused-8bit-palette.bmp": bmp(4, 4, bits=8, pixels=bytes(64) + bytes(range(16))),
    "refused-1bit.bmp": bmp(8, 2, bits=1, pixels=bytes(8) + b"\xaa\x00\x00\x00\x55\x00\x00\x00"),
    "refused-rle8.bmp": bmp(4, 2, bits=8, compression=1, pixels=b"\x04\x01\x00\x00\x04\x02\x00\x01"),
    "refused-rle4.bmp": bmp(4, 2, bits=4, compression=2, pixels=b"\x04\x12\x00\x00\x04\x34\x00\x01"),
    "refused-wraps-32bit-size.bmp": bmp(65536, 65536, pixels=rows24(2, 2)),
    "refused-over-32bit-size.bmp": bmp(715827883, 1, pixels=rows24(2, 2)),
    "refused-huge-negative.bmp": bmp(-65536, -65536, bits=32, pixels=rows32(2, 2)),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    print(f"{len(FILES)} files in {HERE}")
