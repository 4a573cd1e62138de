// SPDX-License-Identifier: MIT
// A key chosen by a secret bit, as a protocol step that uses one of two keys
// does: `bit ? k1 : k0` or `keys[bit]` would branch, or address memory, by the
// bit. Zolt::choice and copy_if read both keys and write every byte of the
// result whatever the bit. The program checks the choice for both bits.
#include <zolt/zolt.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

using Key = std::array<std::byte, 32>;

// k1 when bit is 1, k0 when it is 0.
Key key_for(std::uint32_t bit, const Key& k0, const Key& k1) {
  Key key = k0;
  Zolt::copy_if(Zolt::ct_eq(bit, std::uint32_t{1}), key, k1);
  return key;
}

int main() {
  Key k0{}, k1{};
  for (std::size_t i = 0; i < k0.size(); ++i) {
    k0[i] = static_cast<std::byte>(i);
    k1[i] = static_cast<std::byte>(0xa0 + i);
  }
  bool right = true;
  for (std::uint32_t bit : {0u, 1u}) {
    Key key = key_for(bit, k0, k1);
    // Declassified here only to show the result; a real program would use the key.
    const bool is_k1 = Zolt::ct_eq(key, k1).declassify();
    std::printf("bit %u: key k%d\n", bit, is_k1 ? 1 : 0);
    right = right && is_k1 == (bit == 1) && (is_k1 || Zolt::equal(key, k0));
    Zolt::wipe(std::span(key));
  }
  return right ? 0 : 1;
}
