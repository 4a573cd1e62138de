// SPDX-License-Identifier: MIT
// Checks of the base64 codec, the zero test in the four libraries and the
// conditional copy and swap, and the negative control of a table-driven base64
// decoder.
#include "cases.hpp"
#include "../../tests/base64_model.hpp"

#include <zolt/cstruct.hpp>
#include <zolt/zolt.h>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>
#include <zolt/zolt_cstruct.hpp>

#include <array>
#include <limits>

namespace {

using namespace ctcheck;
using Zolt::base64_variant;

constexpr base64_variant variants[] = {base64_variant::standard, base64_variant::standard_unpadded,
                                       base64_variant::url, base64_variant::url_unpadded};

bool padded(base64_variant v) { return v == base64_variant::standard || v == base64_variant::url; }

base64_model::variant model_variant(base64_variant v) {
  const bool url = v == base64_variant::url || v == base64_variant::url_unpadded;
  return {url ? '-' : '+', url ? '_' : '/', padded(v)};
}

std::string model_base64(std::string_view s, base64_variant v) {
  return base64_model::encode(s, model_variant(v));
}

// A text whose characters are secret, except, in a padded variant, the last
// two: the decoder tests those against '=' to learn the decoded length, which
// is public. Every character shares the arithmetic that the unpadded texts
// check with all characters secret.
std::string secret_text(std::string_view text, base64_variant v) {
  std::string c(text);
  const std::size_t open = padded(v) ? std::min<std::size_t>(2, c.size()) : 0;
  taint(c.data(), c.size() - open);
  return c;
}

// A text to decode and what decoding must give: the bytes, or an error.
struct decode_case {
  std::string text, bytes;
  bool ok;
};

std::vector<decode_case> decode_cases(base64_variant v) {
  std::vector<decode_case> cases;
  for (std::size_t n : lengths) {
    const std::string bytes = random_bytes(n, n + 17);
    const std::string text = model_base64(bytes, v);
    cases.push_back({text, bytes, true});
    if (!text.empty()) {
      std::string bad = text;  // a character outside the alphabet in the middle
      bad[bad.size() / 2] = '*';
      cases.push_back({bad, "", false});
    }
    if (n > 0) {
      std::string noise = random_bytes(n, n + 19);  // bytes of any value, one above 127
      noise[n / 2] = static_cast<char>(noise[n / 2] | 0x80);
      cases.push_back({noise, "", false});
    }
  }
  // Unused bits set, a space, '=' inside and a length that cannot be.
  for (const char* t : {"Zh==", "Zm9=", "Zm9v Zg==", "Zm=vYg==", "Zm9vY", "Zh", "Zm9"}) {
    cases.push_back({t, "", false});
  }
  return cases;
}

template <class Op>
void base64_decode_cases(const char* name, Op op) {
  for (base64_variant v : variants) {
    for (const decode_case& c : decode_cases(v)) {
      auto [got, error] = op(secret_text(c.text, v), v);
      reveal(got.data(), got.size());
      const bool ok = reveal(error) == 0;
      expect(ok == c.ok && (!ok || std::string(got.begin(), got.end()) == c.bytes),
             len_name(name, c.text.size()) + " text " + c.text.substr(0, 12));
    }
  }
}

template <class Op>
void base64_encode_cases(const char* name, Op op) {
  for (base64_variant v : variants) {
    for (std::size_t n : lengths) {
      const std::string s = random_bytes(n, n + 23);
      std::string got = op(secret(s), v);
      reveal(got.data(), got.size());
      expect(got == model_base64(s, v), len_name(name, n));
    }
  }
}

std::span<const std::uint8_t> as_u8(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Strings to test for zero: all zeros, and all zeros but one byte at the first,
// a middle or the last place.
template <class Wrap, class Op>
void zero_cases(const char* name, Wrap wrap, Op op) {
  for (std::size_t n : lengths) {
    const std::string zeros(n, '\0');
    expect(reveal(op(wrap(zeros))), len_name(name, n) + " all zero");
    for (std::size_t at : {std::size_t{0}, n / 2, n - 1}) {
      if (at >= n) continue;
      std::string one = zeros;
      one[at] = static_cast<char>(1 << (at % 8));
      expect(!reveal(op(wrap(one))), len_name(name, n) + " one bit at " + std::to_string(at));
    }
  }
}

// Secret conditions: zero, small, both signs and the extremes.
const std::ptrdiff_t conditions[] = {0, 1, -1, 2, std::numeric_limits<std::ptrdiff_t>::max(),
                                     std::numeric_limits<std::ptrdiff_t>::min()};

std::span<std::byte> writable(std::string& s) { return std::as_writable_bytes(std::span(s)); }

// op(c, x, y) on secret copies x, y of two random strings a, b under a secret
// condition c: afterwards x is b when c is not 0 (else a), and y is a when op
// swaps and c is not 0 (else b).
template <class Op>
void conditional_cases(const char* name, Op op, bool swaps) {
  for (std::size_t n : lengths) {
    for (std::ptrdiff_t c : conditions) {
      const std::string a = random_bytes(n, n + 29), b = random_bytes(n, n + 31);
      std::string x = secret(a), y = secret(b);
      std::ptrdiff_t hidden = c;
      taint(hidden);
      op(hidden, writable(x), writable(y));
      reveal(x.data(), x.size());
      reveal(y.data(), y.size());
      expect(x == (c != 0 ? b : a) && y == (c != 0 && swaps ? a : b),
             len_name(name, n) + " c " + std::to_string(c));
    }
  }
}

// A table-driven decoder of the kind the library must not be: one read of a
// 256-entry table at each secret character.
[[gnu::noinline]] unsigned table_decode(std::string_view text, std::string& out) {
  static const auto values = [] {
    std::array<unsigned char, 256> t{};
    t.fill(255);
    const std::string abc = base64_model::alphabet(model_variant(base64_variant::standard));
    for (std::size_t i = 0; i < abc.size(); ++i) t[static_cast<unsigned char>(abc[i])] = static_cast<unsigned char>(i);
    return t;
  }();
  unsigned bad = 0, bits = 0, count = 0;
  for (unsigned char c : text) {
    const unsigned value = values[c];
    bad |= value & 64;
    bits = (bits << 6) | (value & 63);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>(bits >> count);
    }
  }
  return bad;
}

const registration toolbox{{
    {"Zolt::base64_of_string", false,
     [] { base64_encode_cases("base64_of_string", [](const std::string& s, base64_variant v) {
            return Zolt::base64_of_string(s, v);
          }); }},
    {"Zolt::base64_of_bytes", false,
     [] { base64_encode_cases("base64_of_bytes", [](const std::string& s, base64_variant v) {
            return Zolt::base64_of_bytes(as_u8(s), v);
          }); }},
    {"Zolt::base64_of_string_into", false,
     [] { base64_encode_cases("base64_of_string_into", [](const std::string& s, base64_variant v) {
            std::string out(Zolt::base64_encoded_size(s.size(), v), '\0');
            Zolt::base64_of_string_into(s, out, v);
            return out;
          }); }},
    {"Zolt::string_of_base64", false,
     [] { base64_decode_cases("string_of_base64", [](const std::string& t, base64_variant v) {
            return Zolt::string_of_base64(t, v);
          }); }},
    {"Zolt::bytes_of_base64", false,
     [] { base64_decode_cases("bytes_of_base64", [](const std::string& t, base64_variant v) {
            return Zolt::bytes_of_base64(t, v);
          }); }},
    {"Zolt::bytes_of_base64 into secure_bytes", false,
     [] { base64_decode_cases("bytes_of_base64<secure_bytes>", [](const std::string& t, base64_variant v) {
            return Zolt::bytes_of_base64<Zolt::secure_bytes>(t, v);
          }); }},
    {"Zolt::string_of_base64_into", false,
     [] { base64_decode_cases("string_of_base64_into", [](const std::string& t, base64_variant v) {
            std::string out(Zolt::base64_decoded_max_size(t.size()), '\0');
            const auto [error, n] = Zolt::string_of_base64_into(t, out, v);
            out.resize(n);
            return std::make_pair(out, error);
          }); }},
    {"Zolt::is_zero", false, [] { zero_cases("Zolt::is_zero", secret, CTCHECK_OP(Zolt::is_zero)); }},
    {"Zolt_bigstring::is_zero", false,
     [] { zero_cases("Zolt_bigstring::is_zero",
                     [](std::string_view s) { return secret(s); },
                     [](const std::string& s) {
                       return Zolt_bigstring::is_zero(std::as_bytes(std::span(s)));
                     }); }},
    {"Zolt_bytes::is_zero", false,
     [] { zero_cases("Zolt_bytes::is_zero", secret,
                     [](const std::string& s) { return Zolt_bytes::is_zero(as_u8(s)); }); }},
    {"Zolt_cstruct::is_zero", false,
     [] { zero_cases("Zolt_cstruct::is_zero",
                     [](std::string_view s) {
                       // A window at offset 3 of a larger secret buffer.
                       const Cstruct::t whole = Cstruct::of_string("\1\1\1" + std::string(s) + "\1");
                       const auto all = Cstruct::to_bigarray(whole);
                       taint(const_cast<std::byte*>(all.data()), all.size());
                       return Cstruct::sub(whole, 3, s.size());
                     },
                     Zolt_cstruct::is_zero); }},
    {"Zolt::copy_if", false,
     [] { conditional_cases("copy_if", CTCHECK_OP(Zolt::copy_if), false); }},
    {"Zolt::swap_if", false,
     [] { conditional_cases("swap_if", CTCHECK_OP(Zolt::swap_if), true); }},
    {"Zolt::copy_if (choice)", false,
     [] { conditional_cases("copy_if choice", [](std::ptrdiff_t c, auto x, auto y) {
            Zolt::copy_if(Zolt::ct_ne(c, std::ptrdiff_t{0}), x, y);
          }, false); }},
    {"Zolt::swap_if (choice)", false,
     [] { conditional_cases("swap_if choice", [](std::ptrdiff_t c, auto x, auto y) {
            Zolt::swap_if(Zolt::ct_ne(c, std::ptrdiff_t{0}), x, y);
          }, true); }},
    // Their C forms, <zolt/zolt.h>.
    {"zolt_base64_of_bytes", false,
     [] { base64_encode_cases("zolt_base64_of_bytes", [](const std::string& s, base64_variant v) {
            const auto cv = static_cast<int>(v);
            std::string out(zolt_base64_encoded_size(s.size(), cv), '\0');
            expect(zolt_base64_of_bytes(out.data(), out.size(), s.data(), s.size(), cv) == ZOLT_OK,
                   "zolt_base64_of_bytes status");
            return out;
          }); }},
    {"zolt_bytes_of_base64", false,
     [] { base64_decode_cases("zolt_bytes_of_base64", [](const std::string& t, base64_variant v) {
            std::string out(zolt_base64_decoded_max_size(t.size()), '\0');
            std::ptrdiff_t error = 0;
            std::size_t n = 0;
            expect(zolt_bytes_of_base64(&error, &n, out.data(), out.size(), t.data(), t.size(),
                                        static_cast<int>(v)) == ZOLT_OK,
                   "zolt_bytes_of_base64 status");
            out.resize(reveal(n));
            return std::make_pair(out, error);
          }); }},
    {"zolt_is_zero", false,
     [] { zero_cases("zolt_is_zero", secret, [](const std::string& s) {
            bool zero = false;
            expect(zolt_is_zero(&zero, s.data(), s.size()) == ZOLT_OK, "zolt_is_zero status");
            return zero;
          }); }},
    {"zolt_copy_if", false,
     [] { conditional_cases("zolt_copy_if", [](std::ptrdiff_t c, std::span<std::byte> x, std::span<std::byte> y) {
            expect(zolt_copy_if(c, x.data(), x.size(), y.data(), y.size()) == ZOLT_OK, "zolt_copy_if status");
          }, false); }},
    {"zolt_swap_if", false,
     [] { conditional_cases("zolt_swap_if", [](std::ptrdiff_t c, std::span<std::byte> x, std::span<std::byte> y) {
            expect(zolt_swap_if(c, x.data(), x.size(), y.data(), y.size()) == ZOLT_OK, "zolt_swap_if status");
          }, true); }},
    {"table-driven base64 decoder", true,
     [] {
       std::string out;
       reveal(table_decode(secret(model_base64(random_bytes(30, 5), base64_variant::standard)), out));
     }},
}};

}  // namespace
