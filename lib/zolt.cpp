// SPDX-License-Identifier: MIT
#include "find.hpp"
#include "zolt_internal.hpp"
#include "zolt_into.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace Zolt {

namespace {

// Hex text of n bytes into out (2n characters), ascending: eight bytes per
// step in byte lanes, then the last bytes one character at a time, each byte
// read twice.
void encode_hex_portable(const unsigned char* in, std::size_t n, char* out) noexcept {
  std::size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    const lanes::word w = lanes::load(in + k);
    lanes::store(out + 2 * k, lanes::hex_of_4(w & 0xFFFFFFFF));
    lanes::store(out + 2 * k + 8, lanes::hex_of_4(w >> 32));
  }
  for (std::size_t i = 2 * k; i < 2 * n; ++i) {
    const unsigned c = in[i >> 1];
    const unsigned shift = 4 * ((~i) & 1);  // high nibble first
    out[i] = static_cast<char>(to_hex_nibble((c >> shift) & 15));
  }
}

#if ZOLT_X86_AVX2
// The hex text of the 16 bytes at in: each byte widened to a 16-bit lane,
// its high nibble moved to the lane's first byte and its low nibble to the
// second, then every nibble turned into its digit by an in-register byte
// shuffle of the constant digit table (no memory read indexed by a nibble).
ZOLT_AVX2 inline void encode_hex_16(const unsigned char* in, char* out) noexcept {
  const __m256i w = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
  const __m256i nibbles = _mm256_or_si256(
      _mm256_srli_epi16(w, 4), _mm256_slli_epi16(_mm256_and_si256(w, _mm256_set1_epi16(15)), 8));
  const __m256i digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b',
                                          'c', 'd', 'e', 'f', '0', '1', '2', '3', '4', '5', '6', '7',
                                          '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
  avx2::store(out, _mm256_shuffle_epi8(digits, nibbles));
}

// encode_hex for n >= 16: 16 bytes per step, then the last 16 bytes once
// more, overlapping (the same characters are written again).
ZOLT_AVX2 void encode_hex_avx2(const unsigned char* in, std::size_t n, char* out) noexcept {
  for (std::size_t k = 0; k + 16 <= n; k += 16) encode_hex_16(in + k, out + 2 * k);
  encode_hex_16(in + n - 16, out + 2 * (n - 16));
}
#endif

void encode_hex(const unsigned char* in, std::size_t n, char* out) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  scrubbed([=] {
#if ZOLT_X86_AVX2
    if (n >= 16 && dispatch::avx2()) return encode_hex_avx2(in, n, out);
#endif
    encode_hex_portable(in, n, out);
  });
}

// Decodes the n bytes of the 2n characters at h into dst and returns the OR
// of the character values (0..15, 255 for a character that is not a hex
// digit). Eight characters (four bytes) per step in byte lanes, then pair by
// pair.
std::ptrdiff_t decode_hex_portable(const char* h, std::size_t n, unsigned char* dst) noexcept {
  std::size_t i = 0;
  lanes::word lane_error = 0;
  for (; i + 4 <= n; i += 4) {
    const lanes::word v = lanes::nib(lanes::load(h + 2 * i));
    lane_error |= v;
    const lanes::word b = lanes::bytes_of_nibbles(v);
    for (std::size_t j = 0; j < 4; ++j) dst[i + j] = char_chr(static_cast<std::ptrdiff_t>(b >> (8 * j)));
  }
  std::ptrdiff_t error = lanes::or_lanes(lane_error);
  for (; i < n; ++i) {
    const std::ptrdiff_t hi = nib(static_cast<unsigned char>(h[2 * i]));
    const std::ptrdiff_t lo = nib(static_cast<unsigned char>(h[2 * i + 1]));
    error |= hi | lo;
    dst[i] = char_chr((hi << 4) | lo);
  }
  return error;
}

