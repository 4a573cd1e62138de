// SPDX-License-Identifier: MIT
// Checks of the large-buffer library and of the two adapters.
#include "cases.hpp"

#include <zolt/cstruct.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>
#include <zolt/zolt_cstruct.hpp>

namespace {

using namespace ctcheck;

// A bigstring over secret bytes that it owns.
struct secret_bigstring {
  std::string bytes;
  operator Zolt_bigstring::bigstring() const {
    return {reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()};
  }
};
secret_bigstring as_bigstring(std::string_view s) { return {secret(s)}; }

std::vector<std::uint8_t> as_bytes(std::string_view s) {
  std::vector<std::uint8_t> b(s.begin(), s.end());
  taint(b.data(), b.size());
  return b;
}

// A view of s at offset 3 inside a larger secret buffer, so that the adapter's
// indices and bounds are those of the window, not of the buffer.
Cstruct::t as_view(std::string_view s) {
  const Cstruct::t whole = Cstruct::of_string("<<<" + std::string(s) + ">>");
  const auto all = Cstruct::to_bigarray(whole);
  taint(const_cast<std::byte*>(all.data()), all.size());
  return Cstruct::sub(whole, 3, s.size());
}

const registration adapters{{
    CTCHECK_FAMILY(Zolt_bigstring, as_bigstring),
    {"Zolt_bigstring::find_uint8_inner", false,
     [] {
       search_cases("Zolt_bigstring::find_uint8_inner", as_bigstring,
                    CTCHECK_OP(Zolt_bigstring::find_uint8_inner), false);
     }},
    CTCHECK_FAMILY(Zolt_bytes, as_bytes),
    CTCHECK_FAMILY(Zolt_cstruct, as_view),
}};

}  // namespace
