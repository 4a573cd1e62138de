// SPDX-License-Identifier: MIT
// Helpers shared by the core library's tests: fixed-seed random inputs, exact
// error checks, and byte buffers fenced by inaccessible pages.
#pragma once

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zolt_test {

using P = std::ptrdiff_t;
inline constexpr P kMin = std::numeric_limits<P>::min();
inline constexpr P kMax = std::numeric_limits<P>::max();

// mt19937_64's output is fixed by the standard, so with a fixed seed every
// platform and standard library sees the same inputs. Bytes are masked from it.
using Rng = std::mt19937_64;

inline char random_byte(Rng& g) { return static_cast<char>(g() & 0xFF); }

inline std::string random_bytes(Rng& g, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = random_byte(g);
  return s;
}

// A value in 0..n-1 for n > 0 (the modulo bias does not matter here).
inline std::size_t below(Rng& g, std::size_t n) { return static_cast<std::size_t>(g() % n); }

// The lengths that the differential tests walk: every length 0..70 (both word
// parities, every tail) and a few large ones.
inline std::vector<std::size_t> lengths() {
  std::vector<std::size_t> out;
  for (std::size_t n = 0; n <= 70; ++n) out.push_back(n);
  for (std::size_t n : {255u, 4096u, 65537u}) out.push_back(n);
  return out;
}

// A string from byte values, e.g. bytes({255, 0}).
inline std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline std::span<const std::uint8_t> as_span(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Runs f, which must throw std::invalid_argument whose what() is exactly message.
template <class F>
void expect_invalid_argument(F&& f, std::string_view message) {
  try {
    f();
    ADD_FAILURE() << "no exception; expected std::invalid_argument(\"" << message << "\")";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string_view(e.what()), message);
  } catch (...) {
    ADD_FAILURE() << "an exception other than std::invalid_argument(\"" << message << "\")";
  }
}

// A copy of some bytes laid against inaccessible pages, so that a read outside
// the bytes faults at once, with or without sanitizers:
//   after  - the byte after the last one is unreadable (catches over-reads);
//   before - the byte before the first one is unreadable (catches under-reads);
//   all    - no byte may be read at all (proves an operation reads nothing).
class Fenced {
 public:
  enum class Guard { after, before, all };

  Fenced(std::string_view content, Guard guard) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t data = (content.size() + page - 1) / page * page;
    size_ = data + 2 * page;
    void* base = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) throw std::runtime_error("mmap failed");
    base_ = static_cast<char*>(base);
    char* first = base_ + page + (guard == Guard::before ? 0 : data - content.size());
    if (!content.empty()) std::memcpy(first, content.data(), content.size());
    const bool sealed = mprotect(base_, page, PROT_NONE) == 0 &&
                        mprotect(base_ + page + data, page, PROT_NONE) == 0 &&
                        (guard != Guard::all || data == 0 ||
                         mprotect(base_ + page, data, PROT_NONE) == 0);
    if (!sealed) {
      munmap(base_, size_);
      throw std::runtime_error("mprotect failed");
    }
    view_ = std::string_view(first, content.size());
  }
  Fenced(const Fenced&) = delete;
  Fenced& operator=(const Fenced&) = delete;
  ~Fenced() { munmap(base_, size_); }

  std::string_view view() const { return view_; }
  std::span<const std::uint8_t> span() const { return as_span(view_); }

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
  std::string_view view_;
};

}  // namespace zolt_test
