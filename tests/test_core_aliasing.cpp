// SPDX-License-Identifier: MIT
// Aliasing: every writer of the C++ and C interfaces with its output placed at
// each offset from -64 to 64 bytes around its input, in one buffer. In place
// (offset 0), where the writer allows it, gives the bytes and the indicator
// that a separate output gets; any other overlap is refused before a byte
// changes; no overlap at all is an ordinary call. Part of the fast-path
// program, so both the vector loops and the portable ones are tried.
#include "test_core.hpp"

#include <zolt/zolt.h>
#include <zolt/zolt.hpp>

#include <functional>
#include <ostream>

namespace {

using namespace zolt_test;
using V = Zolt::base64_variant;

// What a call gives: its indicator (0 for a writer that has none), or the
// refusal it reports: the exception's message in C++, zolt_strerror's in C.
struct outcome {
  P indicator = 0;
  std::string refusal;
  bool operator==(const outcome&) const = default;
};
void PrintTo(const outcome& x, std::ostream* os) { *os << "{" << x.indicator << ", \"" << x.refusal << "\"}"; }

std::span<std::byte> bytes_at(std::string& b, std::size_t at, std::size_t n) {
  return std::as_writable_bytes(std::span(b).subspan(at, n));
}

template <class Call>
outcome cxx(Call call) {
  try {
    return {call(), ""};
  } catch (const std::invalid_argument& e) {
    return {0, e.what()};
  }
}

outcome c(int status, P indicator = 0) {
  return {status == ZOLT_OK ? indicator : 0, status == ZOLT_OK ? "" : zolt_strerror(status)};
}

// An input and the number of bytes its writer writes.
struct input {
  std::string bytes;
  std::size_t written;
};

// A writer: its input made from n random bytes (a decoder's is their text,
// with one character spoilt when `spoilt`); the call, on `in` bytes at i and
// an output of `out` bytes at o in the buffer b; whether it may write in
// place; and the refusal an overlap gets.
struct writer {
  const char* name;
  std::function<input(Rng&, std::size_t, bool spoilt)> make;
  std::function<outcome(std::string& b, std::size_t i, std::size_t in, std::size_t o, std::size_t out)> call;
  bool in_place;
  std::string refusal;
};

input raw(Rng& g, std::size_t n, std::size_t ratio) { return {random_bytes(g, n), ratio * n}; }

input hex_text(Rng& g, std::size_t n, bool spoilt) {
  std::string text = Zolt::hex_of_string(random_bytes(g, n));
  if (n % 3 == 1) text = Zolt::uppercase_ascii(text);
  if (spoilt && n > 0) text[2 * n - 1] = 'g';  // in the last pair: the tail of every path
  return {text, n};
}

input base64_text(Rng& g, std::size_t n, bool spoilt, V v) {
  std::string text = Zolt::base64_of_string(random_bytes(g, n), v);
  if (spoilt && n > 0) text[0] = '*';
  return {text, n};
}

// Letters of both cases among other bytes.
input mixed_case(Rng& g, std::size_t n, bool) {
  std::string s = random_bytes(g, n);
  for (std::size_t k = 0; k < n; k += 2) s[k] = "aZqM@[`{"[k / 2 % 8];
  return {s, n};
}

std::string_view view(const std::string& b, std::size_t at, std::size_t n) { return {b.data() + at, n}; }
std::span<char> span(std::string& b, std::size_t at, std::size_t n) { return {b.data() + at, n}; }

const std::vector<writer>& writers() {
  using S = std::string;
  const auto encoder = [](std::size_t ratio) {
    return [ratio](Rng& g, std::size_t n, bool) { return raw(g, n, ratio); };
  };
  const auto b64 = [](V v) { return [v](Rng& g, std::size_t n, bool spoilt) { return base64_text(g, n, spoilt, v); }; };
  const auto b64_size = [](V v) {
    return [v](Rng& g, std::size_t n, bool) { return input{random_bytes(g, n), Zolt::base64_encoded_size(n, v)}; };
  };
  static const std::vector<writer> all = {
      {"hex_of_bytes_into", encoder(2),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { Zolt::hex_of_bytes_into(view(b, i, n), span(b, o, m)); return P{0}; }); },
       false, "hex_of_bytes_into: buffers overlap"},
      {"hex_of_string_into", encoder(2),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { Zolt::hex_of_string_into(view(b, i, n), span(b, o, m)); return P{0}; }); },
       false, "hex_of_string_into: buffers overlap"},
      {"bytes_of_hex_into", hex_text,
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { return Zolt::bytes_of_hex_into(view(b, i, n), span(b, o, m)); }); },
       true, "bytes_of_hex_into: buffers overlap"},
      {"string_of_hex_into", hex_text,
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { return Zolt::string_of_hex_into(view(b, i, n), span(b, o, m)); }); },
       true, "string_of_hex_into: buffers overlap"},
      {"base64_of_bytes_into", b64_size(V::standard),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { Zolt::base64_of_bytes_into(view(b, i, n), span(b, o, m)); return P{0}; }); },
       false, "base64_of_bytes_into: buffers overlap"},
      {"base64_of_string_into", b64_size(V::url_unpadded),
       [](S& b, auto i, auto n, auto o, auto m) {
         return cxx([&] { Zolt::base64_of_string_into(view(b, i, n), span(b, o, m), V::url_unpadded); return P{0}; });
       },
       false, "base64_of_string_into: buffers overlap"},
      {"bytes_of_base64_into", b64(V::standard),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { return Zolt::bytes_of_base64_into(view(b, i, n), span(b, o, m)).first; }); },
       true, "bytes_of_base64_into: buffers overlap"},
      {"string_of_base64_into", b64(V::url_unpadded),
       [](S& b, auto i, auto n, auto o, auto m) {
         return cxx([&] { return Zolt::string_of_base64_into(view(b, i, n), span(b, o, m), V::url_unpadded).first; });
       },
       true, "string_of_base64_into: buffers overlap"},
      {"copy_if", encoder(1),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { Zolt::copy_if(1, bytes_at(b, o, m), bytes_at(b, i, n)); return P{0}; }); },
       true, "copy_if: buffers overlap"},
      {"swap_if", encoder(1),
       [](S& b, auto i, auto n, auto o, auto m) { return cxx([&] { Zolt::swap_if(1, bytes_at(b, o, m), bytes_at(b, i, n)); return P{0}; }); },
       true, "swap_if: buffers overlap"},
      {"zolt_hex_of_bytes", encoder(2),
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_hex_of_bytes(b.data() + o, m, b.data() + i, n)); },
       false, "buffers overlap"},
      {"zolt_bytes_of_hex", hex_text,
       [](S& b, auto i, auto n, auto o, auto m) {
         P e = -1;
         return c(zolt_bytes_of_hex(&e, b.data() + o, m, b.data() + i, n), e);
       },
       true, "buffers overlap"},
      {"zolt_base64_of_bytes", b64_size(V::url),
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_base64_of_bytes(b.data() + o, m, b.data() + i, n, ZOLT_BASE64_URL)); },
       false, "buffers overlap"},
      {"zolt_bytes_of_base64", b64(V::standard_unpadded),
       [](S& b, auto i, auto n, auto o, auto m) {
         P e = -1;
         std::size_t len = 0;
         return c(zolt_bytes_of_base64(&e, &len, b.data() + o, m, b.data() + i, n, ZOLT_BASE64_STANDARD_UNPADDED), e);
       },
       true, "buffers overlap"},
      {"zolt_lowercase_ascii", mixed_case,
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_lowercase_ascii(b.data() + o, m, b.data() + i, n)); },
       true, "buffers overlap"},
      {"zolt_uppercase_ascii", mixed_case,
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_uppercase_ascii(b.data() + o, m, b.data() + i, n)); },
       true, "buffers overlap"},
      {"zolt_copy_if", encoder(1),
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_copy_if(1, b.data() + o, m, b.data() + i, n)); },
       true, "buffers overlap"},
      {"zolt_swap_if", encoder(1),
       [](S& b, auto i, auto n, auto o, auto m) { return c(zolt_swap_if(1, b.data() + o, m, b.data() + i, n)); },
       true, "buffers overlap"},
  };
  return all;
}

