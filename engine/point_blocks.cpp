#include "engine/point_blocks.hpp"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <new>

namespace vc::engine {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t BlockAlignment(std::size_t bytes, std::size_t alignment) noexcept {
  return bytes >= kHugePage && alignment < kHugePage ? kHugePage : alignment;
}

}  // namespace

void* AllocatePointBlock(std::size_t bytes, std::size_t alignment) {
  const std::size_t aligned = BlockAlignment(bytes, alignment);
  void* block = ::operator new (bytes, std::align_val_t{aligned});
#ifdef MADV_HUGEPAGE
  // Only advice: where huge pages are off the block simply stays in small ones.
  if (aligned == kHugePage) (void)::madvise(block, bytes - bytes % kHugePage, MADV_HUGEPAGE);
#endif
  return block;
}

void FreePointBlock(void* block, std::size_t bytes, std::size_t alignment) noexcept {
  ::operator delete (block, std::align_val_t{BlockAlignment(bytes, alignment)});
}

}  // namespace vc::engine
