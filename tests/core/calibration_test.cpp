#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "calib/track_survey.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

using V = std::vector<std::string>;

struct Recorder : CalibrationView {
  void ClearReport() override { lines.clear(); }
  void AppendReport(const std::string& line) override { lines.push_back(line); }
  void LineFitted(const VT_Point& line) override { drawn.push_back({line.X, line.Y}); }
  V lines;
  std::vector<std::pair<double, double>> drawn;
};

std::unique_ptr<VT_Points> NewSet(std::initializer_list<std::pair<double, double>> points) {
  auto set = std::make_unique<VT_Points>(1);
  for (auto [x, y] : points) set->Add(new VT_Point(x, y));
  return set;
}

void LoadWorkedExample(Calibration& c) {
  std::vector<std::unique_ptr<VT_Points>> sets;
  sets.push_back(NewSet({{420, 290}, {270, 340}}));
  sets.push_back(NewSet({{520, 341}, {221, 440}}));
  sets.push_back(NewSet({{620, 390}, {170, 540}}));
  c.TakeImages(std::move(sets));
}

TEST(FitLine, WorkedExampleInStepMode) {
  SeparatorGuard comma(',');
  Recorder r;
  const auto first = NewSet({{420, 290}, {520, 341}, {620, 390}});
  auto line = FitLine(*first, true, r);
  EXPECT_EQ(line->X, 0.5);
  EXPECT_NEAR(line->Y, 80.333333333333, 1e-10);
  EXPECT_EQ(r.lines, (V{"Среднее = 0,000", "СКО = 0,516"}));

  const auto second = NewSet({{270, 340}, {221, 440}, {170, 540}});
  line = FitLine(*second, true, r);
  EXPECT_NEAR(line->X, -1.9997333689, 1e-10);
  EXPECT_NEAR(line->Y, 880.6079189441, 1e-10);
  EXPECT_EQ(r.lines.back(), "СКО = 0,516");
}

TEST(FitLine, OutsideStepModeWritesNothing) {
  Recorder r;
  const auto line = FitLine(*NewSet({{420, 290}, {520, 341}, {620, 390}}), false, r);
  EXPECT_EQ(line->X, 0.5);
  EXPECT_TRUE(r.lines.empty());
}

TEST(FitLine, CollinearAndHorizontalTracks) {
  SeparatorGuard comma(',');
  Recorder r;
  auto line = FitLine(*NewSet({{1, 5}, {2, 5}, {4, 5}}), true, r);
  EXPECT_EQ(line->X, 0);
  EXPECT_EQ(line->Y, 5);
  EXPECT_EQ(r.lines, (V{"Среднее = 0,000", "СКО = 0,000"}));
  line = FitLine(*NewSet({{10.5, 3}, {20.25, 7.75}}), true, r);
  EXPECT_EQ(r.lines.back(), "СКО = 0,000");
}

TEST(FitLine, VerticalTrackFails) {
  Recorder r;
  // Whole pixels: numerator and divisor both compute to zero.
  EXPECT_THROW(FitLine(*NewSet({{5, 1}, {5, 2}, {5, 3}}), true, r), EInvalidOp);
  EXPECT_THROW(FitLine(*NewSet({{5, 1}, {5, 1}}), false, r), EInvalidOp);
  EXPECT_TRUE(r.lines.empty());
}

TEST(FindPrincipalPoint, TwoLinesMeetExactly) {
  SeparatorGuard comma(',');
  Recorder r;
  const auto lines = NewSet({{0.5, 80.333333333333333}, {-1.9997333689, 880.6079189441}});
  const auto p = FindPrincipalPoint(*lines, r);
  EXPECT_NEAR(p->X, 320.1439783828, 1e-7);
  EXPECT_NEAR(p->Y, 240.4053225247, 1e-7);
  EXPECT_EQ(r.lines, (V{"", "x0(пикс.) = 320,1440", "y0(пикс.) = 240,4053", "",
                        "Средняя ошибка = 0,0000", "СКО = 0,0000"}));
}

TEST(FindPrincipalPoint, ThreeLinesUseTheSignedMeanOverNMinusOne) {
  SeparatorGuard comma(',');
  Recorder r;
  const auto p = FindPrincipalPoint(*NewSet({{0.5, 80}, {-2, 880}, {1, -78}}), r);
  EXPECT_NEAR(p->X, 4953 / 15.5, 1e-9);
  EXPECT_EQ(r.lines, (V{"", "x0(пикс.) = 319,5484", "y0(пикс.) = 240,7419", "",
                        "Средняя ошибка = 0,1116", "СКО = 0,7305"}));
}

