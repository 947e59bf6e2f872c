#include "engine/point_blocks.hpp"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <cstdint>
#include <new>
#include <system_error>

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

void BlockWarmer::Warm(void* begin, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
  static const bool worthIt = std::thread::hardware_concurrency() > 1;
  if (!worthIt) return;
  constexpr std::uintptr_t kPage = 4096;
  const auto from = (reinterpret_cast<std::uintptr_t>(begin) + kPage - 1) & ~(kPage - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(kPage - 1);
  if (to <= from) return;
  Wait();
  try {
    thread_ = std::thread([from, to] {
      // Fails harmlessly where the system does not know the advice.
      (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    });
  } catch (const std::system_error&) {
    // No thread to be had: the pages are faulted in as they are reached.
  }
#else
  (void)begin;
  (void)bytes;
#endif
}

void BlockWarmer::Wait() noexcept {
  if (thread_.joinable()) thread_.join();
}

}  // namespace vc::engine
