// A list of points that grows without moving them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "engine/point_blocks.hpp"

namespace vc::engine {

// Points of one record, numbered from 1 as in the files. Clearing keeps the
// elements, so reading the next record reuses their string buffers instead of
// allocating again.
//
// A track may hold a million points, so the list grows in blocks that never
// move: block k holds 64 * 2^k points, a point stays where it was put, and no
// growth copies the points before it or holds two arrays at once. A block's
// points are constructed only when first reached, so the pages of a block's
// unused end are never touched.
template <typename Point>
class PointList {
 public:
  PointList() = default;
  PointList(const PointList&) = delete;
  PointList& operator=(const PointList&) = delete;
  ~PointList() { ReleaseFrom(0); }

  void Clear() noexcept { count_ = 0; }
  // The next point; its fields hold whatever an earlier record left there, so
  // a reader assigns every field.
  Point& Add() {
    const Slot slot = SlotOf(count_);
    if (slot.block == blocks_.size()) {
      blocks_.push_back(static_cast<Point*>(
          AllocatePointBlock(BlockSize(slot.block) * sizeof(Point), alignof(Point))));
    }
    Point* point = blocks_[slot.block] + slot.offset;
    if (count_ == constructed_) {
      new (point) Point();
      ++constructed_;
    }
    ++count_;
    return *point;
  }
  // Takes back the point last added.
  void DropLast() noexcept {
    if (count_ > 0) --count_;
  }
  [[nodiscard]] std::size_t Count() const noexcept { return count_; }
  // Point number n, 1 <= n <= Count().
  Point& operator[](std::size_t n) noexcept {
    const Slot slot = SlotOf(n - 1);
    return blocks_[slot.block][slot.offset];
  }
  const Point& operator[](std::size_t n) const noexcept {
    const Slot slot = SlotOf(n - 1);
    return blocks_[slot.block][slot.offset];
  }
  // The number of a point of this list, found from where it lies; 0 for a
  // point held anywhere else (a copy).
  [[nodiscard]] std::size_t NumberOf(const Point& point) const noexcept {
    const auto at = reinterpret_cast<std::uintptr_t>(&point);
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
      const auto start = reinterpret_cast<std::uintptr_t>(blocks_[block]);
      if (at >= start && at < start + BlockSize(block) * sizeof(Point)) {
        const std::size_t index = BlockStart(block) + (at - start) / sizeof(Point);
        return index < count_ ? index + 1 : 0;
      }
    }
    return 0;
  }

 private:
  static constexpr std::size_t kFirstBlockBits = 6;

  struct Slot {
    std::size_t block;
    std::size_t offset;
  };
  static std::size_t BlockSize(std::size_t block) noexcept {
    return std::size_t{1} << (block + kFirstBlockBits);
  }
  static std::size_t BlockStart(std::size_t block) noexcept {
    return BlockSize(block) - BlockSize(0);
  }
  // Blocks before k hold 64 * (2^k - 1) points, so index i lies in the block
  // given by the highest bit of i + 64.
  static Slot SlotOf(std::size_t index) noexcept {
    const std::size_t shifted = index + BlockSize(0);
    const auto block = static_cast<std::size_t>(std::bit_width(shifted)) - 1 - kFirstBlockBits;
    return {block, shifted - BlockSize(block)};
  }

  // Destroys the points of blocks `first` on and frees those blocks.
  void ReleaseFrom(std::size_t first) noexcept {
    for (std::size_t block = blocks_.size(); block-- > first;) {
      const std::size_t start = BlockStart(block);
      for (std::size_t i = start; i < constructed_; ++i) blocks_[block][i - start].~Point();
      if (constructed_ > start) constructed_ = start;
      FreePointBlock(blocks_[block], BlockSize(block) * sizeof(Point), alignof(Point));
      blocks_.pop_back();
    }
  }

  std::vector<Point*> blocks_;
  std::size_t count_ = 0;
  std::size_t constructed_ = 0;  // points 0 .. constructed_ - 1 are alive
};

}  // namespace vc::engine
