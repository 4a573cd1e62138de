// SPDX-License-Identifier: MIT
// The C interface at its edges: every function that takes a byte string, with
// buffers at any offset of one small arena (so that they may overlap), NULLs,
// lengths up to the arena's end or near SIZE_MAX (sizes that wrapped around in
// a caller's arithmetic, over a short real buffer), any variant or condition.
// Under ASan, a read or write outside the arena fails at once; besides that:
// a NULL that is not allowed gives ZOLT_ERR_NULL_POINTER, a length no memory
// can hold an error (ZOLT_ERR_SIZE_OVERFLOW when it is a string's), and on any
// error nothing is written and no predicate is called. The comparisons, the
// zero test and the search agree with the C++ forms.
//
// Input: the function, a flags byte (bit k: the k-th pointer is NULL), then
// per byte string an offset and a length byte (the highest values choose the
// near-SIZE_MAX lengths), then the function's other arguments; the rest fills
// the arena.
#include "models.hpp"

#include <zolt/zolt.h>
#include <zolt/zolt.hpp>

#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kArena = 128;
constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kHuge[] = {
    kMax, kMax - 7, kMax / 2 + 1, kMax / 2 + 9, (kMax / 4 + 1) * 3 + 1, kMax / 4 * 3 + 2,
    static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) + 1,
};
constexpr std::size_t kHugeCount = sizeof kHuge / sizeof kHuge[0];
static_assert(sizeof(void*) == 8, "every near-SIZE_MAX length above is then impossible");

struct Reader {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t next() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
};

// One call's arguments as they are drawn, and what must follow from them.
struct Call {
  Reader in;
  std::array<std::uint8_t, kArena> arena{};
  std::uint8_t nulls = 0;
  int pointer = 0;           // the next pointer's bit in nulls
  bool null_refused = false;  // a NULL that is not allowed
  bool huge_string = false;   // a string's length no memory can hold

  bool drawn_null() { return (nulls >> (pointer++ & 7)) & 1; }

  // A byte string in the arena: a pointer (maybe NULL) and its length, drawn
  // for every call; what it implies counts once a call uses it (ptr).
  struct String {
    std::uint8_t* p;
    std::size_t n;
    bool huge;
  };
  String string() {
    const bool null = drawn_null();
    const std::size_t off = in.next() % kArena;
    const std::uint8_t mode = in.next();
    const bool huge = mode >= 256 - kHugeCount;
    return {null ? nullptr : arena.data() + off, huge ? kHuge[255 - mode] : mode % (kArena - off + 1),
            huge};
  }
  std::uint8_t* ptr(const String& s) {
    null_refused |= s.p == nullptr && s.n != 0;
    huge_string |= s.huge;
    return s.p;
  }
  // A result pointer: NULL is always refused.
  template <class T>
  T* result(T& r) {
    if (!drawn_null()) return &r;
    null_refused = true;
    return nullptr;
  }
  // A predicate: NULL is always refused.
  zolt_byte_predicate predicate(zolt_byte_predicate f) {
    if (!drawn_null()) return f;
    null_refused = true;
    return nullptr;
  }
  // A length that is no string's own (len, a row or block size).
  std::size_t size() {
    const std::uint8_t mode = in.next();
    return mode < 256 - kHugeCount ? mode : kHuge[255 - mode];
  }
};

// The predicates: the bytes whose value has bit ctx->bit set, counting the
// calls; the odd bytes, for a NULL ctx.
struct Search {
  int bit;
  std::size_t calls;
};
int has_bit(void* ctx, int byte) {
  auto* s = static_cast<Search*>(ctx);
  ++s->calls;
  return (byte >> s->bit) & 1;
}
int odd(void*, int byte) { return byte & 1; }