TEST(FindPrincipalPoint, TooFewOrParallelLinesFail) {
  Recorder r;
  EXPECT_THROW(FindPrincipalPoint(*NewSet({}), r), EInvalidOp);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_THROW(FindPrincipalPoint(*NewSet({{0.5, 80}}), r), Exception);
  r.lines.clear();
  EXPECT_THROW(FindPrincipalPoint(*NewSet({{2, 1}, {2, 5}, {2, 9}}), r), EInvalidOp);
  EXPECT_TRUE(r.lines.empty());
}

TEST(Calibration, WorkedExampleStepByStepUnderBothSeparators) {
  for (char separator : {',', '.'}) {
    SeparatorGuard guard(separator);
    auto d = [&](std::string s) {
      for (char& c : s)
        if (c == ',') c = separator;
      return s;
    };
    Calibration c;
    LoadWorkedExample(c);
    c.StepMode = true;
    Recorder r;
    r.lines = {"old"};
    ASSERT_EQ(c.Compute(r), ComputeOutcome::kDone);
    EXPECT_EQ(r.lines, (V{"", d("1,0000-ая прямая:"), d("Среднее = 0,000"), d("СКО = 0,516"), "",
                          d("2,0000-ая прямая:"), d("Среднее = 0,000"), d("СКО = 0,516"), "",
                          d("x0(пикс.) = 320,1440"), d("y0(пикс.) = 240,4053"), "",
                          d("Средняя ошибка = 0,0000"), d("СКО = 0,0000")}));
    EXPECT_NEAR(c.PrincipalX, 320.1439783828, 1e-9);
    EXPECT_NEAR(c.PrincipalY, 240.4053225247, 1e-9);
    EXPECT_FALSE(c.ResultSaved);
    ASSERT_EQ(r.drawn.size(), 2u);
    EXPECT_EQ(r.drawn[0].first, 0.5);
    EXPECT_EQ(c.FittedLines.Count(), 2);
  }
}

TEST(Calibration, RepeatedRunsGiveTheSameReportAndLines) {
  Calibration c;
  LoadWorkedExample(c);
  Recorder r;
  c.Compute(r);
  const V first = r.lines;
  EXPECT_EQ(first.size(), 6u);
  EXPECT_TRUE(r.drawn.empty());
  c.Compute(r);
  EXPECT_EQ(r.lines, first);
  EXPECT_EQ(c.FittedLines.Count(), 2);
}

TEST(Calibration, RefusesWithoutTwoImages) {
  Calibration c;
  Recorder r;
  r.lines = {"kept"};
  EXPECT_EQ(c.Compute(r), ComputeOutcome::kNoImages);
  std::vector<std::unique_ptr<VT_Points>> one;
  one.push_back(NewSet({{1, 2}}));
  c.TakeImages(std::move(one));
  EXPECT_EQ(c.Compute(r), ComputeOutcome::kOneImage);
  EXPECT_EQ(r.lines, V{"kept"});
  EXPECT_TRUE(c.ResultSaved);
}

TEST(Calibration, AShortImageFailsInTheFirstMissingPass) {
  Calibration c;
  std::vector<std::unique_ptr<VT_Points>> sets;
  sets.push_back(NewSet({{1, 1}, {2, 5}, {3, 9}, {4, 2}, {5, 7}}));
  sets.push_back(NewSet({{2, 3}, {4, 6}, {5, 1}, {7, 3}}));
  sets.push_back(NewSet({{3, 6}, {6, 8}, {8, 4}, {9, 1}, {1, 1}}));
  c.TakeImages(std::move(sets));
  c.PrincipalX = 7;
  Recorder r;
  try {
    c.Compute(r);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Index out of bounds ListOfT::Get");
  }
  EXPECT_EQ(c.FittedLines.Count(), 4);
  EXPECT_EQ(c.PrincipalX, 7);
  EXPECT_TRUE(c.ResultSaved);
}

TEST(Calibration, ExtraPointsOfLaterImagesAreIgnored) {
  Calibration c;
  std::vector<std::unique_ptr<VT_Points>> sets;
  sets.push_back(NewSet({{420, 290}, {270, 340}}));
  sets.push_back(NewSet({{520, 341}, {221, 440}, {1, 1}}));
  c.TakeImages(std::move(sets));
  Recorder r;
  EXPECT_EQ(c.Compute(r), ComputeOutcome::kDone);
  EXPECT_EQ(c.FittedLines.Count(), 2);
}

TEST(Calibration, EmptyFirstImageFailsInTheEstimation) {
  Calibration c;
  std::vector<std::unique_ptr<VT_Points>> sets;
  sets.push_back(NewSet({}));
  sets.push_back(NewSet({{1, 1}}));
  c.TakeImages(std::move(sets));
  Recorder r;
  EXPECT_THROW(c.Compute(r), EInvalidOp);
}

