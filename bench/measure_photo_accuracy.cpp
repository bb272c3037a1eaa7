// Detection and principal point accuracy of measuring on real photographs: zoom sequences made
// from tests/data/photos (enlarged 3×, zoomed digitally about a known centre, noise, JPEG 90).
//   zirt_measure_photo_accuracy [SEQUENCES_PER_PHOTO] [SEED] [PHOTO...]
// For each finder: sequences measured, refused, the refined point's error (median, 95th
// percentile, largest) and the time per image; then which road found the boards.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <opencv2/calib3d.hpp>
#include <string>

#include "diagnostics/diagnostics.h"
#include "measure/chessboard.h"
#include "measure/pattern.h"
#include "measure/point_order.h"
#include "measure/zoom_check.h"
#include "tests/support/photo_zoom.h"

namespace {

using zirt::ImagePoint;

struct Tally {
  int measured = 0, refused = 0, not_found = 0;
  std::vector<double> errors;
  double seconds = 0;
  int images = 0;
};

double Percentile(std::vector<double> e, double q) {
  if (e.empty()) return NAN;
  std::sort(e.begin(), e.end());
  return e[std::min(e.size() - 1, static_cast<std::size_t>(q * e.size()))];
}

// One road of the program's finder alone.
std::optional<std::vector<ImagePoint>> FindByRoad(const cv::Mat& grey, int road) {
  const zirt::ChessboardFinding finding = zirt::FindChessboard(grey, {9, 6}, road);
  if (finding.corners.empty()) return std::nullopt;
  std::vector<ImagePoint> points;
  for (const auto& p : finding.corners) points.push_back({p.x, p.y});
  return points;
}

// The single accurate call of OpenCV's sector-based finder, for comparison.
std::optional<std::vector<ImagePoint>> FindSbAccuracy(const cv::Mat& grey,
                                                      const zirt::Pattern& pattern) {
  std::vector<cv::Point2f> found;
  if (!cv::findChessboardCornersSB(grey, {pattern.cols, pattern.rows}, found,
                                   cv::CALIB_CB_ACCURACY | cv::CALIB_CB_EXHAUSTIVE))
    return std::nullopt;
  std::vector<ImagePoint> points;
  for (const auto& p : found) points.push_back({p.x, p.y});
  return points;
}

// A zoom sequence made from a photograph.
struct Sample {
  const std::string& photo;
  int sequence;  // its number among the photograph's
  zirt::test::PhotoZoom zoom;
  std::vector<cv::Mat> images;
};

// What the finders came to over the sequences.
struct Figures {
  std::vector<std::string> names;  // of the finders, in variant order
  std::vector<Tally> tallies;      // one a finder
  std::map<std::string, int> roads;
  int out_of_view = 0;
};

// Variant v's finder on every image, in the point order of zirt-measure; false, with what
// went wrong in `where`, when an image has no board. Counts the roads of the program's finder.
bool FindAll(const Sample& sample, int v, const zirt::Pattern& pattern, Figures& figures,
             std::vector<std::vector<ImagePoint>>& measured, std::string& where) {
  Tally& t = figures.tallies[v];
  const std::vector<cv::Mat>& images = sample.images;
  for (std::size_t k = 0; k < images.size(); ++k) {
    const auto start = std::chrono::steady_clock::now();
    zirt::FindDetail detail;
    const auto points = v == 0   ? zirt::FindPattern(images[k], pattern, &detail)
                        : v == 1 ? FindSbAccuracy(images[k], pattern)
                                 : FindByRoad(images[k], v - 2);
    t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++t.images;
    if (!points) {
      where = detail.larger ? "larger" : "not found";
      return false;
    }
    if (v == 0) ++figures.roads[detail.road];
    measured.push_back(k == 0 ? zirt::OrderFirst(*points, pattern)
                              : zirt::OrderLike(measured[0], *points, pattern));
  }
  return true;
}

// Whether the board found in the first image stays in the frame at every zoom: one that
// leaves it at the long end is no test of detection.
bool InView(const Sample& sample, const std::vector<ImagePoint>& first) {
  const zirt::test::PhotoZoom& zoom = sample.zoom;
  bool inside = true;
  for (std::size_t k = 1; k < sample.images.size(); ++k)
    for (const ImagePoint& p : first) {
      const double x = zoom.centre.x + (p.x - zoom.centre.x) * zoom.zooms[k];
      const double y = zoom.centre.y + (p.y - zoom.centre.y) * zoom.zooms[k];
      if (x < 0 || y < 0 || x > sample.images[k].cols - 1 || y > sample.images[k].rows - 1)
        inside = false;
    }
  return inside;
}

// The refined point's distance from the zoom's centre; NaN without one.
double RefinedError(const Sample& sample, const std::vector<std::vector<ImagePoint>>& measured) {
  std::vector<std::vector<zirt::Position>> positions;
  for (const auto& image : measured) {
    positions.emplace_back();
    for (const ImagePoint& p : image) positions.back().push_back({p.x, p.y});
  }
  const auto refined = zirt::Diagnose(positions).refined;
  return refined ? std::hypot(refined->x - sample.zoom.centre.x, refined->y - sample.zoom.centre.y)
                 : NAN;
}

// One sequence measured with variant v's finder, into its tally.
void MeasureSequence(const Sample& sample, int v, const zirt::Pattern& pattern, Figures& figures) {
  Tally& t = figures.tallies[v];
  const char* name = sample.photo.c_str();
  std::vector<std::vector<ImagePoint>> measured;
  std::string where;
  if (!FindAll(sample, v, pattern, figures, measured, where)) {
    ++t.not_found;
    if (v == 0) std::fprintf(stderr, "%s seq %d: %s\n", name, sample.sequence, where.c_str());
    return;
  }
  if (v == 0 && !InView(sample, measured[0])) ++figures.out_of_view;
  if (const auto refusal = zirt::MatchToFirst(measured, pattern)) {
    ++t.refused;
    std::fprintf(stderr, "%s seq %d: refused: %s\n", name, sample.sequence,
                 refusal->reason.c_str());
    return;
  }
  const double error = RefinedError(sample, measured);
  ++t.measured;
  t.errors.push_back(error);
  if (!(error < 1))
    std::fprintf(stderr, "%s seq %d: error %.3f px\n", name, sample.sequence, error);
}

void PrintFigures(const Figures& figures, int sequences, int variants) {
  std::printf("%d sequences (%d with the board partly out of view at the long end)\n", sequences,
              figures.out_of_view);
  for (int v = 0; v < variants; ++v) {
    const Tally& t = figures.tallies[v];
    std::printf(
        "%-30s measured %3d  not found %3d  refused %3d  refined error median %.4f p95 %.4f max "
        "%.4f px  %.3f s/image\n",
        figures.names[v].c_str(), t.measured, t.not_found, t.refused, Percentile(t.errors, 0.5),
        Percentile(t.errors, 0.95),
        t.errors.empty() ? NAN : *std::max_element(t.errors.begin(), t.errors.end()),
        t.seconds / std::max(1, t.images));
  }
  std::printf("roads:");
  for (const auto& [road, count] : figures.roads) std::printf("  %s %d", road.c_str(), count);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int per_photo = argc > 1 ? std::atoi(argv[1]) : 3;
  const unsigned seed = argc > 2 ? std::atoi(argv[2]) : 1;
  std::vector<std::string> photos;
  for (int k = 3; k < argc; ++k) photos.push_back(argv[k]);
  if (photos.empty())
    photos = {"left01", "left02", "left03", "left04", "left05", "left06", "left07",
              "left08", "left09", "left11", "left12", "left13", "left14"};
  const zirt::Pattern pattern{zirt::PatternKind::kChessboard, 9, 6};
  const bool compare = std::getenv("ZIRT_COMPARE") != nullptr;
  Figures figures;
  figures.names = {"zirt-measure", "SB accuracy (one pass)"};
  for (const std::string& road : zirt::ChessboardRoads())
    figures.names.push_back("road " + road + " alone");
  figures.tallies.resize(figures.names.size());
  const int variants = compare ? static_cast<int>(figures.names.size()) : 1;
  for (const std::string& name : photos) {
    const cv::Mat photo = zirt::test::ReadTestPhoto(name);
    for (int s = 0; s < per_photo; ++s) {
      const unsigned sequence_seed =
          seed * 1000 + s * 7919 + static_cast<unsigned>(name.size() * 31 + name.back());
      const zirt::test::PhotoZoom zoom = zirt::test::RandomPhotoZoom(photo, sequence_seed);
      const Sample sample{name, s, zoom, zirt::test::MakePhotoZoom(photo, zoom, sequence_seed)};
      for (int v = 0; v < variants; ++v) MeasureSequence(sample, v, pattern, figures);
    }
    std::fprintf(stderr, ".");
  }
  std::fprintf(stderr, "\n");
  PrintFigures(figures, per_photo * static_cast<int>(photos.size()), variants);
}
