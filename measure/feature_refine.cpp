#include "measure/feature_refine.h"

#include <cmath>
#include <opencv2/core.hpp>
#include <vector>

namespace zirt {
namespace {

// Keys' cubic convolution with a = −0.5, the one of third-order accuracy: its phase error,
// which differs from track to track, stays well under a hundredth of a pixel on smooth
// content, and its derivative is the exact gradient of what is sampled, so the Gauss-Newton
// minimum is the least-squares minimum of the interpolated image itself.
constexpr double kA = -0.5;

inline double Kernel(double t) {  // t ≥ 0
  if (t <= 1) return ((kA + 2) * t - (kA + 3)) * t * t + 1;
  if (t < 2) return ((kA * t - 5 * kA) * t + 8 * kA) * t - 4 * kA;
  return 0;
}

inline double KernelSlope(double t) {  // d Kernel / dt, t ≥ 0
  if (t <= 1) return (3 * (kA + 2) * t - 2 * (kA + 3)) * t;
  if (t < 2) return (3 * kA * t - 10 * kA) * t + 8 * kA;
  return 0;
}

struct Sample {
  double value, dx, dy;
};

// The interpolated grey levels and gradients at the grid x + scale·(i − radius),
// y + scale·(j − radius), i, j in [0, side): the grid is separable, so the kernel weights are
// taken once per column and per row, and each image row is filtered across once.
class GridSampler {
 public:
  explicit GridSampler(int side) : side_(side) {
    for (auto* v : {&wx_, &gx_, &wy_, &gy_}) v->resize(static_cast<std::size_t>(4 * side));
    ix_.resize(side), iy_.resize(side);
    value_.resize(static_cast<std::size_t>(side * side));
    dx_.resize(value_.size()), dy_.resize(value_.size());
  }

  template <typename Pixel>
  void Sample(const cv::Mat& image, double x, double y, double scale, int radius) {
    Weights(x, scale, radius, ix_, wx_, gx_);
    Weights(y, scale, radius, iy_, wy_, gy_);
    const int top = iy_[0] - 1, rows = iy_[side_ - 1] + 2 - top + 1;
    across_.resize(static_cast<std::size_t>(rows * side_));
    slope_.resize(across_.size());
    for (int r = 0; r < rows; ++r) {
      const Pixel* row = image.ptr<Pixel>(top + r);
      for (int i = 0; i < side_; ++i) {
        const Pixel* p = row + ix_[i] - 1;
        const double* w = &wx_[4 * i];
        const double* g = &gx_[4 * i];
        across_[r * side_ + i] = w[0] * p[0] + w[1] * p[1] + w[2] * p[2] + w[3] * p[3];
        slope_[r * side_ + i] = g[0] * p[0] + g[1] * p[1] + g[2] * p[2] + g[3] * p[3];
      }
    }
    for (int j = 0; j < side_; ++j) {
      const int r0 = iy_[j] - 1 - top;
      const double* w = &wy_[4 * j];
      const double* g = &gy_[4 * j];
      for (int i = 0; i < side_; ++i) {
        double v = 0, vx = 0, vy = 0;
        for (int t = 0; t < 4; ++t) {
          const double a = across_[(r0 + t) * side_ + i];
          v += w[t] * a;
          vy += g[t] * a;
          vx += w[t] * slope_[(r0 + t) * side_ + i];
        }
        value_[j * side_ + i] = v, dx_[j * side_ + i] = vx, dy_[j * side_ + i] = vy;
      }
    }
  }

  double Value(int k) const { return value_[k]; }
  double Dx(int k) const { return dx_[k]; }
  double Dy(int k) const { return dy_[k]; }

 private:
  void Weights(double origin, double scale, int radius, std::vector<int>& at,
               std::vector<double>& w, std::vector<double>& g) const {
    for (int i = 0; i < side_; ++i) {
      const double c = origin + scale * (i - radius);
      const int ic = static_cast<int>(std::floor(c));
      const double f = c - ic;
      at[i] = ic;
      w[4 * i] = Kernel(f + 1), w[4 * i + 1] = Kernel(f), w[4 * i + 2] = Kernel(1 - f),
            w[4 * i + 3] = Kernel(2 - f);
      g[4 * i] = KernelSlope(f + 1), g[4 * i + 1] = KernelSlope(f),
            g[4 * i + 2] = -KernelSlope(1 - f), g[4 * i + 3] = -KernelSlope(2 - f);
    }
  }

  int side_;
  std::vector<int> ix_, iy_;
  std::vector<double> wx_, gx_, wy_, gy_, across_, slope_, value_, dx_, dy_;
};

// Solves the symmetric 4 × 4 system by Gaussian elimination with pivoting; false when singular.
bool Solve4(long double h[4][4], long double g[4], long double out[4]) {
  int order[4] = {0, 1, 2, 3};
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(h[order[r]][c]) > std::fabs(h[order[pivot]][c])) pivot = r;
    std::swap(order[c], order[pivot]);
    const long double p = h[order[c]][c];
    if (!(std::fabs(p) > 1e-12L)) return false;
    for (int r = c + 1; r < 4; ++r) {
      const long double f = h[order[r]][c] / p;
      for (int k = c; k < 4; ++k) h[order[r]][k] -= f * h[order[c]][k];
      g[order[r]] -= f * g[order[c]];
    }
  }
  for (int c = 3; c >= 0; --c) {
    long double sum = g[order[c]];
    for (int k = c + 1; k < 4; ++k) sum -= h[order[c]][k] * out[k];
    out[c] = sum / h[order[c]][c];
  }
  return true;
}

