// SPDX-License-Identifier: MIT
// The hex codec, the case mappings and the decimal rendering against plain models.
#include "models.hpp"

#include <zolt/zolt.hpp>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const std::vector<std::uint8_t> bytes(data, data + size);

  const std::string text = Zolt::hex_of_string(s);
  model::require(text == model::hex(s), "hex_of_string");
  model::require(Zolt::hex_of_bytes(bytes) == text, "hex_of_bytes");
  model::require(Zolt::string_of_hex(text) == std::make_pair(std::string(s), std::ptrdiff_t{0}),
                 "string_of_hex of hex_of_string");
  model::require(Zolt::string_of_hex(Zolt::uppercase_ascii(text)).first == s,
                 "string_of_hex of upper-case text");

  // The input read as text: mostly malformed.
  const auto [decoded, error] = Zolt::string_of_hex(s);
  model::require(std::make_pair(decoded, error) == model::unhex(s), "string_of_hex");
  const auto [decoded_bytes, bytes_error] = Zolt::bytes_of_hex(s);
  model::require(std::string(decoded_bytes.begin(), decoded_bytes.end()) == decoded &&
                     bytes_error == error,
                 "bytes_of_hex");

  model::require(Zolt::lowercase_ascii(s) == model::map_case(s, 'A', 'Z'), "lowercase_ascii");
  model::require(Zolt::uppercase_ascii(s) == model::map_case(s, 'a', 'z'), "uppercase_ascii");

  if (size >= 6) {
    std::uint32_t v;
    std::uint16_t m;
    std::memcpy(&v, data, sizeof v);
    std::memcpy(&m, data + 4, sizeof m);
    const auto divisor = static_cast<std::int32_t>(m % 16347 + 1);
    const auto [q, r] = Zolt::divmod(static_cast<std::int32_t>(v), divisor);
    model::require(static_cast<std::uint32_t>(q) == v / static_cast<std::uint32_t>(divisor) &&
                       static_cast<std::uint32_t>(r) == v % static_cast<std::uint32_t>(divisor),
                   "divmod");
    const std::size_t digits = data[5] % 13;
    model::require(Zolt::ascii_of_int32(static_cast<std::ptrdiff_t>(digits),
                                        static_cast<std::int32_t>(v)) == model::decimal(digits, v),
                   "ascii_of_int32");
  }
  return 0;
}
