// SPDX-License-Identifier: MIT
// The caller's-loop check: every inline helper and inline template of the
// public headers, compiled into a small caller of this program's own that uses
// its result as a mask or an index choice over a table. Checked alone, a helper
// may be clean and still become a branch once inlined: the optimiser sees the
// whole loop, learns that only one position can match, and reads the table at
// the secret index behind a conditional jump. This program is built at the
// optimisation level of the build, so each build checks its own inlining.
//
// The loop bound and the secret index are read from memory (volatiles) in the
// loop, so that the compiler cannot fold the secret into the loop counter
// (table + secret + (i - secret) is the same address, but a taint checker would
// still flag it): the check judges the helper, not the loop.
#include "cases.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <string>

namespace {

using namespace ctcheck;

using P = std::ptrdiff_t;

volatile P table_size = 256;
volatile P secret_index = 0;

const std::array<P, 256>& table() {
  static const std::array<P, 256> t = [] {
    std::array<P, 256> v{};
    for (P i = 0; i < 256; ++i) v[static_cast<std::size_t>(i)] = (i * 37 + 5) & 255;
    return v;
  }();
  return t;
}

// Stores the index where the pickers read it, secret.
void hide_index(P index) {
  secret_index = index;
  taint(const_cast<P&>(secret_index));
}

// The entry at the hidden index, read through every position: mask(i, index)
// is all ones where i is the index, else 0.
template <class Mask>
[[gnu::noinline]] P pick_by_mask(P index, Mask mask) {
  hide_index(index);
  const P n = table_size;
  P got = 0;
  for (P i = 0; i < n; ++i) got |= table()[static_cast<std::size_t>(i)] & mask(i, secret_index);
  return got;
}

// The same through a choice between the entry and what was kept so far:
// choose(i, index, entry, kept) answers entry where i is the index.
template <class Choose>
[[gnu::noinline]] P pick_by_choice(P index, Choose choose) {
  hide_index(index);
  const P n = table_size;
  P got = 0;
  for (P i = 0; i < n; ++i) {
    got = choose(i, secret_index, table()[static_cast<std::size_t>(i)], got);
  }
  return got;
}

const P indices[] = {0, 1, 17, 128, 255};

// Runs a picker at each secret index and checks it read the right entry.
template <class Pick>
void pick_cases(const char* name, Pick pick) {
  for (const P want : indices) {
    P index = want;
    taint(index);
    expect(reveal(pick(index)) == table()[static_cast<std::size_t>(want)],
           std::string(name) + " at " + std::to_string(want));
  }
}

// A text whose byte at `want` is the only one equal to 0xA5; the search's
// answer then picks the table entry. Both the text and the answer are secret.
template <class Find>
void search_pick_cases(const char* name, Find find) {
  for (const P want : indices) {
    std::string text(256, '\x11');
    text[static_cast<std::size_t>(want)] = '\xA5';
    taint(text.data(), text.size());
    const P index = find(text);
    const P got = pick_by_choice(index, [](P i, P at, P entry, P kept) {
      return Zolt::select_int(i ^ at, entry, kept);
    });
    expect(reveal(got) == table()[static_cast<std::size_t>(want)],
           std::string(name) + " at " + std::to_string(want));
  }
}

// pick_by_choice with i, the index and the entries as each of several integer
// types, wide enough for 0..255: choose(i, index, entry, kept) of that type.
template <class Choose>
void pick_each_width(const char* name, Choose choose) {
  const auto as = [&](auto type) {
    using T = decltype(type);
    pick_cases(name, [&](P index) {
      return pick_by_choice(index, [&](P i, P at, P entry, P kept) {
        return static_cast<P>(choose(static_cast<T>(i), static_cast<T>(at), static_cast<T>(entry),
                                     static_cast<T>(kept)));
      });
    });
  };
  as(std::uint8_t{});
  as(std::int16_t{});
  as(std::uint32_t{});
  as(std::int64_t{});
  as(std::uint64_t{});
}

const registration callers{{
    {"caller's loop: one_if_not_zero", false,
     [] {
       pick_cases("one_if_not_zero", [](P index) {
         return pick_by_mask(index, [](P i, P at) { return Zolt::one_if_not_zero(i ^ at) - 1; });
       });
     }},
    {"caller's loop: zero_if_not_zero", false,
     [] {
       pick_cases("zero_if_not_zero", [](P index) {
         return pick_by_mask(index, [](P i, P at) { return Zolt::zero_if_not_zero(i ^ at); });
       });
     }},
    {"caller's loop: bool_of_int", false,
     [] {
       pick_cases("bool_of_int", [](P index) {
         // A bool is 0 or 1 to the compiler, whatever made it: Clang 16 -O1
         // branches on static_cast<P>(flag) - 1. Turned into a number by
         // int_of_bool, which passes the barrier, it stays a mask.
         return pick_by_mask(index, [](P i, P at) {
           return Zolt::int_of_bool(Zolt::bool_of_int(i ^ at)) - 1;
         });
       });
     }},
    {"caller's loop: int_of_bool", false,
     [] {
       pick_cases("int_of_bool", [](P index) {
         return pick_by_mask(index, [](P i, P at) { return -Zolt::int_of_bool(i == at); });
       });
     }},
    {"caller's loop: select_int", false,
     [] {
       pick_cases("select_int", [](P index) {
         return pick_by_choice(index, [](P i, P at, P entry, P kept) {
           return Zolt::select_int(i ^ at, entry, kept);
         });
       });
     }},
    {"caller's loop: select_a_if_in_range", false,
     [] {
       pick_cases("select_a_if_in_range", [](P index) {
         return pick_by_choice(index, [](P i, P at, P entry, P kept) {
           return Zolt::select_a_if_in_range(at, at, i, entry, kept);
         });
       });
     }},
    {"caller's loop: inline find_uint8 with byte_equal_to", false,
     [] {
       search_pick_cases("find_uint8", [](const std::string& text) {
         return Zolt::find_uint8(Zolt::byte_equal_to(0xA5), text);
       });
     }},
    {"caller's loop: inline find_uint8 with byte_in_range", false,
     [] {
       search_pick_cases("byte_in_range", [](const std::string& text) {
         return Zolt::find_uint8(Zolt::byte_in_range(0x80, 0xFF), text);
       });
     }},
    {"caller's loop: inline find_uint8 with byte_in_set", false,
     [] {
       static constexpr std::string_view set("\xA5\x00\xFF", 3);
       search_pick_cases("byte_in_set", [](const std::string& text) {
         return Zolt::find_uint8(Zolt::byte_in_set(set), text);
       });
     }},
    {"caller's loop: inline find_uint8 over a byte vector", false,
     [] {
       search_pick_cases("find_uint8 of a vector", [](const std::string& text) {
         const std::vector<std::uint8_t> bytes(text.begin(), text.end());  // secret, as text is
         return Zolt::find_uint8(Zolt::byte_equal_to(0xA5), bytes);
       });
     }},
    {"caller's loop: inline exists_uint8", false,
     [] {
       // The answer weighs the entry: all of it when found, none otherwise.
       for (const P want : indices) {
         std::string text(256, '\x11');
         text[static_cast<std::size_t>(want)] = '\xA5';
         taint(text.data(), text.size());
         const P found = Zolt::int_of_bool(Zolt::exists_uint8(want, Zolt::byte_equal_to(0xA5), text));
         const P got = pick_by_mask(want, [found](P i, P at) {
           return Zolt::zero_if_not_zero(i ^ at) & -found;
         });
         expect(reveal(got) == table()[static_cast<std::size_t>(want)],
                "exists_uint8 at " + std::to_string(want));
       }
     }},

    // The typed vocabulary: comparisons of every width choosing the entry
    // through ct_select, the choice's operators and mask, and ct_lookup.
    {"caller's loop: ct_eq and ct_select", false,
     [] {
       pick_each_width("ct_eq", [](auto i, auto at, auto entry, auto kept) {
         return Zolt::ct_select(Zolt::ct_eq(i, at), entry, kept);
       });
     }},
    {"caller's loop: ct_lt and ct_gt", false,
     [] {
       pick_each_width("ct_lt", [](auto i, auto at, auto entry, auto kept) {
         return Zolt::ct_select(Zolt::ct_lt(i, at) | Zolt::ct_gt(i, at), kept, entry);
       });
     }},
    {"caller's loop: ct_le, ct_ge and ct_ne", false,
     [] {
       pick_each_width("ct_le", [](auto i, auto at, auto entry, auto kept) {
         return Zolt::ct_select(Zolt::ct_le(i, at) & Zolt::ct_ge(i, at) & !Zolt::ct_ne(i, at), entry, kept);
       });
     }},
    {"caller's loop: choice of_bool, operators and mask", false,
     [] {
       pick_cases("choice", [](P index) {
         return pick_by_mask(index, [](P i, P at) {
           const Zolt::choice no, other = no | !Zolt::choice::of_bool(i == at);
           const Zolt::choice c = no ^ ((!no) & !other);
           return static_cast<P>(c.mask());
         });
       });
     }},
    {"caller's loop: ct_lookup", false,
     [] {
       pick_cases("ct_lookup", [](P index) {
         hide_index(index);
         return Zolt::ct_lookup(table(), static_cast<std::size_t>(secret_index));
       });
     }},

    // The same caller with a plain conditional that reads the entry at the
    // index, the code an optimiser makes of a transparent mask: a branch, or a
    // conditional select after a load at the secret index. Either is flagged.
    {"caller's loop: a plain ?:", true,
     [] {
       pick_cases("?:", [](P index) {
         return pick_by_choice(index, [](P i, P at, P, P kept) {
           return i == at ? table()[static_cast<std::size_t>(at)] : kept;
         });
       });
     }},
}};

}  // namespace
