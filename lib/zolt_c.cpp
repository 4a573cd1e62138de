// SPDX-License-Identifier: MIT
// The C interface: each function checks its pointers, calls the C++ operation
// and turns its exception into a status code. No logic of its own, no
// allocation; nothing here reads a secret except through the C++ operations.
//
// A new C function is one wrapper below: call(run, pointers...) with the
// C++ call in run and every pointer it takes (byte strings as bytes{p, n});
// a new exception message gets a ZOLT_ERR_* code in zolt.h and a row in
// messages; zolt_*'s name is exported by the version script already.
#include "dit.hpp"
#include "zolt_into.hpp"

#include <zolt/version.h>
#include <zolt/zolt.h>
#include <zolt/zolt.hpp>

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string_view>

namespace {

// The exception messages of the C++ operations (or their endings, for the
// several "...: output too small"), with the code each becomes.
struct message {
  int code;
  const char* text;
};
constexpr message messages[] = {
    {ZOLT_ERR_M_NOT_POSITIVE, "m <= 0"},
    {ZOLT_ERR_M_TOO_LARGE, "m >= 16348 not supported"},
    {ZOLT_ERR_DIGITS_NEGATIVE, "digits < 0"},
    {ZOLT_ERR_COMPARE_BE_WITH_LEN, "compare_be_with_len"},
    {ZOLT_ERR_COMPARE_LE_WITH_LEN, "compare_le_with_len"},
    {ZOLT_ERR_NEGATIVE_START, Zolt::detail::negative_start},
    {ZOLT_ERR_OUTPUT_TOO_SMALL, "output too small"},
    {ZOLT_ERR_NULL_POINTER, "null pointer"},
    {ZOLT_ERR_UNKNOWN_VARIANT, "base64: unknown variant"},
    {ZOLT_ERR_SIZES_DIFFER, "sizes differ"},
    {ZOLT_ERR_SIZE_OVERFLOW, "size overflow"},
    {ZOLT_ERR_OVERLAP, "buffers overlap"},
    {ZOLT_ERR_BLOCK_SIZE_ZERO, "pad: block size 0"},
    {ZOLT_ERR_BLOCK_SIZE_ABOVE_255, "pad: block size above 255"},
    {ZOLT_ERR_PAD_BUFFER_TOO_SMALL, "pad: buffer too small"},
    {ZOLT_ERR_BAD_TABLE_SHAPE, "ct_lookup_row: bad table shape"},
};

// The code of an std::invalid_argument (an std::length_error is always
// ZOLT_ERR_SIZE_OVERFLOW). Every message the wrapped operations
// throw is in the table; one that is not is a bug that must not pass for
// success, hence terminate.
int code_of(std::string_view what) noexcept {
  for (const message& m : messages) {
    if (what.ends_with(m.text)) return m.code;
  }
  std::terminate();
}

// A byte string of the C interface: NULL is allowed only with no bytes.
struct bytes {
  const void* data;
  std::size_t size;
};
bool missing(bytes b) noexcept { return b.data == nullptr && b.size != 0; }
// A result pointer or a predicate: never NULL.
bool missing(const void* result) noexcept { return result == nullptr; }
bool missing(zolt_byte_predicate predicate) noexcept { return predicate == nullptr; }

// A byte string that no memory can hold: it would run past the highest
// address, or, with 64-bit addresses, it is longer than PTRDIFF_MAX, far more
// than any such system maps. Its length is a size that wrapped around in the
// caller's arithmetic; nothing is read from it. A 32-bit program may hold more
// than PTRDIFF_MAX bytes, and is answered.
bool impossible(bytes b) noexcept {
  constexpr std::size_t largest = sizeof(void*) >= 8 ? PTRDIFF_MAX : SIZE_MAX;
  const auto start = reinterpret_cast<std::uintptr_t>(b.data);
  return b.size > largest || start + b.size < start;
}
template <class Pointer>
bool impossible(Pointer) noexcept {
  return false;
}

std::string_view text(const void* p, std::size_t n) noexcept {
  return {static_cast<const char*>(p), n};
}
std::span<char> buffer(void* p, std::size_t n) noexcept { return {static_cast<char*>(p), n}; }

// ZOLT_ERR_NULL_POINTER when any pointer is missing, else
// ZOLT_ERR_SIZE_OVERFLOW when a byte string is impossible, else run()'s
// outcome: ZOLT_OK, or the code of the exception it threw. Pointers and sizes
// are public, so are the branches on them.
template <class Run, class... Pointers>
int call(Run run, Pointers... pointers) noexcept {
  if ((missing(pointers) || ...)) return ZOLT_ERR_NULL_POINTER;
  if ((impossible(pointers) || ...)) return ZOLT_ERR_SIZE_OVERFLOW;
  try {
    run();
    return ZOLT_OK;
  } catch (const std::out_of_range&) {
    return ZOLT_ERR_NEGATIVE_START;
  } catch (const std::length_error&) {
    return ZOLT_ERR_SIZE_OVERFLOW;
  } catch (const std::invalid_argument& e) {
    return code_of(e.what());
  }
}

// The comparisons: *order from op(a, b), a C++ comparison.
template <class Op>
int compare(int* order, Op op, const void* a, size_t a_len, const void* b, size_t b_len) noexcept {
  return call([&] { *order = static_cast<int>(op(text(a, a_len), text(b, b_len))); }, order,
              bytes{a, a_len}, bytes{b, b_len});
}

// The C base64 variants are the C++ ones, in the same order.
bool known(int v) noexcept {
  return v == ZOLT_BASE64_STANDARD || v == ZOLT_BASE64_STANDARD_UNPADDED || v == ZOLT_BASE64_URL ||
         v == ZOLT_BASE64_URL_UNPADDED;
}
Zolt::base64_variant cxx(int v) noexcept {
  return static_cast<Zolt::base64_variant>(v);
}
static_assert(static_cast<int>(Zolt::base64_variant::url_unpadded) == ZOLT_BASE64_URL_UNPADDED);

// A number in bytes, a buffer to pad, or a padded text.
std::span<std::uint8_t> numbers(void* p, std::size_t n) noexcept { return {static_cast<std::uint8_t*>(p), n}; }
std::span<const std::uint8_t> numbers(const void* p, std::size_t n) noexcept {
  return {static_cast<const std::uint8_t*>(p), n};
}

// add_* and sub_*: *mask from op(a, b), a C++ sum whose carry is a choice.
template <auto op>
int sum(std::uint64_t* mask, void* a, size_t a_len, const void* b, size_t b_len) noexcept {
  return call([&] { *mask = op(numbers(a, a_len), numbers(b, b_len)).mask(); }, mask, bytes{a, a_len},
              bytes{b, b_len});
}

// pad_* and unpad_*: the C++ padding, its validity a mask.
template <auto op>
int pad(size_t* padded_len, void* buf, size_t buf_size, size_t unpadded_len, size_t block_size) noexcept {
  return call([&] { *padded_len = op(numbers(buf, buf_size), unpadded_len, block_size); }, padded_len,
              bytes{buf, buf_size});
}

template <auto op>
int unpad(size_t* unpadded_len, std::uint64_t* valid, const void* padded, size_t len,
          size_t block_size) noexcept {
  return call(
      [&] {
        const auto [n, ok] = op(numbers(padded, len), block_size);
        *unpadded_len = n;
        *valid = ok.mask();
      },
      unpadded_len, valid, bytes{padded, len});
}

// A C predicate and its context as a C++ callable.
struct c_predicate {
  zolt_byte_predicate f;
  void* ctx;
  bool operator()(int byte) const { return f(ctx, byte) != 0; }
};

}  // namespace

