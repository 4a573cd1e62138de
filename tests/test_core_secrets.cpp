// SPDX-License-Identifier: MIT
// Secrets left behind: wipe clears what it is given (a container up to its
// capacity), and the codec leaves no copy of a decoded or encoded secret in
// the stack frames it has returned from.
#include "test_core.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <cstring>

namespace {

using namespace zolt_test;

bool all_zero(const void* p, std::size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (std::size_t i = 0; i < n; ++i) {
    if (b[i] != 0) return false;
  }
  return true;
}

TEST(Wipe, ClearsEveryByteAndKeepsTheSize) {
  std::array<unsigned char, 37> raw;
  raw.fill(0xA5);
  Zolt::wipe(std::span(raw));
  EXPECT_TRUE(all_zero(raw.data(), raw.size()));

  std::array<std::byte, 5> bytes;
  bytes.fill(std::byte{7});
  Zolt::wipe(std::span(bytes).subspan(1, 3));  // only the span given
  EXPECT_EQ(bytes[0], std::byte{7});
  EXPECT_EQ(bytes[4], std::byte{7});
  EXPECT_TRUE(all_zero(bytes.data() + 1, 3));

  Zolt::wipe(std::span<char>());  // nothing to do, no pointer needed
}

// A container's earlier, longer content lies past its size, inside its
// capacity: wipe clears it too.
TEST(Wipe, ClearsContainersUpToTheirCapacity) {
  for (std::size_t n : {0u, 5u, 15u, 16u, 100u}) {
    SCOPED_TRACE(n);
    std::string s(200, 'k');
    s.resize(n);
    const char* storage = s.data();
    const std::size_t capacity = s.capacity();
    Zolt::wipe(s);
    EXPECT_EQ(s.size(), n);
    EXPECT_EQ(s.data(), storage);
    EXPECT_TRUE(all_zero(storage, capacity));

    std::vector<std::uint8_t> v(300, 0x5A);
    v.resize(n);
    Zolt::wipe(v);
    EXPECT_EQ(v.size(), n);
    EXPECT_TRUE(all_zero(v.data(), v.capacity()));
  }
}

constexpr std::size_t kScanned = 16384;

// Zeroes the stack below the caller, so that the pages exist and hold no
// earlier test's bytes.
[[gnu::noinline]] void clear_stack_below() {
  volatile unsigned char area[kScanned + 4096];
  for (auto& b : area) b = 0;
}

// Whether the kScanned bytes of stack below `top` (frames that have returned)
// hold `secret`. Reads memory below the stack pointer on purpose, byte by byte.
[[gnu::noinline, gnu::no_sanitize_address]] bool stack_below_holds(
    const volatile unsigned char* top, std::string_view secret) {
  const volatile unsigned char* const bottom = top - kScanned;
  for (const volatile unsigned char* p = bottom; p + secret.size() <= top; ++p) {
    std::size_t k = 0;
    while (k < secret.size() && p[k] == static_cast<unsigned char>(secret[k])) ++k;
    if (k == secret.size()) return true;
  }
  return false;
}

// Runs the codec through `use`, which must wipe its own copy of the result,
// and then looks for `secret` in the frames the library returned from. The
// program and the libraries are linked with -z now: a lazily bound first call
// would leave the vector registers, and the secret in them, on the stack.
template <class Use>
[[gnu::noinline]] bool leaves_copy(std::string_view secret, Use use) {
  volatile unsigned char top = 0;
  use();
  return stack_below_holds(&top, secret);
}

// The forms of each codec that the leftover scan runs, and the input and text
// lengths of an encoding short enough to live inside the string object.
struct hex_codec {
  static std::string encode(std::string_view s) { return Zolt::hex_of_string(s); }
  static auto decode_string(std::string_view t) { return Zolt::string_of_hex(t); }
  template <class Out>
  static auto decode_bytes(std::string_view t) { return Zolt::bytes_of_hex<Out>(t); }
  static void decode_into(std::string_view t, std::span<char> out) { (void)Zolt::string_of_hex_into(t, out); }
  static void encode_into(std::string_view s, std::span<char> out) { Zolt::hex_of_string_into(s, out); }
  static constexpr std::size_t short_input = 7, short_text = 14;
};
struct base64_codec {
  static std::string encode(std::string_view s) { return Zolt::base64_of_string(s); }
  static auto decode_string(std::string_view t) { return Zolt::string_of_base64(t); }
  template <class Out>
  static auto decode_bytes(std::string_view t) { return Zolt::bytes_of_base64<Out>(t); }
  static void decode_into(std::string_view t, std::span<char> out) { (void)Zolt::string_of_base64_into(t, out); }
  static void encode_into(std::string_view s, std::span<char> out) { Zolt::base64_of_string_into(s, out); }
  static constexpr std::size_t short_input = 9, short_text = 12;
};

// The decoded secret after each decoding form, the text after encoding into a
// caller's buffer, and a short text returned inside the string object: none
// may be left in the frames the library returned from.
template <class Codec>
void expect_no_copy_left(const std::string& secret) {
  const std::string text = Codec::encode(secret);
  const auto decoded = [&](auto decode) {
    clear_stack_below();
    return leaves_copy(secret, decode);
  };
  EXPECT_FALSE(decoded([&] {
    auto result = Codec::decode_string(text);
    Zolt::wipe(result.first);
  }));
  // Into each owner: a short std::string holds its bytes inside the object.
  const auto decoded_into = [&](auto owner) {
    return decoded([&] {
      auto result = Codec::template decode_bytes<decltype(owner)>(text);
      Zolt::wipe(result.first);
    });
  };
  EXPECT_FALSE(decoded_into(std::vector<std::uint8_t>()));
  EXPECT_FALSE(decoded_into(std::string()));
  EXPECT_FALSE(decoded_into(Zolt::secure_bytes()));
  EXPECT_FALSE(decoded([&] {
    std::array<char, 36> out;
    Codec::decode_into(text, out);
    Zolt::wipe(std::span(out));
  }));
  clear_stack_below();
  EXPECT_FALSE(leaves_copy(text, [&] {
    std::array<char, 72> out;
    Codec::encode_into(secret, out);
    Zolt::wipe(std::span(out));
  }));
  const std::string_view head = std::string_view(secret).substr(0, Codec::short_input);
  clear_stack_below();
  EXPECT_FALSE(leaves_copy(text.substr(0, Codec::short_text), [&] {
    std::string encoded = Codec::encode(head);
    Zolt::wipe(encoded);
  }));
}

// Short results included: a string of up to 15 bytes lives inside the string
// object, and moving one out of a local left the secret in the dead frame.
TEST(Wipe, CodecLeavesNoCopyInReturnedFrames) {
  using namespace std::string_literals;
  const std::string key = "\xC3\x5A\x9E\x01\x77\xE4\x2B\xD0\x6F\x13\xA8\x4C"s;
  const std::string long_key = key + key + key;
  for (const std::string& secret : {key, long_key}) {
    SCOPED_TRACE(secret.size());
    expect_no_copy_left<hex_codec>(secret);
    expect_no_copy_left<base64_codec>(secret);
  }
}

// The scan finds a copy that is there: a frame that returns with the secret
// still in a local.
[[gnu::noinline]] void leave_a_copy(std::string_view secret) {
  volatile char local[64];  // the copy this frame leaves behind
  for (std::size_t i = 0; i < secret.size(); ++i) local[i] = secret[i];
  (void)local[0];
}

TEST(Wipe, ScanFindsALeftoverCopy) {
  const std::string secret = "\xC3\x5A\x9E\x01\x77\xE4\x2B\xD0";
  clear_stack_below();
  EXPECT_TRUE(leaves_copy(secret, [&] { leave_a_copy(secret); }));
}

}  // namespace
