// SPDX-License-Identifier: MIT
// Throughput of zolt's operations beside the physical limit (memcmp, memcpy,
// memchr, table lookups, std::to_chars, the divide instruction) and beside the
// constant-time peers (OpenSSL's CRYPTO_memcmp, libsodium), and OpenSSL's
// table-driven base64 (EVP_EncodeBlock, EVP_DecodeBlock). One process run,
// bytes per second; bench/ratios.py turns the JSON output into the ratio table.
//
// Results are kept alive with keep() below rather than benchmark::DoNotOptimize,
// which GCC 12 miscompiles at -O3 in Google Benchmark 1.7.1.
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>

#include <benchmark/benchmark.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Makes the optimiser assume v is read and any memory may have changed, so no
// call is hoisted out of the timing loop or dropped.
template <class T>
inline void keep(const T& v) {
  asm volatile("" : : "r"(&v) : "memory");
}

// Hides a value's origin, so that a constant (a divisor, a length) is not
// folded into the code under test.
template <class T>
inline T opaque(T v) {
  asm volatile("" : "+r"(v));
  return v;
}

constexpr std::size_t max_size = 1 << 20;

// Random bytes, and a byte-for-byte copy in separate memory (equal buffers are
// the worst case for memcmp, which stops at the first difference).
struct buffers {
  std::vector<unsigned char> a, b, hex, out;
  buffers() : a(max_size), b(max_size), hex(2 * max_size), out(2 * max_size + 1) {
    std::mt19937_64 rng(42);
    std::generate(a.begin(), a.end(), [&] { return static_cast<unsigned char>(rng()); });
    b = a;
    static constexpr char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < max_size; ++i) {
      hex[2 * i] = digits[a[i] >> 4];
      hex[2 * i + 1] = digits[a[i] & 15];
    }
  }
};

buffers& data() {
  static buffers d;
  return d;
}

std::string_view view(const std::vector<unsigned char>& v, std::size_t n) {
  return {reinterpret_cast<const char*>(v.data()), n};
}

Zolt_bigstring::bigstring big(const std::vector<unsigned char>& v, std::size_t n) {
  return {reinterpret_cast<const std::byte*>(v.data()), n};
}

// Runs op once per iteration and reports `size` bytes per iteration.
template <class Op>
void per_byte(benchmark::State& state, Op op) {
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) op(n);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// --- equality ---------------------------------------------------------------

void zolt_equal(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::equal(view(data().a, n), view(data().b, n))); });
}
void zolt_bigstring_equal(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    keep(Zolt_bigstring::equal(big(data().a, n), big(data().b, n)));
  });
}
void memcmp_equal(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(std::memcmp(data().a.data(), data().b.data(), n)); });
}
void CRYPTO_memcmp_equal(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(CRYPTO_memcmp(data().a.data(), data().b.data(), n)); });
}
void sodium_memcmp_equal(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(sodium_memcmp(data().a.data(), data().b.data(), n)); });
}
void memcpy_copy(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    std::memcpy(data().out.data(), data().a.data(), n);
    keep(data().out);
  });
}

// --- ordered comparison (equal buffers: every byte decides nothing) ---------

void zolt_compare_be(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::compare_be(view(data().a, n), view(data().b, n))); });
}
void zolt_compare_le(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::compare_le(view(data().a, n), view(data().b, n))); });
}
void zolt_bigstring_compare_be(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    keep(Zolt_bigstring::compare_be(big(data().a, n), big(data().b, n)));
  });
}
void zolt_bigstring_compare_le(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    keep(Zolt_bigstring::compare_le(big(data().a, n), big(data().b, n)));
  });
}
void sodium_compare_le(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(sodium_compare(data().a.data(), data().b.data(), n)); });
}

// --- search -----------------------------------------------------------------

constexpr int absent = 256;  // no byte has this value: every search scans everything

