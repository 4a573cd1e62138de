// SPDX-License-Identifier: MIT
// Internal operations of zolt, inline so that the exported operations compile
// into tight loops and so that the tests can reach them. Not installed.
#pragma once

#include "fold.hpp"
#include "unsafe.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Zolt {

// The byte whose value is n AND 255.
inline std::uint8_t char_chr(std::ptrdiff_t n) noexcept { return static_cast<std::uint8_t>(n & 255); }

// The byte at i, 0..255. No bounds check: callers keep i inside s.
inline std::ptrdiff_t get(std::string_view s, std::ptrdiff_t i) noexcept {
  return static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
}

// Bytes i and i+1 as a little-endian 16-bit value, any alignment. No bounds check.
inline std::ptrdiff_t get16(std::string_view s, std::ptrdiff_t i) noexcept {
  return fold::load16_le(s.data() + i);
}

// The reader through which the shared folds see a string.
struct string_reader {
  std::string_view s;
  std::size_t length() const noexcept { return s.size(); }
  std::ptrdiff_t get(std::ptrdiff_t i) const noexcept { return Zolt::get(s, i); }
  const unsigned char* bytes(std::size_t i, std::size_t) const noexcept {
    return reinterpret_cast<const unsigned char*>(s.data()) + i;
  }
};

// Length-given forms: the caller guarantees both strings hold len bytes.
inline bool equal(std::size_t len, std::string_view a, std::string_view b) noexcept {
  return fold::equal(len, string_reader{a}, string_reader{b});
}
inline std::ptrdiff_t compare_be(std::size_t len, std::string_view a, std::string_view b) noexcept {
  return fold::compare_be(len, string_reader{a}, string_reader{b});
}
inline std::ptrdiff_t compare_le(std::size_t len, std::string_view a, std::string_view b) noexcept {
  return fold::compare_le(len, string_reader{a}, string_reader{b});
}

// The search over start..end-1 (general form); the caller keeps 0 <= start and
// end <= s.size().
inline std::ptrdiff_t find_uint8(std::ptrdiff_t start, std::ptrdiff_t end, const predicate& p,
                                 std::string_view s) {
  return fold::find_uint8(start, end, p, string_reader{s});
}

// The caller's buffer as characters, for the writers that build text.
inline char* chars_of(byte_span out) noexcept { return reinterpret_cast<char*>(out.data()); }

// Throws unless a caller's buffer of `have` bytes can hold `needed`; the sizes
// are public.
inline void check_room(std::size_t have, std::size_t needed, const char* message) {
  if (have < needed) throw std::invalid_argument(message);
}

using detail::wiped_on_return;
using detail::zero_in_place;

// Whether an output of out_n bytes at out and an input of in_n bytes at in
// share a byte. Each start is tested against the other's range by an unsigned
// difference, so that no sum can wrap. Addresses and sizes are public.
inline bool overlap(const void* out, std::size_t out_n, const void* in, std::size_t in_n) noexcept {
  const auto o = reinterpret_cast<std::uintptr_t>(out), i = reinterpret_cast<std::uintptr_t>(in);
  return (out_n != 0 && o - i < in_n) || (in_n != 0 && i - o < out_n);
}

// Whether they share a byte other than by starting at the same one (in place).
inline bool overlap_not_in_place(const void* out, std::size_t out_n, const void* in,
                                 std::size_t in_n) noexcept {
  return out != in && overlap(out, out_n, in, in_n);
}

// Throws, before anything is written, when the buffers of a call overlap in a
// way it refuses; message is "<operation>: buffers overlap".
inline void refuse_overlap(bool overlapping, const char* message) {
  if (overlapping) throw std::invalid_argument(message);
}

// Unoptimised builds keep every local and temporary in the stack frame,
// vector registers included, so the frames of a loop that has returned still
// hold the bytes it handled, below its caller's frame. Called by that caller,
// this zeroes the stack there (such frames take under 8 KiB at -O0). On
// 64-bit targets, optimised builds keep those bytes in registers and it is
// empty; 32-bit x86 has too few registers, and its optimised loops spill them.
#if defined(__OPTIMIZE__) && __SIZEOF_POINTER__ == 8
inline void wipe_returned_frames() noexcept {}
#else
[[gnu::noinline]] inline void wipe_returned_frames() noexcept {
  unsigned char area[8192];
  zero_in_place(area, sizeof area);
}
#endif

// work()'s result, with the stack its frames used zeroed once it returns: the
// whole of an operation that handles secrets runs as work, so that this frame
// holds nothing of them (work's captures are pointers and sizes, the result
// an indicator at most).
template <class Work>
auto scrubbed(Work work) {
  if constexpr (std::is_void_v<decltype(work())>) {
    work();
    wipe_returned_frames();
  } else {
    const auto result = work();
    wipe_returned_frames();
    return result;
  }
}

