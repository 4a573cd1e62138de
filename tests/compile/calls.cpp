// SPDX-License-Identifier: MIT
// Calls that must compile, and calls that must not, one per CASE_ macro; built
// with -fsyntax-only by the compile_* tests, which match the diagnostic.
#include <zolt/cstruct.hpp>
#include <zolt/zolt.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

[[maybe_unused]] static void calls() {
  const std::string s = "secret";
  const std::string_view v = "a\0b"sv;
#if defined(CASE_intended)
  // Strings, views and "..."sv literals, spans of caller buffers, lambdas and
  // the builders: every result used.
  std::array<char, 12> hex{};
  std::vector<std::uint8_t> raw(3);
  Zolt::hex_of_string_into(s, hex);
  Zolt::wipe(std::span(hex));
  Zolt::wipe(raw);
  const bool ok = Zolt::equal(s, v) || Zolt::equal("abc"sv, std::string("abc")) ||
                  Zolt::bytes_of_hex_into("00ff"sv, raw) == 0 ||
                  Zolt::find_uint8([](int b) { return b == 0; }, v) == 1 ||
                  Zolt::exists_uint8(Zolt::byte_in_set(",;"sv), s) ||
                  Zolt::compare_be_with_len(3, v, "abc"sv) == 0 ||
                  Cstruct::length(Cstruct::of_string(v)) == 3 || Zolt::is_zero(v) ||
                  Zolt::string_of_base64("Zm9v"sv, Zolt::base64_variant::url).second == 0 ||
                  Zolt::bytes_of_base64_into(s, raw).first == 0;
  std::array<char, 8> text{};
  Zolt::base64_of_string_into("abcdef"sv, text, Zolt::base64_variant::url_unpadded);
  Zolt::copy_if(ok, std::as_writable_bytes(std::span(raw)), std::as_bytes(std::span(raw)));
  // Every kind of byte string, mixed in one call; every kind of buffer.
  const std::array<std::uint8_t, 32> key{};
  const std::uint8_t tag[16] = {};
  const std::byte block[8] = {};
  const std::vector<signed char> bytes_of_a_kdf(4);
  std::array<std::byte, 64> out{};
  const bool kinds = Zolt::equal(std::span(key), s) || Zolt::is_zero(key) || Zolt::is_zero(tag) ||
                     Zolt::compare_le(std::span<const std::byte>(block), bytes_of_a_kdf) == 0 ||
                     Zolt::equal(u8"abc"sv, raw) || Zolt::bytes_of_hex_into(key, out) == 0 ||
                     Zolt::bytes_of_hex<Zolt::secure_bytes>(tag).second == 0;
  Zolt::hex_of_string_into(std::span<const std::byte>(block), std::span<std::byte>(out));
  Zolt::base64_of_bytes_into(tag, std::span<std::uint8_t>(raw.data(), 0), Zolt::base64_variant::url);
  (void)ok;
  (void)kinds;
  const Zolt::data_independent_timing dit;
  // The typed vocabulary: choices combined and declassified once, any integer
  // type, tables as spans or any contiguous range.
  const std::array<std::uint32_t, 4> table{1, 2, 3, 4};
  const std::int64_t x = -5;
  const Zolt::choice below = Zolt::ct_lt(x, std::int64_t{0}) & !Zolt::ct_eq(raw[0], std::uint8_t{7});
  const Zolt::choice carry = Zolt::add_be(raw, raw) | Zolt::sub_le(raw, std::span<const std::uint8_t>(raw));
  Zolt::increment_le(raw);
  Zolt::swap_if(below ^ carry, std::as_writable_bytes(std::span(raw)), std::as_writable_bytes(std::span(raw)));
  const auto [length, valid] = Zolt::unpad_pkcs7(raw, 3);
  if ((valid & below).declassify()) {
    (void)(Zolt::ct_select(carry, x, static_cast<std::int64_t>(length)) + Zolt::ct_lookup(table, raw[1]) +
           Zolt::ct_lookup(std::span<const std::uint32_t>(table), 2) + Zolt::pad_iso7816(raw, 1, 2));
  }
#elif defined(CASE_choice_if)
  Zolt::choice c = Zolt::ct_eq(1, 2);
  if (c) (void)0;
#elif defined(CASE_choice_to_bool)
  bool b = Zolt::ct_eq(1, 2);
  (void)b;
#elif defined(CASE_choice_equal)
  (void)(Zolt::ct_eq(1, 2) == Zolt::ct_lt(1, 2));
#elif defined(CASE_choice_of_int)
  Zolt::choice c = 1;
  (void)c;
#elif defined(CASE_choice_not_equal_false)
  (void)(!Zolt::ct_eq(1, 2) == false);
#elif defined(CASE_char_array)
  const char a[4] = {0, 1, 2, 3}, b[4] = {0, 9, 9, 9};
  (void)Zolt::equal(a, b);
#elif defined(CASE_char_pointer)
  const char* p = "abc";
  (void)Zolt::compare_le(s, p);
#elif defined(CASE_literal)
  (void)Zolt::string_of_hex("00ff");
#elif defined(CASE_base64_literal)
  (void)Zolt::bytes_of_base64("Zm9v", Zolt::base64_variant::url);
#elif defined(CASE_utf8_literal)
  (void)Zolt::equal(u8"abc", s);
#elif defined(CASE_into_from_char_pointer)
  std::array<char, 8> out{};
  const char* p = "abcd";
  Zolt::hex_of_string_into(p, out);
#elif defined(CASE_zero_test_of_array)
  const char key[4] = {0, 0, 0, 1};
  (void)Zolt::is_zero(key);
#elif defined(CASE_view_of_literal)
  (void)Cstruct::of_string("a\0b");
#elif defined(CASE_ignored_result)
  Zolt::equal(s, v);
#elif defined(CASE_discarded_guard)
  // On and off again at once: the guard must live in a variable.
  Zolt::data_independent_timing{};
#elif defined(CASE_dangling_predicate)
  const Zolt::predicate p = [](int b) { return b == 0; };
  (void)Zolt::find_uint8(p, s);
#endif
}
