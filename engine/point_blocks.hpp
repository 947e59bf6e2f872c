// Storage of the point lists' blocks. A track of a million points fills a
// few hundred megabytes in blocks of up to tens of megabytes; large blocks
// are offered to the kernel for huge pages, so that filling them costs one
// page fault per 2 MiB instead of one per 4 KiB.
#pragma once

#include <cstddef>

namespace vc::engine {

// Uninitialised memory for `bytes` bytes aligned for `alignment`; throws
// std::bad_alloc as operator new does.
void* AllocatePointBlock(std::size_t bytes, std::size_t alignment);
void FreePointBlock(void* block, std::size_t bytes, std::size_t alignment) noexcept;

}  // namespace vc::engine
