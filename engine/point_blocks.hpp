// Storage of the point lists' blocks. A track of a million points fills a
// few hundred megabytes in blocks of up to tens of megabytes; large blocks
// are offered to the kernel for huge pages, so that filling them costs one
// page fault per 2 MiB instead of one per 4 KiB.
#pragma once

#include <cstddef>
#include <thread>

namespace vc::engine {

// Uninitialised memory for `bytes` bytes aligned for `alignment`; throws
// std::bad_alloc as operator new does.
void* AllocatePointBlock(std::size_t bytes, std::size_t alignment);
void FreePointBlock(void* block, std::size_t bytes, std::size_t alignment) noexcept;

// Has the system fault in, and so zero, the fresh pages of a block a little
// ahead of the points being put there, on another thread: for a track of a
// million points the zeroing is a tenth of a second or more of the reading
// thread's time otherwise. Only the page tables are filled, no byte is
// written, so the thread touches nothing the list's owner uses. Where the
// system cannot do that, or the machine has one core, it does nothing.
class BlockWarmer {
 public:
  // A window of this size is asked for at a time, so the pages made ready
  // ahead of use stay below two windows.
  static constexpr std::size_t kWindowBytes = std::size_t{4} << 20;

  BlockWarmer() = default;
  BlockWarmer(const BlockWarmer&) = delete;
  BlockWarmer& operator=(const BlockWarmer&) = delete;
  ~BlockWarmer() { Wait(); }

  // Starts faulting in the whole pages of [begin, begin + bytes), after the
  // window asked for before.
  void Warm(void* begin, std::size_t bytes);
  // Until the last window asked for is done.
  void Wait() noexcept;

 private:
  std::thread thread_;
};

}  // namespace vc::engine