template <typename Pixel>
std::optional<PatchMatch> Match(const std::vector<double>& patch, int radius, const cv::Mat& image,
                                ImagePoint start, double scale, double reach, double unit) {
  const int side = 2 * radius + 1;
  long double mean = 0, square = 0;
  for (const double t : patch) {
    mean += t;
    square += static_cast<long double>(t) * t;
  }
  mean /= patch.size();
  const long double spread = square / patch.size() - mean * mean;
  if (!(spread > 4 * unit * unit)) return std::nullopt;  // Flat: no position to find.

  double x = start.x, y = start.y;
  // The template enters with its mean removed, so gain and offset stay uncorrelated.
  double gain = 1, offset = 0;
  const double margin = radius * scale + 2.5;
  bool converged = false;
  GridSampler sampler(side);
  long double sum_s = 0, sum_ss = 0, sum_st = 0;
  for (int iteration = 0; iteration < 20 && !converged; ++iteration) {
    if (x < margin || y < margin || x > image.cols - 1 - margin || y > image.rows - 1 - margin)
      return std::nullopt;
    // Sums over one patch stay far inside a double's precision; the solution takes them long.
    double hd[4][4] = {}, gd[4] = {};
    double ss = 0, sss = 0, sst = 0;
    sampler.Sample<Pixel>(image, x, y, scale, radius);
    for (int k = 0; k < side * side; ++k) {
      const double t = patch[k] - static_cast<double>(mean);
      const Sample s{sampler.Value(k), sampler.Dx(k), sampler.Dy(k)};
      const double r = s.value - gain * t - offset;
      ss += s.value;
      sss += s.value * s.value;
      sst += s.value * t;
      const double jac[4] = {s.dx, s.dy, t, 1};
      for (int a = 0; a < 4; ++a) {
        for (int b = a; b < 4; ++b) hd[a][b] += jac[a] * jac[b];
        gd[a] += jac[a] * r;
      }
    }
    long double h[4][4], g[4];
    for (int a = 0; a < 4; ++a) {
      g[a] = gd[a];
      for (int b = 0; b < 4; ++b) h[a][b] = a <= b ? hd[a][b] : hd[b][a];
    }
    sum_s = ss, sum_ss = sss, sum_st = sst;
    long double step[4];
    if (!Solve4(h, g, step)) return std::nullopt;
    // Minimising Σ r² for r = I(p) − gain·t − offset: the position moves against the gradient
    // term, gain and offset with it.
    x -= static_cast<double>(step[0]);
    y -= static_cast<double>(step[1]);
    gain += static_cast<double>(step[2]);
    offset += static_cast<double>(step[3]);
    if (std::hypot(x - start.x, y - start.y) > reach || !(gain > 0)) return std::nullopt;
    converged = std::hypot(static_cast<double>(step[0]), static_cast<double>(step[1])) < 1e-4;
  }
  if (!converged) return std::nullopt;
  // The sums of the last step's samples, a ten-thousandth of a pixel from the result.
  const long double n = patch.size();
  const long double var_s = sum_ss / n - (sum_s / n) * (sum_s / n);
  if (!(var_s > 0)) return std::nullopt;
  const long double correlation = (sum_st / n) / std::sqrt(var_s * spread);
  return PatchMatch{{x, y}, static_cast<double>(correlation)};
}

}  // namespace

std::optional<PatchMatch> MatchPatch(const cv::Mat& reference, int u, int v, int radius,
                                     const cv::Mat& image, ImagePoint start, double scale,
                                     double reach, double unit) {
  CV_Assert(reference.type() == image.type());
  if (u - radius < 0 || v - radius < 0 || u + radius >= reference.cols ||
      v + radius >= reference.rows)
    return std::nullopt;
  const int side = 2 * radius + 1;
  std::vector<double> patch(static_cast<std::size_t>(side * side));
  const cv::Mat window = reference(cv::Rect(u - radius, v - radius, side, side));
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i)
      patch[j * side + i] = reference.depth() == CV_16U ? window.at<unsigned short>(j, i)
                                                        : window.at<unsigned char>(j, i);
  return MatchPatchValues(patch, radius, image, start, scale, reach, unit);
}

std::optional<PatchMatch> MatchPatchValues(const std::vector<double>& patch, int radius,
                                           const cv::Mat& image, ImagePoint start, double scale,
                                           double reach, double unit) {
  CV_Assert(patch.size() == static_cast<std::size_t>((2 * radius + 1) * (2 * radius + 1)));
  if (image.depth() == CV_16U)
    return Match<unsigned short>(patch, radius, image, start, scale, reach, unit);
  CV_Assert(image.depth() == CV_8U);
  return Match<unsigned char>(patch, radius, image, start, scale, reach, unit);
}

}  // namespace zirt
