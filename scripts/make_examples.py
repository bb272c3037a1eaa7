#!/usr/bin/env python3
"""Writes examples/: a zoom sequence of four images of one camera, 1024 x 768 pixels.

A dozen reference points are measured on each image. Zooming moves every point away from
the principal point (500.0, 380.0) along a straight line; the measurements carry a little
noise of about a tenth of a pixel, so the lines nearly, but not exactly, meet there.
"""
import pathlib
import random

PRINCIPAL = (500.0, 380.0)
SCALES = (1.0, 1.15, 1.32, 1.52)
POINTS = [(180.0, 120.0), (330.0, 95.0), (640.0, 110.0), (810.0, 160.0), (860.0, 330.0),
          (790.0, 520.0), (650.0, 610.0), (420.0, 640.0), (210.0, 580.0), (140.0, 400.0),
          (300.0, 260.0), (700.0, 250.0)]

def main():
    rng = random.Random(20261207)
    out = pathlib.Path(__file__).resolve().parent.parent / "examples"
    out.mkdir(exist_ok=True)
    for k, scale in enumerate(SCALES, start=1):
        lines = []
        for px, py in POINTS:
            # Zooming about the principal point: the nearest points stay in the frame.
            s = 0.55 + 0.45 * scale
            x = PRINCIPAL[0] + (px - PRINCIPAL[0]) * s + rng.gauss(0, 0.1)
            y = PRINCIPAL[1] + (py - PRINCIPAL[1]) * s + rng.gauss(0, 0.1)
            lines.append(f"{x:.2f} ; {y:.2f}")
        (out / f"zoom{k}.crd").write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))

if __name__ == "__main__":
    main()
