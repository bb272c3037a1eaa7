// Principal point accuracy of the chessboard finder's variants on rendered zoom sequences:
// sizes, zoom levels, blur and views drawn at random; the common point of the per-corner
// tracks (total least squares) against the known principal point.
//   zirt_measure_accuracy [SEQUENCES] [SEED] [all]
// Without "all" only the program's own finder (with its point order) is run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>

#include "diagnostics/diagnostics.h"
#include "measure/point_order.h"

#include "measure/pattern.h"
#include "tests/support/board_render.h"

namespace {

using Track = std::vector<cv::Point2d>;

// The point nearest, in the least-squares sense, to every track's own best-fitting line.
cv::Point2d CommonPoint(const std::vector<Track>& tracks) {
  cv::Matx22d a = cv::Matx22d::zeros();
  cv::Vec2d b(0, 0);
  for (const Track& t : tracks) {
    cv::Point2d c(0, 0);
    for (const auto& p : t) c += p;
    c *= 1.0 / t.size();
    double sxx = 0, sxy = 0, syy = 0;
    for (const auto& p : t) {
      sxx += (p.x - c.x) * (p.x - c.x);
      sxy += (p.x - c.x) * (p.y - c.y);
      syy += (p.y - c.y) * (p.y - c.y);
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    const cv::Vec2d d(std::cos(angle), std::sin(angle));
    const cv::Matx22d m = cv::Matx22d::eye() - d * d.t();
    a += m;
    b += m * cv::Vec2d(c.x, c.y);
  }
  const cv::Vec2d x = a.solve(b, cv::DECOMP_LU);
  return {x[0], x[1]};
}

struct Variant {
  const char* name;
  int flags;   // -1: zirt::FindPattern and the point order of zirt-measure.
  int subpix;  // Half window of an extra cornerSubPix; 0 for none.
};

// A variant's figures over the sequences.
struct Tally {
  std::vector<double> errors;  // of the principal point, px
  double corner_rms = 0;       // the sum of the corners' squared errors, until printed
  double seconds = 0;
  int failures = 0;
  int corner_count = 0;
};

// A rendered zoom sequence, with the true corners of each image.
struct Sequence {
  zirt::test::BoardScene scene;
  int levels = 0;
  std::vector<cv::Mat> images;
  std::vector<std::vector<cv::Point2d>> truths;
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A random size, blur, principal point, view of the board and zoom levels, rendered.
Sequence RandomSequence(std::mt19937& random, std::uniform_real_distribution<double>& unit) {
  const cv::Size sizes[] = {{1920, 1080}, {2048, 1366}, {2400, 1600}};
  Sequence sequence;
  zirt::test::BoardScene& scene = sequence.scene;
  const cv::Size size = sizes[random() % 3];
  scene.width = size.width;
  scene.height = size.height;
  scene.blur = 0.6 + 0.6 * unit(random);
  scene.principal = {size.width / 2.0 + 40 * (unit(random) - 0.5),
                     size.height / 2.0 + 40 * (unit(random) - 0.5)};
  // The board anywhere from half to most of the frame, turned a little, seen at a slant.
  const double board_scale = 0.55 + 0.45 * unit(random), turn = 0.3 * (unit(random) - 0.5);
  const cv::Point2d shift(0.1 * (unit(random) - 0.5), 0.1 * (unit(random) - 0.5));
  for (auto& q : scene.quad) {
    const cv::Point2d d = (q - cv::Point2d(0.5, 0.5)) * board_scale;
    q = cv::Point2d(0.5, 0.5) + shift +
        cv::Point2d(d.x * std::cos(turn) - d.y * std::sin(turn),
                    d.x * std::sin(turn) + d.y * std::cos(turn)) +
        cv::Point2d(0.05 * (unit(random) - 0.5), 0.05 * (unit(random) - 0.5));
  }
  const int levels = sequence.levels = 3 + random() % 3;
  std::vector<double> zooms;
  for (int k = 0; k < levels; ++k) zooms.push_back(0.8 + 0.45 * k / (levels - 1));
  sequence.truths.resize(levels);
  for (int k = 0; k < levels; ++k)
    sequence.images.push_back(
        zirt::test::RenderBoard(scene, zooms[k], random(), &sequence.truths[k]));
  return sequence;
}

// The program's own finder and point order on every image, into the tracks; false when an
// image fails. `mean_error` sums the corners' errors.
bool OwnTracks(const Sequence& sequence, Tally& tally, cv::Point2d& mean_error,
               std::vector<Track>& tracks) {
  const zirt::test::BoardScene& scene = sequence.scene;
  std::vector<zirt::ImagePoint> first;
  bool ok = true;
  for (int k = 0; k < sequence.levels && ok; ++k) {
    const auto start = Clock::now();
    const zirt::Pattern pattern{zirt::PatternKind::kChessboard, scene.cols, scene.rows};
    const auto points = zirt::FindPattern(sequence.images[k], pattern);
    ok = points.has_value();
    if (ok) {
      const auto ordered =
          k == 0 ? zirt::OrderFirst(*points, pattern) : zirt::OrderLike(first, *points, pattern);
      if (k == 0) first = ordered;
      for (std::size_t i = 0; i < ordered.size(); ++i) {
        tracks[i].push_back({ordered[i].x, ordered[i].y});
        const cv::Point2d e = tracks[i].back() - sequence.truths[k][i];
        mean_error += e;
        tally.corner_rms += e.dot(e);
        ++tally.corner_count;
      }
    }
    tally.seconds += SecondsSince(start);
  }
  return ok;
}

// OpenCV's finder with the variant's flags and extra refinement on every image, into the
// tracks; false when an image fails. A variant differing from the one before only in the
// extra refinement takes the finder's run from `finder_cache`.
bool FinderTracks(const Sequence& sequence, const Variant* variants, int v,
                  std::vector<std::vector<cv::Point2f>>& finder_cache, Tally& tally,
                  std::vector<Track>& tracks) {
  const zirt::test::BoardScene& scene = sequence.scene;
  for (int k = 0; k < sequence.levels; ++k) {
    std::vector<cv::Point2f> found;
    const auto start = Clock::now();
    bool ok = true;
    const bool shared =
        v > 0 && variants[v].flags == variants[v - 1].flags && !finder_cache[k].empty();
    if (shared) {
      found = finder_cache[k];
    } else {
      ok = cv::findChessboardCornersSB(sequence.images[k], {scene.cols, scene.rows}, found,
                                       variants[v].flags);
      finder_cache[k] = ok ? found : std::vector<cv::Point2f>();
    }
    if (ok && variants[v].subpix)
      cv::cornerSubPix(sequence.images[k], found, {variants[v].subpix, variants[v].subpix},
                       {-1, -1}, {cv::TermCriteria::EPS | cv::TermCriteria::COUNT, 100, 1e-4});
    tally.seconds += SecondsSince(start);
    if (!ok) return false;
    const std::vector<cv::Point2d>& truth = sequence.truths[k];
    // The finder may start from another corner; match to the truth by the nearest corner.
    if (cv::norm(cv::Point2d(found[0]) - truth[0]) > cv::norm(cv::Point2d(found.back()) - truth[0]))
      std::reverse(found.begin(), found.end());
    for (std::size_t i = 0; i < found.size(); ++i) {
      tracks[i].push_back(found[i]);
      const cv::Point2d e = cv::Point2d(found[i]) - truth[i];
      tally.corner_rms += e.dot(e);
      ++tally.corner_count;
    }
  }
  return true;
}

// The error of the refined estimate of zirt-batch --json on the tracks; NaN without one.
double RefinedError(const std::vector<Track>& tracks, int levels, cv::Point2d principal) {
  std::vector<std::vector<zirt::Position>> measured(levels);
  for (const Track& t : tracks)
    for (int k = 0; k < levels; ++k) measured[k].push_back({t[k].x, t[k].y});
  const auto refined = zirt::Diagnose(measured).refined;
  return refined ? cv::norm(cv::Point2d(refined->x, refined->y) - principal) : NAN;
}

void PrintFigures(const Variant* variants, std::vector<Tally>& tallies, int sequences,
                  std::vector<double>& refined_errors, cv::Point2d mean_error) {
  if (!refined_errors.empty()) {
    std::sort(refined_errors.begin(), refined_errors.end());
    const auto at = [&](double q) {
      return refined_errors[std::min(refined_errors.size() - 1,
                                     std::size_t(q * refined_errors.size()))];
    };
    std::printf("refined estimate of zirt-measure's files: median %.4f p95 %.4f max %.4f px\n",
                at(0.5), at(0.95), refined_errors.back());
  }
  if (tallies[0].corner_count)
    std::printf("mean corner error of zirt-measure (%.4f, %.4f) px\n",
                mean_error.x / tallies[0].corner_count, mean_error.y / tallies[0].corner_count);
  for (std::size_t v = 0; v < tallies.size(); ++v) {
    const Tally& tally = tallies[v];
    auto& e = tallies[v].errors;
    std::sort(e.begin(), e.end());
    const auto pct = [&](double q) {
      return e.empty() ? NAN : e[std::min(e.size() - 1, size_t(q * e.size()))];
    };
    std::printf(
        "%-36s failed %d/%d  pp error median %.4f p95 %.4f max %.4f  corner rms %.4f  %.3f "
        "s/image\n",
        variants[v].name, tally.failures, sequences, pct(0.5), pct(0.95),
        e.empty() ? NAN : e.back(), std::sqrt(tally.corner_rms / std::max(1, tally.corner_count)),
        tally.seconds / std::max(1, tally.corner_count / 54));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int sequences = argc > 1 ? std::atoi(argv[1]) : 20;
  std::mt19937 random(argc > 2 ? std::atoi(argv[2]) : 7);
  const bool all = argc > 3 && std::string(argv[3]) == "all";
  const Variant variants[] = {
      {"zirt-measure", -1, 0},
      {"SB accuracy", cv::CALIB_CB_ACCURACY, 0},
      {"SB accuracy + cornerSubPix 5", cv::CALIB_CB_ACCURACY, 5},
      {"SB accuracy + cornerSubPix 8", cv::CALIB_CB_ACCURACY, 8},
      {"SB accuracy + cornerSubPix 11", cv::CALIB_CB_ACCURACY, 11},
      {"SB accuracy+exhaustive", cv::CALIB_CB_ACCURACY | cv::CALIB_CB_EXHAUSTIVE, 0},
      {"SB plain", 0, 0},
  };
  const int nv = all ? sizeof variants / sizeof variants[0] : 1;
  std::vector<Tally> tallies(nv);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> refined_errors;
  cv::Point2d mean_error(0, 0);  // Of the program's own corners: a shift common to all.
  for (int s = 0; s < sequences; ++s) {
    const Sequence sequence = RandomSequence(random, unit);
    std::vector<std::vector<cv::Point2f>> finder_cache(sequence.levels);
    for (int v = 0; v < nv; ++v) {
      std::vector<Track> tracks(sequence.scene.cols * sequence.scene.rows);
      if (v > 0 && variants[v].flags != variants[v - 1].flags)
        for (auto& c : finder_cache) c.clear();
      const bool ok = variants[v].flags < 0
                          ? OwnTracks(sequence, tallies[v], mean_error, tracks)
                          : FinderTracks(sequence, variants, v, finder_cache, tallies[v], tracks);
      if (!ok) {
        ++tallies[v].failures;
        continue;
      }
      tallies[v].errors.push_back(cv::norm(CommonPoint(tracks) - sequence.scene.principal));
      if (variants[v].flags < 0)  // The refined estimate of zirt-batch --json as well.
        refined_errors.push_back(RefinedError(tracks, sequence.levels, sequence.scene.principal));
    }
    std::fprintf(stderr, ".");
  }
  std::fprintf(stderr, "\n");
  PrintFigures(variants, tallies, sequences, refined_errors, mean_error);
}