extern "C" {

const char* zolt_strerror(int code) {
  if (code == ZOLT_OK) return "ok";
  for (const message& m : messages) {
    if (m.code == code) return m.text;
  }
  return "unknown error code";
}

const char* zolt_version_string(void) { return ZOLT_VERSION_STRING; }

int zolt_equal(bool* equal, const void* a, size_t a_len, const void* b, size_t b_len) {
  return call([&] { *equal = Zolt::equal(text(a, a_len), text(b, b_len)); },
              equal, bytes{a, a_len}, bytes{b, b_len});
}

int zolt_compare_be(int* order, const void* a, size_t a_len, const void* b, size_t b_len) {
  return compare(order, [](auto x, auto y) { return Zolt::compare_be(x, y); }, a, a_len, b, b_len);
}

int zolt_compare_le(int* order, const void* a, size_t a_len, const void* b, size_t b_len) {
  return compare(order, [](auto x, auto y) { return Zolt::compare_le(x, y); }, a, a_len, b, b_len);
}

// A len above PTRDIFF_MAX turns negative, which the check refuses as it
// refuses any len that is not both lengths.
int zolt_compare_be_with_len(int* order, size_t len, const void* a, size_t a_len, const void* b,
                             size_t b_len) {
  const auto signed_len = static_cast<std::ptrdiff_t>(len);
  return compare(order, [=](auto x, auto y) { return Zolt::compare_be_with_len(signed_len, x, y); },
                 a, a_len, b, b_len);
}

int zolt_compare_le_with_len(int* order, size_t len, const void* a, size_t a_len, const void* b,
                             size_t b_len) {
  const auto signed_len = static_cast<std::ptrdiff_t>(len);
  return compare(order, [=](auto x, auto y) { return Zolt::compare_le_with_len(signed_len, x, y); },
                 a, a_len, b, b_len);
}

int zolt_find_uint8(ptrdiff_t* index, ptrdiff_t start, zolt_byte_predicate predicate, void* ctx,
                    const void* s, size_t len) {
  return call([&] { *index = Zolt::find_uint8(start, c_predicate{predicate, ctx}, text(s, len)); },
              index, predicate, bytes{s, len});
}

int zolt_exists_uint8(bool* found, ptrdiff_t start, zolt_byte_predicate predicate, void* ctx,
                      const void* s, size_t len) {
  return call([&] { *found = Zolt::exists_uint8(start, c_predicate{predicate, ctx}, text(s, len)); },
              found, predicate, bytes{s, len});
}

int zolt_divmod(int32_t* quotient, int32_t* remainder, int32_t dividend, int32_t m) {
  return call(
      [&] {
        const auto [q, r] = Zolt::divmod(dividend, m);
        *quotient = q;
        *remainder = r;
      },
      quotient, remainder);
}

int zolt_ascii_of_int32(void* out, size_t out_size, ptrdiff_t digits, int32_t value) {
  return call([&] { Zolt::ascii_of_int32_into(digits, value, buffer(out, out_size)); },
              bytes{out, out_size});
}

int zolt_lowercase_ascii(void* out, size_t out_size, const void* s, size_t len) {
  return call([&] { Zolt::lowercase_ascii_into(text(s, len), buffer(out, out_size)); },
              bytes{out, out_size}, bytes{s, len});
}

int zolt_uppercase_ascii(void* out, size_t out_size, const void* s, size_t len) {
  return call([&] { Zolt::uppercase_ascii_into(text(s, len), buffer(out, out_size)); },
              bytes{out, out_size}, bytes{s, len});
}

int zolt_hex_of_bytes(void* out, size_t out_size, const void* b, size_t len) {
  return call([&] { Zolt::hex_of_string_into(text(b, len), buffer(out, out_size)); },
              bytes{out, out_size}, bytes{b, len});
}

int zolt_bytes_of_hex(ptrdiff_t* indicator, void* out, size_t out_size, const void* h,
                      size_t len) {
  return call([&] { *indicator = Zolt::string_of_hex_into(text(h, len), buffer(out, out_size)); },
              indicator, bytes{out, out_size}, bytes{h, len});
}

size_t zolt_base64_encoded_size(size_t n, int variant) {
  try {
    return known(variant) ? Zolt::base64_encoded_size(n, cxx(variant)) : 0;
  } catch (const std::length_error&) {
    return 0;
  }
}

size_t zolt_base64_decoded_max_size(size_t text_len) {
  return Zolt::base64_decoded_max_size(text_len);
}

int zolt_base64_of_bytes(void* out, size_t out_size, const void* b, size_t len,
                         int variant) {
  return call([&] { Zolt::base64_of_string_into(text(b, len), buffer(out, out_size), cxx(variant)); },
              bytes{out, out_size}, bytes{b, len});
}

int zolt_bytes_of_base64(ptrdiff_t* indicator, size_t* decoded_len, void* out, size_t out_size,
                         const void* t, size_t len, int variant) {
  return call(
      [&] {
        if (!known(variant)) throw std::invalid_argument("base64: unknown variant");
        const auto [error, n] =
            Zolt::string_of_base64_into(text(t, len), buffer(out, out_size), cxx(variant));
        *indicator = error;
        *decoded_len = n;
      },
      indicator, decoded_len, bytes{out, out_size}, bytes{t, len});
}

int zolt_is_zero(bool* zero, const void* s, size_t len) {
  return call([&] { *zero = Zolt::is_zero(text(s, len)); }, zero, bytes{s, len});
}

int zolt_copy_if(uint64_t c, void* dst, size_t dst_len, const void* src, size_t src_len) {
  return call(
      [&] {
        Zolt::copy_if(c, std::span(static_cast<std::byte*>(dst), dst_len),
                      std::span(static_cast<const std::byte*>(src), src_len));
      },
      bytes{dst, dst_len}, bytes{src, src_len});
}

int zolt_swap_if(uint64_t c, void* a, size_t a_len, void* b, size_t b_len) {
  return call(
      [&] {
        Zolt::swap_if(c, std::span(static_cast<std::byte*>(a), a_len),
                      std::span(static_cast<std::byte*>(b), b_len));
      },
      bytes{a, a_len}, bytes{b, b_len});
}

int zolt_wipe(void* p, size_t len) {
  return call([&] { Zolt::wipe(std::span(static_cast<std::byte*>(p), len)); }, bytes{p, len});
}

ptrdiff_t zolt_one_if_not_zero(ptrdiff_t n) { return Zolt::one_if_not_zero(n); }

ptrdiff_t zolt_zero_if_not_zero(ptrdiff_t n) { return Zolt::zero_if_not_zero(n); }

ptrdiff_t zolt_int_of_bool(bool v) { return Zolt::int_of_bool(v); }

bool zolt_bool_of_int(ptrdiff_t n) { return Zolt::bool_of_int(n); }

ptrdiff_t zolt_select_int(ptrdiff_t c, ptrdiff_t a, ptrdiff_t b) {
  return Zolt::select_int(c, a, b);
}

ptrdiff_t zolt_select_a_if_in_range(ptrdiff_t low, ptrdiff_t high, ptrdiff_t n, ptrdiff_t a,
                                    ptrdiff_t b) {
  return Zolt::select_a_if_in_range(low, high, n, a, b);
}

int zolt_dit_supported(void) { return Zolt::data_independent_timing::supported(); }

int zolt_dit_enable(void) { return Zolt::dit::enter(); }

void zolt_dit_restore(int previous) { Zolt::dit::leave(previous != 0); }
int zolt_ct_lookup_row(void* out, size_t out_size, const void* table, size_t table_size,
                       size_t row_size, size_t index) {
  return call(
      [&] {
        Zolt::ct_lookup_row(std::span(static_cast<const std::byte*>(table), table_size), row_size, index,
                            std::span(static_cast<std::byte*>(out), out_size));
      },
      bytes{out, out_size}, bytes{table, table_size});
}

int zolt_increment_le(void* n, size_t len) {
  return call([&] { Zolt::increment_le(numbers(n, len)); }, bytes{n, len});
}

int zolt_increment_be(void* n, size_t len) {
  return call([&] { Zolt::increment_be(numbers(n, len)); }, bytes{n, len});
}

int zolt_add_le(uint64_t* carry, void* a, size_t a_len, const void* b, size_t b_len) {
  return sum<Zolt::add_le>(carry, a, a_len, b, b_len);
}

int zolt_add_be(uint64_t* carry, void* a, size_t a_len, const void* b, size_t b_len) {
  return sum<Zolt::add_be>(carry, a, a_len, b, b_len);
}

int zolt_sub_le(uint64_t* borrow, void* a, size_t a_len, const void* b, size_t b_len) {
  return sum<Zolt::sub_le>(borrow, a, a_len, b, b_len);
}

int zolt_sub_be(uint64_t* borrow, void* a, size_t a_len, const void* b, size_t b_len) {
  return sum<Zolt::sub_be>(borrow, a, a_len, b, b_len);
}

int zolt_pad_iso7816(size_t* padded_len, void* buf, size_t buf_size, size_t unpadded_len,
                     size_t block_size) {
  return pad<Zolt::pad_iso7816>(padded_len, buf, buf_size, unpadded_len, block_size);
}

int zolt_pad_pkcs7(size_t* padded_len, void* buf, size_t buf_size, size_t unpadded_len,
                   size_t block_size) {
  return pad<Zolt::pad_pkcs7>(padded_len, buf, buf_size, unpadded_len, block_size);
}

int zolt_unpad_iso7816(size_t* unpadded_len, uint64_t* valid, const void* padded, size_t len,
                       size_t block_size) {
  return unpad<Zolt::unpad_iso7816>(unpadded_len, valid, padded, len, block_size);
}

int zolt_unpad_pkcs7(size_t* unpadded_len, uint64_t* valid, const void* padded, size_t len,
                     size_t block_size) {
  return unpad<Zolt::unpad_pkcs7>(unpadded_len, valid, padded, len, block_size);
}

}  // extern "C"
