// SPDX-License-Identifier: MIT
// Byte search of all four libraries against a plain model: the predicate is
// true for a fuzzed set of byte values, and must be called once for each byte
// from the last down to start, whatever it answers.
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

struct recording_predicate {
  const bool (&set)[256];
  std::vector<int>& calls;
  bool operator()(int byte) const {
    calls.push_back(byte);
    return set[byte];
  }
};

// The calls a search from start must make on s.
std::vector<int> expected_calls(std::ptrdiff_t start, std::string_view s) {
  std::vector<int> calls;
  for (auto i = static_cast<std::ptrdiff_t>(s.size()) - 1; i >= start; --i) {
    calls.push_back(static_cast<unsigned char>(s[static_cast<std::size_t>(i)]));
  }
  return calls;
}

#define CHECK_SEARCH(NS, S)                                                                   \
  do {                                                                                        \
    std::vector<int> calls;                                                                   \
    const recording_predicate p{set, calls};                                                  \
    model::require(NS::find_uint8(start, p, S) == found && calls == want_calls,               \
                   #NS "::find_uint8");                                                       \
    calls.clear();                                                                            \
    model::require(NS::exists_uint8(start, p, S) == (found != -1) && calls == want_calls,     \
                   #NS "::exists_uint8");                                                     \
    calls.clear();                                                                            \
    model::require(NS::find_uint8(p, S) == found_from_0 && NS::exists_uint8(p, S) ==          \
                       (found_from_0 != -1),                                                  \
                   #NS "::find_uint8 without start");                                         \
  } while (false)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 33) return 0;
  bool set[256];
  for (int i = 0; i < 256; ++i) set[i] = (data[i / 8] >> (i % 8)) & 1;
  const std::string_view s(reinterpret_cast<const char*>(data + 33), size - 33);
  const auto start = static_cast<std::ptrdiff_t>(data[32] % (s.size() + 3));
  const std::ptrdiff_t found = model::find(start, set, s), found_from_0 = model::find(0, set, s);
  const std::vector<int> want_calls = expected_calls(start, s);

  const std::span<const std::uint8_t> bytes(data + 33, s.size());
  const Zolt_bigstring::bigstring big(reinterpret_cast<const std::byte*>(s.data()), s.size());
  const Cstruct::t buffer = Cstruct::of_string("xy" + std::string(s) + "z");
  const Cstruct::t view = Cstruct::sub(buffer, 2, s.size());

  CHECK_SEARCH(Zolt, s);
  CHECK_SEARCH(Zolt_bytes, bytes);
  CHECK_SEARCH(Zolt_bigstring, big);
  CHECK_SEARCH(Zolt_cstruct, view);
  {
    std::vector<int> calls;
    model::require(Zolt::find_uint8_inner(start, recording_predicate{set, calls}, s) == found &&
                       Zolt_bigstring::find_uint8_inner(start, recording_predicate{set, calls},
                                                        big) == found,
                   "find_uint8_inner");
  }
  return 0;
}
