// Accuracy and time of measuring without a target: zoom sequences made from the scene
// photographs of tests/data/photos (1–12 megapixels, 3–5 images, zoom ratio up to 1.5, noise,
// JPEG 85–95), the tracks found by FindSceneTracks, the refined point of the diagnostics.
//   zirt_measure_scene_accuracy [SEQUENCES_PER_PHOTO] [SEED] [MEGAPIXELS] [PHOTO...]
//   zirt_measure_scene_accuracy make DIR PHOTO MEGAPIXELS   writes DIR/z1.jpg … z4.jpg, zooms 1
//                                                           to 0.7, JPEG 90, for timing the
//                                                           command itself
// MEGAPIXELS 0 (the default) draws the size of each sequence; a number fixes it. Prints per
// photograph and in all: sequences measured and refused, the refined point's error (median,
// 95th percentile, largest) and the seconds per image.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <ctime>

#include "data/posix_file.h"
#include "diagnostics/diagnostics.h"
#include "measure/pattern.h"
#include "measure/scene_features.h"
#include "tests/support/photo_zoom.h"

namespace {

double Cpu() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The chessboard road on an image of the same size: one 12-megapixel-class photograph of a
// board, measured as zirt-measure measures it; wall and processor seconds.
void ChessboardTime(double mp) {
  const cv::Mat photo = zirt::test::ReadTestPhoto("left12");
  zirt::test::PhotoZoom zoom;
  zoom.enlarge = std::sqrt(mp * 1e6 / (photo.cols * photo.rows));
  zoom.centre = {photo.cols * zoom.enlarge / 2, photo.rows * zoom.enlarge / 2};
  zoom.zooms = {1};
  const cv::Mat image = zirt::test::MakePhotoZoom(photo, zoom, 1)[0];
  const auto start = std::chrono::steady_clock::now();
  const double cpu = Cpu();
  const bool found = zirt::FindPattern(image, {zirt::PatternKind::kChessboard, 9, 6}).has_value();
  std::printf("chessboard road on one %.1f MP image: %.3f s (processor %.3f s)%s\n", mp,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              Cpu() - cpu, found ? "" : " NOT FOUND");
}

struct Tally {
  int measured = 0, refused = 0, far = 0;
  std::vector<double> errors;
  double seconds = 0;
  int images = 0;
  long tracks = 0;
  double cpu = 0;
};

double Percentile(std::vector<double> e, double q) {
  if (e.empty()) return NAN;
  std::sort(e.begin(), e.end());
  return e[std::min(e.size() - 1, static_cast<std::size_t>(q * e.size()))];
}

void Print(const char* name, const Tally& t) {
  std::printf(
      "%-10s measured %3d refused %2d  error median %.4f p95 %.4f max %.4f px  >1 px %d  "
      "%.3f s/image (processor %.3f)  %ld tracks/seq\n",
      name, t.measured, t.refused, Percentile(t.errors, 0.5), Percentile(t.errors, 0.95),
      t.errors.empty() ? NAN : *std::max_element(t.errors.begin(), t.errors.end()), t.far,
      t.seconds / std::max(1, t.images), t.cpu / std::max(1, t.images),
      t.tracks / std::max(1, t.measured));
}

// The "make" command: one photograph's zooms 1 to 0.7 as DIR/z1.jpg … z4.jpg, at the size
// given, for timing the command itself.
int MakeZoomFiles(const std::string& folder, const std::string& photo_name, double megapixels) {
  const cv::Mat photo = zirt::test::ReadTestPhoto(photo_name);
  zirt::test::PhotoZoom zoom;
  zoom.enlarge = std::sqrt(megapixels * 1e6 / (photo.cols * photo.rows));
  zoom.centre = {photo.cols * zoom.enlarge * 0.52, photo.rows * zoom.enlarge * 0.48};
  zoom.zooms = {1, 0.9, 0.8, 0.7};
  std::vector<std::vector<unsigned char>> jpeg;
  zirt::test::MakePhotoZoom(photo, zoom, 1, &jpeg);
  for (std::size_t k = 0; k < jpeg.size(); ++k) {
    const std::string name = folder + "/z" + std::to_string(k + 1) + ".jpg";
    zirt::WriteFileAtomic(name, {reinterpret_cast<const char*>(jpeg[k].data()), jpeg[k].size()});
  }
  std::printf("centre %.3f %.3f\n", zoom.centre.x, zoom.centre.y);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "make")
    return MakeZoomFiles(argv[2], argv[3], std::atof(argv[4]));
  const int per_photo = argc > 1 ? std::atoi(argv[1]) : 5;
  const unsigned seed = argc > 2 ? std::atoi(argv[2]) : 1;
  const double fixed_mp = argc > 3 ? std::atof(argv[3]) : 0;
  std::vector<std::string> photos;
  for (int k = 4; k < argc; ++k) photos.push_back(argv[k]);
  if (photos.empty()) photos = {"building", "home", "aero1", "graf1"};
  Tally total;
  for (const std::string& name : photos) {
    const cv::Mat photo = zirt::test::ReadTestPhoto(name);
    Tally t;
    for (int s = 0; s < per_photo; ++s) {
      std::mt19937 random(seed * 1000 + s * 7919 +
                          static_cast<unsigned>(name.size() * 31 + name[0]));
      std::uniform_real_distribution<double> unit(0, 1);
      const double mp = fixed_mp > 0 ? fixed_mp : 1 + 11 * unit(random);
      zirt::test::PhotoZoom zoom;
      zoom.enlarge = std::sqrt(mp * 1e6 / (photo.cols * photo.rows));
      const double w = photo.cols * zoom.enlarge, h = photo.rows * zoom.enlarge;
      zoom.centre = {w / 2 - 0.5 + 0.1 * w * (unit(random) - 0.5),
                     h / 2 - 0.5 + 0.1 * h * (unit(random) - 0.5)};
      const int levels = 3 + static_cast<int>(random() % 3);
      const double low = 1 / (1.1 + 0.4 * unit(random));
      for (int k = 0; k < levels; ++k) zoom.zooms.push_back(1 - (1 - low) * k / (levels - 1));
      // Half the sequences start at the wide end.
      if (random() % 2) std::reverse(zoom.zooms.begin(), zoom.zooms.end());
      zoom.noise = 0.5 + unit(random);
      zoom.quality = 85 + static_cast<int>(random() % 11);
      const std::vector<cv::Mat> images = zirt::test::MakePhotoZoom(photo, zoom, random());
      const auto start = std::chrono::steady_clock::now();
      const double cpu = Cpu();
      const zirt::SceneTracks tracks = zirt::FindSceneTracks(images);
      t.cpu += Cpu() - cpu;
      t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      t.images += static_cast<int>(images.size());
      if (tracks.refusal) {
        ++t.refused;
        std::fprintf(stderr, "%s seq %d (%.1f MP): image %zu refused: %s\n", name.c_str(), s, mp,
                     tracks.refusal->image + 1, tracks.refusal->reason.c_str());
        continue;
      }
      std::vector<std::vector<zirt::Position>> positions;
      for (const auto& image : tracks.images) {
        positions.emplace_back();
        for (const zirt::ImagePoint& p : image) positions.back().push_back({p.x, p.y});
      }
      const auto refined = zirt::Diagnose(positions).refined;
      const double error =
          refined ? std::hypot(refined->x - zoom.centre.x, refined->y - zoom.centre.y) : NAN;
      ++t.measured;
      t.tracks += static_cast<long>(tracks.images[0].size());
      t.errors.push_back(error);
      if (!(error < 1)) ++t.far;
      if (std::getenv("ZIRT_VERBOSE"))
        std::fprintf(
            stderr,
            "%s seq %d: %.1f MP %d images ratio %.2f: %zu tracks, error %.4f (%.4f, %.4f)\n",
            name.c_str(), s, mp, levels, 1 / low, tracks.images[0].size(), error,
            refined->x - zoom.centre.x, refined->y - zoom.centre.y);
    }
    Print(name.c_str(), t);
    total.measured += t.measured, total.refused += t.refused, total.far += t.far;
    total.errors.insert(total.errors.end(), t.errors.begin(), t.errors.end());
    total.cpu += t.cpu;
    total.seconds += t.seconds, total.images += t.images, total.tracks += t.tracks;
  }
  Print("all", total);
  if (fixed_mp > 0) ChessboardTime(fixed_mp);
}
