// SPDX-License-Identifier: MIT
// Forms of case mapping that write into a caller's buffer, for the C
// interface, which allocates nothing. Not installed: the C++ interface returns
// std::string. Same checks, results and timing as the exported forms; out must
// hold at least s.size() bytes, else std::invalid_argument is thrown before
// anything is written, and exactly that many bytes are written. Case mapping
// may write in place (out.data() == s.data()); an output that overlaps s
// otherwise throws std::invalid_argument("lowercase_ascii_into: buffers
// overlap", and so on) before anything is written.
#pragma once

#include <zolt/byte_view.hpp>

namespace Zolt {

void lowercase_ascii_into(byte_view s, byte_span out);
void uppercase_ascii_into(byte_view s, byte_span out);

}  // namespace Zolt
