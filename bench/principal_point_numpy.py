#!/usr/bin/python3
"""The principal point computation as a NumPy user would write it, for comparison.

Usage: principal_point_numpy.py FILE.crd FILE.crd ...   (files with a point separator)
"""
import sys

import numpy as np


def main(paths):
    images = [np.loadtxt(path, delimiter=";") for path in paths]
    xs = np.stack([image[:, 0] for image in images])  # images × reference points
    ys = np.stack([image[:, 1] for image in images])
    slopes = np.empty(xs.shape[1])
    intercepts = np.empty(xs.shape[1])
    for i in range(xs.shape[1]):
        slopes[i], intercepts[i] = np.polyfit(xs[:, i], ys[:, i], 1)
    # b_i = y0 - x0 * a_i for every line: least squares in (x0, y0).
    design = np.column_stack([-slopes, np.ones_like(slopes)])
    (x0, y0), *_ = np.linalg.lstsq(design, intercepts, rcond=None)
    distances = (slopes * x0 - y0 + intercepts) / np.sqrt(slopes * slopes + 1)
    n = len(distances)
    mean = distances.sum() / (n - 1)
    deviation = np.sqrt(((distances - mean) ** 2).sum() / (n - 1))
    print()
    print(f"x0(пикс.) = {x0:.4f}")
    print(f"y0(пикс.) = {y0:.4f}")
    print()
    print(f"Средняя ошибка = {abs(mean):.4f}")
    print(f"СКО = {deviation:.4f}")


if __name__ == "__main__":
    main(sys.argv[1:])
