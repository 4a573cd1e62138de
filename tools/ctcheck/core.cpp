// SPDX-License-Identifier: MIT
// Checks of the core library zolt, and of its inline selectors as they compile
// into a caller (this program).
#include "cases.hpp"

#include <zolt/zolt.hpp>

#include <cstdio>
#include <limits>

namespace {

using namespace ctcheck;

std::string model_hex(std::string_view s) {
  std::string out;
  char two[3];
  for (unsigned char c : s) {
    std::snprintf(two, sizeof two, "%02x", c);
    out += two;
  }
  return out;
}

// Hex texts to decode: valid ones in both cases, odd lengths, and bytes of every
// value (mostly invalid characters).
std::vector<std::string> hex_texts() {
  std::vector<std::string> texts;
  for (std::size_t n : lengths) {
    const std::string bytes = random_bytes(n, n + 3);
    std::string upper = model_hex(bytes);
    for (char& c : upper) c = static_cast<char>(c >= 'a' ? c - 32 : c);
    texts.push_back(model_hex(bytes));
    texts.push_back(upper);
    texts.push_back(model_hex(bytes) + "7");
    texts.push_back(random_bytes(n, n + 5));
  }
  texts.push_back("0x12");
  texts.push_back("gG/:@`");
  return texts;
}

int model_nib(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 255;
}

std::pair<std::string, std::ptrdiff_t> model_unhex(std::string_view h) {
  std::ptrdiff_t error = (h.size() & 1) << 4;
  std::string out;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
    const int hi = model_nib(static_cast<unsigned char>(h[i]));
    const int lo = model_nib(static_cast<unsigned char>(h[i + 1]));
    if (hi == 255 || lo == 255) error = 240;
    out += static_cast<char>(((hi << 4) | lo) & 255);
  }
  return {out, error};
}

template <class Op>
void decode_cases(const char* name, Op op) {
  for (const std::string& h : hex_texts()) {
    auto [bytes, error] = op(secret(h));
    reveal(bytes.data(), bytes.size());
    const auto [want, want_error] = model_unhex(h);
    expect(std::string(bytes.begin(), bytes.end()) == want && reveal(error) == want_error,
           len_name(name, h.size()));
  }
}

template <class Map>
void case_mapping_cases(const char* name, Map map, char from, char to) {
  std::string every_byte(256, '\0');
  for (int i = 0; i < 256; ++i) every_byte[static_cast<std::size_t>(i)] = static_cast<char>(i);
  std::vector<std::string> inputs{every_byte};
  for (std::size_t n : lengths) inputs.push_back(random_bytes(n, n + 9));
  for (const std::string& s : inputs) {
    const std::string got = map(secret(s));
    reveal(got.data(), got.size());
    std::string want = s;
    for (char& c : want) c = static_cast<char>(c >= from && c <= to ? c ^ 32 : c);
    expect(got == want, len_name(name, s.size()));
  }
}

// Secret integers for the selectors and the division: zero, small, extremes.
const std::ptrdiff_t words[] = {0, 1, -1, 2, 255, -255, 65, 90, 91,
                                std::numeric_limits<std::ptrdiff_t>::max(),
                                std::numeric_limits<std::ptrdiff_t>::min()};
const std::int32_t dividends[] = {0, 1, 7, 9, 10, 12345, -1, INT32_MIN, INT32_MAX, 1000000007,
                                  -123456789};
const std::int32_t divisors[] = {1, 2, 3, 7, 10, 16, 255, 256, 1000, 4096, 16347};

// A copy of s held in a byte vector, its bytes secret.
std::vector<std::uint8_t> secret_vector(std::string_view s) {
  std::vector<std::uint8_t> v(s.begin(), s.end());
  taint(v.data(), v.size());
  return v;
}

template <class T>
T secret_value(T v) {
  taint(v);
  return v;
}

