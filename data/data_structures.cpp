#include "data/data_structures.h"

#include "data/extended.h"
#include "data/number_parse.h"

namespace zirt {

void VT_Point::Draw(VT_Canvas& canvas, int first_origin, int second_origin, double first_scale,
                    double second_scale) const {
  canvas.SetPenColor(colour);
  canvas.SetBrushColor(colour);
  const Ext row = static_cast<Ext>(X) - first_origin;
  const Ext column = static_cast<Ext>(Y) - second_origin;
  canvas.Rectangle(TruncToInt(column * second_scale), TruncToInt(row * first_scale),
                   TruncToInt((column + 1) * second_scale), TruncToInt((row + 1) * first_scale));
}

VT_Points& ImageSets::operator[](std::ptrdiff_t k) const {
  if (k < 0 || static_cast<std::size_t>(k) >= sets_.size()) throw ERangeError(k, sets_.size());
  return *sets_[static_cast<std::size_t>(k)];
}

void ImageSets::Append(std::unique_ptr<VT_Points> set) {
  // Exact-size growth: an array of images never holds spare slots.
  sets_.reserve(sets_.size() + 1);
  sets_.push_back(std::move(set));
}

void ImageSets::ReleaseAll() {
  for (auto& set : sets_) set.reset();
  std::vector<std::unique_ptr<VT_Points>>().swap(sets_);
}

}  // namespace zirt
