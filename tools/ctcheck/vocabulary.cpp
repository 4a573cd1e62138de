// SPDX-License-Identifier: MIT
// Checks of the constant-time vocabulary: the choice, the ct_ comparisons and
// ct_select for integers of every width (inline: compiled here, at this
// build's level), the lookups, the counters and sums, and the padding; and a
// negative control for each family of the library's new operations.
#include "vocabulary.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <limits>
#include <tuple>

namespace {

using namespace ctcheck;

// Every comparison of secret a and b, and ct_select by each, against the
// operators; one verdict for each a.
template <class T>
void comparison_cases() {
  using L = std::numeric_limits<T>;
  const T values[] = {L::min(), L::max(), T(0), T(1), static_cast<T>(-1), static_cast<T>(L::max() / 3)};
  for (T a : values) {
    bool agree = true;
    for (T b : values) {
      const T x = secret_value(a), y = secret_value(b);
      const std::pair<Zolt::choice, bool> results[] = {
          {Zolt::ct_eq(x, y), a == b}, {Zolt::ct_ne(x, y), a != b}, {Zolt::ct_lt(x, y), a < b},
          {Zolt::ct_le(x, y), a <= b}, {Zolt::ct_gt(x, y), a > b},  {Zolt::ct_ge(x, y), a >= b},
      };
      for (const auto& [c, want] : results) {
        agree = agree && reveal(c.mask()) == mask_of(want) && reveal(Zolt::ct_select(c, x, y)) == (want ? a : b);
      }
    }
    expect(agree, "ct_ comparisons of " + std::to_string(+a) + " in " + std::to_string(sizeof(T)) + " bytes");
  }
}

template <class... T>
void comparison_cases_of(std::tuple<T...>*) {
  (comparison_cases<T>(), ...);
}
using widths = std::tuple<bool, signed char, unsigned char, short, unsigned short, int, unsigned, long,
                          unsigned long, long long, unsigned long long>;

// A table whose entries and index are secret, looked up at each index and past it.
template <class T, std::size_t N>
void lookup_cases() {
  std::array<T, N> table{};
  for (std::size_t i = 0; i < N; ++i) table[i] = static_cast<T>(i * 37 + 11);
  const std::array<T, N> hidden = secret_value(table);
  for (std::size_t index : {std::size_t{0}, N / 2, N - 1, N, std::numeric_limits<std::size_t>::max()}) {
    expect(reveal(Zolt::ct_lookup(hidden, secret_value(index))) == (index < N ? table[index] : T{}),
           "ct_lookup of " + std::to_string(N) + " at " + std::to_string(index));
  }
}

// The naive forms of the new families, each of which the checker must flag.

// A lookup that reads the entry at the index.
[[gnu::noinline]] std::uint32_t lookup_at_index(std::span<const std::uint32_t> table, std::size_t index) {
  return index < table.size() ? table[index] : 0;
}

// An increment that stops once the carry has died out.
[[gnu::noinline]] void increment_until_no_carry(std::span<std::uint8_t> n) {
  for (std::uint8_t& b : n) {
    if (++b != 0) break;
  }
}

const registration vocabulary{{
    {"Zolt::choice", false,
     [] {
       for (bool a : {false, true}) {
         for (bool b : {false, true}) {
           const Zolt::choice x = Zolt::choice::of_bool(secret_value(a)), y = Zolt::choice::of_bool(secret_value(b));
           expect(reveal((x & y).mask()) == mask_of(a && b) && reveal((x | y).mask()) == mask_of(a || b) &&
                      reveal((x ^ y).mask()) == mask_of(a != b) && reveal((!x).mask()) == mask_of(!a),
                  "choice operators");
         }
       }
     }},
    {"Zolt::ct_ comparisons and ct_select", false,
     [] { comparison_cases_of(static_cast<widths*>(nullptr)); }},
    {"Zolt::ct_lookup", false,
     [] {
       lookup_cases<std::uint8_t, 1>();
       lookup_cases<std::int32_t, 16>();
       lookup_cases<std::uint64_t, 33>();
     }},
    {"Zolt::ct_eq of byte strings", false,
     [] { equal_cases("ct_eq", secret, [](const auto& a, const auto& b) { return Zolt::ct_eq(a, b).mask() != 0; }); }},
    {"Zolt::ct_is_zero", false,
     [] {
       for (std::size_t n : lengths) {
         std::string s(n, '\0');
         const bool zero = reveal(Zolt::ct_is_zero(secret(s)).mask()) != 0;
         if (n > 0) s[n / 2] = '\x40';
         const bool other = reveal(Zolt::ct_is_zero(secret(s)).mask()) != 0;
         expect(zero && other == (n == 0), len_name("ct_is_zero", n));
       }
     }},
    {"Zolt::ct_lookup_row", false, [] { lookup_row_cases("ct_lookup_row", Zolt::ct_lookup_row); }},
    {"Zolt::increment_le", false, [] { increment_cases("increment_le", Zolt::increment_le, false); }},
    {"Zolt::increment_be", false, [] { increment_cases("increment_be", Zolt::increment_be, true); }},
    {"Zolt::add_le", false, [] { sum_cases("add_le", [](auto a, auto b) { return Zolt::add_le(a, b).mask(); }, false, false); }},
    {"Zolt::add_be", false, [] { sum_cases("add_be", [](auto a, auto b) { return Zolt::add_be(a, b).mask(); }, false, true); }},
    {"Zolt::sub_le", false, [] { sum_cases("sub_le", [](auto a, auto b) { return Zolt::sub_le(a, b).mask(); }, true, false); }},
    {"Zolt::sub_be", false, [] { sum_cases("sub_be", [](auto a, auto b) { return Zolt::sub_be(a, b).mask(); }, true, true); }},
    {"Zolt::pad_iso7816", false, [] { pad_cases("pad_iso7816", Zolt::pad_iso7816, blocks_model::padding::iso7816); }},
    {"Zolt::pad_pkcs7", false, [] { pad_cases("pad_pkcs7", Zolt::pad_pkcs7, blocks_model::padding::pkcs7); }},
    {"Zolt::unpad_iso7816", false,
     [] { unpad_cases("unpad_iso7816", [](auto p, std::size_t block) {
            const auto [n, valid] = Zolt::unpad_iso7816(p, block);
            return std::pair(n, valid.mask());
          }, blocks_model::padding::iso7816); }},
    {"Zolt::unpad_pkcs7", false,
     [] { unpad_cases("unpad_pkcs7", [](auto p, std::size_t block) {
            const auto [n, valid] = Zolt::unpad_pkcs7(p, block);
            return std::pair(n, valid.mask());
          }, blocks_model::padding::pkcs7); }},

    {"lookup that reads the entry at the secret index", true,
     [] {
       const std::array<std::uint32_t, 16> table{};
       reveal(lookup_at_index(table, secret_value<std::size_t>(5)));
     }},
    {"increment that stops when the carry dies", true,
     [] {
       bytes n = secret_bytes(random_number(16, 3));
       increment_until_no_carry(n);
     }},
    {"unpad that stops at the first bad byte", true,
     [] {
       const bytes padded = secret_bytes(blocks_model::pad(random_number(20, 9), 16, blocks_model::padding::pkcs7));
       reveal(blocks_model::unpad(padded, 16, blocks_model::padding::pkcs7).has_value());
     }},
}};

}  // namespace