std::string_view view(const std::uint8_t* p, std::size_t n) {
  return {reinterpret_cast<const char*>(p), n};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Call c{{data, size}};
  const std::uint8_t op = c.in.next();
  c.nulls = c.in.next();
  // The arguments are drawn before the arena is filled, from the same input.
  const Call::String a = c.string(), b = c.string();
  const std::size_t extra = c.size();
  const std::uint8_t arg = c.in.next();
  std::memcpy(c.arena.data(), c.in.p, std::min(c.in.n, kArena));
  const std::array<std::uint8_t, kArena> before = c.arena;

  constexpr std::uint64_t kUnset = 0x5a5a5a5a5a5a5a5a;
  bool flag = true;
  int order = 99;
  std::ptrdiff_t index = 99;
  std::size_t n = 99;
  std::uint64_t mask = kUnset;
  Search search{arg & 7, 0};
  const auto start = static_cast<std::ptrdiff_t>(static_cast<std::int8_t>(arg));
  const int variant = arg % 5;  // 4 is unknown
  const bool no_ctx = (arg & 8) != 0;
  int status = ZOLT_OK;
  switch (op % 22) {
    case 0: status = zolt_equal(c.result(flag), c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 1: status = zolt_compare_be(c.result(order), c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 2: status = zolt_compare_le(c.result(order), c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 3: status = zolt_compare_be_with_len(c.result(order), extra, c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 4: status = zolt_compare_le_with_len(c.result(order), extra, c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 5:
      status = zolt_find_uint8(c.result(index), start, c.predicate(no_ctx ? odd : has_bit),
                               no_ctx ? nullptr : &search, c.ptr(a), a.n);
      break;
    case 6: status = zolt_exists_uint8(c.result(flag), start, has_bit, &search, c.ptr(a), a.n); break;
    case 7: status = zolt_is_zero(c.result(flag), c.ptr(a), a.n); break;
    case 8: status = zolt_lowercase_ascii(c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 9: status = zolt_uppercase_ascii(c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 10: status = zolt_hex_of_bytes(c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 11: status = zolt_bytes_of_hex(c.result(index), c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 12: status = zolt_base64_of_bytes(c.ptr(a), a.n, c.ptr(b), b.n, variant); break;
    case 13: status = zolt_bytes_of_base64(c.result(index), c.result(n), c.ptr(a), a.n, c.ptr(b), b.n, variant); break;
    case 14: status = zolt_copy_if(std::uint64_t{arg} << 56, c.ptr(a), a.n, c.ptr(b), b.n); break;  // the top byte
    case 15: status = zolt_swap_if(std::uint64_t{arg} << 33, c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 16: status = zolt_wipe(c.ptr(a), a.n); break;
    case 17: status = zolt_ct_lookup_row(c.ptr(a), a.n, c.ptr(b), b.n, extra, arg); break;
    case 18: status = zolt_increment_be(c.ptr(a), a.n); break;
    case 19: status = zolt_add_le(c.result(mask), c.ptr(a), a.n, c.ptr(b), b.n); break;
    case 20: status = zolt_pad_pkcs7(c.result(n), c.ptr(a), a.n, arg, extra); break;
    default: status = zolt_unpad_iso7816(c.result(n), c.result(mask), c.ptr(a), a.n, extra); break;
  }

  model::require(std::strcmp(zolt_strerror(status), "unknown error code") != 0, "a known status");
  if (c.null_refused) model::require(status == ZOLT_ERR_NULL_POINTER, "NULL refused first");
  if (!c.null_refused && c.huge_string) model::require(status == ZOLT_ERR_SIZE_OVERFLOW, "impossible length");
  if (c.huge_string) model::require(status != ZOLT_OK, "no success over an impossible length");
  if (status != ZOLT_OK) {
    model::require(c.arena == before, "nothing written on an error");
    model::require(search.calls == 0, "no predicate called on an error");
    model::require(flag && order == 99 && index == 99 && n == 99 && mask == kUnset,
                   "no result written on an error");
    return 0;
  }

  // Successful reads agree with the C++ forms (the arena is unchanged by them).
  const std::string_view va = view(a.p, a.n), vb = view(b.p, b.n);
  switch (op % 22) {
    case 0: model::require(flag == Zolt::equal(va, vb), "equal"); break;
    case 1: model::require(order == Zolt::compare_be(va, vb), "compare_be"); break;
    case 2: model::require(order == Zolt::compare_le(va, vb), "compare_le"); break;
    case 5:
      model::require(index == Zolt::find_uint8(start, [&](int byte) { return (byte >> (no_ctx ? 0 : arg & 7)) & 1; }, va),
                     "find_uint8");
      model::require(no_ctx || search.calls == (start < std::ptrdiff_t(a.n) ? a.n - std::size_t(start) : 0),
                     "one call per byte");
      break;
    case 7: model::require(flag == Zolt::is_zero(va), "is_zero"); break;
    default: break;
  }
  return 0;
}
