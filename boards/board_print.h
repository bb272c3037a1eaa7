// A board drawn to print: a vector PDF at exact scale on A4, A3 or a given paper, with the
// board's parameters and a 100 mm check ruler in the margin.
#pragma once

#include <QByteArray>
#include <string>

#include "boards/board.h"

namespace zirt {

struct PrintOptions {
  double square_mm = 0;        // a ChArUco square's side or an AprilGrid tag's, millimetres
  std::string pdf;             // where the PDF goes
  std::string paper;           // empty: A4 where the board fits on it, A3 otherwise
  double paper_width_mm = 0;   // the paper's shorter and longer side; the board's shape
  double paper_height_mm = 0;  // chooses upright or across
};

// "A4", "A3" or "WIDTHxHEIGHT" millimetres (50 to 2000 each) into `options`.
bool ParsePaper(const std::string& text, PrintOptions& options);

// The PDF's bytes, or empty with `error` saying why (the board does not fit the paper).
QByteArray BoardPdf(const Board& board, const PrintOptions& options, std::string& error);

// Writes the PDF to options.pdf whole or not at all; returns the fault, or empty.
std::string WriteBoardPdf(const Board& board, const PrintOptions& options);

}  // namespace zirt
