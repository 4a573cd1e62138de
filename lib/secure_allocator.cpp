// SPDX-License-Identifier: MIT
#include "zolt_internal.hpp"

#include <zolt/secure_allocator.hpp>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <limits>
#include <new>

namespace Zolt {

namespace {

// bytes rounded up to whole pages; 0 when that does not fit a std::size_t.
std::size_t whole_pages(std::size_t bytes) noexcept {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  if (bytes > std::numeric_limits<std::size_t>::max() - (page - 1)) return 0;
  return (bytes + page - 1) / page * page;
}

}  // namespace

void* secure_allocate(std::size_t bytes) {
  const std::size_t size = whole_pages(bytes == 0 ? 1 : bytes);
  if (size == 0) throw std::bad_alloc();
  void* const p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  // Best effort: refused past RLIMIT_MEMLOCK, or where the system does not
  // offer it; the block is then an ordinary one.
  (void)mlock(p, size);
#if defined(MADV_DONTDUMP)
  (void)madvise(p, size, MADV_DONTDUMP);
#endif
  return p;
}

void secure_deallocate(void* p, std::size_t bytes) noexcept {
  if (p == nullptr) return;
  const std::size_t size = whole_pages(bytes == 0 ? 1 : bytes);
  zero_in_place(p, bytes);
  (void)munlock(p, size);
  munmap(p, size);
}

}  // namespace Zolt
