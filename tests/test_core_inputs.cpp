// SPDX-License-Identifier: MIT
// The byte types C++ programs hold secrets in, as inputs and as the buffers the
// _into forms write; and the owner that wipes what it releases.
#include "test_core.hpp"

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <zolt/zolt.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <tuple>

namespace {

using namespace zolt_test;
using namespace std::string_view_literals;

// One byte string held in each of the kinds a program may pass: each member
// views the same bytes.
struct held {
  std::string string;
  std::vector<std::uint8_t> vector;
  std::vector<std::byte> bytes;
  std::vector<signed char> signed_chars;
  std::u8string utf8;

  explicit held(std::string_view s)
      : string(s),
        vector(s.begin(), s.end()),
        bytes(reinterpret_cast<const std::byte*>(s.data()),
              reinterpret_cast<const std::byte*>(s.data()) + s.size()),
        signed_chars(s.begin(), s.end()),
        utf8(s.begin(), s.end()) {}

  std::vector<Zolt::byte_view> views() const {
    return {string, std::string_view(string), vector, std::span<const std::byte>(bytes),
            signed_chars, utf8};
  }
};

TEST(ByteInputs, EveryKindGivesTheStringsResults) {
  Rng g(31);
  for (std::size_t n : {0u, 1u, 3u, 17u, 64u}) {
    SCOPED_TRACE(n);
    const std::string a = random_bytes(g, n), b = n > 0 ? a.substr(0, n - 1) + 'x' : "";
    const held ha(a), hb(b);
    for (const Zolt::byte_view x : ha.views()) {
      EXPECT_EQ(x.chars(), a);
      for (const Zolt::byte_view y : hb.views()) {  // mixed kinds in one call
        EXPECT_EQ(Zolt::equal(x, y), a == b);
        EXPECT_EQ(Zolt::compare_be(x, y), Zolt::compare_be(a, b));
        EXPECT_EQ(Zolt::compare_le_with_len(static_cast<P>(n), x, y), Zolt::compare_le(a, b));
      }
      EXPECT_EQ(Zolt::hex_of_bytes(x), Zolt::hex_of_string(a));
      EXPECT_EQ(Zolt::base64_of_string(x), Zolt::base64_of_string(a));
      EXPECT_EQ(Zolt::lowercase_ascii(x), Zolt::lowercase_ascii(a));
      EXPECT_EQ(Zolt::is_zero(x), Zolt::is_zero(a));
      EXPECT_EQ(Zolt::find_uint8(Zolt::byte_equal_to(0x78), x), Zolt::find_uint8(Zolt::byte_equal_to(0x78), a));
    }
  }
  // Arrays carry their extent: a C array of bytes, zeros included, std::array
  // and a span of fixed extent.
  const std::uint8_t key[4] = {0, 1, 0, 0};
  const std::byte zeros[2] = {};
  const std::array<std::uint8_t, 4> same{0, 1, 0, 0};
  EXPECT_TRUE(Zolt::equal(key, same));
  EXPECT_TRUE(Zolt::equal(std::span(same), std::as_bytes(std::span(key))));
  EXPECT_FALSE(Zolt::is_zero(key));
  EXPECT_TRUE(Zolt::is_zero(zeros));
  EXPECT_EQ(Zolt::hex_of_string(key), "00010000");
}

// The _into forms write the same bytes into a buffer of char, std::uint8_t or
// std::byte, whatever holds it.
TEST(ByteInputs, EveryBufferKindReceivesTheSameBytes) {
  const std::string secret = bytes({0x00, 0xFF, 0x10, 0x80, 0x7F});
  const std::string hex = Zolt::hex_of_string(secret), b64 = Zolt::base64_of_string(secret);
  auto text_of = [](const auto& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  };
  std::array<char, 10> chars{};
  std::vector<std::uint8_t> octets(10);
  std::array<std::byte, 10> raw{};
  std::string str(10, '\0');
  Zolt::hex_of_string_into(secret, chars);
  Zolt::hex_of_bytes_into(secret, octets);
  Zolt::hex_of_string_into(secret, std::span<std::byte>(raw));
  Zolt::hex_of_string_into(secret, str);
  for (const std::string& got : {text_of(chars), text_of(octets), text_of(raw), str}) EXPECT_EQ(got, hex);

  std::array<std::byte, 5> decoded{};
  EXPECT_EQ(Zolt::bytes_of_hex_into(hex, decoded), 0);
  EXPECT_EQ(text_of(decoded), secret);
  char c_array[8];
  Zolt::base64_of_string_into(secret, c_array);
  EXPECT_EQ(std::string_view(c_array, 8), b64);
  const auto [error, n] = Zolt::string_of_base64_into(b64, std::span<std::uint8_t>(octets));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(text_of(std::span(octets).first(n)), secret);
}

// Decoding into another owner gives the same bytes and indicator.
TEST(SecureBytes, DecodeIntoAnyOwner) {
  const std::string secret = bytes({0xC3, 0x00, 0x9E, 0xFF, 0x01, 0x77, 0xE4});
  for (const std::string& hex : {Zolt::hex_of_string(secret), std::string("0g"), std::string("abc")}) {
    const auto [plain, e1] = Zolt::bytes_of_hex(hex);
    const auto [locked, e2] = Zolt::bytes_of_hex<Zolt::secure_bytes>(hex);
    const auto [text, e3] = Zolt::bytes_of_hex<std::string>(hex);
    EXPECT_EQ(e1, e2);
    EXPECT_EQ(e1, e3);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), locked.begin(), locked.end()));
    EXPECT_EQ(Zolt::hex_of_string(text), Zolt::hex_of_bytes(plain));
  }
  for (const auto v : {Zolt::base64_variant::standard, Zolt::base64_variant::url_unpadded}) {
    for (std::size_t n = 0; n <= secret.size(); ++n) {
      const std::string text = Zolt::base64_of_string(std::string_view(secret).substr(0, n), v);
      const auto [locked, error] = Zolt::bytes_of_base64<Zolt::secure_bytes>(text, v);
      EXPECT_EQ(error, 0);
      EXPECT_EQ(Zolt::hex_of_bytes(locked), Zolt::hex_of_string(secret.substr(0, n)));
    }
    EXPECT_EQ(Zolt::bytes_of_base64<Zolt::secure_bytes>("Zh=="sv, Zolt::base64_variant::standard).second, 1);
  }
}

