// Equality and ordered comparison of all four libraries against plain models, on
// pairs of the same length (unrelated, identical, differing at one chosen byte)
// and of different lengths, with every accepted and some refused `len`.
#include "models.hpp"

#include <zolt/cstruct.hpp>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>
#include <zolt/zolt_cstruct.hpp>

#include <span>
#include <stdexcept>
#include <vector>

namespace {

template <class F>
bool throws_invalid_argument(F f, std::string_view message) {
  try {
    f();
  } catch (const std::invalid_argument& e) {
    return e.what() == message;
  }
  return false;
}

// NS's comparisons of A and B against the models for the plain strings pa, pb.
#define CHECK_COMPARISONS(NS, A, B)                                                             \
  do {                                                                                          \
    model::require(NS::equal(A, B) == (pa == pb), #NS "::equal");                               \
    model::require(NS::compare_be(A, B) == model::compare_be(pa, pb), #NS "::compare_be");      \
    model::require(NS::compare_le(A, B) == model::compare_le(pa, pb), #NS "::compare_le");      \
    model::require(NS::compare_be_with_len(0, A, B) == 0, #NS "::compare_be_with_len 0");       \
    model::require(NS::compare_le_with_len(0, A, B) == 0, #NS "::compare_le_with_len 0");       \
    const auto len = static_cast<std::ptrdiff_t>(pa.size());                                    \
    if (pa.size() == pb.size() && len != 0) {                                                   \
      model::require(NS::compare_be_with_len(len, A, B) == model::compare_be(pa, pb),           \
                     #NS "::compare_be_with_len");                                              \
      model::require(NS::compare_le_with_len(len, A, B) == model::compare_le(pa, pb),           \
                     #NS "::compare_le_with_len");                                              \
    }                                                                                           \
    if (check_refusals) {                                                                       \
      const std::ptrdiff_t bad = pa.size() != pb.size() && len != 0 ? len : len + 1;           \
      model::require(throws_invalid_argument([&] { (void)NS::compare_be_with_len(bad, A, B); }, \
                                             "compare_be_with_len"),                            \
                     #NS "::compare_be_with_len refusal");                                      \
      model::require(throws_invalid_argument([&] { (void)NS::compare_le_with_len(-1, A, B); },  \
                                             "compare_le_with_len"),                            \
                     #NS "::compare_le_with_len refusal");                                      \
    }                                                                                           \
  } while (false)

Zolt_bigstring::bigstring as_bigstring(std::string_view s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

std::span<const std::uint8_t> as_bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Refusals throw, and exceptions are slow under the sanitizers: check_refusals
// is set for one pair per input.
void check_pair(std::string_view pa, std::string_view pb, bool check_refusals = false) {
  CHECK_COMPARISONS(Zolt, pa, pb);
  CHECK_COMPARISONS(Zolt_bytes, as_bytes(pa), as_bytes(pb));
  CHECK_COMPARISONS(Zolt_bigstring, as_bigstring(pa), as_bigstring(pb));
  // Both views inside one buffer, b's window first.
  const Cstruct::t buffer = Cstruct::of_string(std::string(pb) + std::string(pa));
  const Cstruct::t va = Cstruct::sub(buffer, pb.size(), pa.size());
  const Cstruct::t vb = Cstruct::sub(buffer, 0, pb.size());
  CHECK_COMPARISONS(Zolt_cstruct, va, vb);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t where = data[0], value = data[1];
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t half = rest.size() / 2;
  const std::string_view a = rest.substr(0, half), b = rest.substr(half, half);

  check_pair(a, b);
  check_pair(a, a);
  std::string changed(a);
  if (!changed.empty()) changed[where % changed.size()] = static_cast<char>(value);
  check_pair(a, changed);
  check_pair(changed, a);
  check_pair(a, rest, true);
  check_pair(rest, b);
  return 0;
}
