// SPDX-License-Identifier: MIT
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <cstring>
#include <stdexcept>

namespace Zolt {

namespace {

// A T at p, any alignment.
template <class T>
T load(const std::byte* p) noexcept {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void store(std::byte* p, T v) noexcept {
  std::memcpy(p, &v, sizeof v);
}

// Calls step(i, T{}) over n bytes: T = std::uint64_t for each whole eight-byte
// word from the start, then T = std::uint8_t for each last byte, with the mask
// for c (all ones when c is not 0, else all zeros; behind the barrier) as a T.
// All 64 bits of c count, on 32-bit targets too.
template <class Step>
void masked_walk(std::uint64_t c, std::size_t n, Step step) {
  [[maybe_unused]] const dit::operation dit_on{};
  const std::uint64_t mask = (!detail::choice_if_zero(c)).mask();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) step(i, mask);
  for (; i < n; ++i) step(i, static_cast<std::uint8_t>(mask));
}

}  // namespace

bool is_zero(byte_view s) noexcept { return fold::is_zero(string_reader{s.chars()}); }

choice ct_is_zero(byte_view s) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  return detail::choice_if_zero(fold::bits_set(string_reader{s.chars()}));
}

// Lengths are public: different ones give false at once, as equal does.
choice ct_eq(byte_view a, byte_view b) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  if (a.size() != b.size()) return choice();
  return detail::choice_if_zero(fold::differences(a.size(), string_reader{a.chars()}, string_reader{b.chars()}));
}

void copy_if(std::uint64_t c, std::span<std::byte> dst, std::span<const std::byte> src) {
  if (dst.size() != src.size()) throw std::invalid_argument("copy_if: sizes differ");
  refuse_overlap(overlap_not_in_place(dst.data(), dst.size(), src.data(), src.size()),
                 "copy_if: buffers overlap");
  std::byte* const d = dst.data();
  const std::byte* const s = src.data();
  masked_walk(c, dst.size(), [d, s](std::size_t i, auto mask) {
    using T = decltype(mask);
    store<T>(d + i, static_cast<T>((load<T>(d + i) & ~mask) | (load<T>(s + i) & mask)));
  });
}

void swap_if(std::uint64_t c, std::span<std::byte> a, std::span<std::byte> b) {
  if (a.size() != b.size()) throw std::invalid_argument("swap_if: sizes differ");
  refuse_overlap(overlap_not_in_place(a.data(), a.size(), b.data(), b.size()),
                 "swap_if: buffers overlap");
  std::byte* const pa = a.data();
  std::byte* const pb = b.data();
  masked_walk(c, a.size(), [pa, pb](std::size_t i, auto mask) {
    using T = decltype(mask);
    const T x = load<T>(pa + i), y = load<T>(pb + i);
    const auto t = static_cast<T>((x ^ y) & mask);
    store<T>(pa + i, static_cast<T>(x ^ t));
    store<T>(pb + i, static_cast<T>(y ^ t));
  });
}

void copy_if(choice c, std::span<std::byte> dst, std::span<const std::byte> src) {
  copy_if(c.mask(), dst, src);
}

void swap_if(choice c, std::span<std::byte> a, std::span<std::byte> b) {
  swap_if(c.mask(), a, b);
}

// Each row ORed into out under the mask of its index, the first one stored
// instead, so that out may be the table's first row (in place).
void ct_lookup_row(std::span<const std::byte> table, std::size_t row_size, std::size_t index,
                   std::span<std::byte> out) {
  if (row_size == 0 || table.size() % row_size != 0 || out.size() != row_size) {
    throw std::invalid_argument("ct_lookup_row: bad table shape");
  }
  refuse_overlap(overlap_not_in_place(out.data(), out.size(), table.data(), table.size()),
                 "ct_lookup_row: buffers overlap");
  std::byte* const o = out.data();
  if (table.empty()) {
    std::memset(o, 0, row_size);
    return;
  }
  for (std::size_t r = 0; r < table.size() / row_size; ++r) {
    const std::byte* const row = table.data() + r * row_size;
    masked_walk(ct_eq(r, index).mask(), row_size,
                [o, row, r](std::size_t i, auto mask) {
                  using T = decltype(mask);
                  const T kept = r == 0 ? T{0} : load<T>(o + i);
                  store<T>(o + i, static_cast<T>(kept | (load<T>(row + i) & mask)));
                });
  }
}

}  // namespace Zolt