#if ZOLT_X86_AVX2
// Decodes the 32 characters c into 16 bytes at dst and ORs 0xFF into the
// lanes of bad that held a character other than a hex digit. The value of a
// character: c - '0' for a digit, (c | 32) - 'a' + 10 for a letter, 255 for
// anything else, chosen with masks.
ZOLT_AVX2 inline void decode_hex_16(const __m256i c, unsigned char* dst, __m256i& bad) noexcept {
  const __m256i l = _mm256_or_si256(c, avx2::bytes(32));
  const __m256i digit = avx2::in_range(c, '0', 9);
  const __m256i letter = avx2::in_range(l, 'a', 5);
  const __m256i neither = _mm256_xor_si256(_mm256_or_si256(digit, letter), avx2::bytes(-1));
  bad = _mm256_or_si256(bad, neither);
  const __m256i value = _mm256_or_si256(
      _mm256_or_si256(_mm256_and_si256(_mm256_sub_epi8(c, avx2::bytes('0')), digit),
                      _mm256_and_si256(_mm256_sub_epi8(l, avx2::bytes('a' - 10)), letter)),
      neither);
  // Each 16-bit lane holds the high character's value in its first byte and
  // the low one's in its second: ((hi << 4) | lo) AND 255, packed to bytes.
  const __m256i b = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(value, 4), _mm256_set1_epi16(0xF0)),
                                    _mm256_srli_epi16(value, 8));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                   _mm_packus_epi16(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1)));
}

// decode_hex_portable for n >= 16: 16 bytes per step, then the last 16 once
// more, overlapping. Their characters are read before anything is written,
// so that the last step decodes the text even when dst is h (in place).
// Returns 255 when some character was bad, else 0.
ZOLT_AVX2 std::ptrdiff_t decode_hex_avx2(const char* h, std::size_t n, unsigned char* dst) noexcept {
  const __m256i last = avx2::load(h + 2 * (n - 16));
  __m256i bad = _mm256_setzero_si256();
  for (std::size_t i = 0; i + 16 <= n; i += 16) decode_hex_16(avx2::load(h + 2 * i), dst + i, bad);
  decode_hex_16(last, dst + n - 16, bad);
  return detail::mask_if_not_zero(_mm256_movemask_epi8(bad)) & 255;
}
#endif

// Decodes the h.size() / 2 bytes of h into dst and returns the error
// indicator; every character pair is visited whatever it holds. Each step
// reads its characters before it writes their bytes, which land before the
// next unread character, so dst may be h itself (in place). Writes the bytes
// straight into dst, so no copy of them is left in this frame.
std::ptrdiff_t decode_hex(std::string_view h, unsigned char* dst) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  const std::size_t n = h.size() >> 1;
  const std::ptrdiff_t odd = static_cast<std::ptrdiff_t>(h.size() & 1) << 4;
  return scrubbed([=] {
#if ZOLT_X86_AVX2
    if (n >= 16 && dispatch::avx2()) return (odd | decode_hex_avx2(h.data(), n, dst)) & ~std::ptrdiff_t{15};
#endif
    return (odd | decode_hex_portable(h.data(), n, dst)) & ~std::ptrdiff_t{15};
  });
}

#if ZOLT_X86_AVX2
// The case mapping of the 32 bytes at in: bit 5 flipped in the lanes holding
// a letter of the case that starts at `first` ('A' or 'a'), chosen by mask.
ZOLT_AVX2 inline void map_case_32(const char* in, char* out, char first) noexcept {
  const __m256i c = avx2::load(in);
  avx2::store(out, _mm256_xor_si256(c, _mm256_and_si256(avx2::in_range(c, first, 25), avx2::bytes(32))));
}

// The case mapping of n >= 32 bytes: 32 per step, then the last 32 once more,
// overlapping (read from the input, so the same bytes are written again).
ZOLT_AVX2 void map_case_avx2(const char* in, std::size_t n, char* out, char first) noexcept {
  for (std::size_t i = 0; i + 32 <= n; i += 32) map_case_32(in + i, out + i, first);
  map_case_32(in + n - 32, out + n - 32, first);
}
#endif

// The case mapping that flips the letters from `first` ('A' or 'a') into dst
// (s.size() bytes): map_lanes on eight bytes at a time, then map on the last
// bytes one by one; on AVX2, 32 bytes at a time. Each step reads its bytes
// before it writes them, and mapping twice changes nothing, so dst may be
// s.data() itself.
template <class Map, class MapLanes>
void map_bytes(std::string_view s, char* const dst, [[maybe_unused]] char first, Map map,
               MapLanes map_lanes) {
  [[maybe_unused]] const dit::operation dit_on{};
  scrubbed([=] {
#if ZOLT_X86_AVX2
    if (s.size() >= 32 && dispatch::avx2()) return map_case_avx2(s.data(), s.size(), dst, first);
#endif
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) lanes::store(dst + i, map_lanes(lanes::load(s.data() + i)));
    for (; i < s.size(); ++i) {
      dst[i] = static_cast<char>(map(get(s, static_cast<std::ptrdiff_t>(i))));
    }
  });
}