void zolt_find_uint8_lambda(benchmark::State& st) {
  const int wanted = opaque(absent);
  per_byte(st, [&](std::size_t n) {
    keep(Zolt::find_uint8([wanted](int c) { return c == wanted; }, view(data().a, n)));
  });
}
// The same lambda through the exported entry point (one indirect call per byte).
void zolt_find_uint8_predicate(benchmark::State& st) {
  const int wanted = opaque(absent);
  const auto lambda = [wanted](int c) { return c == wanted; };
  per_byte(st, [&](std::size_t n) {
    keep(Zolt::find_uint8(Zolt::predicate(lambda), view(data().a, n)));
  });
}
void zolt_bigstring_find_uint8_lambda(benchmark::State& st) {
  const int wanted = opaque(absent);
  per_byte(st, [&](std::size_t n) {
    keep(Zolt_bigstring::find_uint8([wanted](int c) { return c == wanted; }, big(data().a, n)));
  });
}
void zolt_bytes_find_uint8_lambda(benchmark::State& st) {
  const int wanted = opaque(absent);
  per_byte(st, [&](std::size_t n) {
    keep(Zolt_bytes::find_uint8([wanted](int c) { return c == wanted; },
                                std::span<const std::uint8_t>(data().a.data(), n)));
  });
}

// A buffer of ones, searched for the byte 0: memchr runs to the end.
const std::vector<unsigned char>& ones() {
  static const std::vector<unsigned char> v(max_size, 1);
  return v;
}
void memchr_absent(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(std::memchr(ones().data(), 0, n)); });
}
// The builders' predicates on the same buffer, none of whose bytes match.
template <class P>
void find_with_builder(benchmark::State& st, const P& p) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::find_uint8(p, view(ones(), n))); });
}
void zolt_find_uint8_byte_equal_to(benchmark::State& st) {
  find_with_builder(st, Zolt::byte_equal_to(opaque(0)));
}
void zolt_find_uint8_byte_in_range(benchmark::State& st) {
  find_with_builder(st, Zolt::byte_in_range(opaque(0x80), 0xff));
}
void zolt_find_uint8_byte_in_set(benchmark::State& st) {
  using namespace std::string_view_literals;
  find_with_builder(st, Zolt::byte_in_set(",;="sv));
}
void zolt_bigstring_find_uint8_byte_equal_to(benchmark::State& st) {
  const auto p = Zolt::byte_equal_to(opaque(0));
  per_byte(st, [&](std::size_t n) { keep(Zolt_bigstring::find_uint8(p, big(ones(), n))); });
}

// --- hexadecimal codec -------------------------------------------------------

void zolt_hex_of_string(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::hex_of_string(view(data().a, n))); });
}
void sodium_bin2hex_encode(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    keep(sodium_bin2hex(reinterpret_cast<char*>(data().out.data()),
                        2 * n + 1, data().a.data(), n));
  });
}
void table_hex_encode(benchmark::State& st) {
  static constexpr char digits[] = "0123456789abcdef";
  per_byte(st, [&](std::size_t n) {
    auto* out = data().out.data();
    const unsigned char* in = data().a.data();
    for (std::size_t i = 0; i < n; ++i) {
      out[2 * i] = digits[in[i] >> 4];
      out[2 * i + 1] = digits[in[i] & 15];
    }
    keep(data().out);
  });
}

// Decoders: bytes per second counts decoded bytes (half the text).
void zolt_string_of_hex(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::string_of_hex(view(data().hex, 2 * n))); });
}
void sodium_hex2bin_decode(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    std::size_t len = 0;
    keep(sodium_hex2bin(data().out.data(), n,
                        reinterpret_cast<const char*>(data().hex.data()), 2 * n, nullptr, &len,
                        nullptr));
    keep(data().out);
  });
}
void table_hex_decode(benchmark::State& st) {
  static const auto values = [] {
    std::array<unsigned char, 256> t{};
    t.fill(255);
    for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<unsigned char>(c);
    for (int c = 0; c < 6; ++c) t['a' + c] = t['A' + c] = static_cast<unsigned char>(10 + c);
    return t;
  }();
  per_byte(st, [&](std::size_t n) {
    auto* out = data().out.data();
    const unsigned char* in = data().hex.data();
    unsigned bad = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned hi = values[in[2 * i]], lo = values[in[2 * i + 1]];
      bad |= hi | lo;
      out[i] = static_cast<unsigned char>((hi << 4) | lo);
    }
    keep(bad);
    keep(data().out);
  });
}

// --- base64 codec -------------------------------------------------------------

void zolt_base64_of_string(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::base64_of_string(view(data().a, n))); });
}
void sodium_bin2base64_encode(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    // The exact room: sodium zero-fills whatever room is left after the text.
    keep(sodium_bin2base64(reinterpret_cast<char*>(data().out.data()),
                           sodium_base64_ENCODED_LEN(n, sodium_base64_VARIANT_ORIGINAL),
                           data().a.data(), n, sodium_base64_VARIANT_ORIGINAL));
  });
}

