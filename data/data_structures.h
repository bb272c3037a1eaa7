// The in-memory calibration data: the point record VT_Point, the typed owning list ListOfT
// (a point set is VT_Points), and ImageSets, the owning array of one point set per image.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "data/exceptions.h"

namespace zirt {

// A colour as 0x00BBGGRR.
using Color = std::uint32_t;

// Where VT_Drawable paints: the few canvas operations a drawable needs.
class VT_Canvas {
 public:
  virtual ~VT_Canvas() = default;
  virtual void SetPenColor(Color colour) = 0;
  virtual void SetBrushColor(Color colour) = 0;
  // Filled, outlined rectangle from (left, top) to (right, bottom), end edges excluded.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
};

// Something that can paint itself as a raster cell and report its two coordinates.
class VT_Drawable {
 public:
  virtual ~VT_Drawable() = default;
  // Paints as one filled cell at row GetRow(), column GetColumn(), magnified by the scales.
  virtual void Draw(VT_Canvas& canvas, int first_origin, int second_origin, double first_scale,
                    double second_scale) const = 0;
  virtual double GetY() const = 0;
  virtual double GetColumn() const = 0;
  virtual double GetX() const = 0;
  virtual double GetRow() const = 0;
};

// A measured point (X = image column, Y = image row, pixels), a fitted line (X = slope,
// Y = intercept) or the principal point (X = x0, Y = y0).
class VT_Point : public VT_Drawable {
 public:
  VT_Point(double x, double y) : X(x), Y(y) {}

  // Points come and go by the million in a load and a computation: they live in a pool.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size);

  void Draw(VT_Canvas& canvas, int first_origin, int second_origin, double first_scale,
            double second_scale) const override;
  double GetY() const override { return Y; }
  double GetColumn() const override { return Y; }
  double GetX() const override { return X; }
  double GetRow() const override { return X; }

  Color colour = 0;  // Never read by the system; kept for Draw.
  double X;
  double Y;
};

// What Get of a list raises for an index outside it.
inline constexpr const char* kListIndexMessage = "Index out of bounds ListOfT::Get";

// A typed list of item pointers that deletes its items when `Owns` is 1.
template <typename T>
class ListOfT {
 public:
  // `owns` must be 0 or 1; every list of the system is built with 1.
  explicit ListOfT(unsigned char owns) : Owns(owns) {
    if (owns > 1) throw Exception("Wrong parameter transferred to ListOfT::ListOfT");
  }
  ListOfT(const ListOfT&) = delete;
  ListOfT& operator=(const ListOfT&) = delete;
  ~ListOfT() { DeleteItems(); }

  int Count() const { return static_cast<int>(list_.size()); }

  // Appends the pointer as it is, null included; the list takes it over when it owns.
  void Add(T* item) { list_.push_back(item); }

  // Item i; an index outside 0 .. Count()-1 raises "Index out of bounds ListOfT::Get".
  T* Get(int i) const {
    if (i < 0 || i >= Count()) throw Exception(kListIndexMessage);
    return list_[static_cast<std::size_t>(i)];
  }

  // Deletes the items when owning, first to last, and leaves the list empty and usable.
  void Clear() {
    DeleteItems();
    list_.clear();
  }

  // Reserves room for n items, so a list of known size takes exactly its storage.
  void Reserve(int n) { list_.reserve(static_cast<std::size_t>(n)); }

  const unsigned char Owns;

 private:
  void DeleteItems() {
    if (Owns != 1) return;
    for (T* item : list_) delete item;
  }

  std::vector<T*> list_;
};

// A point set.
using VT_Points = ListOfT<VT_Point>;

// One owned point set per loaded image, in load order, with bounds-tested indexing.
class ImageSets {
 public:
  ImageSets() = default;
  ImageSets(const ImageSets&) = delete;
  ImageSets& operator=(const ImageSets&) = delete;
  ~ImageSets() { ReleaseAll(); }

  std::size_t Length() const { return sets_.size(); }
  bool Empty() const { return sets_.empty(); }

  // Set k; an index outside 0 .. Length()-1 raises ERangeError with the index and length.
  VT_Points& operator[](std::ptrdiff_t k) const;

  // Takes the set over as the new last entry.
  void Append(std::unique_ptr<VT_Points> set);

  // Destroys every set in index order, then sets the length to 0 and releases the storage.
  void ReleaseAll();

 private:
  std::vector<std::unique_ptr<VT_Points>> sets_;
};

}  // namespace zirt
