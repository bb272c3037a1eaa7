// The measuring core on rendered zoom sequences: every image measured, one point order, the
// principal point recovered; refusals that leave every file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <zlib.h>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "data/coordinate_file.h"
#include "data/text_file.h"
#include "diagnostics/diagnostics.h"
#include "measure/feature_refine.h"
#include "measure/image_grey.h"
#include "measure/measure_outputs.h"
#include "measure/measure_run.h"
#include "measure/pattern.h"
#include "measure/point_order.h"
#include "measure/scene_features.h"
#include "measure/zoom_check.h"
#include "tests/core/separator_guard.h"
#include "tests/support/board_render.h"
#include "tests/support/photo_zoom.h"

namespace zirt {
namespace {

namespace fs = std::filesystem;
using test::BoardScene;
using test::RenderBoard;

struct Outcome {
  int code;
  std::string out, err;
};

Outcome Measure(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunMeasure(args, out, err);
  return {code, out.str(), err.str()};
}

QImage ToQImage(const cv::Mat& grey) {
  QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
  return image;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The point nearest, in the least-squares sense, to each track's total-least-squares line.
ImagePoint CommonPoint(const std::vector<std::vector<ImagePoint>>& sets) {
  const std::size_t count = sets[0].size();
  double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
  for (std::size_t i = 0; i < count; ++i) {
    double cx = 0, cy = 0;
    for (const auto& set : sets) cx += set[i].x, cy += set[i].y;
    cx /= sets.size(), cy /= sets.size();
    double sxx = 0, sxy = 0, syy = 0;
    for (const auto& set : sets) {
      const double dx = set[i].x - cx, dy = set[i].y - cy;
      sxx += dx * dx, sxy += dx * dy, syy += dy * dy;
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    const double ux = std::cos(angle), uy = std::sin(angle);
    const double m11 = 1 - ux * ux, m12 = -ux * uy, m22 = 1 - uy * uy;
    a11 += m11, a12 += m12, a22 += m22;
    b1 += m11 * cx + m12 * cy, b2 += m12 * cx + m22 * cy;
  }
  const double det = a11 * a22 - a12 * a12;
  return {(a22 * b1 - a12 * b2) / det, (a11 * b2 - a12 * b1) / det};
}

class MeasureTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  QTemporaryDir dir_;
};

TEST(PatternSize, ReadsColsByRows) {
  const struct {
    const char* text;
    int cols, rows;  // 0: refused.
  } cases[] = {{"9x6", 9, 6},   {"9X6", 9, 6},  {"04x11", 4, 11}, {"100x2", 100, 2}, {"1x6", 0, 0},
               {"101x6", 0, 0}, {"9x", 0, 0},   {"x6", 0, 0},     {"9x6x", 0, 0},    {"9*6", 0, 0},
               {" 9x6", 0, 0},  {"-9x6", 0, 0}, {"AUTO", 0, 0}};
  for (const auto& c : cases) {
    const auto pattern = ParsePatternSize(PatternKind::kChessboard, c.text);
    EXPECT_EQ(pattern.has_value(), c.cols != 0) << c.text;
    if (pattern && c.cols) {
      EXPECT_EQ(pattern->cols, c.cols) << c.text;
      EXPECT_EQ(pattern->rows, c.rows) << c.text;
    }
  }
}

// Every numbering the finder may give, of a board and of a square one, comes back to the first
// image's order; the first image starts at the corner nearest its top-left with rows across.
TEST(PointOrder, EveryNumberingMatchesTheFirstImage) {
  for (const int cols : {9, 5}) {
    const Pattern pattern{PatternKind::kChessboard, cols, 5};
    std::vector<ImagePoint> board;  // Rows across the image, slightly rotated and zoomed.
    for (int r = 0; r < pattern.rows; ++r)
      for (int c = 0; c < cols; ++c)
        board.push_back({100.0 + 40 * c - 3 * r, 80.0 + 38 * r + 2 * c});
    std::vector<ImagePoint> zoomed;
    for (const ImagePoint& p : board) zoomed.push_back({1.2 * p.x - 20, 1.2 * p.y + 7});
    const auto at = [&](const std::vector<ImagePoint>& p, int r, int c) { return p[r * cols + c]; };
    for (int variant = 0; variant < (cols == pattern.rows ? 8 : 4); ++variant) {
      std::vector<ImagePoint> numbered, zoomed_numbered;
      for (int r = 0; r < pattern.rows; ++r)
        for (int c = 0; c < cols; ++c) {
          int sr = variant & 1 ? pattern.rows - 1 - r : r, sc = variant & 2 ? cols - 1 - c : c;
          if (variant & 4) std::swap(sr, sc);
          numbered.push_back(at(board, sr, sc));
          zoomed_numbered.push_back(at(zoomed, sr, sc));
        }
      const std::vector<ImagePoint> first = OrderFirst(numbered, pattern);
      const std::vector<ImagePoint> second = OrderLike(board, zoomed_numbered, pattern);
      for (std::size_t k = 0; k < board.size(); ++k) {
        EXPECT_EQ(first[k].x, board[k].x) << cols << " variant " << variant << " point " << k;
        EXPECT_EQ(first[k].y, board[k].y) << cols << " variant " << variant << " point " << k;
        EXPECT_EQ(second[k].x, zoomed[k].x) << cols << " variant " << variant << " point " << k;
        EXPECT_EQ(second[k].y, zoomed[k].y) << cols << " variant " << variant << " point " << k;
      }
    }
  }
}

// An asymmetric circle grid has one numbering only, the finder's: no corner or direction may
// change it, also when its last point lies nearest the origin.
TEST(PointOrder, AnAsymmetricGridKeepsTheFindersNumbering) {
  const Pattern pattern{PatternKind::kAsymmetricCircles, 4, 11};
  std::vector<ImagePoint> points, zoomed;
  for (int r = 0; r < pattern.rows; ++r)
    for (int c = 0; c < pattern.cols; ++c) {
      const double x = 600 - 50 * (2 * c + r % 2), y = 500 - 25 * r;
      points.push_back({x, y});
      zoomed.push_back({1.1 * x - 30, 1.1 * y - 20});
    }
  const std::vector<ImagePoint> first = OrderFirst(points, pattern);
  const std::vector<ImagePoint> second = OrderLike(first, zoomed, pattern);
  for (std::size_t k = 0; k < points.size(); ++k) {
    EXPECT_EQ(first[k].x, points[k].x) << k;
    EXPECT_EQ(second[k].y, zoomed[k].y) << k;
  }
}

TEST(CoordinateLines, KeepFifteenDigitsWithTheRegionalSeparator) {
  SeparatorGuard comma(',');
  EXPECT_EQ(CoordinateLines({{1234.56787109375, 0.5}, {-0.25, 1e-5}}),
            (std::vector<std::string>{"1234,56787109375 ; 0,5", "-0,25 ; 1E-5"}));
  EXPECT_EQ(CoordinateFileFor("/a/b/img.01.tif", ""), "/a/b/img.01.crd");
  EXPECT_EQ(CoordinateFileFor("img", "out"), "out/img.crd");
}

// A zoom sequence in the formats a camera or a scanner gives: 8-bit grey PNG, 16-bit colour PNG,
// 16-bit TIFF, colour JPEG. Every image is measured, every file has the true point on each
// line, and the tracks meet at the principal point.
TEST_F(MeasureTest, ZoomSequenceGivesThePrincipalPoint) {
  const BoardScene scene;
  const double zooms[] = {0.8, 0.95, 1.1, 1.25};
  std::vector<std::string> images;
  std::vector<std::vector<cv::Point2d>> truths(4);
  for (int k = 0; k < 4; ++k) {
    QImage image = ToQImage(RenderBoard(scene, zooms[k], 100 + k, &truths[k]));
    const char* names[] = {"z1.png", "z2.png", "z3.tif", "z4.jpg"};
    if (k == 1) image = image.convertToFormat(QImage::Format_RGBX64);
    if (k == 2) image = image.convertToFormat(QImage::Format_Grayscale16);
    if (k == 3) image = image.convertToFormat(QImage::Format_RGB32);
    images.push_back(Path(names[k]));
    ASSERT_TRUE(image.save(QString::fromStdString(images.back()), nullptr, 100)) << names[k];
  }
  ASSERT_EQ(LoadGreyImage(images[2]).at<uchar>(0, 0),
            ToQImage(RenderBoard(scene, zooms[2], 102)).pixel(0, 0) & 0xff);

  std::vector<std::string> args = {"--chessboard", "9x6", "--progress", "--out", Path("crd")};
  args.insert(args.end(), images.begin(), images.end());
  const Outcome run = Measure(args);
  ASSERT_EQ(run.code, kMeasureOk) << run.err;
  EXPECT_EQ(run.out, "1/4 " + images[0] + "\n2/4 " + images[1] + "\n3/4 " + images[2] + "\n4/4 " +
                         images[3] + "\n");
  std::vector<std::string> files;
  for (const char* stem : {"z1", "z2", "z3", "z4"}) files.push_back(Path("crd/") + stem + ".crd");
  const auto sets = LoadCoordinateFiles(files);
  std::vector<std::vector<ImagePoint>> lossless;  // Without the JPEG and its compression.
  for (int k = 0; k < 4; ++k) {
    ASSERT_EQ(sets[k]->Count(), 54);
    if (k < 3) lossless.emplace_back();
    for (int i = 0; i < 54; ++i) {
      const VT_Point& p = *sets[k]->Get(i);
      EXPECT_NEAR(p.X, truths[k][i].x, 0.15) << files[k] << " line " << i + 1;
      EXPECT_NEAR(p.Y, truths[k][i].y, 0.15) << files[k] << " line " << i + 1;
      if (k < 3) lossless.back().push_back({p.X, p.Y});
    }
  }
  const ImagePoint principal = CommonPoint(lossless);
  EXPECT_NEAR(principal.x, scene.principal.x, 0.05);
  EXPECT_NEAR(principal.y, scene.principal.y, 0.05);
}

// A board turned so that the inner corner nearest the image's top-left is another one when
// zoomed in: the second image is numbered like the first, not from its own nearest corner.
TEST_F(MeasureTest, EveryImageIsNumberedLikeTheFirst) {
  BoardScene scene;
  const cv::Point2d quad[4] = {{0.10, 0.62}, {0.40, 0.16}, {0.70, 0.44}, {0.40, 0.82}};
  std::copy(quad, quad + 4, scene.quad);
  const double zooms[] = {0.9, 1.2};
  std::vector<std::vector<cv::Point2d>> truths(2);
  std::vector<std::string> args = {"--chessboard", "9x6"};
  for (int k = 0; k < 2; ++k) {
    args.push_back(Path("t" + std::to_string(k) + ".png"));
    ASSERT_TRUE(ToQImage(RenderBoard(scene, zooms[k], 40 + k, &truths[k]))
                    .save(QString::fromStdString(args.back())));
  }
  // The test means something only when the nearest corner does change.
  const auto nearest = [](const std::vector<cv::Point2d>& t) {
    int best = 0;
    for (const int i : {8, 45, 53})
      if (std::hypot(t[i].x, t[i].y) < std::hypot(t[best].x, t[best].y)) best = i;
    return best;
  };
  ASSERT_NE(nearest(truths[0]), nearest(truths[1]));
  const Outcome run = Measure(args);
  ASSERT_EQ(run.code, kMeasureOk) << run.err;
  const auto sets = LoadCoordinateFiles({Path("t0.crd"), Path("t1.crd")});
  for (int line = 0; line < 54; ++line) {
    int same[2];
    for (int k = 0; k < 2; ++k) {
      const VT_Point& p = *sets[std::size_t(k)]->Get(line);
      same[k] = 0;
      for (int i = 1; i < 54; ++i)
        if (std::hypot(p.X - truths[k][i].x, p.Y - truths[k][i].y) <
            std::hypot(p.X - truths[k][same[k]].x, p.Y - truths[k][same[k]].y))
          same[k] = i;
    }
    EXPECT_EQ(same[0], same[1]) << "line " << line + 1;
  }
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Refusals write nothing and keep what was there: outputs that are images or shared, files
// that are not images, damaged or too large ones, folders that cannot take the files.
TEST_F(MeasureTest, RefusalsWriteNothing) {
  BoardScene small;
  small.width = 480, small.height = 320, small.principal = {240, 160};
  std::vector<cv::Point2d> truth;
  const cv::Mat board = RenderBoard(small, 1.0, 1, &truth);
  ASSERT_TRUE(ToQImage(board).save(QString::fromStdString(Path("a.png"))));
  // A grey disc over one inner corner: centred, it leaves the corner symmetric but no crossing;
  // a little off, it breaks the symmetry by more than a corner seen through a lens does.
  const double square = cv::norm(truth[23] - truth[22]);
  for (const auto& [name, off] : {std::pair{"blotted.png", 0.0}, {"smudged.png", 0.3}}) {
    cv::Mat blotted = board.clone();
    const cv::Point2d at = truth[22] + cv::Point2d(off, off / 2) * square;
    cv::circle(blotted, at * 16, cvRound(0.25 * square * 16), 125, cv::FILLED, cv::LINE_AA, 4);
    ASSERT_TRUE(ToQImage(blotted).save(QString::fromStdString(Path(name))));
  }
  QImage blank(200, 150, QImage::Format_Grayscale8);
  blank.fill(128);
  ASSERT_TRUE(blank.save(QString::fromStdString(Path("blank.png"))));
  std::ofstream(Path("text.png")) << "not an image";
  std::ofstream(Path("kept.crd"), std::ios::binary) << "1 ; 2\r\n";
  ASSERT_TRUE(ToQImage(RenderBoard(small, 1.1, 2)).save(QString::fromStdString(Path("kept.png"))));
  // Outputs that lead onto an image: a link named as the output, an image named *.crd, and
  // two names of one folder.
  fs::copy_file(Path("a.png"), Path("c.png"));
  fs::create_symlink("c.png", Path("c.crd"));
  fs::copy_file(Path("a.png"), Path("photo.crd"));
  fs::create_directory(Path("real"));
  fs::create_directory_symlink("real", Path("alias"));
  fs::copy_file(Path("a.png"), Path("real/x.png"));
  // Files that are not images to measure.
  ASSERT_EQ(mkfifo(Path("fifo.png").c_str(), 0666), 0);
  fs::create_directory(Path("dir.png"));
  fs::create_symlink("loop.png", Path("loop.png"));
  fs::create_symlink("missing", Path("dangling"));
  ASSERT_TRUE(ToQImage(RenderBoard(small, 1.0, 3))
                  .save(QString::fromStdString(Path("a.jpg")), nullptr, 90));
  const std::string jpeg = ReadAll(Path("a.jpg"));
  WriteBytes(Path("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
  std::string flipped = jpeg;
  for (const std::size_t at : {jpeg.size() / 3, jpeg.size() / 2, 2 * jpeg.size() / 3})
    flipped[at] ^= 0x10;
  WriteBytes(Path("flip.jpg"), flipped);
  const std::string png = ReadAll(Path("a.png"));
  WriteBytes(Path("cut.png"), png.substr(0, png.size() - 40));
  // Headers claiming 20000 x 20000 with almost no data behind.
  std::string huge_jpeg = jpeg;
  huge_jpeg.replace(huge_jpeg.find("\xff\xc0") + 5, 4, "\x4e\x20\x4e\x20");  // SOF height, width.
  WriteBytes(Path("huge.jpg"), huge_jpeg);
  QImage tiny(1, 1, QImage::Format_Grayscale8);
  tiny.fill(0);
  ASSERT_TRUE(tiny.save(QString::fromStdString(Path("tiny.png"))));
  std::string huge = ReadAll(Path("tiny.png"));
  huge.replace(16, 8, std::string("\x00\x00\x4e\x20\x00\x00\x4e\x20", 8));  // IHDR width, height.
  const quint32 crc = qToBigEndian(
      static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17)));
  huge.replace(29, 4, reinterpret_cast<const char*>(&crc), 4);
  fs::create_directory(Path("huge"));
  WriteBytes(Path("huge/huge.png"), huge);

  const struct {
    std::vector<std::string> args;
    int code;
    std::string named;  // Must appear on standard error.
  } cases[] = {
      {{"--chessboard", "9x6", Path("a.png"), Path("blank.png")},
       kMeasureFailed,
       Path("blank.png")},
      {{"--chessboard", "9x6", Path("text.png"), Path("a.png")}, kMeasureFailed, Path("text.png")},
      {{"--chessboard", "9x6", Path("blotted.png")}, kMeasureFailed, Path("blotted.png") + ": "},
      {{"--chessboard", "9x6", Path("smudged.png")}, kMeasureFailed, Path("smudged.png") + ": "},
      {{"--chessboard", "9x6", Path("a.png"), Path("kept.png")}, kMeasureFailed, Path("kept.crd")},
      {{"--chessboard", "9x6", Path("a.png"), Path("nothing.png")},
       kMeasureFailed,
       Path("nothing.png")},
      {{"--chessboard", "9x6", "--out", Path("d"), Path("a.png"), Path("sub/a.tif")},
       kMeasureUsage,
       Path("d/a.crd")},
      {{"--chessboard", "9x6", Path("a.png"), Path("a.tif")}, kMeasureUsage, Path("a.crd")},
      {{"--chessboard", "9x0", Path("a.png")}, kMeasureUsage, "9x0"},
      {{"--chessboard", "9x6", "--circles", "4x4", Path("a.png")}, kMeasureUsage, "one pattern"},
      {{Path("a.png")}, kMeasureUsage, "give the pattern"},
      {{"--chessboard", "9x6"}, kMeasureUsage, "images"},
      {{"--chessboard", "9x6", "--fast", Path("a.png")}, kMeasureUsage, "--fast"},
      {{"--chessboard", "9x6", "--out", Path("kept.crd"), Path("a.png")},
       kMeasureFailed,
       Path("kept.crd")},
      {{"--chessboard", "9x6", "--out", Path("dangling"), Path("a.png")},
       kMeasureFailed,
       "a symbolic link to nothing"},
      {{"--chessboard", "9x6", "--overwrite", Path("a.png"), Path("c.png")},
       kMeasureUsage,
       Path("c.crd") + " is the image " + Path("c.png")},
      {{"--chessboard", "9x6", "--overwrite", Path("photo.crd")}, kMeasureUsage, "is the image"},
      {{"--chessboard", "9x6", Path("real/x.png"), Path("alias/x.tif")},
       kMeasureUsage,
       "would both write"},
      {{"--chessboard", "9x6", Path("fifo.png"), Path("a.png")},
       kMeasureFailed,
       Path("fifo.png") + ": not a regular file"},
      {{"--chessboard", "9x6", Path("dir.png")},
       kMeasureFailed,
       Path("dir.png") + ": not a regular"},
      {{"--chessboard", "9x6", Path("loop.png")}, kMeasureFailed, "symbolic links"},
      {{"--chessboard", "9x6", Path("cut.jpg")}, kMeasureFailed, Path("cut.jpg") + ": damaged"},
      {{"--chessboard", "9x6", Path("flip.jpg")}, kMeasureFailed, Path("flip.jpg") + ": damaged"},
      {{"--chessboard", "9x6", Path("cut.png")}, kMeasureFailed, Path("cut.png") + ": damaged"},
      {{"--chessboard", "9x6", Path("huge.jpg"), Path("huge/huge.png")},
       kMeasureFailed,
       Path("huge/huge.png") + ": too large (400 MP"},
      {{"--chessboard", "9x6", Path("huge.jpg")}, kMeasureFailed, "too large (400 MP"},
      {{"--chessboard", "9x6", "--max-megapixels", "0.1", Path("a.png")},
       kMeasureFailed,
       "too large (1 MP, 480 x 320; the limit is 0.1 MP"},
      {{"--chessboard", "9x6", "--max-megapixels", "0", Path("a.png")},
       kMeasureUsage,
       "--max-megapixels"},
  };
  for (const auto& c : cases) {
    const Outcome run = Measure(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(Path("a.crd"))) << run.err;
    EXPECT_EQ(ReadAll(Path("kept.crd")), "1 ; 2\r\n");
    EXPECT_EQ(ReadAll(Path("c.png")), png);
    EXPECT_EQ(ReadAll(Path("photo.crd")), png);
  }

  // Files already there, a link that leads nowhere among them, are named before any image is
  // measured: no progress line comes.
  fs::copy_file(Path("kept.png"), Path("dangling.png"));
  fs::create_symlink("nowhere.crd", Path("dangling.crd"));
  Outcome early = Measure(
      {"--chessboard", "9x6", "--progress", Path("a.png"), Path("kept.png"), Path("dangling.png")});
  EXPECT_EQ(early.code, kMeasureFailed);
  EXPECT_EQ(early.out, "");
  EXPECT_NE(early.err.find(Path("kept.crd")), std::string::npos) << early.err;
  EXPECT_NE(early.err.find(Path("dangling.crd")), std::string::npos) << early.err;
  EXPECT_TRUE(fs::is_symlink(Path("dangling.crd")));
  EXPECT_FALSE(fs::exists(Path("nowhere.crd")));

  // A file that appears while the images are measured is kept, and nothing else is left.
  {
    struct Appearing : std::stringbuf {
      std::string path;
      int sync() override {
        if (!fs::exists(path)) std::ofstream(path, std::ios::binary) << "5 ; 5\r\n";
        return std::stringbuf::sync();
      }
    } appearing;
    appearing.path = Path("late.crd");
    fs::copy_file(Path("kept.png"), Path("late.png"));
    std::ostream out(&appearing);
    std::ostringstream err;
    EXPECT_EQ(RunMeasure({"--chessboard", "9x6", "--progress", Path("a.png"), Path("late.png")},
                         out, err),
              kMeasureFailed);
    EXPECT_NE(err.str().find(Path("late.crd")), std::string::npos) << err.str();
    EXPECT_EQ(ReadAll(Path("late.crd")), "5 ; 5\r\n");
    EXPECT_FALSE(fs::exists(Path("a.crd")));
  }

  // A write that fails after another succeeded takes the earlier file away again.
  fs::create_directory(Path("b.crd"));
  fs::copy_file(Path("kept.png"), Path("b.png"));
  Outcome run = Measure({"--chessboard", "9x6", "--overwrite", Path("a.png"), Path("b.png")});
  EXPECT_EQ(run.code, kMeasureFailed);
  EXPECT_NE(run.err.find(Path("b.crd")), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(Path("a.crd")));
  // ... and gives a file it replaced its old content back.
  std::ofstream(Path("a.crd"), std::ios::binary) << "9 ; 9\r\n";
  run = Measure({"--chessboard", "9x6", "--overwrite", Path("a.png"), Path("b.png")});
  EXPECT_EQ(run.code, kMeasureFailed);
  EXPECT_EQ(ReadAll(Path("a.crd")), "9 ; 9\r\n");
  fs::remove(Path("a.crd"));

  run = Measure({"--chessboard", "9x6", "--overwrite", Path("a.png"), Path("kept.png")});
  EXPECT_EQ(run.code, kMeasureOk) << run.err;
  EXPECT_EQ(ReadLines(Path("kept.crd")).size(), 54u);
  // Names are bytes: one that is not UTF-8 is measured and written as it is.
  fs::copy_file(Path("a.png"), Path("k\xf1.png"));
  run = Measure({"--chessboard", "9x6", Path("k\xf1.png")});
  EXPECT_EQ(run.code, kMeasureOk) << run.err;
  EXPECT_EQ(ReadLines(Path("k\xf1.crd")).size(), 54u);
}

// Zoom sequences made from real photographs of a 9 × 6 board (one of them a board the
// sector-based detector alone misses): every image measured, the numbering checked against
// the first image, and the refined point within a tenth of a pixel of the zoom's centre.
TEST(PhotoSequence, MeasuredNearTheTrueCentre) {
  const Pattern pattern{PatternKind::kChessboard, 9, 6};
  for (const char* name : {"left05", "left12", "left03"}) {
    const cv::Mat photo = test::ReadTestPhoto(name);
    const test::PhotoZoom zoom = test::RandomPhotoZoom(photo, 11);
    const std::vector<cv::Mat> images = test::MakePhotoZoom(photo, zoom, 11);
    std::vector<std::vector<ImagePoint>> measured;
    for (const cv::Mat& image : images) {
      const auto points = FindPattern(image, pattern);
      ASSERT_TRUE(points) << name << " image " << measured.size() + 1;
      measured.push_back(measured.empty() ? OrderFirst(*points, pattern)
                                          : OrderLike(measured[0], *points, pattern));
    }
    // Numbered from the opposite corner, an image is given the first image's numbering back.
    const std::vector<ImagePoint> right = measured[1];
    std::reverse(measured[1].begin(), measured[1].end());
    ASSERT_FALSE(MatchToFirst(measured, pattern)) << name;
    EXPECT_EQ(measured[1][0].x, right[0].x) << name;
    std::vector<std::vector<Position>> positions;
    for (const auto& image : measured) {
      positions.emplace_back();
      for (const ImagePoint& p : image) positions.back().push_back({p.x, p.y});
    }
    const auto refined = Diagnose(positions).refined;
    ASSERT_TRUE(refined);
    EXPECT_LT(std::hypot(refined->x - zoom.centre.x, refined->y - zoom.centre.y), 0.1) << name;
  }
}

// What must never give a principal point: another board in one image, one image whose points
// shifted by a square, a pattern size smaller than the board (every image would count another
// part of it). zirt-measure names the image and the size to check, and writes nothing; with
// "auto" it finds the size itself.
TEST_F(MeasureTest, WrongCorrespondencesAreRefused) {
  const Pattern pattern{PatternKind::kChessboard, 9, 6};
  const auto sequence = [](const char* name, std::vector<std::vector<unsigned char>>* jpeg) {
    const cv::Mat photo = test::ReadTestPhoto(name);
    test::PhotoZoom zoom = test::RandomPhotoZoom(photo, 3);
    zoom.zooms = {1, 0.9, 0.8};
    return test::MakePhotoZoom(photo, zoom, 3, jpeg);
  };
  std::vector<std::vector<unsigned char>> jpeg;
  const std::vector<cv::Mat> images = sequence("left01", &jpeg);
  const std::vector<cv::Mat> other = sequence("left09", nullptr);
  std::vector<std::vector<ImagePoint>> good;
  for (const cv::Mat& image : images)
    good.push_back(OrderFirst(*FindPattern(image, pattern), pattern));
  auto another_board = good;
  another_board[2] = OrderFirst(*FindPattern(other[0], pattern), pattern);
  auto shifted = good;  // Every point moved one square along the rows, as a sub-board would.
  for (std::size_t i = 0; i + 1 < shifted[1].size(); ++i)
    if ((i + 1) % 9) shifted[1][i] = good[1][i + 1];
  for (std::size_t i = 8; i < shifted[1].size(); i += 9)
    shifted[1][i] = {2 * good[1][i].x - good[1][i - 1].x, 2 * good[1][i].y - good[1][i - 1].y};
  // One corner off by a third of a square: a wrong correspondence, not lens distortion.
  auto nudged = good;
  const double square = std::hypot(good[1][1].x - good[1][0].x, good[1][1].y - good[1][0].y);
  nudged[1][20].x += 0.35 * square;
  for (auto* set : {&another_board, &shifted, &nudged}) {
    const std::size_t bad = set == &another_board ? 2 : 1;
    const auto refusal = MatchToFirst(*set, pattern);
    ASSERT_TRUE(refusal) << bad;
    EXPECT_EQ(refusal->image, bad);
  }

  std::vector<std::string> files;
  for (std::size_t k = 0; k < jpeg.size(); ++k) {
    files.push_back(Path("p" + std::to_string(k + 1) + ".jpg"));
    std::ofstream(files.back(), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg[k].data()), jpeg[k].size());
  }
  // 2x2 never reaches the detectors, whose own words would name their internals.
  for (const char* size : {"2x2", "3x3", "5x4", "7x6", "9x5"}) {
    const Outcome run = Measure({"--chessboard", size, files[0]});
    EXPECT_EQ(run.code, kMeasureFailed) << size;
    EXPECT_NE(run.err.find("check the pattern size"), std::string::npos) << size << run.err;
    EXPECT_FALSE(fs::exists(Path("p1.crd"))) << size;
  }
  // Each image of a run names the board in view, the later ones on the size an earlier one
  // showed.
  std::vector<std::string> wrong = {"--chessboard", "10x7"};
  wrong.insert(wrong.end(), files.begin(), files.end());
  const Outcome misses = Measure(wrong);
  EXPECT_EQ(misses.code, kMeasureFailed);
  for (const std::string& file : files)
    EXPECT_NE(misses.err.find(file + ": the pattern is not found; a chessboard of 9x6 inner"),
              std::string::npos)
        << misses.err;
  std::vector<std::string> args = {"--chessboard", "auto"};
  args.insert(args.end(), files.begin(), files.end());
  const Outcome run = Measure(args);
  ASSERT_EQ(run.code, kMeasureOk) << run.err;
  EXPECT_EQ(run.out, "chessboard 9x6\n");  // Counted with the rows across the image.
  EXPECT_EQ(ReadLines(Path("p3.crd")).size(), 54u);
}

// The mean offset of each image's track positions from where the zoom's truth puts them,
// from the image that fixes each track: the narrowest that shows it, where it sits at a
// pixel's centre (or a block's of two by two pixels).
std::vector<double> TrackErrors(const std::vector<std::vector<ImagePoint>>& tracks,
                                const std::vector<double>& zooms, cv::Point2d centre,
                                const std::string& name) {
  std::vector<double> sx(tracks.size(), 0), sy(tracks.size(), 0), n(tracks.size(), 0);
  for (std::size_t i = 0; i < tracks[0].size(); ++i) {
    std::size_t anchor = tracks.size();
    for (std::size_t k = 0; k < tracks.size(); ++k)
      if (std::isfinite(tracks[k][i].x) && (anchor == tracks.size() || zooms[k] > zooms[anchor]))
        anchor = k;
    const ImagePoint p = tracks[anchor][i];
    EXPECT_EQ(2 * p.x, std::round(2 * p.x)) << name;
    EXPECT_EQ(2 * p.y, std::round(2 * p.y)) << name;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
      if (!std::isfinite(tracks[k][i].x)) continue;
      const double s = zooms[k] / zooms[anchor];
      sx[k] += tracks[k][i].x - (centre.x + s * (p.x - centre.x));
      sy[k] += tracks[k][i].y - (centre.y + s * (p.y - centre.y));
      n[k] += 1;
    }
  }
  std::vector<double> error;
  for (std::size_t k = 0; k < tracks.size(); ++k)
    error.push_back(n[k] > 0 ? std::hypot(sx[k] / n[k], sy[k] / n[k]) : INFINITY);
  return error;
}

// Zoom sequences of scene photographs, at the long or the wide end first: every track's position
// against the zoom's truth (fixed at a whole pixel of the most zoomed-in image, the others
// where the truth maps it), so that an offset of the pixel convention or of the detector's
// coordinates shows in the mean, and the refined point of the diagnostics near the centre.
// Then, where given, six patches of the scene around written tracks move by 0.3 px in one
// image, half along their lines through the centre (which the common point cannot see) and
// half across: no position inside them is written for that image.
TEST(SceneSequence, TracksUnbiasedAndThePointNearTheTruth) {
  const struct {
    const char* photo;
    std::vector<double> zooms;
    double enlarge;  // 4.5: 10 megapixels, matched in blocks of two by two pixels
    int moved;       // the image whose patches move, -1: none
  } cases[] = {{"building", {1, 0.9, 0.8, 0.7}, 1.6, 2},
               {"home", {0.7, 0.85, 1}, 1.6, 1},
               {"aero1", {1, 0.92, 0.84, 0.76, 0.68}, 1.6, -1},
               {"graf1", {0.8, 1, 0.9}, 4.5, -1}};
  for (const auto& c : cases) {
    const cv::Mat photo = test::ReadTestPhoto(c.photo);
    test::PhotoZoom zoom;
    zoom.enlarge = c.enlarge;
    zoom.centre = {photo.cols * c.enlarge / 2 + 17.37, photo.rows * c.enlarge / 2 - 11.21};
    zoom.zooms = c.zooms;
    const std::vector<cv::Mat> images = test::MakePhotoZoom(photo, zoom, 5);
    const SceneTracks tracks = FindSceneTracks(images, 800);
    ASSERT_FALSE(tracks.refusal) << c.photo << ": " << tracks.refusal->reason;
    ASSERT_EQ(tracks.images.size(), images.size());
    const std::size_t count = tracks.images[0].size();
    EXPECT_GE(count, 300u) << c.photo;
    EXPECT_LE(count, 800u) << c.photo;
    const std::vector<double> error = TrackErrors(tracks.images, c.zooms, zoom.centre, c.photo);
    for (std::size_t k = 0; k < images.size(); ++k)
      EXPECT_LT(error[k], 0.01) << c.photo << " image " << k + 1;
    std::vector<std::vector<Position>> positions;
    for (const auto& image : tracks.images) {
      positions.emplace_back();
      for (const ImagePoint& p : image) positions.back().push_back({p.x, p.y});
    }
    const auto refined = Diagnose(positions).refined;
    ASSERT_TRUE(refined);
    EXPECT_LT(std::hypot(refined->x - zoom.centre.x, refined->y - zoom.centre.y), 0.03) << c.photo;
    if (c.moved < 0) continue;

    constexpr double kRadius = 30;
    std::vector<cv::Mat> moved = images;
    moved[c.moved] = images[c.moved].clone();
    std::vector<cv::Point2d> patches;
    for (const ImagePoint& p : tracks.images[c.moved]) {
      const cv::Point2d at(p.x, p.y);
      if (!std::isfinite(p.x) ||
          !cv::Rect(40, 40, moved[c.moved].cols - 80, moved[c.moved].rows - 80).contains(at) ||
          std::any_of(patches.begin(), patches.end(),
                      [&](cv::Point2d q) { return cv::norm(q - at) < 4 * kRadius; }))
        continue;
      const cv::Point2d along = (at - zoom.centre) / cv::norm(at - zoom.centre);
      const cv::Point2d across(-along.y, along.x);
      test::MovePatch(moved[c.moved], at, kRadius, 0.3 * (patches.size() % 2 ? across : along));
      patches.push_back(at);
      if (patches.size() == 6) break;
    }
    ASSERT_EQ(patches.size(), 6u) << c.photo;
    const SceneTracks kept = FindSceneTracks(moved, 800);
    ASSERT_FALSE(kept.refusal) << c.photo << ": " << kept.refusal->reason;
    for (const cv::Point2d& at : patches)
      for (const ImagePoint& p : kept.images[c.moved])  // the patch lies wholly inside
        EXPECT_FALSE(cv::norm(cv::Point2d(p.x, p.y) - at) < kRadius / 2)
            << c.photo << " written at " << p.x << ", " << p.y;
  }
}

// zirt-measure --features writes one file per image with the tracks in one order, at most
// --max-points of them over the whole frame; a scene without texture, an image taken after
// the camera moved or turned, and option mistakes are refused with nothing written.
TEST_F(MeasureTest, SceneFeaturesWrittenOrRefused) {
  const cv::Mat photo = test::ReadTestPhoto("building");
  test::PhotoZoom zoom;
  zoom.enlarge = 1.4;
  zoom.centre = {photo.cols * 0.7 + 0.3, photo.rows * 0.7 - 0.4};
  zoom.zooms = {1, 0.9, 0.8, 0.7};
  const std::vector<cv::Mat> images = test::MakePhotoZoom(photo, zoom, 9);
  const auto write = [&](const std::string& stem, const std::vector<cv::Mat>& set) {
    std::vector<std::string> args = {"--features", "--max-points", "300"};
    for (std::size_t k = 0; k < set.size(); ++k) {
      args.push_back(Path(stem + std::to_string(k + 1) + ".jpg"));
      cv::imwrite(args.back(), set[k], {cv::IMWRITE_JPEG_QUALITY, 95});
    }
    return args;
  };

  const Outcome good = Measure(write("z", images));
  ASSERT_EQ(good.code, kMeasureOk) << good.err;
  std::vector<std::vector<ImagePoint>> read;
  for (int k = 1; k <= 4; ++k) {
    std::vector<ImagePoint> points;
    for (const std::string& line : ReadLines(Path("z" + std::to_string(k) + ".crd"))) {
      const VT_Point p = ParseCoordinateLine(line);
      points.push_back({p.GetX(), p.GetY()});
    }
    read.push_back(points);
  }
  ASSERT_GE(read[0].size(), 250u);
  ASSERT_LE(read[0].size(), 300u);
  int quadrants[4] = {};
  for (const ImagePoint& p : read[0])
    ++quadrants[(p.x > images[0].cols / 2) + 2 * (p.y > images[0].rows / 2)];
  for (const int q : quadrants) EXPECT_GT(q, 30);  // spread, not clustered
  for (std::size_t k = 1; k < read.size(); ++k) ASSERT_EQ(read[k].size(), read[0].size());
  std::vector<std::vector<Position>> positions;
  for (const auto& image : read) {
    positions.emplace_back();
    for (const ImagePoint& p : image) positions.back().push_back({p.x, p.y});
  }
  const auto centre = Diagnose(positions).refined;
  ASSERT_TRUE(centre);
  EXPECT_LT(std::hypot(centre->x - zoom.centre.x, centre->y - zoom.centre.y), 0.05);

  cv::Mat flat(images[0].size(), CV_8U);
  cv::Mat ramp(1, flat.cols, CV_8U);
  for (int x = 0; x < flat.cols; ++x) ramp.at<unsigned char>(0, x) = 60 + 100 * x / flat.cols;
  cv::repeat(ramp, flat.rows, 1, flat);
  cv::Mat noise(flat.size(), CV_8U);
  cv::randn(noise, 0, 1);
  flat += noise;
  // A shift of a few pixels is a lens whose centre drifts, or a camera that returned nearly to
  // where it was, and is measured; one of 5% of the frame is a camera that moved.
  const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, 60, 0, 1, -40);
  const cv::Mat turn =
      cv::getRotationMatrix2D(cv::Point2f(images[2].cols / 2.f, images[2].rows / 2.f), 0.7, 1);
  const struct {
    const char* stem;
    std::size_t image;  // from 1
    const char* reason;
    cv::Mat warp;
  } refusals[] = {{"flat", 1, "too little texture", {}},
                  {"moved", 3, "the camera moved or turned", shift},
                  {"turned", 3, "the camera moved or turned", turn},
                  {"still", 1, "the zoom changes too little", {}}};
  for (const auto& r : refusals) {
    std::vector<cv::Mat> set = images;
    if (r.stem == std::string("still")) {  // a ten-thousandth more from image to image
      for (int k = 1; k < 4; ++k)
        cv::warpAffine(images[0], set[k],
                       cv::getRotationMatrix2D(cv::Point2f(600.3f, 390.6f), 0, 1 - 1e-4 * k),
                       images[0].size(), cv::INTER_CUBIC, cv::BORDER_REPLICATE);
    } else if (r.warp.empty()) {
      set[0] = flat;
    } else {
      set[2] = cv::Mat();  // not written into the shared pixels of images[2]
      cv::warpAffine(images[2], set[2], r.warp, images[2].size(), cv::INTER_CUBIC,
                     cv::BORDER_REPLICATE);
    }
    const std::vector<std::string> args = write(r.stem, set);
    const Outcome run = Measure(args);
    EXPECT_EQ(run.code, kMeasureFailed) << r.stem;
    EXPECT_NE(run.err.find(args[2 + r.image] + ": "), std::string::npos) << r.stem << run.err;
    EXPECT_NE(run.err.find(r.reason), std::string::npos) << r.stem << run.err;
    EXPECT_FALSE(fs::exists(Path(std::string(r.stem) + "2.crd"))) << r.stem;
  }

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--features", "--chessboard", "9x6", Path("z1.jpg")},
        {"--features", "--max-points", "10", Path("z1.jpg")},
        {"--features", "--max-points", "many", Path("z1.jpg")}}) {
    const Outcome run = Measure(args);
    EXPECT_EQ(run.code, kMeasureUsage) << args[1] << " " << args[2];
  }
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// Large zoom ratios, chained: a scene of photographs nested at the centre, zoomed 16 times in
// steps of two (given in a shuffled order) and 30 times in steps up to 2.5, with a clock
// burned into the corner that does not zoom. The tracks live in part of the sequence, none
// sits on the clock, and the point is found.
TEST(SceneSequence, ChainedLargeRatiosWithGaps) {
  std::vector<cv::Mat> photos;
  for (const char* name : {"building", "aero1", "graf1", "home"})
    photos.push_back(test::ReadTestPhoto(name));
  const struct {
    std::vector<double> zooms;
    cv::Rect overlay;
  } cases[] = {
      {{4, 1, 16, 2, 8}, {}}, {{1, 2.5, 6, 14, 30}, {}}, {{1, 1.8, 4.1, 6.8}, {660, 20, 280, 50}}};
  for (const auto& c : cases) {
    test::NestedZoom zoom;
    zoom.centre = {503.37, 341.81};
    zoom.zooms = c.zooms;
    zoom.overlay = c.overlay;
    const std::vector<cv::Mat> images = test::MakeNestedZoom(photos, zoom, 7);
    const SceneTracks tracks = FindSceneTracks(images, 2000);
    const double ratio = *std::max_element(c.zooms.begin(), c.zooms.end());
    ASSERT_FALSE(tracks.refusal) << ratio << ": " << tracks.refusal->reason;
    const std::vector<double> error = TrackErrors(tracks.images, c.zooms, zoom.centre, "nested");
    std::size_t gaps = 0;
    for (std::size_t k = 0; k < images.size(); ++k) {
      EXPECT_LT(error[k], 0.02) << ratio << " image " << k + 1;
      for (const ImagePoint& p : tracks.images[k]) {
        gaps += !std::isfinite(p.x);
        EXPECT_FALSE(c.overlay.contains(cv::Point(cvRound(p.x), cvRound(p.y))))
            << ratio << " image " << k + 1;
      }
    }
    EXPECT_GT(gaps, tracks.images[0].size()) << ratio;  // no point is seen from 1 to R
    if (!c.overlay.empty()) {
      EXPECT_GT(tracks.set_aside, 0);
    }
    std::vector<std::vector<Position>> positions;
    for (const auto& image : tracks.images) {
      positions.emplace_back();
      for (const ImagePoint& p : image) positions.back().push_back({p.x, p.y});
    }
    const auto refined = Diagnose(positions).refined;
    ASSERT_TRUE(refined);
    EXPECT_LT(std::hypot(refined->x - zoom.centre.x, refined->y - zoom.centre.y), 0.03) << ratio;
  }
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// A real optical zoom (a small camera's motorised lens, three settings, strong barrel
// distortion at the wide end, given out of order): measured, not refused, with tracks that
// live in part of the sequence and a point between the centres of its two steps (near
// (305, 659) and (312, 640), found by an independent look at the pairs).
TEST(SceneSequence, MotorisedZoomLensIsMeasured) {
  std::vector<cv::Mat> images;
  for (const char* name : {"inter", "in", "out"})
    images.push_back(cv::imread(
        std::string(ZIRT_TEST_PHOTOS) + "/../real-zoom/motorised-zoom-eye/" + name + ".png",
        cv::IMREAD_GRAYSCALE));
  for (const cv::Mat& image : images) ASSERT_FALSE(image.empty());
  const SceneTracks tracks = FindSceneTracks(images, 2000);
  ASSERT_FALSE(tracks.refusal) << tracks.refusal->reason;
  EXPECT_GT(tracks.images[0].size(), 500u);
  std::vector<std::vector<Position>> positions;
  std::size_t gaps = 0;
  for (const auto& image : tracks.images) {
    positions.emplace_back();
    for (const ImagePoint& p : image) {
      positions.back().push_back({p.x, p.y});
      gaps += !std::isfinite(p.x);
    }
  }
  EXPECT_GT(gaps, 0u);
  const auto refined = Diagnose(positions).refined;
  ASSERT_TRUE(refined);
  EXPECT_LT(std::hypot(refined->x - 308.5, refined->y - 649.5), 12);
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// --chessboard auto on every board photograph at hand, as taken, and enlarged three times
// where the detector's own count once fell short (a partial board, every second row strung
// into a grid): the board's whole inner-corner count, 9 × 6, counted with the rows across the
// image (6 × 9 where the board stands upright).
TEST(ChessboardAuto, TrueSizeOnEveryBoardPhotograph) {
  for (const char* name : {"left01", "left02", "left03", "left04", "left05", "left06", "left07",
                           "left08", "left09", "left11", "left12", "left13", "left14"})
    for (const double enlarge : {1.0, 3.0}) {
      const std::string which = std::string(name);
      if (enlarge > 1 && which != "left04" && which != "left06" && which != "left08") continue;
      cv::Mat grey;
      cv::cvtColor(test::ReadTestPhoto(name), grey, cv::COLOR_BGR2GRAY);
      if (enlarge > 1) cv::resize(grey, grey, cv::Size(), enlarge, enlarge, cv::INTER_CUBIC);
      const Pattern found = FindChessboardPattern(grey);
      EXPECT_EQ(std::max(found.cols, found.rows), 9) << name << " ×" << enlarge;
      EXPECT_EQ(std::min(found.cols, found.rows), 6) << name << " ×" << enlarge;
    }
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// A smooth texture of a few sinusoids, sampled exactly wherever asked: 16-bit, so that the
// grey levels' rounding stays far below the accuracy looked for.
cv::Mat Texture(cv::Size size, cv::Point2d shift, double scale, bool inverted) {
  cv::Mat image(size, CV_16U);
  for (int v = 0; v < size.height; ++v)
    for (int u = 0; u < size.width; ++u) {
      const double x = 0.5 * (u - shift.x) / scale, y = 0.5 * (v - shift.y) / scale;
      const double t = std::sin(0.61 * x + 0.3) + std::cos(0.47 * y - 0.2) +
                       0.7 * std::sin(0.33 * x + 0.52 * y + 1.1) +
                       0.5 * std::cos(0.83 * x - 0.29 * y);
      image.at<unsigned short>(v, u) =
          cv::saturate_cast<unsigned short>(30000 + (inverted ? -1 : 1) * 8000 * t);
    }
  return image;
}

// The patch match finds a patch moved by a fraction of a pixel to a few thousandths of one
// (the interpolation's own phase error), also zoomed; a patch of inverted grey levels is no
// match however well it correlates.
TEST(PatchMatch, SubPixelAccurateAndNeverInverted) {
  const cv::Mat reference = Texture({120, 120}, {0, 0}, 1, false);
  double largest = 0;
  for (const double scale : {1.0, 0.8})
    for (const cv::Point2d shift :
         {cv::Point2d(0.25, 0.1), cv::Point2d(-0.4, 0.35), cv::Point2d(0.5, -0.5)}) {
      const cv::Mat moved = Texture({120, 120}, shift, scale, false);
      for (const cv::Point at : {cv::Point(50, 50), cv::Point(61, 47), cv::Point(44, 66)}) {
        const ImagePoint truth{shift.x + scale * at.x, shift.y + scale * at.y};
        const auto match =
            MatchPatch(reference, at.x, at.y, 7, moved, {truth.x + 0.6, truth.y - 0.5}, scale, 3);
        ASSERT_TRUE(match);
        largest =
            std::max(largest, std::hypot(match->position.x - truth.x, match->position.y - truth.y));
      }
    }
  EXPECT_LT(largest, 0.003);
  const cv::Mat inverted = Texture({120, 120}, {0.25, 0.1}, 1, true);
  const auto match = MatchPatch(reference, 50, 50, 7, inverted, {50.25, 50.1}, 1, 3);
  EXPECT_TRUE(!match || match->correlation < 0.8);
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// A board asked for with fewer columns than it has is never taken, on every mirror of the
// photograph (each puts the lines left over on other sides): the finder says the board is
// larger, or names the whole board it saw instead.
TEST(ChessboardFinder, SubBoardsOnEveryMirrorRefused) {
  cv::Mat photo;
  cv::cvtColor(test::ReadTestPhoto("left01"), photo, cv::COLOR_BGR2GRAY);
  for (const int flip : {2, 0, 1, -1}) {  // none, about the x axis, the y axis, both
    cv::Mat mirrored = photo;
    if (flip != 2) cv::flip(photo, mirrored, flip);
    FindDetail detail;
    EXPECT_FALSE(FindPattern(mirrored, {PatternKind::kChessboard, 7, 6}, &detail)) << flip;
    EXPECT_TRUE(detail.larger ||
                (detail.other.Count() == 54 && std::max(detail.other.cols, detail.other.rows) == 9))
        << flip;
  }
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

// A camera turned by a twentieth of a degree is measured, and named: too little to refuse, but
// enough to move the point.
TEST(SceneSequence, SmallTurnNamed) {
  const cv::Mat photo = test::ReadTestPhoto("building");
  test::PhotoZoom zoom;
  zoom.enlarge = 1.4;
  zoom.centre = {photo.cols * 0.7 + 0.3, photo.rows * 0.7 - 0.4};
  zoom.zooms = {1, 0.9, 0.8, 0.7};
  const std::vector<cv::Mat> images = test::MakePhotoZoom(photo, zoom, 9);

  std::vector<cv::Mat> turned = images;
  turned[2] = cv::Mat();  // not written into the shared pixels of images[2]
  const cv::Mat turn =
      cv::getRotationMatrix2D(cv::Point2f(images[2].cols / 2.f, images[2].rows / 2.f), 0.05, 1);
  cv::warpAffine(images[2], turned[2], turn, images[2].size(), cv::INTER_CUBIC,
                 cv::BORDER_REPLICATE);
  const SceneTracks named = FindSceneTracks(turned, 800);
  ASSERT_FALSE(named.refusal) << named.refusal->reason;
  ASSERT_EQ(named.notes.size(), 1u);
  EXPECT_EQ(named.notes[0].image, 2u);
  EXPECT_EQ(named.notes[0].reason.rfind("turned 0.0", 0), 0u) << named.notes[0].reason;
}

}  // namespace
}  // namespace zirt