// A new Out (std::string or std::vector<std::uint8_t>) of n bytes, each first
// set to init and then written by write(data).
template <class Out, class Write>
Out written(std::size_t n, typename Out::value_type init, Write write) {
  Out out(n, init);
  const wiped_on_return<Out> wiper{out};
  write(out.data());
  return Out(std::move(out));
}

// int32 arithmetic that wraps around modulo 2^32.
constexpr std::int32_t add(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t sub(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
constexpr std::int32_t mul(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// v's 32-bit pattern as a number 0..4294967295, through an 8-byte little-endian
// round trip (no sign extension, no branch on v). Written so that GCC and Clang
// both reduce it to a zero extension.
inline std::int64_t of_uint32(std::int32_t v) {
  std::array<std::uint8_t, 8> buf{};
  Unsafe::set_int32_le(buf, 0, v);
  return Unsafe::get_int64_le(buf, 0);
}

// The number of bits of m - 1: 2^l is the least power of two not below m.
// Public values only.
constexpr int divmod_shift(std::uint32_t m) noexcept {
  return static_cast<int>(std::bit_width(m - 1));
}

// The fixed-point reciprocal of divmod's public divisor m (1..16347): the low
// 32 bits of ceil(2^(32 + l) / m), l = divmod_shift(m), whose bit 32 is always
// set and left implied. It is ceil((2^l - m) * 2^32 / m), below 2^32 as
// 2^l - m < m. It divides, so it is only ever given the public divisor; it
// stays out of line so that no division can end up in the code that handles a
// secret.
[[gnu::noinline]] constexpr std::uint32_t divmod_reciprocal(std::uint32_t m) noexcept {
  const std::uint64_t above = (std::uint64_t{1} << divmod_shift(m)) - m;
  return static_cast<std::uint32_t>(((above << 32) + m - 1) / m);
}

// divmod after validation, with the reciprocal of m formed: an exact unsigned
// division by multiply and shift, then the remainder. With M = 2^32 +
// reciprocal = ceil(2^(32 + l) / m), M * m exceeds 2^(32 + l) by e < m <= 2^l,
// so x * M / 2^(32 + l) exceeds x / m by less than 1 / m for every x < 2^32 and
// its floor is the quotient; x * M is (x * reciprocal) + (x << 32), summed
// above bit 32 so that nothing overflows 64 bits. Two multiplications, no
// correction step.
inline std::pair<std::int32_t, std::int32_t> divmod_by_reciprocal(std::int32_t dividend,
                                                                  std::int32_t m,
                                                                  std::uint32_t reciprocal) {
  [[maybe_unused]] const dit::operation dit_on{};
  const auto x = static_cast<std::uint64_t>(of_uint32(dividend));
  const auto q = static_cast<std::int32_t>(static_cast<std::uint32_t>(
      (((x * reciprocal) >> 32) + x) >> divmod_shift(static_cast<std::uint32_t>(m))));
  return {q, sub(dividend, mul(q, m))};
}

// The ten decimal digits of v (read as unsigned), most significant first, as
// numbers 0..9: the first two in the two low bytes of `head`, the other eight
// in the eight bytes of `tail`, lowest byte first. Exact multiply-shift
// divisions by constants, each checked over its whole input range: v / 10^8
// for every 32-bit v, then the last eight digits split into two 4-digit lanes
// of a word, those into four 2-digit lanes, those into eight 1-digit lanes,
// no carry crossing a lane.
struct ten_digits {
  std::uint32_t head;
  std::uint64_t tail;
};
inline ten_digits decimal_digits(std::int32_t v) noexcept {
  const auto x = static_cast<std::uint64_t>(of_uint32(v));
  const std::uint64_t top = (x * 1441151881) >> 57;         // x / 10^8, 0..42
  const std::uint64_t low = x - top * 100000000;            // 0..99999999
  const std::uint64_t half = (low * 109951163) >> 40;       // low / 10^4
  std::uint64_t w = half | ((low - half * 10000) << 32);    // two lanes of 0..9999
  std::uint64_t q = ((w * 5243) >> 19) & 0x0000007F0000007F;  // each / 100
  w = q | ((w - q * 100) << 16);                            // four lanes of 0..99
  q = ((w * 103) >> 10) & 0x000F000F000F000F;               // each / 10
  w = q | ((w - q * 10) << 8);                              // eight lanes of 0..9
  const std::uint64_t t = (top * 103) >> 10;
  return {static_cast<std::uint32_t>(t | ((top - t * 10) << 8)), w};
}

// The digit character of v, 0..15, by arithmetic alone.
inline std::uint8_t to_hex_nibble(std::ptrdiff_t v) noexcept {
  const std::ptrdiff_t a = v + 86;
  const std::ptrdiff_t d = detail::value_barrier((a & 16) >> 4);  // 1 for 0..9, 0 for a..f
  const std::ptrdiff_t r = ((a - 71 * d) | 32) + 1;
  return char_chr(r);
}

// The value of a hex character: 0..15, or 255 for anything outside 0-9, a-f, A-F.
inline std::ptrdiff_t nib(std::ptrdiff_t c) noexcept {
  const std::ptrdiff_t l = select_a_if_in_range(65, 90, c, c | 32, c);
  const std::ptrdiff_t t = select_a_if_in_range(97, 102, l, l - 87, 255);
  return select_a_if_in_range(48, 57, l, l - 48, t);
}

inline std::uint8_t lowercase_byte(std::ptrdiff_t c) noexcept {
  return char_chr(select_a_if_in_range(65, 90, c, c | 32, c));
}

inline std::uint8_t uppercase_byte(std::ptrdiff_t c) noexcept {
  return char_chr(select_a_if_in_range(97, 122, c, c ^ 32, c));
}

// Eight bytes at a time: the same per-byte arithmetic as above, carried out in
// the eight byte lanes of a 64-bit word with no carry or borrow crossing a lane.
// The range tests are additions whose bit 7 says "at least"; flags that become
// masks go through the value barrier before they choose anything.
namespace lanes {

using word = std::uint64_t;
inline constexpr word ones = 0x0101010101010101;     // 1 in every byte lane
inline constexpr word high = ones * 0x80;             // bit 7 of every lane
inline constexpr word low16 = 0x00FF00FF00FF00FF;     // low byte of every 16-bit lane

// Bytes p[0..7], p[0] in the lowest lane, whatever the host's byte order.
inline word load(const void* p) noexcept {
  word w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}
inline void store(void* p, word w) noexcept {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  std::memcpy(p, &w, sizeof w);
}

// 0x80 in each lane whose byte lies in lo..hi (1 <= lo <= hi <= 126), else 0.
// low7 + (128 - lo) reaches bit 7 exactly when low7 >= lo, and never 256.
inline word in_range(word x, unsigned lo, unsigned hi) noexcept {
  const word low7 = x & ~high;
  const word at_least_lo = low7 + ones * (128 - lo);
  const word above_hi = low7 + ones * (127 - hi);
  return at_least_lo & ~above_hi & ~x & high;
}

// 0xFF in each lane flagged by in_range, else 0: a mask, behind the barrier.
inline word widen(word flags) noexcept { return detail::value_barrier((flags >> 7) * 0xFF); }

// Each lane minus k, for the lanes holding k..127 (other lanes: don't care).
inline word minus(word x, unsigned k) noexcept { return ((x | high) - ones * k) & ~high; }

// lowercase_byte and uppercase_byte in every lane. Nothing is chosen here: the
// flag bit itself, moved from bit 7 to bit 5, is ORed or XORed in, so the loops
// over these stay open to the vectorizer (the constant-time checker confirms
// the machine code at every optimisation level).
inline word lowercase(word x) noexcept { return x | (in_range(x, 65, 90) >> 2); }
inline word uppercase(word x) noexcept { return x ^ (in_range(x, 97, 122) >> 2); }

// to_hex_nibble in every lane holding 0..15.
inline word to_hex_nibble(word v) noexcept {
  const word a = v + ones * 86;
  const word d = detail::value_barrier((a & ones * 16) >> 4);
  return ((a - d * 71) | ones * 32) + ones;
}

// nib in every lane: 0..15 for a hex digit, 255 for anything else.
inline word nib(word c) noexcept {
  const word l = lowercase(c);
  const word letter = widen(in_range(l, 97, 102));
  const word digit = widen(in_range(l, 48, 57));
  const word t = (minus(l, 87) & letter) | ~letter;
  return (minus(l, 48) & digit) | (t & ~digit);
}

// The hex text of the four bytes in the low half of b: eight characters.
inline word hex_of_4(word b) noexcept {
  b = (b | (b << 16)) & 0x0000FFFF0000FFFF;
  b = (b | (b << 8)) & low16;                              // byte i in lane 2i
  return to_hex_nibble(((b >> 4) & ones * 15 & low16) |      // high digit first
                       ((b & ones * 15 & low16) << 8));
}

// Four bytes ((hi << 4) | lo) AND 255 from the eight nibble values of v, in
// the low half of the result.
inline word bytes_of_nibbles(word v) noexcept {
  word b = (((v & low16) << 4) | ((v >> 8) & low16)) & low16;
  b = (b | (b >> 8)) & 0x0000FFFF0000FFFF;
  return (b | (b >> 16)) & 0xFFFFFFFF;
}

// The OR of the eight lanes.
inline std::ptrdiff_t or_lanes(word e) noexcept {
  e |= e >> 32;
  e |= e >> 16;
  e |= e >> 8;
  return static_cast<std::ptrdiff_t>(e & 255);
}

}  // namespace lanes

}  // namespace Zolt
