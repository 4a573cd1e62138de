// SPDX-License-Identifier: MIT
// Negative controls: code that leaks through timing in the ways the checker
// must see. Each must make memcheck report errors; if one does not, the
// checker has gone blind (a build flag, a valgrind change, a taint not applied)
// and its clean verdicts on the operations mean nothing.
#include "ctcheck.hpp"

#include <zolt/zolt.hpp>

#include <cctype>

namespace {

using namespace ctcheck;

// Equality that returns at the first difference.
[[gnu::noinline]] bool early_exit_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// A branch on a secret byte; the volatile stores keep it a branch.
volatile int high_bytes = 0, low_bytes = 0;
[[gnu::noinline]] void count_high_byte(unsigned char c) {
  if (c & 0x80) {
    high_bytes = high_bytes + 1;
  } else {
    low_bytes = low_bytes + 1;
  }
}

// A table read at a secret index: the address depends on the secret.
unsigned char substitution[256];
[[gnu::noinline]] unsigned char substitute(unsigned char c) { return substitution[c]; }

// A <cctype> function as a search predicate: glibc's isxdigit reads a table at
// the byte's value.
bool is_hex_digit(int byte) { return std::isxdigit(byte) != 0; }

const registration controls{{
    {"early-exit equality", true,
     [] {
       const std::string a = random_bytes(32, 1);
       reveal(early_exit_equal(secret(a), secret(a)));
     }},
    {"branch on a secret byte", true,
     [] {
       const std::string s = secret(random_bytes(8, 2));
       for (char c : s) count_high_byte(static_cast<unsigned char>(c));
     }},
    {"<cctype> predicate", true,
     [] {
       const std::string s = secret("00ff:zz");
       reveal(Zolt::find_uint8(Zolt::predicate(is_hex_digit), s));
     }},
    {"table lookup at a secret index", true,
     [] {
       for (int i = 0; i < 256; ++i) substitution[i] = static_cast<unsigned char>(i * 7 + 1);
       const std::string s = secret(random_bytes(8, 3));
       for (char c : s) reveal(substitute(static_cast<unsigned char>(c)));
     }},
}};

}  // namespace
