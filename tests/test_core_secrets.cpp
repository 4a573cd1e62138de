// SPDX-License-Identifier: MIT
// Secrets left behind: wipe clears what it is given (a container up to its
// capacity), and the codecs, case mappings and decimal rendering leave no
// fragment of a secret in the stack frames they have returned from.
#include "test_core.hpp"

#include <zolt/zolt.h>
#include <zolt/zolt.hpp>

#include <array>
#include <initializer_list>
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

// Makes the compiler keep a local array whole, in memory, with whatever was
// stored in it, until this point.
void kept(const void* local) { __asm__ volatile("" : : "r"(local) : "memory"); }

// Zeroes the stack below the caller, so that the pages exist and hold no
// earlier test's bytes.
[[gnu::noinline]] void clear_stack_below() {
  volatile unsigned char area[kScanned + 4096];
  for (auto& b : area) b = 0;
}

// Whether bytes p[0..3] are secret[k..k+3], in that order or reversed (a
// word loaded or stored in the other byte order).
[[gnu::no_sanitize_address]] bool holds_run(const volatile unsigned char* p, std::string_view secret,
                                            std::size_t k) {
  bool forward = true, reversed = true;
  for (std::size_t j = 0; j < 4; ++j) {
    forward = forward && p[j] == static_cast<unsigned char>(secret[k + j]);
    reversed = reversed && p[j] == static_cast<unsigned char>(secret[k + 3 - j]);
  }
  return forward || reversed;
}

using secrets = std::initializer_list<std::string_view>;

// How many places in the kScanned bytes of stack below `top` (frames that
// have returned) hold a fragment of one of the secrets: any run of 4 of its
// bytes, either way round. Reads memory below the stack pointer on purpose,
// byte by byte, and keeps no byte of a secret in a local of its own.
[[gnu::noinline, gnu::no_sanitize_address]] std::size_t fragments_below(
    const volatile unsigned char* top, secrets all) {
  std::size_t found = 0;
  for (const volatile unsigned char* p = top - kScanned; p + 4 <= top; ++p) {
    bool here = false;
    for (const std::string_view secret : all) {
      for (std::size_t k = 0; k + 4 <= secret.size(); ++k) here = here || holds_run(p, secret, k);
    }
    found += here ? 1 : 0;
  }
  return found;
}

// Runs the library through `use`, which must wipe its own copy of the result,
// and then counts the fragments of the secrets in the frames the library
// returned from, on a stack cleared first. The program and the libraries are
// linked with -z now: a lazily bound first call would leave the vector
// registers, and the secrets in them, on the stack. The library runs below a
// gap of cleared stack, which the scan's own frames take without touching the
// frames it looks at.
template <class Use>
[[gnu::noinline]] void run_below_a_gap(Use& use) {
  unsigned char gap[1024];  // where the scan's own frames will be
  use();
  kept(gap);
}
template <class Use>
[[gnu::noinline]] std::size_t fragments_left(secrets all, Use use) {
  clear_stack_below();
  volatile unsigned char top = 0;
  run_below_a_gap(use);
  return fragments_below(&top, all);
}

// The forms of each codec that the leftover scan runs, and the length of an
// input whose text is short enough to live inside the string object.
struct hex_codec {
  static std::string encode(std::string_view s) { return Zolt::hex_of_string(s); }
  static auto decode_string(std::string_view t) { return Zolt::string_of_hex(t); }
  template <class Out>
  static auto decode_bytes(std::string_view t) { return Zolt::bytes_of_hex<Out>(t); }
  static void decode_into(std::string_view t, std::span<char> out) { (void)Zolt::string_of_hex_into(t, out); }
  static void encode_into(std::string_view s, std::span<char> out) { Zolt::hex_of_string_into(s, out); }
  static constexpr std::size_t short_input = 7;
};
struct base64_codec {
  static std::string encode(std::string_view s) { return Zolt::base64_of_string(s); }
  static auto decode_string(std::string_view t) { return Zolt::string_of_base64(t); }
  template <class Out>
  static auto decode_bytes(std::string_view t) { return Zolt::bytes_of_base64<Out>(t); }
  static void decode_into(std::string_view t, std::span<char> out) { (void)Zolt::string_of_base64_into(t, out); }
  static void encode_into(std::string_view s, std::span<char> out) { Zolt::base64_of_string_into(s, out); }
  static constexpr std::size_t short_input = 9;
};

