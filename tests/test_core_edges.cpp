// SPDX-License-Identifier: MIT
// Lengths and computed sizes at their extremes: the sizes that std::size_t
// cannot hold are refused before anything is read, written or called, and on
// a 32-bit target strings longer than PTRDIFF_MAX get the right answers.
#include "test_core.hpp"

#include <zolt/zolt.h>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>

namespace {

using namespace zolt_test;

constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();
constexpr auto kPtrdiffMax = static_cast<std::size_t>(kMax);

// A view of n bytes from p, of which only the first few are memory: for the
// calls that must refuse such a length before reading.
Zolt::byte_view claimed(const char* p, std::size_t n) { return std::string_view(p, n); }

// Whether run throws E with exactly that message.
template <class E>
::testing::AssertionResult throws(const std::function<void()>& run, std::string_view message) {
  try {
    run();
  } catch (const E& e) {
    if (e.what() == message) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "threw \"" << e.what() << "\"";
  } catch (...) {
    return ::testing::AssertionFailure() << "threw something else";
  }
  return ::testing::AssertionFailure() << "threw nothing";
}

// The length of the base64 text of the largest inputs, per variant: the last
// ones whose length std::size_t holds, the first ones whose it does not.
TEST(Edges, Base64EncodedSizeAtTheTop) {
  constexpr std::size_t n = kSizeMax / 4 * 3;  // whole groups: kSizeMax - 3 characters
  const struct {
    std::size_t n;
    std::size_t padded, unpadded;  // 0: std::length_error
  } rows[] = {
      {n, kSizeMax - 3, kSizeMax - 3},
      {n + 1, 0, kSizeMax - 1},
      {n + 2, 0, kSizeMax},
      {n + 3, 0, 0},
      {kSizeMax, 0, 0},
  };
  using V = Zolt::base64_variant;
  for (const auto& r : rows) {
    for (V v : {V::standard, V::url, V::standard_unpadded, V::url_unpadded}) {
      SCOPED_TRACE(testing::Message() << r.n << " variant " << static_cast<int>(v));
      const std::size_t expected = v == V::standard || v == V::url ? r.padded : r.unpadded;
      if (expected == 0) {
        EXPECT_TRUE(throws<std::length_error>([&] { (void)Zolt::base64_encoded_size(r.n, v); },
                                              "base64: size overflow"));
      } else {
        EXPECT_EQ(Zolt::base64_encoded_size(r.n, v), expected);
      }
    }
  }
}

// Inputs whose text would be longer than std::size_t can say, given with a
// short real buffer, into an output whose size the wrapped length would pass:
// refused before anything is read or written. Just below the limit, the
// output is what is too small.
TEST(Edges, EncodersRefuseTextTooLongToMeasure) {
  const std::string in(16, 'a');
  std::string out(16, '#');
  const std::size_t hex_limit = kSizeMax / 2, base64_wraps = (kSizeMax / 4 + 1) * 3 + 1;
  const struct {
    const char* call;
    std::function<void()> run;
    const char* overflow;  // else output too small
  } rows[] = {
      {"hex_of_string_into", [&] { Zolt::hex_of_string_into(claimed(in.data(), hex_limit + 9), out); },
       "hex: size overflow"},
      {"hex_of_bytes_into", [&] { Zolt::hex_of_bytes_into(claimed(in.data(), hex_limit + 1), out); },
       "hex: size overflow"},
      {"hex_of_string", [&] { (void)Zolt::hex_of_string(claimed(in.data(), kSizeMax)); },
       "hex: size overflow"},
      {"hex_of_bytes_into", [&] { Zolt::hex_of_bytes_into(claimed(in.data(), hex_limit), out); },
       nullptr},
      {"base64_of_string_into",
       [&] { Zolt::base64_of_string_into(claimed(in.data(), base64_wraps), out); },
       "base64: size overflow"},
      {"base64_of_bytes", [&] { (void)Zolt::base64_of_bytes(claimed(in.data(), base64_wraps)); },
       "base64: size overflow"},
      {"base64_of_bytes_into",
       [&] {
         Zolt::base64_of_bytes_into(claimed(in.data(), kSizeMax / 4 * 3 + 2), out,
                                    Zolt::base64_variant::url_unpadded);
       },
       nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.call);
    if (r.overflow != nullptr) {
      EXPECT_TRUE(throws<std::length_error>(r.run, r.overflow));
    } else {
      EXPECT_TRUE(throws<std::invalid_argument>(r.run, std::string(r.call) + ": output too small"));
    }
    EXPECT_EQ(out, std::string(16, '#'));
  }
}

// A string longer than PTRDIFF_MAX has indices that no answer can give: every
// form of the search refuses it before calling the predicate, and before
// looking at start.
TEST(Edges, SearchRefusesIndicesItCannotReturn) {
  const std::string s(16, 'a');
  std::size_t calls = 0;
  const auto p = [&calls](int) { return ++calls != 0; };
  const auto big = std::as_bytes(std::span(s.data(), kPtrdiffMax + 1));
  const std::function<void()> searches[] = {
      [&] { (void)Zolt::find_uint8(Zolt::predicate(p), claimed(s.data(), kPtrdiffMax + 1)); },
      [&] { (void)Zolt::find_uint8(-1, Zolt::predicate(p), claimed(s.data(), kSizeMax)); },
      [&] { (void)Zolt::exists_uint8(p, claimed(s.data(), kPtrdiffMax + 1)); },
      [&] { (void)Zolt::find_uint8(-1, p, claimed(s.data(), kSizeMax)); },
      [&] { (void)Zolt_bigstring::find_uint8(p, big); },
      [&] { (void)Zolt_bigstring::exists_uint8(-1, p, big); },
  };
  for (const auto& search : searches) {
    EXPECT_TRUE(throws<std::length_error>(search, "find_uint8: string too long"));
  }
  EXPECT_EQ(calls, 0u);
}

// More than PTRDIFF_MAX bytes, on a 32-bit target: one reservation of the
// address space with one chunk of a memfd mapped over it again and again, so
// that the strings take a few MiB of memory. Slot 0 holds a chunk whose byte
// 5 is 2, the last slot one whose byte at the strings' last offset is 1, every
// other slot zeros; a starts at slot 0 and b one chunk later, so that a is
// above b at byte 5 and below it at the very last byte.
class Beyond_ptrdiff_max {
 public:
  static constexpr std::size_t chunk = std::size_t{1} << 20;
  static constexpr std::size_t length = kPtrdiffMax + 9;

