// SPDX-License-Identifier: MIT
// Allocation discipline: equality, comparison, search, division and the
// selectors allocate nothing; every string-making operation allocates its result
// once at its final size (no growing, no second copy). Counted through a
// replacement of the global allocation functions for this test program.
#include "test_core.hpp"

#include <zolt/zolt.hpp>

#include <cstdlib>
#include <new>

namespace {
std::size_t allocations = 0;

// Out of line, so that GCC does not pair the malloc and free it would see through
// the replaced operators and warn about a mismatch that is not there.
[[gnu::noinline]] void* counted_alloc(std::size_t n) noexcept {
  ++allocations;
  return std::malloc(n == 0 ? 1 : n);
}
[[gnu::noinline]] void release(void* p) noexcept { std::free(p); }
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = counted_alloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted_alloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted_alloc(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

using namespace zolt_test;

// How many allocations f makes, its result included.
template <class F>
std::size_t allocations_in(F&& f) {
  const std::size_t before = allocations;
  f();
  return allocations - before;
}

TEST(Allocation, QueriesAndSelectorsAllocateNothing) {
  const std::string a(1000, 'x'), b(1000, 'y');  // made before counting
  const auto p = [](int c) { return c == 'y'; };
  EXPECT_EQ(allocations_in([&] {
              (void)Zolt::equal(a, b);
              (void)Zolt::compare_be(a, b);
              (void)Zolt::compare_le(a, b);
              (void)Zolt::compare_be_with_len(1000, a, b);
              (void)Zolt::compare_le_with_len(0, a, b);
              (void)Zolt::find_uint8(3, p, b);
              (void)Zolt::find_uint8(p, a);
              (void)Zolt::exists_uint8(p, a);
              (void)Zolt::exists_uint8(2, p, b);
              (void)Zolt::find_uint8_inner(5, p, b);
              (void)Zolt::divmod(-1, 10);
              (void)Zolt::select_int(Zolt::one_if_not_zero(3), 1, 2);
              (void)Zolt::select_a_if_in_range(0, 9, 5, 1, 2);
            }),
            0u);
}

TEST(Allocation, ResultsAreAllocatedOnce) {
  const std::string bin(500, '\xab');
  const std::string hex(1000, 'a');
  const std::vector<std::uint8_t> vec(500, 0xab);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::hex_of_string(bin); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::hex_of_bytes(vec); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::bytes_of_hex(hex); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::string_of_hex(hex); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::lowercase_ascii(hex); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::uppercase_ascii(hex); }), 1u);
  EXPECT_EQ(allocations_in([&] { (void)Zolt::ascii_of_int32(100, -1); }), 1u);
}

}  // namespace
