// SPDX-License-Identifier: MIT
// The base64 codec against plain models: the input encoded and decoded back in
// all four variants, and the input itself decoded as text in each of them.
#include "models.hpp"
#include "../tests/base64_model.hpp"

#include <zolt/zolt.hpp>

#include <vector>

namespace {

using Zolt::base64_variant;

struct variant {
  base64_variant v;
  base64_model::variant m;
};
constexpr variant variants[] = {
    {base64_variant::standard, {'+', '/', true}},
    {base64_variant::standard_unpadded, {'+', '/', false}},
    {base64_variant::url, {'-', '_', true}},
    {base64_variant::url_unpadded, {'-', '_', false}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const std::vector<std::uint8_t> bytes(data, data + size);

  for (const auto& [v, m] : variants) {
    const std::string text = Zolt::base64_of_string(s, v);
    model::require(text == base64_model::encode(s, m), "base64_of_string");
    model::require(Zolt::base64_of_bytes(bytes, v) == text, "base64_of_bytes");
    std::string into(Zolt::base64_encoded_size(size, v), '\0');
    Zolt::base64_of_string_into(s, into, v);
    model::require(into == text, "base64_of_string_into");
    model::require(Zolt::string_of_base64(text, v) == std::make_pair(std::string(s), std::ptrdiff_t{0}),
                   "string_of_base64 of base64_of_string");

    // The input read as text: mostly malformed.
    const auto expected = base64_model::decode(s, m);
    const auto [decoded, error] = Zolt::string_of_base64(s, v);
    model::require((error == 0) == expected.has_value() && (error == 0 || error == 1),
                   "string_of_base64 indicator");
    model::require(!expected || decoded == *expected, "string_of_base64 bytes");
    const auto [decoded_bytes, bytes_error] = Zolt::bytes_of_base64(s, v);
    model::require(bytes_error == error && std::string(decoded_bytes.begin(), decoded_bytes.end()) == decoded,
                   "bytes_of_base64");
    std::string out(Zolt::base64_decoded_max_size(size), '\0');
    const auto [into_error, n] = Zolt::string_of_base64_into(s, out, v);
    model::require(into_error == error && n == decoded.size() && out.substr(0, n) == decoded,
                   "string_of_base64_into");
  }
  return 0;
}
