#include <gtest/gtest.h>

#include <vector>

#include "data/data_structures.h"

namespace zirt {
namespace {

// A point that counts how many of its kind are alive.
struct CountedPoint : VT_Point {
  static inline int alive = 0;
  CountedPoint(double x, double y) : VT_Point(x, y) { ++alive; }
  ~CountedPoint() override { --alive; }
};

TEST(VTPoint, AccessorsReturnBothCoordinates) {
  const VT_Point p(12.5, -3);
  EXPECT_EQ(p.X, 12.5);
  EXPECT_EQ(p.Y, -3);
  const VT_Drawable& d = p;
  EXPECT_EQ(d.GetY(), -3);
  EXPECT_EQ(d.GetColumn(), -3);
  EXPECT_EQ(d.GetX(), 12.5);
  EXPECT_EQ(d.GetRow(), 12.5);
}

TEST(VTPoint, DrawPaintsOneMagnifiedCellAtRowXColumnY) {
  struct Recorder : VT_Canvas {
    void SetPenColor(Color c) override { pen = c; }
    void SetBrushColor(Color c) override { brush = c; }
    void Rectangle(int l, int t, int r, int b) override { rect = {l, t, r, b}; }
    Color pen = 1, brush = 1;
    std::vector<int> rect;
  } canvas;
  VT_Point p(3, 5);
  p.colour = 0x00FF00;
  p.Draw(canvas, 1, 2, 2.0, 3.0);
  EXPECT_EQ(canvas.pen, 0x00FF00u);
  EXPECT_EQ(canvas.brush, 0x00FF00u);
  EXPECT_EQ(canvas.rect, (std::vector<int>{9, 4, 12, 6}));
}

TEST(ListOfT, GetIsBoundsTested) {
  VT_Points set(1);
  set.Add(new VT_Point(1, 2));
  set.Add(new VT_Point(3, 4));
  EXPECT_EQ(set.Get(set.Count() - 1)->X, 3);
  for (int bad : {-1, 2}) {
    try {
      set.Get(bad);
      ADD_FAILURE() << bad;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Index out of bounds ListOfT::Get");
    }
  }
}

TEST(ListOfT, OwningListReleasesItsItemsOnClearAndDestruction) {
  {
    VT_Points set(1);
    for (int i = 0; i < 5; ++i) set.Add(new CountedPoint(i, i));
    EXPECT_EQ(CountedPoint::alive, 5);
    set.Clear();
    EXPECT_EQ(CountedPoint::alive, 0);
    EXPECT_EQ(set.Count(), 0);
    set.Add(new CountedPoint(7, 7));
    EXPECT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Get(0)->X, 7);
    set.Clear();
    set.Clear();  // An empty set clears to nothing and stays usable.
    set.Add(nullptr);
    EXPECT_EQ(set.Count(), 1);
    set.Clear();
    for (int i = 0; i < 3; ++i) set.Add(new CountedPoint(i, i));
  }
  EXPECT_EQ(CountedPoint::alive, 0);
}

TEST(ListOfT, NonOwningListLeavesItsItemsAlone) {
  CountedPoint a(1, 1);
  {
    VT_Points view(0);
    view.Add(&a);
    view.Clear();
    view.Add(&a);
  }
  EXPECT_EQ(CountedPoint::alive, 1);
}

TEST(ListOfT, ConstructorRejectsAFlagOtherThanZeroOrOne) {
  try {
    VT_Points set(2);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Wrong parameter transferred to ListOfT::ListOfT");
  }
}

TEST(ImageSets, OwnsItsSetsAndTestsIndexes) {
  {
    ImageSets images;
    for (int k = 0; k < 3; ++k) {
      auto set = std::make_unique<VT_Points>(1);
      for (int i = 0; i <= k; ++i) set->Add(new CountedPoint(k, i));
      images.Append(std::move(set));
    }
    EXPECT_EQ(images.Length(), 3u);
    EXPECT_EQ(images[2].Count(), 3);
    try {
      images[3];
      ADD_FAILURE();
    } catch (const ERangeError& e) {
      EXPECT_EQ(e.Index(), 3);
      EXPECT_EQ(e.Length(), 3u);
    }
    EXPECT_THROW(images[-1], ERangeError);
    images.ReleaseAll();
    EXPECT_EQ(images.Length(), 0u);
    EXPECT_EQ(CountedPoint::alive, 0);
    auto set = std::make_unique<VT_Points>(1);
    set->Add(new CountedPoint(0, 0));
    images.Append(std::move(set));
  }
  EXPECT_EQ(CountedPoint::alive, 0);
}

}  // namespace
}  // namespace zirt

namespace zirt {
namespace {

TEST(DisplayText, FullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(DisplayText("Index out of bounds ListOfT::Get"), "Index out of bounds ListOfT::Get.");
  EXPECT_EQ(DisplayText("Ошибка"), "Ошибка.");
  EXPECT_EQ(DisplayText("code 7"), "code 7.");
  EXPECT_EQ(DisplayText("Done!"), "Done!");
  EXPECT_EQ(DisplayText("Done."), "Done.");
  EXPECT_EQ(DisplayText("Done "), "Done ");
  EXPECT_EQ(DisplayText("a,"), "a,");
  EXPECT_EQ(DisplayText(""), "");
}

}  // namespace
}  // namespace zirt
