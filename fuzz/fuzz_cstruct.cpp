// SPDX-License-Identifier: MIT
// The buffer-view adapter against plain models on the bytes inside fuzzed
// windows of one buffer: results count from the window's first byte, no byte
// outside a window is ever seen, and a negative start offers every byte of the
// window to the predicate before failing.
#include "models.hpp"

#include <zolt/cstruct.hpp>
#include <zolt/zolt_cstruct.hpp>

#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data + 6), size - 6);
  const Cstruct::t buffer = Cstruct::of_string(all);
  // Two windows [offset, offset + length) of the buffer.
  const auto window = [&](std::uint8_t o, std::uint8_t l, std::string_view& plain) {
    const std::size_t offset = o % (all.size() + 1), length = l % (all.size() - offset + 1);
    plain = all.substr(offset, length);
    return Cstruct::sub(buffer, offset, length);
  };
  std::string_view pa, pb;
  const Cstruct::t a = window(data[0], data[1], pa), b = window(data[2], data[3], pb);
  model::require(Cstruct::length(a) == pa.size(), "Cstruct::sub length");

  model::require(Zolt_cstruct::equal(a, b) == (pa == pb), "equal");
  model::require(Zolt_cstruct::compare_be(a, b) == model::compare_be(pa, pb), "compare_be");
  model::require(Zolt_cstruct::compare_le(a, b) == model::compare_le(pa, pb), "compare_le");
  if (pa.size() == pb.size()) {
    const auto len = static_cast<std::ptrdiff_t>(pa.size());
    model::require(Zolt_cstruct::compare_be_with_len(len, a, b) == model::compare_be(pa, pb),
                   "compare_be_with_len");
    model::require(Zolt_cstruct::compare_le_with_len(len, a, b) == model::compare_le(pa, pb),
                   "compare_le_with_len");
  }

  // A predicate true for one byte value, recording what it is shown.
  const int target = data[4];
  std::vector<int> seen;
  const auto predicate = [&](int byte) {
    seen.push_back(byte);
    return byte == target;
  };
  bool set[256] = {};
  set[target] = true;
  const auto start = static_cast<std::ptrdiff_t>(data[5] % (pa.size() + 2));
  model::require(Zolt_cstruct::find_uint8(start, predicate, a) == model::find(start, set, pa),
                 "find_uint8");
  model::require(Zolt_cstruct::exists_uint8(predicate, a) == (model::find(0, set, pa) != -1),
                 "exists_uint8");

  seen.clear();
  bool threw = false;
  try {
    (void)Zolt_cstruct::find_uint8(-1, predicate, a);
  } catch (const std::out_of_range&) {
    threw = true;
  }
  std::vector<int> window_bytes;
  for (auto i = pa.size(); i-- > 0;) window_bytes.push_back(static_cast<unsigned char>(pa[i]));
  model::require(threw && seen == window_bytes, "find_uint8 with start -1");
  return 0;
}