// The decoded secret after each decoding form, the text after encoding into a
// caller's buffer, and a short text returned inside the string object: no
// fragment of the secret or of its text may be left in the frames the library
// returned from.
template <class Codec>
void expect_no_fragment_left(const std::string& secret) {
  const std::string text = Codec::encode(secret);
  const auto left = [&](auto use) { return fragments_left({secret, text}, use); };
  EXPECT_EQ(left([&] {
              auto result = Codec::decode_string(text);
              Zolt::wipe(result.first);
            }),
            0u);
  // Into each owner: a short std::string holds its bytes inside the object.
  const auto decoded_into = [&](auto owner) {
    return left([&] {
      auto result = Codec::template decode_bytes<decltype(owner)>(text);
      Zolt::wipe(result.first);
    });
  };
  EXPECT_EQ(decoded_into(std::vector<std::uint8_t>()), 0u);
  EXPECT_EQ(decoded_into(std::string()), 0u);
  EXPECT_EQ(decoded_into(Zolt::secure_bytes()), 0u);
  EXPECT_EQ(left([&] {
              std::array<char, 36> out;
              Codec::decode_into(text, out);
              Zolt::wipe(std::span(out));
            }),
            0u);
  EXPECT_EQ(left([&] {
              std::array<char, 72> out;
              Codec::encode_into(secret, out);
              Zolt::wipe(std::span(out));
            }),
            0u);
  // The text of the first bytes is the start of the whole text.
  EXPECT_EQ(left([&] {
              std::string encoded = Codec::encode(std::string_view(secret).substr(0, Codec::short_input));
              Zolt::wipe(encoded);
            }),
            0u);
}

// Short results included: a string of up to 15 bytes lives inside the string
// object, and moving one out of a local left the secret in the dead frame.
TEST(Wipe, CodecLeavesNoFragmentInReturnedFrames) {
  using namespace std::string_literals;
  const std::string key = "\xC3\x5A\x9E\x01\x77\xE4\x2B\xD0\x6F\x13\xA8\x4C"s;
  const std::string long_key = key + key + key;
  for (const std::string& secret : {key, long_key}) {
    SCOPED_TRACE(secret.size());
    expect_no_fragment_left<hex_codec>(secret);
    expect_no_fragment_left<base64_codec>(secret);
  }
}

// The case mappings, as strings and into a buffer (the C interface's form),
// and the decimal rendering of a secret number.
TEST(Wipe, TextOperationsLeaveNoFragmentInReturnedFrames) {
  for (const std::string secret : {"Kq7!vZ", "Kq7!vZ-Rp2$wLx9#mTs4&yHb8*nEc1@uGa5^dJf"}) {
    SCOPED_TRACE(secret.size());
    const std::string lower = Zolt::lowercase_ascii(secret), upper = Zolt::uppercase_ascii(secret);
    for (const auto map : {Zolt::lowercase_ascii, Zolt::uppercase_ascii}) {
      EXPECT_EQ(fragments_left({secret, lower, upper}, [&] {
                  std::string mapped = map(secret);
                  Zolt::wipe(mapped);
                }),
                0u);
    }
    for (const auto map : {zolt_lowercase_ascii, zolt_uppercase_ascii}) {
      EXPECT_EQ(fragments_left({secret, lower, upper}, [&] {
                  std::array<char, 64> out;
                  EXPECT_EQ(map(out.data(), out.size(), secret.data(), secret.size()), ZOLT_OK);
                  Zolt::wipe(std::span(out));
                }),
                0u);
    }
  }
  const std::int32_t pin = 1597534682;
  const std::string digits = Zolt::ascii_of_int32(10, pin);
  EXPECT_EQ(fragments_left({digits}, [&] {
              std::string text = Zolt::ascii_of_int32(10, pin);
              Zolt::wipe(text);
            }),
            0u);
}

// The scan finds a fragment that is there: a frame that returns with four
// bytes from the middle of the secret still in a local, in the secret's order
// or reversed.
[[gnu::noinline]] void leave_a_fragment(std::string_view secret, bool reversed) {
  char local[64];  // the fragment this frame leaves behind
  for (std::size_t i = 0; i < 4; ++i) local[i] = secret[reversed ? 6 - i : 3 + i];
  kept(local);
}

TEST(Wipe, ScanFindsALeftoverFragment) {
  const std::string secret = "\xC3\x5A\x9E\x01\x77\xE4\x2B\xD0";
  for (const bool reversed : {false, true}) {
    EXPECT_GT(fragments_left({secret}, [&] { leave_a_fragment(secret, reversed); }), 0u) << reversed;
  }
}

}  // namespace
