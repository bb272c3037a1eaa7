// The parsing floor zirt-batch is measured against, one loop for the floor program and the
// benchmark: every line's x and y converted with std::from_chars and summed, checking nothing.
#pragma once

#include <charconv>

// Adds x + y of every point of the text [p, end) to `sum`, point by point; returns the points.
inline long SumFromChars(const char* p, const char* const end, double& sum) {
  long points = 0;
  while (p < end) {
    double x = 0, y = 0;
    p = std::from_chars(p, end, x).ptr;
    while (p < end && (*p == ' ' || *p == ';')) ++p;
    p = std::from_chars(p, end, y).ptr;
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
    sum += x + y;
    ++points;
  }
  return points;
}
