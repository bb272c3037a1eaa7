#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "data/compute_hints.h"

namespace zirt {
namespace {

// The fault found from the data, and the reference point named, for the point the run was
// fitting when it failed.
TEST(ComputeFailureHint, NamesTheFaultAndItsPoint) {
  struct Case {
    std::vector<std::vector<std::pair<double, double>>> images;
    int fitted;
    ComputeFault fault;
    int point;
    const char* first_line;
  };
  const double N = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {{{{1, 1}, {5, 2}}, {{2, 2}, {5, 9}}},
       1,
       ComputeFault::kVerticalTrack,
       2,
       "Реперная точка 2 движется строго по вертикали"},
      {{{{3, 4}, {5, 2}}, {{3, 4}, {6, 9}}},
       0,
       ComputeFault::kStillTrack,
       1,
       "Реперная точка 1 стоит на месте"},
      // Without a record of the run, a still point (left out of the fit) is not the culprit.
      {{{{3, 4}, {5, 2}}, {{3, 4}, {5, 9}}},
       -1,
       ComputeFault::kVerticalTrack,
       2,
       "Реперная точка 2 движется строго по вертикали"},
      // A point not seen in an image is judged where it is seen, and the line says so.
      {{{{1, 1}, {N, N}}, {{2, 2}, {5, 2}}, {{3, 1}, {5, 9}}},
       1,
       ComputeFault::kVerticalTrack,
       2,
       "Реперная точка 2 движется строго по вертикали (x одинаков на всех снимках, где она "
       "видна)"},
      // Tracks that are not parallel, one not seen in the first image: nothing to say.
      {{{{N, N}, {1, 1}, {10, 1}}, {{0, 0}, {2, 3}, {12, 0}}}, 3, ComputeFault::kNone, 0, ""},
      // A track that keeps its y is an ordinary line: nothing to say about it.
      {{{{1, 4}, {5, 2}}, {{2, 4}, {6, 9}}}, 0, ComputeFault::kNone, 0, ""},
      {{{{1, 1}, {5, 2}}, {{2, 1}, {6, 2}}},
       2,
       ComputeFault::kNoCommonPoint,
       0,
       "Прямые всех реперных точек параллельны"},
      // An empty first file leaves nothing to fit.
      {{{}, {{2, 1}}}, -1, ComputeFault::kNoPoints, 0, "В файле a.crd нет точек."},
      // A short image explains the failure whatever the point.
      {{{{1, 1}, {5, 2}}, {{2, 1}}},
       1,
       ComputeFault::kShortImage,
       0,
       "Точек в файле b.crd: 1, в файле a.crd: 2."},
  };
  for (const Case& c : cases) {
    ImageSets images;
    std::vector<std::unique_ptr<VT_Points>> sets;
    for (const auto& image : c.images) {
      auto set = std::make_unique<VT_Points>(1);
      for (const auto& [x, y] : image) set->Add(new VT_Point(x, y));
      sets.push_back(std::move(set));
    }
    for (auto& set : sets) images.Append(std::move(set));
    const ComputeHint hint = ComputeFailureHint(images, {"a.crd", "b.crd"}, c.fitted);
    EXPECT_EQ(hint.fault, c.fault) << c.first_line;
    EXPECT_EQ(hint.point, c.point) << c.first_line;
    if (c.fault == ComputeFault::kNone) {
      EXPECT_TRUE(hint.lines.empty());
      continue;
    }
    ASSERT_EQ(hint.lines.size(), 2u);
    EXPECT_EQ(hint.lines[0].rfind(c.first_line, 0), 0u) << hint.lines[0];
    EXPECT_EQ(hint.lines[1].rfind("Что делать:", 0), 0u) << hint.lines[1];
  }
}

}  // namespace
}  // namespace zirt
