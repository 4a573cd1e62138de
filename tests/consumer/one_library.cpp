// SPDX-License-Identifier: MIT
// A program that uses one library alone, named by ZOLT_ONLY at compile time
// (zolt, zolt_bigstring, zolt_bytes or zolt_cstruct): it must build with the
// toolchain's defaults (--as-needed included) and run from the installed
// prefix with no LD_LIBRARY_PATH, each library finding the ones it needs.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>


#if defined(ZOLT_ONLY_zolt)
#include <zolt/zolt.hpp>
static bool works() {
  using namespace std::string_view_literals;
  return Zolt::equal("a\0b"sv, "a\0b"sv) && !Zolt::equal("a\0b"sv, "a\0c"sv);
}
#elif defined(ZOLT_ONLY_zolt_bigstring)
#include <zolt/zolt_bigstring.hpp>
static bool works() {
  const std::array<std::byte, 3> a{std::byte{1}, std::byte{2}, std::byte{3}};
  const std::array<std::byte, 3> b{std::byte{1}, std::byte{2}, std::byte{4}};
  return Zolt_bigstring::compare_le(a, b) == -16 &&
         Zolt_bigstring::find_uint8([](int byte) { return byte == 2; }, a) == 1;
}
#elif defined(ZOLT_ONLY_zolt_bytes)
#include <zolt/zolt_bytes.hpp>
static bool works() {
  const std::array<std::uint8_t, 3> a{1, 2, 3}, b{1, 2, 4};
  return Zolt_bytes::compare_be(a, b) == -16;
}
#elif defined(ZOLT_ONLY_zolt_cstruct)
#include <zolt/zolt_cstruct.hpp>
static bool works() {
  const Cstruct::t view = Cstruct::create(4);
  return Zolt_cstruct::find_uint8(Zolt::byte_equal_to(0), view) == 0;
}
#else
#error "ZOLT_ONLY_<library> names the library to use"
#endif

int main() {
  const bool ok = works();
  std::printf("one library alone: %s\n", ok ? "ok" : "WRONG");
  return ok ? 0 : 1;
}