// What the data cannot fix is refused before the report is touched; points that do not move
// are left out and named, and the rest computes as without them.
TEST(Calibration, RefusesWhatNoIntersectionFixes) {
  SeparatorGuard point('.');
  using Sets = std::vector<std::vector<std::pair<double, double>>>;
  const std::string still = kNothingMovesMessage, parallel = kNoCommonPointMessage;
  const double N = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    Sets images;
    std::string refusal;  // empty: computes
    V first_lines;
  } cases[] = {
      {"the same image twice", {{{228, 588}, {10, 20}}, {{228, 588}, {10, 20}}}, still, {}},
      {"pure translation",
       {{{10, 20}, {30, 45}, {-5, 7}}, {{13, 21}, {33, 46}, {-2, 8}}, {{16, 22}, {36, 47}, {1, 9}}},
       parallel,
       {}},
      {"all on one line through the centre",
       {{{10, 20}, {30, 40}}, {{11, 21}, {33, 43}}, {{12, 22}, {36, 46}}},
       parallel,
       {}},
      {"one moving track", {{{5, 1}, {7, 7}}, {{5, 2}, {7, 7}}}, parallel, {}},
      {"parallel verticals", {{{5, 1}, {9, 1}}, {{5, 2}, {9, 4}}}, parallel, {}},
      // The worked example with a point at the centre first and a still one last.
      {"a point at the centre",
       {{{320, 240}, {420, 290}, {270, 340}, {7, 7}},
        {{320, 240}, {520, 341}, {221, 440}, {7, 7}},
        {{320, 240}, {620, 390}, {170, 540}, {7, 7}}},
       "",
       {"Не сдвигаются между снимками и не учтены точки 1, 4.", "",
        "2.0000-ая прямая:", "Среднее = 0.000", "СКО = 0.516", "",
        "3.0000-ая прямая:", "Среднее = 0.000", "СКО = 0.516", "", "x0(пикс.) = 320.1440"}},
      {"no point seen twice", {{{1, 2}, {N, N}}, {{N, N}, {3, 4}}}, kNothingSeenTwiceMessage, {}},
      // Each track over its own images: the second through its two positions exactly, the
      // third seen once and left out, the fourth still where it is seen.
      {"tracks in part of the sequence",
       {{{420, 290}, {270, 340}, {N, N}, {N, N}},
        {{520, 341}, {N, N}, {5, 5}, {7, 7}},
        {{620, 390}, {170, 540}, {N, N}, {7, 7}}},
       "",
       {"Видна менее чем на двух снимках и не учтена точка 3.",
        "Не сдвигается между снимками и не учтена точка 4.", "",
        "1.0000-ая прямая:", "Среднее = 0.000", "СКО = 0.516", "",
        "2.0000-ая прямая:", "Среднее = 0.000", "СКО = 0.000", ""}},
  };
  for (const Case& c : cases) {
    Calibration calibration;
    std::vector<std::unique_ptr<VT_Points>> sets;
    for (const auto& image : c.images) {
      sets.push_back(std::make_unique<VT_Points>(1));
      for (auto [x, y] : image) sets.back()->Add(new VT_Point(x, y));
    }
    calibration.TakeImages(std::move(sets));
    calibration.StepMode = true;
    Recorder r;
    r.lines = {"kept"};
    if (c.refusal.empty()) {
      ASSERT_EQ(calibration.Compute(r), ComputeOutcome::kDone) << c.name;
      EXPECT_EQ(V(r.lines.begin(), r.lines.begin() + 11), c.first_lines) << c.name;
      EXPECT_EQ(calibration.FittedLines.Count(), 2) << c.name;
      continue;
    }
    try {
      calibration.Compute(r);
      ADD_FAILURE() << c.name;
    } catch (const EUndeterminedPoint& e) {
      EXPECT_EQ(e.Message(), c.refusal) << c.name;
    }
    EXPECT_EQ(r.lines, V{"kept"}) << c.name;
    EXPECT_TRUE(calibration.ResultSaved) << c.name;
  }
  EXPECT_EQ(SparseTracksNote({2, 5}), "Видны менее чем на двух снимках и не учтены точки 2, 5.");
  EXPECT_EQ(StillTracksNote({3}), "Не сдвигается между снимками и не учтена точка 3.");
  EXPECT_EQ(
      StillTracksNote({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
      "Не сдвигаются между снимками и не учтены точки 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 и ещё 2.");
}

}  // namespace
}  // namespace zirt