std::span<char> out_chars(std::size_t n) { return {reinterpret_cast<char*>(data().out.data()), n}; }

// Into a buffer of the exact size, in the variant given as the argument.
template <Zolt::base64_variant V>
void zolt_base64_of_bytes_into(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    Zolt::base64_of_bytes_into(std::span<const std::uint8_t>(data().a.data(), n),
                               out_chars(Zolt::base64_encoded_size(n, V)), V);
    keep(data().out);
  });
}
// Table-driven, not constant time: the standard padded alphabet.
void EVP_EncodeBlock_encode(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    keep(EVP_EncodeBlock(data().out.data(), data().a.data(), static_cast<int>(n)));
    keep(data().out);
  });
}

// Decoders: the standard padded text of the first n random bytes; bytes per
// second counts the decoded bytes.
std::string base64_text(const benchmark::State& st) {
  return Zolt::base64_of_string(view(data().a, static_cast<std::size_t>(st.range(0))));
}
void zolt_string_of_base64(benchmark::State& st) {
  const std::string text = base64_text(st);
  per_byte(st, [&](std::size_t) { keep(Zolt::string_of_base64(text)); });
}
void zolt_bytes_of_base64_into(benchmark::State& st) {
  const std::string text = base64_text(st);
  per_byte(st, [&](std::size_t n) {
    keep(Zolt::bytes_of_base64_into(text, std::span<std::uint8_t>(data().out.data(), n)));
    keep(data().out);
  });
}
// Table-driven and lenient (whitespace skipped, no error until the end).
void EVP_DecodeBlock_decode(benchmark::State& st) {
  const std::string text = base64_text(st);
  per_byte(st, [&](std::size_t) {
    keep(EVP_DecodeBlock(data().out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                         static_cast<int>(text.size())));
    keep(data().out);
  });
}
void sodium_base642bin_decode(benchmark::State& st) {
  const std::string text = base64_text(st);
  per_byte(st, [&](std::size_t) {
    std::size_t len = 0;
    keep(sodium_base642bin(data().out.data(), data().out.size(), text.data(), text.size(), nullptr,
                           &len, nullptr, sodium_base64_VARIANT_ORIGINAL));
    keep(data().out);
  });
}

// --- ASCII case mapping -----------------------------------------------------

void zolt_lowercase_ascii(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::lowercase_ascii(view(data().a, n))); });
}
void zolt_uppercase_ascii(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) { keep(Zolt::uppercase_ascii(view(data().a, n))); });
}
void table_lowercase(benchmark::State& st) {
  static const auto lower = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c | 32 : c);
    return t;
  }();
  per_byte(st, [&](std::size_t n) {
    auto* out = data().out.data();
    const unsigned char* in = data().a.data();
    for (std::size_t i = 0; i < n; ++i) out[i] = lower[in[i]];
    keep(data().out);
  });
}
void std_tolower(benchmark::State& st) {
  per_byte(st, [&](std::size_t n) {
    auto* out = data().out.data();
    const unsigned char* in = data().a.data();
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(std::tolower(in[i]));
    keep(data().out);
  });
}

// --- division and decimal rendering (time per call) --------------------------

const std::array<std::uint32_t, 1024>& dividends() {
  static const auto values = [] {
    std::array<std::uint32_t, 1024> v{};
    std::mt19937 rng(7);
    // 10-digit values, so that std::to_chars writes as many digits as zolt.
    for (auto& x : v) x = 1000000000u + rng() % 3294967295u;
    return v;
  }();
  return values;
}