// The length of the hex text of n bytes, 2n, when std::size_t holds it.
std::size_t hex_size(std::size_t n) {
  if (n > std::numeric_limits<std::size_t>::max() / 2) throw std::length_error("hex: size overflow");
  return 2 * n;
}

}  // namespace

bool equal(byte_view a, byte_view b) noexcept {
  return fold::equal(string_reader{a.chars()}, string_reader{b.chars()});
}

std::ptrdiff_t compare_be(byte_view a, byte_view b) noexcept {
  return fold::compare_lengths_then(string_reader{a.chars()}, string_reader{b.chars()},
                                    fold::compare_be<string_reader>);
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, byte_view a, byte_view b) {
  return fold::compare_with_len(len, string_reader{a.chars()}, string_reader{b.chars()},
                                fold::compare_be<string_reader>, "compare_be_with_len");
}

std::ptrdiff_t compare_le(byte_view a, byte_view b) noexcept {
  return fold::compare_lengths_then(string_reader{a.chars()}, string_reader{b.chars()},
                                    fold::compare_le<string_reader>);
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, byte_view a, byte_view b) {
  return fold::compare_with_len(len, string_reader{a.chars()}, string_reader{b.chars()},
                                fold::compare_le<string_reader>, "compare_le_with_len");
}

std::pair<std::int32_t, std::int32_t> divmod(std::int32_t dividend, std::int32_t m) {
  if (m <= 0) throw std::invalid_argument("m <= 0");
  if (m >= 16348) throw std::invalid_argument("m >= 16348 not supported");
  return divmod_by_reciprocal(dividend, m, divmod_reciprocal(static_cast<std::uint32_t>(m)));
}

std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, predicate p, byte_view s) {
  const std::ptrdiff_t end = detail::search_end(s.size());
  if (start < 0) throw std::out_of_range(detail::negative_start);
  return find_uint8(start, end, p, s.chars());
}

std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, const byte_ranges& r, byte_view s) {
  const std::ptrdiff_t end = detail::search_end(s.size());
  if (start < 0) throw std::out_of_range(detail::negative_start);
  return find::ranges(s.data(), start, end, r);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, predicate p, byte_view s) {
  return find_uint8_inner(start, p, s);
}

std::ptrdiff_t find_uint8(predicate p, byte_view s) { return find_uint8_inner(0, p, s); }

bool exists_uint8(std::ptrdiff_t start, predicate p, byte_view s) {
  return detail::found(find_uint8_inner(start, p, s));
}

bool exists_uint8(predicate p, byte_view s) { return exists_uint8(0, p, s); }

namespace {

// The last `digits` decimal digits of value read as unsigned 32-bit into dst,
// zero-padded; digits >= 0.
inline void write_decimal(std::ptrdiff_t digits, std::int32_t value, char* const dst) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  scrubbed([=] {
    const ten_digits d = decimal_digits(value);
    const std::uint64_t tail = d.tail | lanes::ones * 48;  // the last eight characters
    // The last min(digits, 10) of the ten characters, the last eight in one
    // store when all of them are written; which bytes are written, and the
    // shifts that pick them, depend on digits alone.
    constexpr std::ptrdiff_t ten = 10;
    const std::ptrdiff_t at = digits - ten;  // where the first of the ten would go
    for (std::ptrdiff_t k = 0; k < at; ++k) dst[k] = '0';  // zeros before ten digits
    std::ptrdiff_t j = ten - std::min(digits, ten);
    for (; j < 2; ++j) dst[at + j] = static_cast<char>(char_chr(static_cast<std::ptrdiff_t>(48 | ((d.head >> (8 * j)) & 15))));
    if (j == 2) {
      lanes::store(dst + at + 2, tail);
    } else {
      for (; j < ten; ++j) dst[at + j] = static_cast<char>(char_chr(static_cast<std::ptrdiff_t>(tail >> (8 * (j - 2)))));
    }
  });
}

}  // namespace

