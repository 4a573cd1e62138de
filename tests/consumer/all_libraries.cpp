// SPDX-License-Identifier: MIT
// A program built against the installed tree that calls each of the four
// libraries once; exits non-zero on any wrong answer.
#include <zolt/cstruct.hpp>
#include <zolt/version.h>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>
#include <zolt/zolt_cstruct.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

// A parent project's Debug build keeps its own assertions with zolt in it.
#if defined(ZOLT_CONSUMER_ASSERTS) && defined(NDEBUG)
#error "NDEBUG in a Debug build: the build type was changed"
#endif

int main() {
  const std::string_view text = "header:secret";
  const auto is_colon = [](int byte) { return byte == ':'; };
  int wrong = 0;
  const auto check = [&](const char* what, bool ok) {
    std::printf("%-14s %s\n", what, ok ? "ok" : "WRONG");
    wrong += !ok;
  };

  check("zolt", Zolt::find_uint8(is_colon, text) == 6 && Zolt::equal(text, text));
  check("zolt_bigstring",
        Zolt_bigstring::compare_be(std::as_bytes(std::span(text)), std::as_bytes(std::span(text))) == 0);
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  check("zolt_bytes", Zolt_bytes::exists_uint8(is_colon, bytes));
  const Cstruct::t secret = Cstruct::sub(Cstruct::of_string(text), 7, 6);
  check("zolt_cstruct", Zolt_cstruct::equal(secret, Cstruct::of_string(std::string_view("secret"))) &&
                            Zolt_cstruct::find_uint8(is_colon, secret) == -1);
  check("version", std::strcmp(Zolt::version_string(), ZOLT_VERSION_STRING) == 0);
  return wrong;
}