  Beyond_ptrdiff_max() {
    const std::size_t last_slot = (length - 1) / chunk + 1, last_offset = (length - 1) % chunk;
    size_ = (last_slot + 1) * chunk;
    const int fd = memfd_create("zolt_edges", 0);
    if (fd < 0 || ftruncate(fd, 3 * chunk) != 0) return;
    void* const reserved = mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (reserved != MAP_FAILED) {
      base_ = static_cast<unsigned char*>(reserved);
      for (std::size_t slot = 0; slot <= last_slot; ++slot) {
        const std::size_t which = slot == 0 ? 1 : slot == last_slot ? 2 : 0;
        if (mmap(base_ + slot * chunk, chunk, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd,
                 static_cast<off_t>(which * chunk)) == MAP_FAILED) {
          base_ = nullptr;
          break;
        }
      }
    }
    close(fd);
    if (base_ == nullptr) return;
    base_[5] = 2;                                   // slot 0: the first chunk of the memfd
    base_[last_slot * chunk + last_offset] = 1;     // the last slot: its third
  }
  ~Beyond_ptrdiff_max() {
    if (base_ != nullptr) munmap(base_, size_);
  }
  Beyond_ptrdiff_max(const Beyond_ptrdiff_max&) = delete;
  Beyond_ptrdiff_max& operator=(const Beyond_ptrdiff_max&) = delete;

  bool mapped() const { return base_ != nullptr; }
  const char* a() const { return reinterpret_cast<const char*>(base_); }
  const char* b() const { return reinterpret_cast<const char*>(base_ + chunk); }

 private:
  unsigned char* base_ = nullptr;
  std::size_t size_ = 0;
};

TEST(Edges, StringsBeyondPtrdiffMax) {
  if constexpr (sizeof(void*) > 4) {
    GTEST_SKIP() << "no such strings where addresses have 64 bits";
  } else {
    const Beyond_ptrdiff_max m;
    ASSERT_TRUE(m.mapped());
    constexpr std::size_t n = Beyond_ptrdiff_max::length;
    const std::string_view a(m.a(), n), b(m.b(), n), b_head(m.b(), n - 1);
    EXPECT_FALSE(Zolt::equal(a, b));
    EXPECT_EQ(Zolt::compare_be(a, b), 8);     // byte 5 decides
    EXPECT_EQ(Zolt::compare_le(a, b), -16);   // the last byte decides
    EXPECT_FALSE(Zolt::is_zero(b));           // its one nonzero byte is the last
    EXPECT_TRUE(Zolt::is_zero(b_head));
    EXPECT_FALSE(Zolt_bigstring::equal(std::as_bytes(std::span(a)), std::as_bytes(std::span(b))));

    // The C interface passes the lengths on as they are (its compare_le shares
    // compare_be's wrapper).
    bool flag = true;
    int order = 0;
    EXPECT_EQ(zolt_equal(&flag, a.data(), n, b.data(), n), ZOLT_OK);
    EXPECT_FALSE(flag);
    EXPECT_EQ(zolt_compare_be(&order, a.data(), n, b.data(), n), ZOLT_OK);
    EXPECT_EQ(order, 8);
    EXPECT_EQ(zolt_is_zero(&flag, b.data(), n - 1), ZOLT_OK);
    EXPECT_TRUE(flag);

    // Refused before reading: the search's answer, the hex text's length.
    std::size_t calls = 0;
    const auto p = [&calls](int) { return ++calls != 0; };
    EXPECT_TRUE(throws<std::length_error>([&] { (void)Zolt::find_uint8(p, b); },
                                          "find_uint8: string too long"));
    std::string out(16, '#');
    EXPECT_TRUE(throws<std::length_error>([&] { Zolt::hex_of_string_into(b, out); },
                                          "hex: size overflow"));
    std::ptrdiff_t index = 99;
    EXPECT_EQ(zolt_find_uint8(&index, 0, [](void*, int) { return 1; }, nullptr, b.data(), n),
              ZOLT_ERR_SIZE_OVERFLOW);
    EXPECT_EQ(zolt_hex_of_bytes(out.data(), out.size(), b.data(), n), ZOLT_ERR_SIZE_OVERFLOW);
    EXPECT_EQ(zolt_base64_of_bytes(out.data(), out.size(), b.data(), 0xc0000001, ZOLT_BASE64_STANDARD),
              ZOLT_ERR_SIZE_OVERFLOW);
    EXPECT_EQ(calls, 0u);
    EXPECT_EQ(index, 99);
    EXPECT_EQ(out, std::string(16, '#'));
  }
}

}  // namespace