const registration core{{
    CTCHECK_FAMILY(Zolt, secret),
    {"Zolt::find_uint8_inner", false,
     [] { search_cases("Zolt::find_uint8_inner", secret, CTCHECK_OP(Zolt::find_uint8_inner), false); }},
    // The inline templates for a callable the compiler sees: the predicate is
    // inlined into the walk here, in the caller, where the optimiser is free to
    // turn the mask back into a branch. Once with the tainting predicate, once
    // with a plain lambda whose answer is secret because the byte is.
    {"Zolt::find_uint8 (inline predicate)", false,
     [] {
       const auto op = [](std::ptrdiff_t start, const secret_predicate& p, const std::string& s) {
         return start == 0 ? Zolt::find_uint8(p, s) : Zolt::find_uint8(start, p, s);
       };
       search_cases("find_uint8 inline", secret, op, false);
       const auto plain = [](std::ptrdiff_t start, const secret_predicate& p, const std::string& s) {
         return Zolt::find_uint8(start, [t = p.target](int byte) { return byte == t; }, s);
       };
       search_cases("find_uint8 inline, plain lambda", secret, plain, false);
     }},
    {"Zolt::exists_uint8 (inline predicate)", false,
     [] {
       const auto op = [](std::ptrdiff_t start, const secret_predicate& p, const std::string& s) {
         return start == 0 ? Zolt::exists_uint8(p, s) : Zolt::exists_uint8(start, p, s);
       };
       search_cases("exists_uint8 inline", secret, op, true);
       const auto plain = [](std::ptrdiff_t start, const secret_predicate& p, const std::string& s) {
         return Zolt::exists_uint8(start, [t = p.target](int byte) { return byte == t; }, s);
       };
       search_cases("exists_uint8 inline, plain lambda", secret, plain, true);
     }},
    {"Zolt::divmod", false,
     [] {
       for (std::int32_t m : divisors) {
         for (std::int32_t d : dividends) {
           const auto [q, r] = Zolt::divmod(secret_value(d), m);
           const auto x = static_cast<std::uint32_t>(d), um = static_cast<std::uint32_t>(m);
           expect(static_cast<std::uint32_t>(reveal(q)) == x / um &&
                      static_cast<std::uint32_t>(reveal(r)) == x % um,
                  "divmod " + std::to_string(d) + " by " + std::to_string(m));
         }
       }
     }},
    {"Zolt::ascii_of_int32", false,
     [] {
       for (std::ptrdiff_t digits : {0, 1, 2, 3, 9, 10, 12}) {
         for (std::int32_t v : dividends) {
           const std::string got = Zolt::ascii_of_int32(digits, secret_value(v));
           reveal(got.data(), got.size());
           std::string want = std::to_string(static_cast<std::uint32_t>(v));
           want = std::string(12, '0') + want;
           want = want.substr(want.size() - static_cast<std::size_t>(digits));
           expect(got == want, "ascii_of_int32 digits " + std::to_string(digits) + " of " +
                                   std::to_string(v));
         }
       }
     }},
    {"Zolt::lowercase_ascii", false, [] { case_mapping_cases("lowercase_ascii", CTCHECK_OP(Zolt::lowercase_ascii), 'A', 'Z'); }},
    {"Zolt::uppercase_ascii", false, [] { case_mapping_cases("uppercase_ascii", CTCHECK_OP(Zolt::uppercase_ascii), 'a', 'z'); }},
    {"Zolt::hex_of_string", false,
     [] {
       for (std::size_t n : lengths) {
         const std::string s = random_bytes(n, n + 11);
         const std::string got = Zolt::hex_of_string(secret(s));
         reveal(got.data(), got.size());
         expect(got == model_hex(s), len_name("hex_of_string", n));
       }
     }},
    {"Zolt::hex_of_bytes", false,
     [] {
       for (std::size_t n : lengths) {
         const std::string s = random_bytes(n, n + 13);
         std::vector<std::uint8_t> b(s.begin(), s.end());
         taint(b.data(), b.size());
         const std::string got = Zolt::hex_of_bytes(b);
         reveal(got.data(), got.size());
         expect(got == model_hex(s), len_name("hex_of_bytes", n));
       }
     }},
    {"Zolt::bytes_of_hex", false, [] { decode_cases("bytes_of_hex", CTCHECK_OP(Zolt::bytes_of_hex)); }},
    {"Zolt::string_of_hex", false, [] { decode_cases("string_of_hex", CTCHECK_OP(Zolt::string_of_hex)); }},
    {"Zolt::bytes_of_hex into secure_bytes", false,
     [] {
       decode_cases("bytes_of_hex<secure_bytes>",
                    [](const std::string& h) { return Zolt::bytes_of_hex<Zolt::secure_bytes>(h); });
     }},
    // The same operations reached through byte_view from the other kinds a
    // program holds bytes in.
    {"Zolt::equal of byte vectors and std::byte spans", false,
     [] {
       equal_cases("equal of vectors", secret_vector, CTCHECK_OP(Zolt::equal));
       equal_cases("equal of a vector and a std::byte span", secret_vector,
                   [](const auto& a, const auto& b) { return Zolt::equal(a, std::as_bytes(std::span(b))); });
     }},
    {"Zolt::compare_be of byte vectors", false,
     [] { comparison_cases("compare_be of vectors", secret_vector, CTCHECK_OP(Zolt::compare_be), model::compare_be); }},
    {"Zolt::bytes_of_hex of a byte vector", false,
     [] {
       decode_cases("bytes_of_hex of a vector", [](const std::string& h) {
         const std::vector<std::uint8_t> text(h.begin(), h.end());  // secret: copied from h
         return Zolt::bytes_of_hex(text);
       });
     }},
    {"Zolt::one_if_not_zero", false,
     [] {
       for (std::ptrdiff_t n : words) {
         expect(reveal(Zolt::one_if_not_zero(secret_value(n))) == (n != 0), "one_if_not_zero");
       }
     }},
    {"Zolt::zero_if_not_zero", false,
     [] {
       for (std::ptrdiff_t n : words) {
         expect(reveal(Zolt::zero_if_not_zero(secret_value(n))) == (n != 0 ? 0 : -1),
                "zero_if_not_zero");
       }
     }},
    {"Zolt::int_of_bool", false,
     [] {
       for (bool v : {false, true}) {
         expect(reveal(Zolt::int_of_bool(secret_value(v))) == v, "int_of_bool");
       }
     }},
    {"Zolt::bool_of_int", false,
     [] {
       for (std::ptrdiff_t n : words) {
         expect(reveal(Zolt::bool_of_int(secret_value(n))) == (n != 0), "bool_of_int");
       }
     }},
    {"Zolt::select_int", false,
     [] {
       for (std::ptrdiff_t c : words) {
         for (std::ptrdiff_t a : {std::ptrdiff_t{3}, std::ptrdiff_t{-7}}) {
           const std::ptrdiff_t b = 1000;
           expect(reveal(Zolt::select_int(secret_value(c), secret_value(a), secret_value(b))) ==
                      (c == 0 ? a : b),
                  "select_int");
         }
       }
     }},
    {"Zolt::select_a_if_in_range", false,
     [] {
       for (std::ptrdiff_t n : words) {
         const bool inside = n >= 65 && n <= 90;
         expect(reveal(Zolt::select_a_if_in_range(secret_value<std::ptrdiff_t>(65),
                                                  secret_value<std::ptrdiff_t>(90),
                                                  secret_value(n), secret_value<std::ptrdiff_t>(1),
                                                  secret_value<std::ptrdiff_t>(2))) ==
                    (inside ? 1 : 2),
                "select_a_if_in_range of " + std::to_string(n));
       }
     }},
}};

}  // namespace
