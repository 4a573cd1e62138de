// SPDX-License-Identifier: MIT
// Counters, sums and lookups against the plain models. The input's two halves
// are the operands of every sum in both byte orders and are incremented; the
// first two bytes shape a table of rows made of the rest (its row size and the
// index looked up), which is also read as a table of 16-bit entries.
#include "../tests/blocks_model.hpp"
#include "models.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace {

using blocks_model::bytes;

using sum = Zolt::choice (*)(std::span<std::uint8_t>, std::span<const std::uint8_t>);

void sums(const bytes& a, const bytes& b) {
  const struct {
    sum f;
    bool subtract, big_endian;
    const char* name;
  } ops[] = {{Zolt::add_le, false, false, "add_le"}, {Zolt::add_be, false, true, "add_be"},
             {Zolt::sub_le, true, false, "sub_le"},  {Zolt::sub_be, true, true, "sub_be"}};
  for (const auto& op : ops) {
    bytes x = a;
    const bool carry = op.f(x, b).declassify();
    model::require(std::pair(x, carry) == blocks_model::add(a, b, op.subtract, op.big_endian), op.name);
  }
  bytes le = a, be = a;
  Zolt::increment_le(le);
  Zolt::increment_be(be);
  model::require(le == blocks_model::add(a, blocks_model::one(a.size(), false), false, false).first, "increment_le");
  model::require(be == blocks_model::add(a, blocks_model::one(a.size(), true), false, true).first, "increment_be");
}

void lookups(std::size_t row_size, std::size_t index, std::span<const std::uint8_t> rest) {
  const auto table = std::as_bytes(rest.first(rest.size() - rest.size() % row_size));
  std::vector<std::byte> row(row_size, std::byte{0x5a}), want(row_size, std::byte{0});
  if (index < table.size() / row_size) std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(index * row_size), row_size, want.begin());
  Zolt::ct_lookup_row(table, row_size, index, row);
  model::require(row == want, "ct_lookup_row");

  std::vector<std::uint16_t> entries(rest.size() / 2);
  if (!entries.empty()) std::memcpy(entries.data(), rest.data(), 2 * entries.size());
  model::require(Zolt::ct_lookup(entries, index) == (index < entries.size() ? entries[index] : 0), "ct_lookup");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t half = size / 2;
  sums(bytes(data, data + half), bytes(data + half, data + 2 * half));
  if (size >= 2) lookups(1 + data[0] % 32, data[1], std::span(data + 2, size - 2));
  return 0;
}