std::size_t ascii_of_int32_into(std::ptrdiff_t digits, std::int32_t value, byte_span out) {
  if (digits < 0) throw std::invalid_argument("digits < 0");
  check_room(out.size(), static_cast<std::size_t>(digits), "ascii_of_int32_into: output too small");
  write_decimal(digits, value, chars_of(out));
  return static_cast<std::size_t>(digits);
}

std::string ascii_of_int32(std::ptrdiff_t digits, std::int32_t value) {
  if (digits < 0) throw std::invalid_argument("digits < 0");
  return written<std::string>(static_cast<std::size_t>(digits), '0',
                              [=](char* dst) { write_decimal(digits, value, dst); });
}

void lowercase_ascii_into(byte_view s, byte_span out) {
  check_room(out.size(), s.size(), "lowercase_ascii_into: output too small");
  refuse_overlap(overlap_not_in_place(out.data(), s.size(), s.data(), s.size()),
                 "lowercase_ascii_into: buffers overlap");
  map_bytes(s.chars(), chars_of(out), 'A', lowercase_byte, lanes::lowercase);
}

void uppercase_ascii_into(byte_view s, byte_span out) {
  check_room(out.size(), s.size(), "uppercase_ascii_into: output too small");
  refuse_overlap(overlap_not_in_place(out.data(), s.size(), s.data(), s.size()),
                 "uppercase_ascii_into: buffers overlap");
  map_bytes(s.chars(), chars_of(out), 'a', uppercase_byte, lanes::uppercase);
}

std::string lowercase_ascii(byte_view s) {
  return written<std::string>(s.size(), '\0', [s](char* dst) {
    map_bytes(s.chars(), dst, 'A', lowercase_byte, lanes::lowercase);
  });
}

std::string uppercase_ascii(byte_view s) {
  return written<std::string>(s.size(), '\0', [s](char* dst) {
    map_bytes(s.chars(), dst, 'a', uppercase_byte, lanes::uppercase);
  });
}

std::string hex_of_bytes(byte_view b) { return hex_of_string(b); }

std::string hex_of_string(byte_view s) {
  return written<std::string>(hex_size(s.size()), '\0', [s](char* dst) { encode_hex(s.data(), s.size(), dst); });
}

void hex_of_bytes_into(byte_view b, byte_span out) {
  check_room(out.size(), hex_size(b.size()), "hex_of_bytes_into: output too small");
  refuse_overlap(overlap(out.data(), 2 * b.size(), b.data(), b.size()), "hex_of_bytes_into: buffers overlap");
  encode_hex(b.data(), b.size(), chars_of(out));
}

void hex_of_string_into(byte_view s, byte_span out) {
  check_room(out.size(), hex_size(s.size()), "hex_of_string_into: output too small");
  refuse_overlap(overlap(out.data(), 2 * s.size(), s.data(), s.size()), "hex_of_string_into: buffers overlap");
  encode_hex(s.data(), s.size(), chars_of(out));
}

std::ptrdiff_t bytes_of_hex_into(byte_view h, byte_span out) {
  check_room(out.size(), h.size() / 2, "bytes_of_hex_into: output too small");
  refuse_overlap(overlap_not_in_place(out.data(), h.size() / 2, h.data(), h.size()),
                 "bytes_of_hex_into: buffers overlap");
  return decode_hex(h.chars(), out.data());
}

std::ptrdiff_t string_of_hex_into(byte_view h, byte_span out) {
  check_room(out.size(), h.size() / 2, "string_of_hex_into: output too small");
  refuse_overlap(overlap_not_in_place(out.data(), h.size() / 2, h.data(), h.size()),
                 "string_of_hex_into: buffers overlap");
  return decode_hex(h.chars(), out.data());
}

void wipe(std::span<std::byte> s) noexcept {
  zero_in_place(s.data(), s.size());
}

std::pair<std::string, std::ptrdiff_t> string_of_hex(byte_view h) {
  return detail::decoded<std::string>(h.size() / 2,
                                      [h](byte_span out) { return decode_hex(h.chars(), out.data()); });
}

}  // namespace Zolt
