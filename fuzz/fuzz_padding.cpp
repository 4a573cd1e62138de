// SPDX-License-Identifier: MIT
// Padding and unpadding against the plain model. The first byte is the block
// size (0 must be refused), the second the message's length; the rest is the
// buffer to pad in place, and also a padded text to check in both schemes.
#include "../tests/blocks_model.hpp"
#include "models.hpp"

#include <zolt/zolt.hpp>

#include <span>
#include <stdexcept>
#include <string_view>

namespace {

using blocks_model::bytes;
using blocks_model::padding;

// pad(buf, len, block) in place, or the exception the model says it must throw.
template <class Pad>
void pad_case(Pad pad, padding kind, const bytes& buf, std::size_t len, std::size_t block) {
  bytes out = buf;
  const char* refusal = block == 0                                     ? "pad: block size 0"
                        : len >= buf.size() - buf.size() % block ? "pad: buffer too small"
                                                                       : nullptr;
  try {
    const std::size_t padded = pad(out, len, block);
    const bytes want = blocks_model::pad(bytes(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(len)), block, kind);
    model::require(refusal == nullptr && padded == want.size() &&
                       std::equal(want.begin(), want.end(), out.begin()) &&
                       std::equal(out.begin() + static_cast<std::ptrdiff_t>(padded), out.end(),
                                  buf.begin() + static_cast<std::ptrdiff_t>(padded)),
                   "pad");
  } catch (const std::invalid_argument& e) {
    model::require(refusal != nullptr && std::string_view(e.what()) == refusal && out == buf, "pad refused");
  }
}

template <class Unpad>
void unpad_case(Unpad unpad, padding kind, const bytes& padded, std::size_t block) {
  if (block == 0) return;
  const auto [len, valid] = unpad(padded, block);
  const auto want = blocks_model::unpad(padded, block, kind);
  model::require(valid.declassify() == want.has_value() && len == want.value_or(0), "unpad");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t block = data[0], len = data[1];
  const bytes rest(data + 2, data + size);
  pad_case(Zolt::pad_iso7816, padding::iso7816, rest, len, block);
  pad_case(Zolt::pad_pkcs7, padding::pkcs7, rest, len, block);
  unpad_case(Zolt::unpad_iso7816, padding::iso7816, rest, block);
  unpad_case(Zolt::unpad_pkcs7, padding::pkcs7, rest, block);
  return 0;
}
