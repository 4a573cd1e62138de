// SPDX-License-Identifier: MIT
// A program that uses the large-buffer library alone: it must build and run
// without libzolt.
#include <zolt/zolt_bigstring.hpp>

#include <array>
#include <cstddef>
#include <cstdio>

int main() {
  const std::array<std::byte, 3> a{std::byte{1}, std::byte{2}, std::byte{3}};
  const std::array<std::byte, 3> b{std::byte{1}, std::byte{2}, std::byte{4}};
  const bool ok = Zolt_bigstring::compare_le(a, b) == -16 &&
                  Zolt_bigstring::find_uint8([](int byte) { return byte == 2; }, a) == 1;
  std::printf("zolt_bigstring alone: %s\n", ok ? "ok" : "WRONG");
  return ok ? 0 : 1;
}
