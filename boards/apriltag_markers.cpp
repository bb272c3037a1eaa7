// AprilTag 36h11 tags of an AprilGrid, by the AprilTag library on the full image (it reduces
// its own copy for finding the quads and fits the edges on the full image).
#include <apriltag/apriltag.h>
#include <apriltag/tag36h11.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "boards/marker_views.h"

namespace zirt {
namespace {

// The quads are searched on a copy reduced to about this longer side.
constexpr int kSearchSide = 1600;
constexpr int kFewTags = 2;

struct Detector {
  apriltag_family_t* family = tag36h11_create();
  apriltag_detector_t* detector = apriltag_detector_create();
  Detector() { apriltag_detector_add_family(detector, family); }
  ~Detector() {
    apriltag_detector_destroy(detector);
    tag36h11_destroy(family);
  }
};

struct Tag {
  int id;
  std::array<cv::Point2d, 4> p;
};

std::vector<Tag> Detect(Detector& d, const cv::Mat& grey) {
  d.detector->nthreads = 1;
  const int decimate = std::max(1, int(double(std::max(grey.cols, grey.rows)) / kSearchSide));
  d.detector->quad_decimate = float(decimate);
  d.detector->refine_edges = true;
  // A grid's corner squares touch the tags at their corners, which joins the white around a
  // tag into four pieces and hides its outline from the quad search. White grown by a pixel of
  // the search copy parts them; the tag only seeds the refinement, so its shrinking costs
  // nothing.
  cv::Mat image;
  cv::dilate(
      grey, image,
      cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * decimate + 1, 2 * decimate + 1)));
  image_u8_t picture{image.cols, image.rows, static_cast<int>(image.step[0]), image.data};
  zarray_t* detections = apriltag_detector_detect(d.detector, &picture);
  std::vector<Tag> tags;
  for (int k = 0; k < zarray_size(detections); ++k) {
    apriltag_detection_t* det = nullptr;
    zarray_get(detections, k, &det);
    // Tags corrected for flipped bits are left out: a grid's tags are printed whole.
    if (det->hamming != 0) continue;
    Tag tag{det->id, {}};
    // The library's corners run from the tag's bottom-left through bottom-right and top-right
    // to top-left, in pixels whose corner is (0, 0).
    for (int c = 0; c < 4; ++c) tag.p[c] = {det->p[c][0] - 0.5, det->p[c][1] - 0.5};
    // The grown white moved each edge inwards by `decimate` pixels, each corner along its
    // diagonal by about √2 times that: moved back, the corners seed the refinement better.
    const cv::Point2d centre = (tag.p[0] + tag.p[1] + tag.p[2] + tag.p[3]) * 0.25;
    for (cv::Point2d& p : tag.p) {
      const double away = std::hypot(p.x - centre.x, p.y - centre.y);
      if (away > 0) p += (p - centre) * (std::sqrt(2.0) * decimate / away);
    }
    tags.push_back(tag);
  }
  apriltag_detections_destroy(detections);
  return tags;
}

int Valid(const std::vector<Tag>& tags, int count) {
  return static_cast<int>(
      std::count_if(tags.begin(), tags.end(), [&](const Tag& t) { return t.id < count; }));
}

}  // namespace

std::vector<MarkerView> FindAprilGridTags(const cv::Mat& grey, const Board& board,
                                          MarkerCensus& census) {
  CV_Assert(grey.type() == CV_8UC1 && grey.isContinuous());
  Detector detector;
  std::vector<Tag> tags = Detect(detector, grey);
  if (Valid(tags, board.MarkerCount()) < kFewTags) {
    cv::Mat flipped;
    cv::flip(grey, flipped, 1);
    std::vector<Tag> other = Detect(detector, flipped);
    if (Valid(other, board.MarkerCount()) > Valid(tags, board.MarkerCount())) {
      for (Tag& tag : other)
        for (cv::Point2d& p : tag.p) p.x = grey.cols - 1 - p.x;
      tags = std::move(other);
    }
  }
  census.seen = static_cast<int>(tags.size());
  census.foreign = census.seen - Valid(tags, board.MarkerCount());
  std::vector<MarkerView> views;
  const double pitch = 1 + board.tag_spacing;
  for (const Tag& tag : tags) {
    if (tag.id >= board.MarkerCount()) continue;
    MarkerView view{tag.id, tag.p, {}};
    // Tag 0 is the bottom-left tag of the grid, the numbers running along its rows upwards.
    const double left = board.tag_spacing + (tag.id % board.cols) * pitch;
    const double top = board.tag_spacing + (board.rows - 1 - tag.id / board.cols) * pitch;
    view.board = {BoardXY{left, top + 1}, {left + 1, top + 1}, {left + 1, top}, {left, top}};
    views.push_back(view);
  }
  return views;
}

}  // namespace zirt
