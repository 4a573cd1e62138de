// SPDX-License-Identifier: MIT
// Runs the registered checks under memcheck and judges each one by the number
// of errors memcheck counted while it ran:
//   zolt_ctcheck [NAME...]        operations: every one must add no error and
//                                 give the model's results;
//   zolt_ctcheck --controls       negative controls: every one must add errors.
// Run it through zolt-ct-check (with --error-exitcode=0 for --controls, whose
// errors are expected).
#include "ctcheck.hpp"

#include <valgrind/memcheck.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ctcheck {

namespace {

std::vector<check>& registry() {
  static std::vector<check> checks;
  return checks;
}

int wrong_results = 0;

}  // namespace

registration::registration(std::vector<check> checks) {
  for (auto& c : checks) registry().push_back(std::move(c));
}

void expect(bool ok, const std::string& what) {
  if (ok) return;
  ++wrong_results;
  std::fprintf(stderr, "ctcheck:   wrong result: %s\n", what.c_str());
}

std::string random_bytes(std::size_t n, std::uint64_t seed) {
  std::uint64_t x = seed * 0x9E3779B97F4A7C15u + 1;
  std::string s(n, '\0');
  for (auto& c : s) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    c = static_cast<char>(x >> 56);
  }
  return s;
}

std::vector<std::pair<std::string, std::string>> same_length_pairs(std::size_t n,
                                                                    std::uint64_t seed) {
  const std::string a = random_bytes(n, seed);
  std::vector<std::pair<std::string, std::string>> pairs{{a, a}, {a, random_bytes(n, seed + 1)}};
  if (n > 0) {
    std::string first = a, last = a;
    first.front() = static_cast<char>(first.front() ^ 0x80);
    last.back() = static_cast<char>(last.back() + 1);
    pairs.emplace_back(a, first);
    pairs.emplace_back(last, a);
  }
  return pairs;
}

namespace model {

namespace {
std::ptrdiff_t order(int c) { return c < 0 ? -16 : c > 0 ? 8 : 0; }
std::ptrdiff_t lengths_first(std::string_view a, std::string_view b) {
  return a.size() < b.size() ? 1 : -1;
}
}  // namespace

std::ptrdiff_t compare_be(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return lengths_first(a, b);
  return order(std::memcmp(a.data(), b.data(), a.size()));
}

std::ptrdiff_t compare_le(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return lengths_first(a, b);
  const std::string ra(a.rbegin(), a.rend()), rb(b.rbegin(), b.rend());
  return compare_be(ra, rb);
}

std::ptrdiff_t find(std::ptrdiff_t start, std::uint8_t target, std::string_view s) {
  for (auto i = static_cast<std::size_t>(start); i < s.size(); ++i) {
    if (static_cast<std::uint8_t>(s[i]) == target) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

}  // namespace model

}  // namespace ctcheck

int main(int argc, char** argv) {
  using namespace ctcheck;
  if (!ZOLT_CT_CHECKING) {
    std::fprintf(stderr, "ctcheck: run me through zolt-ct-check\n");
    return 2;
  }
  const bool controls = argc > 1 && std::strcmp(argv[1], "--controls") == 0;
  const std::vector<std::string> only(argv + 1 + controls, argv + argc);

  int failed = 0, ran = 0;
  for (const check& c : registry()) {
    if (c.control != controls) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), c.name) == only.end()) continue;
    ++ran;
    std::fprintf(stderr, "ctcheck: %s %s\n", controls ? "control" : "operation", c.name);
    const int wrong_before = wrong_results;
    const unsigned errors_before = VALGRIND_COUNT_ERRORS;
    c.run();
    const unsigned errors = VALGRIND_COUNT_ERRORS - errors_before;
    const bool leaked = errors > 0;
    if (controls != leaked || wrong_results != wrong_before) {
      ++failed;
      std::fprintf(stderr, "ctcheck: FAIL %s: %s\n", c.name,
                   controls              ? "not flagged"
                   : leaked              ? "secret-dependent branch or address"
                                         : "wrong results");
    }
  }
  std::fprintf(stderr, "ctcheck: %d %s, %d failed\n", ran, controls ? "controls" : "operations",
               failed);
  return ran > 0 && failed == 0 ? 0 : 1;
}
