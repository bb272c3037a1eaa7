#!/usr/bin/python3
"""The principal point computation as a NumPy user would write it for many points: one
loadtxt per file, the per-track sums over the image axis as array operations, and one polyfit
of the intercepts on the slopes. No Python loop per point.

Usage: principal_point_numpy_vectorised.py FILE.crd FILE.crd ...   (files with a point separator)
"""
import sys

import numpy as np


def main(paths):
    points = np.stack([np.loadtxt(path, delimiter=";") for path in paths])  # images × tracks × 2
    xs, ys = points[:, :, 0], points[:, :, 1]
    n = len(paths)
    sx, sy = xs.sum(axis=0), ys.sum(axis=0)
    sxy, sxx = (xs * ys).sum(axis=0), (xs * xs).sum(axis=0)
    slopes = (n * sxy - sx * sy) / (n * sxx - sx * sx)
    intercepts = (sy - slopes * sx) / n
    # b = y0 - x0 * a for every line through (x0, y0).
    minus_x0, y0 = np.polyfit(slopes, intercepts, 1)
    x0 = -minus_x0
    distances = (slopes * x0 - y0 + intercepts) / np.sqrt(slopes * slopes + 1)
    lines = len(distances)
    mean = distances.sum() / (lines - 1)
    deviation = np.sqrt(((distances - mean) ** 2).sum() / (lines - 1))
    print()
    print(f"x0(пикс.) = {x0:.4f}")
    print(f"y0(пикс.) = {y0:.4f}")
    print()
    print(f"Средняя ошибка = {abs(mean):.4f}")
    print(f"СКО = {deviation:.4f}")


if __name__ == "__main__":
    main(sys.argv[1:])