void zolt_divmod_10(benchmark::State& st) {
  std::size_t i = 0;
  for (auto _ : st) {
    const auto [q, r] = Zolt::divmod(static_cast<std::int32_t>(dividends()[i++ & 1023]), 10);
    keep(q);
    keep(r);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}
void divide_instruction_10(benchmark::State& st) {
  std::size_t i = 0;
  for (auto _ : st) {
    const std::uint32_t x = dividends()[i++ & 1023], m = opaque(10u);
    const std::uint32_t q = x / m, r = x % m;  // one div: quotient and remainder
    keep(q);
    keep(r);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}
void zolt_ascii_of_int32_10(benchmark::State& st) {
  std::size_t i = 0;
  for (auto _ : st) keep(Zolt::ascii_of_int32(10, static_cast<std::int32_t>(dividends()[i++ & 1023])));
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}
void zolt_ascii_of_int32_into_10(benchmark::State& st) {
  std::size_t i = 0;
  char buf[16];
  for (auto _ : st) {
    keep(Zolt::ascii_of_int32_into(10, static_cast<std::int32_t>(dividends()[i++ & 1023]),
                                   std::span<char>(buf, 10)));
    keep(buf);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}
void std_to_chars_10(benchmark::State& st) {
  std::size_t i = 0;
  char buf[16];
  for (auto _ : st) {
    keep(std::to_chars(buf, buf + sizeof buf, dividends()[i++ & 1023]));
    keep(buf);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}

void sizes(benchmark::internal::Benchmark* b) {
  for (const std::int64_t n : {16, 32, 64, 256, 4096, 65536, 1048576}) b->Arg(n);
}

}  // namespace

BENCHMARK(zolt_equal)->Apply(sizes);
BENCHMARK(zolt_bigstring_equal)->Apply(sizes);
BENCHMARK(memcmp_equal)->Apply(sizes);
BENCHMARK(CRYPTO_memcmp_equal)->Apply(sizes);
BENCHMARK(sodium_memcmp_equal)->Apply(sizes);
BENCHMARK(memcpy_copy)->Apply(sizes);
BENCHMARK(zolt_compare_be)->Apply(sizes);
BENCHMARK(zolt_compare_le)->Apply(sizes);
BENCHMARK(zolt_bigstring_compare_be)->Apply(sizes);
BENCHMARK(zolt_bigstring_compare_le)->Apply(sizes);
BENCHMARK(sodium_compare_le)->Apply(sizes);
BENCHMARK(zolt_find_uint8_lambda)->Apply(sizes);
BENCHMARK(zolt_find_uint8_predicate)->Apply(sizes);
BENCHMARK(zolt_bigstring_find_uint8_lambda)->Apply(sizes);
BENCHMARK(zolt_bytes_find_uint8_lambda)->Apply(sizes);
BENCHMARK(memchr_absent)->Apply(sizes);
BENCHMARK(zolt_find_uint8_byte_equal_to)->Apply(sizes);
BENCHMARK(zolt_find_uint8_byte_in_range)->Apply(sizes);
BENCHMARK(zolt_find_uint8_byte_in_set)->Apply(sizes);
BENCHMARK(zolt_bigstring_find_uint8_byte_equal_to)->Apply(sizes);
BENCHMARK(zolt_hex_of_string)->Apply(sizes);
BENCHMARK(sodium_bin2hex_encode)->Apply(sizes);
BENCHMARK(table_hex_encode)->Apply(sizes);
BENCHMARK(zolt_string_of_hex)->Apply(sizes);
BENCHMARK(sodium_hex2bin_decode)->Apply(sizes);
BENCHMARK(table_hex_decode)->Apply(sizes);
BENCHMARK(zolt_base64_of_string)->Apply(sizes);
BENCHMARK(sodium_bin2base64_encode)->Apply(sizes);
BENCHMARK(zolt_base64_of_bytes_into<Zolt::base64_variant::standard>)->Name("zolt_base64_of_bytes_into")->Apply(sizes);
BENCHMARK(zolt_base64_of_bytes_into<Zolt::base64_variant::url_unpadded>)
    ->Name("zolt_base64_of_bytes_into_url_unpadded")->Apply(sizes);
BENCHMARK(EVP_EncodeBlock_encode)->Apply(sizes);
BENCHMARK(zolt_string_of_base64)->Apply(sizes);
BENCHMARK(zolt_bytes_of_base64_into)->Apply(sizes);
BENCHMARK(EVP_DecodeBlock_decode)->Apply(sizes);
BENCHMARK(sodium_base642bin_decode)->Apply(sizes);
BENCHMARK(zolt_lowercase_ascii)->Apply(sizes);
BENCHMARK(zolt_uppercase_ascii)->Apply(sizes);
BENCHMARK(table_lowercase)->Apply(sizes);
BENCHMARK(std_tolower)->Apply(sizes);
BENCHMARK(zolt_divmod_10);
BENCHMARK(divide_instruction_10);
BENCHMARK(zolt_ascii_of_int32_10);
BENCHMARK(zolt_ascii_of_int32_into_10);
BENCHMARK(std_to_chars_10);

// Defaults for a comparable run: repetitions interleaved at random, medians only.
// Any flag given on the command line comes later and wins.
int main(int argc, char** argv) {
  if (sodium_init() < 0) return 1;
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=7";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  char min_time[] = "--benchmark_min_time=0.05";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates, min_time});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
