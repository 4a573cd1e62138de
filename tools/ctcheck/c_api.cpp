// SPDX-License-Identifier: MIT
// Checks of the C interface, <zolt/zolt.h>: every C entry point that handles a
// secret, with its secret arguments marked. The expected results are those of
// the C++ operation each one wraps, on the same bytes unmarked (the C++
// operations are held to plain models in core.cpp).
#include "vocabulary.hpp"

#include <zolt/zolt.h>
#include <zolt/zolt.hpp>

#include <cstdint>

namespace {

using namespace ctcheck;

// Every call here must succeed; its results are read only then.
void succeeded(int status, const char* what) {
  expect(status == ZOLT_OK, std::string(what) + ": " + zolt_strerror(status));
}

bool c_equal(const std::string& a, const std::string& b) {
  bool equal = false;
  succeeded(zolt_equal(&equal, a.data(), a.size(), b.data(), b.size()), "zolt_equal");
  return equal;
}

template <auto compare>
int c_compare(const std::string& a, const std::string& b) {
  int order = 99;
  succeeded(compare(&order, a.data(), a.size(), b.data(), b.size()), "zolt_compare");
  return order;
}

template <auto compare>
int c_compare_with_len(std::ptrdiff_t len, const std::string& a, const std::string& b) {
  int order = 99;
  succeeded(compare(&order, static_cast<std::size_t>(len), a.data(), a.size(), b.data(), b.size()),
            "zolt_compare_with_len");
  return order;
}

int call_secret_predicate(void* ctx, int byte) {
  return (*static_cast<const secret_predicate*>(ctx))(byte);
}

std::ptrdiff_t c_find(std::ptrdiff_t start, secret_predicate p, const std::string& s) {
  std::ptrdiff_t index = 99;
  succeeded(zolt_find_uint8(&index, start, call_secret_predicate, &p, s.data(), s.size()),
            "zolt_find_uint8");
  return index;
}

bool c_exists(std::ptrdiff_t start, secret_predicate p, const std::string& s) {
  bool found = false;
  succeeded(zolt_exists_uint8(&found, start, call_secret_predicate, &p, s.data(), s.size()),
            "zolt_exists_uint8");
  return found;
}

const std::int32_t values[] = {0, 1, 9, 10, 99999, -1, INT32_MIN, INT32_MAX, 1234567890};

// Byte strings of every length the checker uses, and one holding every byte value.
std::vector<std::string> inputs(std::uint64_t seed) {
  std::string every_byte(256, '\0');
  for (int i = 0; i < 256; ++i) every_byte[static_cast<std::size_t>(i)] = static_cast<char>(i);
  std::vector<std::string> all{every_byte};
  for (std::size_t n : lengths) all.push_back(random_bytes(n, n + seed));
  return all;
}

// zolt_lowercase_ascii or zolt_uppercase_ascii against the C++ form, into a
// buffer of its own and in place.
template <class CMap, class Map>
void case_mapping_cases(const char* name, CMap c_map, Map map) {
  for (const std::string& s : inputs(17)) {
    const std::string want = map(s);
    const std::string in = secret(s);
    std::string out(s.size(), '\0');
    succeeded(c_map(out.data(), out.size(), in.data(), in.size()), name);
    reveal(out.data(), out.size());
    expect(out == want, len_name(name, s.size()));
    std::string in_place = secret(s);
    succeeded(c_map(in_place.data(), in_place.size(), in_place.data(), in_place.size()), name);
    reveal(in_place.data(), in_place.size());
    expect(in_place == want, len_name(name, s.size()) + " in place");
  }
}

// Hex texts: valid in both cases, odd lengths, and arbitrary bytes.
std::vector<std::string> hex_texts() {
  std::vector<std::string> texts;
  for (const std::string& s : inputs(29)) {
    const std::string hex = Zolt::hex_of_string(s);
    texts.insert(texts.end(), {hex, Zolt::uppercase_ascii(hex), hex + "f", s});
  }
  return texts;
}

// The C sums as the C++ ones: a's bytes and the carry's mask.
template <auto sum>
std::uint64_t c_sum(std::span<std::uint8_t> a, std::span<const std::uint8_t> b) {
  std::uint64_t carry = 99;
  succeeded(sum(&carry, a.data(), a.size(), b.data(), b.size()), "zolt_add or zolt_sub");
  return carry;
}

template <auto increment>
void c_increment(std::span<std::uint8_t> n) {
  succeeded(increment(n.data(), n.size()), "zolt_increment");
}

// The C padding, its exception a status: ZOLT_ERR_PAD_BUFFER_TOO_SMALL
// becomes the C++ exception the driver expects.
template <auto pad>
std::size_t c_pad(std::span<std::uint8_t> buf, std::size_t len, std::size_t block) {
  std::size_t padded = 0;
  const int status = pad(&padded, buf.data(), buf.size(), len, block);
  if (status == ZOLT_ERR_PAD_BUFFER_TOO_SMALL) throw std::invalid_argument(zolt_strerror(status));
  succeeded(status, "zolt_pad");
  return padded;
}

template <auto unpad>
std::pair<std::size_t, std::uint64_t> c_unpad(std::span<const std::uint8_t> padded, std::size_t block) {
  std::size_t n = 99;
  std::uint64_t valid = 99;
  succeeded(unpad(&n, &valid, padded.data(), padded.size(), block), "zolt_unpad");
  return {n, valid};
}

void c_lookup_row(std::span<const std::byte> table, std::size_t row_size, std::size_t index,
                  std::span<std::byte> out) {
  succeeded(zolt_ct_lookup_row(out.data(), out.size(), table.data(), table.size(), row_size, index),
            "zolt_ct_lookup_row");
}

const registration c_api{{
    {"zolt_equal", false, [] { equal_cases("zolt_equal", secret, c_equal); }},
    {"zolt_compare_be", false,
     [] { comparison_cases("zolt_compare_be", secret, c_compare<zolt_compare_be>, model::compare_be); }},
    {"zolt_compare_le", false,
     [] { comparison_cases("zolt_compare_le", secret, c_compare<zolt_compare_le>, model::compare_le); }},
    {"zolt_compare_be_with_len", false,
     [] {
       with_len_cases("zolt_compare_be_with_len", secret,
                      c_compare_with_len<zolt_compare_be_with_len>, model::compare_be);
     }},
    {"zolt_compare_le_with_len", false,
     [] {
       with_len_cases("zolt_compare_le_with_len", secret,
                      c_compare_with_len<zolt_compare_le_with_len>, model::compare_le);
     }},
    {"zolt_find_uint8", false, [] { search_cases("zolt_find_uint8", secret, c_find, false); }},
    {"zolt_exists_uint8", false, [] { search_cases("zolt_exists_uint8", secret, c_exists, true); }},
    {"zolt_divmod", false,
     [] {
       for (std::int32_t m : {1, 3, 10, 255, 16347}) {
         for (std::int32_t d : values) {
           std::int32_t q = 0, r = 0;
           succeeded(zolt_divmod(&q, &r, secret_value(d), m), "zolt_divmod");
           expect(std::pair(reveal(q), reveal(r)) == Zolt::divmod(d, m),
                  "zolt_divmod " + std::to_string(d) + " by " + std::to_string(m));
         }
       }
     }},
    {"zolt_ascii_of_int32", false,
     [] {
       for (std::ptrdiff_t digits : {0, 1, 4, 10, 12}) {
         for (std::int32_t v : values) {
           std::string out(static_cast<std::size_t>(digits), '\0');
           succeeded(zolt_ascii_of_int32(out.data(), out.size(), digits, secret_value(v)),
                     "zolt_ascii_of_int32");
           reveal(out.data(), out.size());
           expect(out == Zolt::ascii_of_int32(digits, v),
                  "zolt_ascii_of_int32 digits " + std::to_string(digits) + " of " + std::to_string(v));
         }
       }
     }},
    {"zolt_lowercase_ascii", false,
     [] { case_mapping_cases("zolt_lowercase_ascii", zolt_lowercase_ascii,
                           CTCHECK_OP(Zolt::lowercase_ascii)); }},
    {"zolt_uppercase_ascii", false,
     [] { case_mapping_cases("zolt_uppercase_ascii", zolt_uppercase_ascii,
                           CTCHECK_OP(Zolt::uppercase_ascii)); }},
    {"zolt_hex_of_bytes", false,
     [] {
       for (const std::string& s : inputs(23)) {
         const std::string in = secret(s);
         std::string out(2 * s.size(), '\0');
         succeeded(zolt_hex_of_bytes(out.data(), out.size(), in.data(), in.size()), "zolt_hex_of_bytes");
         reveal(out.data(), out.size());
         expect(out == Zolt::hex_of_string(s), len_name("zolt_hex_of_bytes", s.size()));
       }
     }},
    {"zolt_bytes_of_hex", false,
     [] {
       for (const std::string& h : hex_texts()) {
         const std::string in = secret(h);
         std::string out(h.size() / 2, '\0');
         std::ptrdiff_t indicator = 99;
         succeeded(zolt_bytes_of_hex(&indicator, out.data(), out.size(), in.data(), in.size()),
                   "zolt_bytes_of_hex");
         reveal(out.data(), out.size());
         expect(std::pair(out, reveal(indicator)) == Zolt::string_of_hex(h),
                len_name("zolt_bytes_of_hex", h.size()));
       }
     }},
    {"zolt_wipe", false,
     [] {
       for (const std::string& s : inputs(31)) {
         std::string wiped = secret(s);
         succeeded(zolt_wipe(wiped.data(), wiped.size()), "zolt_wipe");
         reveal(wiped.data(), wiped.size());
         expect(wiped == std::string(s.size(), '\0'), len_name("zolt_wipe", s.size()));
       }
     }},
    {"zolt_ct_lookup_row", false, [] { lookup_row_cases("zolt_ct_lookup_row", c_lookup_row); }},
    {"zolt_increment_le", false, [] { increment_cases("zolt_increment_le", c_increment<zolt_increment_le>, false); }},
    {"zolt_increment_be", false, [] { increment_cases("zolt_increment_be", c_increment<zolt_increment_be>, true); }},
    {"zolt_add_le", false, [] { sum_cases("zolt_add_le", c_sum<zolt_add_le>, false, false); }},
    {"zolt_add_be", false, [] { sum_cases("zolt_add_be", c_sum<zolt_add_be>, false, true); }},
    {"zolt_sub_le", false, [] { sum_cases("zolt_sub_le", c_sum<zolt_sub_le>, true, false); }},
    {"zolt_sub_be", false, [] { sum_cases("zolt_sub_be", c_sum<zolt_sub_be>, true, true); }},
    {"zolt_pad_iso7816", false,
     [] { pad_cases("zolt_pad_iso7816", c_pad<zolt_pad_iso7816>, blocks_model::padding::iso7816); }},
    {"zolt_pad_pkcs7", false,
     [] { pad_cases("zolt_pad_pkcs7", c_pad<zolt_pad_pkcs7>, blocks_model::padding::pkcs7); }},
    {"zolt_unpad_iso7816", false,
     [] { unpad_cases("zolt_unpad_iso7816", c_unpad<zolt_unpad_iso7816>, blocks_model::padding::iso7816); }},
    {"zolt_unpad_pkcs7", false,
     [] { unpad_cases("zolt_unpad_pkcs7", c_unpad<zolt_unpad_pkcs7>, blocks_model::padding::pkcs7); }},
    {"zolt selectors", false,
     [] {
       const std::ptrdiff_t words[] = {0, 1, -1, 65, 90, 91, PTRDIFF_MAX, PTRDIFF_MIN};
       for (std::ptrdiff_t n : words) {
         const std::string of = " of " + std::to_string(n);
         expect(reveal(zolt_one_if_not_zero(secret_value(n))) == Zolt::one_if_not_zero(n),
                "zolt_one_if_not_zero" + of);
         expect(reveal(zolt_zero_if_not_zero(secret_value(n))) == Zolt::zero_if_not_zero(n),
                "zolt_zero_if_not_zero" + of);
         expect(reveal(zolt_bool_of_int(secret_value(n))) == Zolt::bool_of_int(n),
                "zolt_bool_of_int" + of);
         expect(reveal(zolt_int_of_bool(secret_value(n != 0))) == (n != 0), "zolt_int_of_bool" + of);
         expect(reveal(zolt_select_int(secret_value(n), secret_value<std::ptrdiff_t>(3),
                                       secret_value<std::ptrdiff_t>(-7))) ==
                    Zolt::select_int(n, 3, -7),
                "zolt_select_int" + of);
         expect(reveal(zolt_select_a_if_in_range(secret_value<std::ptrdiff_t>(65),
                                                 secret_value<std::ptrdiff_t>(90), secret_value(n),
                                                 secret_value<std::ptrdiff_t>(1),
                                                 secret_value<std::ptrdiff_t>(2))) ==
                    Zolt::select_a_if_in_range(65, 90, n, 1, 2),
                "zolt_select_a_if_in_range" + of);
       }
     }},
}};

}  // namespace
