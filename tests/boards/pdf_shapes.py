#!/usr/bin/env python3
"""The sizes of a board PDF's shapes read back from its vector data, in millimetres.

pdf_shapes.py FILE SIDE_MM COUNT checks that at least COUNT filled rectangles are SIDE_MM
square (the board's squares or its AprilGrid corner squares) and that none of them is
between 80% and 120% of that size without being within 0.1 mm of it, and that a 100 mm
straight line (the check ruler) is drawn. Prints what it found; exits 1 on a failure."""
import re
import sys
import zlib

MM_PER_POINT = 25.4 / 72


def streams(data):
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        try:
            yield zlib.decompress(match.group(1))
        except zlib.error:
            pass  # not a Flate stream (or a font program that is not content)


def multiply(a, b):  # PDF matrices [a b c d e f], row vectors: a then b
    return [a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3],
            a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3],
            a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]]


def apply(m, x, y):
    return m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]


def shapes(content):
    ctm, stack, numbers = [1, 0, 0, 1, 0, 0], [], []
    rects, lines, start = [], [], None
    for token in content.split():
        try:
            numbers.append(float(token))
            continue
        except ValueError:
            pass
        op = token.decode("latin-1")
        if op == "q":
            stack.append(ctm)
        elif op == "Q" and stack:
            ctm = stack.pop()
        elif op == "cm" and len(numbers) >= 6:
            ctm = multiply(numbers[-6:], ctm)
        elif op == "re" and len(numbers) >= 4:
            x, y, w, h = numbers[-4:]
            (x0, y0), (x1, y1) = apply(ctm, x, y), apply(ctm, x + w, y + h)
            rects.append((abs(x1 - x0) * MM_PER_POINT, abs(y1 - y0) * MM_PER_POINT))
        elif op == "m" and len(numbers) >= 2:
            start = apply(ctm, *numbers[-2:])
        elif op == "l" and len(numbers) >= 2 and start:
            end = apply(ctm, *numbers[-2:])
            lines.append(((end[0] - start[0]) ** 2 + (end[1] - start[1]) ** 2) ** 0.5
                         * MM_PER_POINT)
        numbers = []
    return rects, lines


def main():
    path, side, count = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
    rects, lines = [], []
    for content in streams(open(path, "rb").read()):
        r, l = shapes(content)
        rects += r
        lines += l
    squares = [r for r in rects if abs(r[0] - side) <= 0.1 and abs(r[1] - side) <= 0.1]
    near = [r for r in rects if 0.8 * side < r[0] < 1.2 * side and 0.8 * side < r[1] < 1.2 * side
            and r not in squares]
    ruler = [l for l in lines if abs(l - 100) <= 0.1]
    worst = max((max(abs(r[0] - side), abs(r[1] - side)) for r in squares), default=None)
    print(f"{len(squares)} squares of {side} mm (worst {worst} mm off), {len(near)} near it "
          f"but off, {len(ruler)} lines of 100 mm")
    sys.exit(0 if len(squares) >= count and not near and ruler else 1)


main()
