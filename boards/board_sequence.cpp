#include "boards/board_sequence.h"

#include <cmath>

namespace zirt {

BoardSequence AssembleSequence(const std::vector<BoardImage>& images) {
  const std::size_t count = images.empty() ? 0 : images[0].points.size();
  std::vector<bool> image_in(images.size(), true), point_in(count, true);
  const auto seen = [&](std::size_t k, std::size_t n) {
    return std::isfinite(images[k].points[n].x);
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t n = 0; n < count; ++n) {
      int views = 0;
      for (std::size_t k = 0; k < images.size(); ++k) views += image_in[k] && seen(k, n);
      if (point_in[n] && views < 2) point_in[n] = false, changed = true;
    }
    for (std::size_t k = 0; k < images.size(); ++k) {
      int points = 0;
      for (std::size_t n = 0; n < count; ++n) points += point_in[n] && seen(k, n);
      if (image_in[k] && points < kMinBoardPoints) image_in[k] = false, changed = true;
    }
  }
  BoardSequence sequence;
  for (std::size_t n = 0; n < count; ++n)
    if (point_in[n]) sequence.numbers.push_back(static_cast<int>(n));
  for (std::size_t k = 0; k < images.size(); ++k) {
    int points = 0;
    for (std::size_t n = 0; n < count; ++n) points += point_in[n] && seen(k, n);
    sequence.seen.push_back(points);
    if (!image_in[k]) {
      sequence.left_out.push_back(static_cast<int>(k));
      continue;
    }
    sequence.kept.push_back(static_cast<int>(k));
    std::vector<ImagePoint> lines;
    for (const int n : sequence.numbers) lines.push_back(images[k].points[n]);
    sequence.points.push_back(std::move(lines));
  }
  return sequence;
}

}  // namespace zirt