// Input lengths in bytes before encoding: short ones, and ones past the
// vector steps (16 bytes of hex, 32 of case mapping and base64 text) with and
// without a tail.
constexpr std::size_t kLengths[] = {0, 1, 7, 17, 20, 24, 33, 48, 100};
constexpr std::size_t kReach = 64;  // the farthest offset tried, either way

TEST(Aliasing, InPlaceMatchesASeparateOutputAndOtherOverlapsAreRefused) {
  Rng g(0xa11a5);
  for (const writer& w : writers()) {
    for (const std::size_t n : kLengths) {
      for (const bool spoilt : {false, true}) {
        const input in = w.make(g, n, spoilt);
        const std::size_t at = kReach;  // the input's place in the buffer
        const std::string before = random_bytes(g, at + in.bytes.size() + kReach + in.written + kReach);
        for (std::size_t o = at - kReach; o <= at + kReach; ++o) {
          SCOPED_TRACE(testing::Message() << w.name << ", " << in.bytes.size() << " bytes in, "
                                          << in.written << " out, offset " << P(o - at));
          std::string buffer = before;
          buffer.replace(at, in.bytes.size(), in.bytes);
          // The same call on copies of both operands, apart.
          std::string apart = in.bytes + buffer.substr(o, in.written);
          const outcome separate = w.call(apart, 0, in.bytes.size(), in.bytes.size(), in.written);
          ASSERT_EQ(separate.refusal, "");
          std::string expected = buffer;
          expected.replace(at, in.bytes.size(), apart.substr(0, in.bytes.size()));
          expected.replace(o, in.written, apart.substr(in.bytes.size()));

          const bool shared = in.written != 0 && !in.bytes.empty() && o < at + in.bytes.size() &&
                              at < o + in.written;
          const bool refused = shared && !(o == at && w.in_place);
          const std::string unchanged = buffer;
          const outcome got = w.call(buffer, at, in.bytes.size(), o, in.written);
          if (refused) {
            ASSERT_EQ(got, (outcome{0, w.refusal}));
            ASSERT_EQ(buffer, unchanged);
          } else {
            ASSERT_EQ(got, separate);
            ASSERT_EQ(buffer, expected);
          }
        }
      }
    }
  }
}

}  // namespace
