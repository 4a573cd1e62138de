// SPDX-License-Identifier: MIT
// The cases of the counters, the padding and the row lookup, shared by their
// C++ and C forms: each driver gives op secret bytes (and a secret index or
// message length), and holds its revealed results to the plain models of
// tests/blocks_model.hpp.
#pragma once

#include "cases.hpp"
#include "../../tests/blocks_model.hpp"

#include <algorithm>
#include <stdexcept>

namespace ctcheck {

using blocks_model::bytes;

inline bytes random_number(std::size_t n, std::uint64_t seed) {
  const std::string s = random_bytes(n, seed);
  return {s.begin(), s.end()};
}

inline bytes secret_bytes(const bytes& v) {
  bytes c = v;
  taint(c.data(), c.size());
  return c;
}

template <class T>
T secret_value(T v) {
  taint(v);
  return v;
}

// The mask of a choice: all ones or all zeros.
inline std::uint64_t mask_of(bool b) { return b ? ~std::uint64_t{0} : 0; }

// op(a, b) returns the mask of a carry or borrow out of a: random, all-ones,
// equal and zero operands.
template <class Op>
void sum_cases(const char* name, Op op, bool subtract, bool big_endian) {
  for (std::size_t n : lengths) {
    const bytes r = random_number(n, n + 41), ones(n, 0xff), zeros(n, 0);
    const std::pair<bytes, bytes> pairs[] = {{r, random_number(n, n + 43)}, {ones, ones}, {r, r}, {zeros, ones}};
    for (const auto& [a, b] : pairs) {
      bytes x = secret_bytes(a);
      const std::uint64_t carry = reveal(op(std::span<std::uint8_t>(x), std::span<const std::uint8_t>(secret_bytes(b))));
      reveal(x.data(), x.size());
      const auto [sum, carry_out] = blocks_model::add(a, b, subtract, big_endian);
      expect(x == sum && carry == mask_of(carry_out), len_name(name, n));
    }
  }
}

template <class Op>
void increment_cases(const char* name, Op op, bool big_endian) {
  for (std::size_t n : lengths) {
    for (const bytes& v : {random_number(n, n + 47), bytes(n, 0xff)}) {
      bytes x = secret_bytes(v);
      op(std::span<std::uint8_t>(x));
      reveal(x.data(), x.size());
      expect(x == blocks_model::add(v, blocks_model::one(n, big_endian), false, big_endian).first,
             len_name(name, n));
    }
  }
}

inline constexpr std::size_t block_sizes[] = {1, 3, 8, 16, 64};

// op(buf, len, block) pads a message whose bytes and length are secret, in a
// buffer of each checked size: no message, and the shortest, a middle and the
// longest that fit. A message that does not fit must throw (once a block
// size: exceptions are slow under the checker).
template <class Op>
void pad_cases(const char* name, Op op, blocks_model::padding kind) {
  for (std::size_t block : block_sizes) {
    for (std::size_t size : lengths) {
      const std::size_t room = size - size % block;  // a message must end below it
      for (std::size_t len : {std::size_t{0}, room / 2, room - 1, size}) {
        if (len >= room && size != lengths[std::size(lengths) - 1]) continue;
        const bytes message = random_number(std::min(len, size), len + 51);
        bytes buf = message;
        buf.resize(size, 0x3c);
        buf = secret_bytes(buf);
        const std::string what = len_name(name, size) + " block " + std::to_string(block) +
                                 " message " + std::to_string(len);
        try {
          const std::size_t padded = reveal(op(std::span<std::uint8_t>(buf), secret_value(len), block));
          reveal(buf.data(), buf.size());
          const bytes want = blocks_model::pad(message, block, kind);
          expect(len < room && padded == want.size() && std::equal(want.begin(), want.end(), buf.begin()), what);
        } catch (const std::invalid_argument&) {
          expect(len >= room, what + " threw");
        }
      }
    }
  }
}

// op(padded, block) gives the length and the mask of validity, on the padding
// of messages of every checked length, and on the same buffers with one byte
// of their last block changed or their first byte gone.
template <class Op>
void unpad_cases(const char* name, Op op, blocks_model::padding kind) {
  for (std::size_t block : block_sizes) {
    for (std::size_t len : lengths) {
      const bytes padded = blocks_model::pad(random_number(len, len + 53), block, kind);
      bytes damaged = padded;
      damaged[padded.size() - 1 - len % block] ^= 0x21;
      for (const bytes& p : {padded, damaged, bytes(padded.begin() + 1, padded.end())}) {
        const auto [n, valid] = op(std::span<const std::uint8_t>(secret_bytes(p)), block);
        const auto want = blocks_model::unpad(p, block, kind);
        expect(reveal(valid) == mask_of(want.has_value()) && reveal(n) == want.value_or(0),
               len_name(name, p.size()) + " block " + std::to_string(block));
      }
    }
  }
}

// op(table, row_size, index, out) on secret tables and a secret index: each
// row, and one past the last.
template <class Op>
void lookup_row_cases(const char* name, Op op) {
  const std::pair<std::size_t, std::size_t> shapes[] = {{1, 1}, {16, 1}, {3, 7}, {16, 32}, {5, 65}};
  for (auto [rows, size] : shapes) {
    const bytes table = random_number(rows * size, rows + size);
    const bytes hidden = secret_bytes(table);
    for (std::size_t index = 0; index <= rows; ++index) {
      bytes out(size, 0x77);
      op(std::as_bytes(std::span(hidden)), size, secret_value(index), std::as_writable_bytes(std::span(out)));
      reveal(out.data(), out.size());
      const bytes want = index < rows ? bytes(table.begin() + static_cast<std::ptrdiff_t>(index * size),
                                              table.begin() + static_cast<std::ptrdiff_t>((index + 1) * size))
                                      : bytes(size, 0);
      expect(out == want, std::string(name) + " " + std::to_string(rows) + " rows of " +
                              std::to_string(size) + " at " + std::to_string(index));
    }
  }
}

}  // namespace ctcheck
