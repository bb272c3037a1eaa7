#include "data/data_structures.h"

#include "data/extended.h"
#include "data/number_parse.h"

namespace zirt {
namespace {

// A free list of point-sized slots carved from large blocks. The program runs on one
// thread; when the last point is released the blocks go back to the system.
class PointPool {
 public:
  void* Allocate() {
    if (free_ == nullptr) Grow();
    Slot* slot = free_;
    free_ = slot->next;
    ++live_;
    return slot;
  }

  void Release(void* p) {
    Slot* slot = static_cast<Slot*>(p);
    slot->next = free_;
    free_ = slot;
    if (--live_ == 0) ReleaseBlocks();
  }

  ~PointPool() { ReleaseBlocks(); }

 private:
  union Slot {
    Slot* next;
    alignas(VT_Point) unsigned char bytes[sizeof(VT_Point)];
  };
  static constexpr std::size_t kBlockSlots = 16384;

  void Grow() {
    auto block = std::make_unique<Slot[]>(kBlockSlots);
    for (std::size_t i = 0; i < kBlockSlots; ++i)
      block[i].next = i + 1 < kBlockSlots ? &block[i + 1] : free_;
    free_ = &block[0];
    blocks_.push_back(std::move(block));
  }

  void ReleaseBlocks() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    free_ = nullptr;
  }

  std::vector<std::unique_ptr<Slot[]>> blocks_;
  Slot* free_ = nullptr;
  std::size_t live_ = 0;
};

PointPool& Pool() {
  static PointPool* pool = new PointPool;  // Never destroyed: points may outlive statics.
  return *pool;
}

}  // namespace

// Under AddressSanitizer every point gets its own allocation, so a fault in their use is
// caught rather than hidden inside a pool block.
// (g++ tells by __SANITIZE_ADDRESS__, clang by __has_feature.)
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZIRT_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ZIRT_ADDRESS_SANITIZER)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

void* VT_Point::operator new(std::size_t size) {
  if (!kPooled || size != sizeof(VT_Point)) return ::operator new(size);
  return Pool().Allocate();
}

void VT_Point::operator delete(void* p, std::size_t size) {
  if (p == nullptr) return;
  if (!kPooled || size != sizeof(VT_Point)) return ::operator delete(p);
  Pool().Release(p);
}

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