#if defined(__SANITIZE_ADDRESS__)
#define ZOLT_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOLT_TEST_ASAN 1
#endif
#endif

// The VmFlags line of the mapping that holds p, from /proc/self/smaps.
std::string vm_flags_of(const void* p) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

// Whether this system shows the dump exclusion in /proc/self/smaps: qemu-user,
// for one, takes the advice and drops it.
bool dump_exclusion_shows() {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* const probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (probe == MAP_FAILED) return false;
  const bool shows = madvise(probe, page, MADV_DONTDUMP) == 0 &&
                     vm_flags_of(probe).find(" dd") != std::string::npos;
  munmap(probe, page);
  return shows;
}

// A secure block is a mapping of its own, left out of core dumps (dd) and,
// while the locked-memory limit allows, locked in RAM (lo); growing a vector
// moves it to another such block.
TEST(SecureBytes, PagesOfTheirOwnOutOfCoreDumps) {
  if (!dump_exclusion_shows()) GTEST_SKIP() << "this system does not show MADV_DONTDUMP in smaps";
  Zolt::secure_bytes key(32, 0xA5);
  const std::string flags = vm_flags_of(key.data());
  ASSERT_NE(flags, "") << "no mapping found for the block";
  EXPECT_NE(flags.find(" dd"), std::string::npos) << flags;
#ifndef ZOLT_TEST_ASAN  // AddressSanitizer's runtime turns mlock into a no-op
  rlimit locked{};
  if (getrlimit(RLIMIT_MEMLOCK, &locked) == 0 && locked.rlim_cur >= (1u << 20)) {
    EXPECT_NE(flags.find(" lo"), std::string::npos) << flags;
  }
#endif
  key.resize(9000, 0x5A);
  EXPECT_NE(vm_flags_of(key.data()).find(" dd"), std::string::npos);
  EXPECT_EQ(key[0], 0xA5);
  EXPECT_EQ(key[8999], 0x5A);
  Zolt::wipe(key);
  EXPECT_TRUE(Zolt::is_zero(key));
}

// The block a test watches, and what munmap saw of it.
struct {
  const void* block = nullptr;
  std::size_t size = 0;
  bool released = false;
  bool zeroed = false;
} watched;

}  // namespace

// The library's call to munmap binds to this definition, which looks at the
// watched block before it makes the system call itself. (Not through dlsym:
// its first call would run inside the frames the leftover scan reads.)
extern "C" [[gnu::visibility("default")]] int munmap(void* addr, std::size_t len) noexcept {
  if (addr != nullptr && addr == watched.block) {
    const auto* bytes = static_cast<const unsigned char*>(addr);
    watched.released = true;
    watched.zeroed = std::all_of(bytes, bytes + watched.size, [](unsigned char b) { return b == 0; });
  }
  return static_cast<int>(syscall(SYS_munmap, addr, len));
}

namespace {

// A block reaches the system wiped, whether the vector grows out of it or dies.
TEST(SecureBytes, ReleasedBlocksAreWiped) {
  for (const bool grows : {true, false}) {
    auto key = std::make_unique<Zolt::secure_bytes>(100, 0xA5);
    watched = {key->data(), key->capacity(), false, false};
    if (grows) {
      key->resize(9000, 0x5A);
    } else {
      key.reset();
    }
    EXPECT_TRUE(watched.released) << "grows: " << grows;
    EXPECT_TRUE(watched.zeroed) << "grows: " << grows;
    watched = {};
  }
}

}  // namespace
