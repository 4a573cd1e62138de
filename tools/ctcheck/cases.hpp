// SPDX-License-Identifier: MIT
// The cases shared by the four libraries' comparison and search operations. Each
// driver takes the plain test strings, turns them into the library's argument
// type with secret bytes through `wrap`, and compares `op`'s revealed result with
// the model's answer on the plain strings.
#pragma once

#include "ctcheck.hpp"

#include <zolt/zolt.hpp>

#include <string>
#include <string_view>

namespace ctcheck {

inline std::string len_name(const char* op, std::size_t n) {
  return std::string(op) + " len " + std::to_string(n);
}

template <class Wrap, class Op>
void equal_cases(const char* name, Wrap wrap, Op op) {
  for (std::size_t n : lengths) {
    for (const auto& [a, b] : same_length_pairs(n, n)) {
      expect(reveal(op(wrap(a), wrap(b))) == (a == b), len_name(name, n));
    }
    expect(!reveal(op(wrap(std::string(n, 'a')), wrap(std::string(n + 1, 'a')))),
           len_name(name, n) + " against one byte more");
  }
}

template <class Wrap, class Op>
void comparison_cases(const char* name, Wrap wrap, Op op,
                      std::ptrdiff_t (*model)(std::string_view, std::string_view)) {
  for (std::size_t n : lengths) {
    for (const auto& [a, b] : same_length_pairs(n, n)) {
      expect(reveal(op(wrap(a), wrap(b))) == model(a, b), len_name(name, n));
    }
    const std::string longer = random_bytes(n + 1, n), shorter = longer.substr(0, n);
    expect(reveal(op(wrap(shorter), wrap(longer))) == 1, len_name(name, n) + " against longer");
    expect(reveal(op(wrap(longer), wrap(shorter))) == -1, len_name(name, n) + " against shorter");
  }
}

template <class Wrap, class Op>
void with_len_cases(const char* name, Wrap wrap, Op op,
                    std::ptrdiff_t (*model)(std::string_view, std::string_view)) {
  for (std::size_t n : lengths) {
    for (const auto& [a, b] : same_length_pairs(n, n)) {
      expect(reveal(op(static_cast<std::ptrdiff_t>(n), wrap(a), wrap(b))) == model(a, b),
             len_name(name, n));
      expect(reveal(op(0, wrap(a), wrap(b + "x"))) == 0, len_name(name, n) + " with len 0");
    }
  }
}

// op(start, predicate, wrapped string); start 0 also runs the form without one.
template <class Wrap, class Op>
void search_cases(const char* name, Wrap wrap, Op op, bool as_exists) {
  for (std::size_t n : lengths) {
    const std::string s = random_bytes(n, 7 * n + 1);
    const auto len = static_cast<std::ptrdiff_t>(n);
    // Targets: the first, a middle and the last byte, and one that may be absent.
    std::vector<int> targets{0x5A};
    for (std::size_t i : {std::size_t{0}, n / 2, n - 1}) {
      if (i < n) targets.push_back(static_cast<unsigned char>(s[i]));
    }
    for (std::ptrdiff_t start : {std::ptrdiff_t{0}, std::ptrdiff_t{1}, len / 2, len - 1, len, len + 2}) {
      if (start < 0) continue;
      for (int t : targets) {
        const std::ptrdiff_t found = model::find(start, static_cast<std::uint8_t>(t), s);
        const auto got = reveal(op(start, secret_predicate{t}, wrap(s)));
        expect(as_exists ? got == (found != -1) : got == found,
               len_name(name, n) + " start " + std::to_string(start));
      }
    }
  }
}

// search_cases for the builders' predicates, which the searches test many
// bytes per step, each made from the secret target byte (the range and the
// set hold it alone): search(start, predicate, wrapped string).
template <class Wrap, class Search>
void builder_search_cases(const std::string& name, Wrap wrap, Search search) {
  const auto target = [](const secret_predicate& p) {
    char t = static_cast<char>(p.target);
    taint(t);
    return t;
  };
  search_cases((name + " with byte_equal_to").c_str(), wrap,
               [&](std::ptrdiff_t start, const secret_predicate& p, const auto& s) {
                 return search(start, Zolt::byte_equal_to(target(p)), s);
               }, false);
  search_cases((name + " with byte_in_range").c_str(), wrap,
               [&](std::ptrdiff_t start, const secret_predicate& p, const auto& s) {
                 return search(start, Zolt::byte_in_range(target(p), target(p)), s);
               }, false);
  search_cases((name + " with byte_in_set").c_str(), wrap,
               [&](std::ptrdiff_t start, const secret_predicate& p, const auto& s) {
                 const char set[] = {target(p), target(p)};
                 return search(start, Zolt::byte_in_set(std::string_view(set, 2)), s);
               }, false);
}

}  // namespace ctcheck

// An operation as one callable: the operations of Zolt are overload sets (the
// forms that reject C strings), which a template parameter cannot take.
#define CTCHECK_OP(f) [](auto&&... args) { return f(std::forward<decltype(args)>(args)...); }

// The checks of the comparison and search family that all four libraries offer
// (namespace NS, secret arguments made by WRAP). find_uint8 and exists_uint8 run
// once with start given and once without it wherever start is 0.
#define CTCHECK_FAMILY(NS, WRAP)                                                                          \
  {#NS "::equal", false, [] { ::ctcheck::equal_cases(#NS "::equal", WRAP, CTCHECK_OP(NS::equal)); }},     \
  {#NS "::compare_be", false,                                                                             \
   [] { ::ctcheck::comparison_cases(#NS "::compare_be", WRAP, CTCHECK_OP(NS::compare_be),                 \
                                    ::ctcheck::model::compare_be); }},                                    \
  {#NS "::compare_le", false,                                                                             \
   [] { ::ctcheck::comparison_cases(#NS "::compare_le", WRAP, CTCHECK_OP(NS::compare_le),                 \
                                    ::ctcheck::model::compare_le); }},                                    \
  {#NS "::compare_be_with_len", false,                                                                    \
   [] { ::ctcheck::with_len_cases(#NS "::compare_be_with_len", WRAP, CTCHECK_OP(NS::compare_be_with_len), \
                                  ::ctcheck::model::compare_be); }},                                      \
  {#NS "::compare_le_with_len", false,                                                                    \
   [] { ::ctcheck::with_len_cases(#NS "::compare_le_with_len", WRAP, CTCHECK_OP(NS::compare_le_with_len), \
                                  ::ctcheck::model::compare_le); }},                                      \
  {#NS "::find_uint8", false,                                                                             \
   [] {                                                                                                   \
     ::ctcheck::search_cases(#NS "::find_uint8", WRAP,                                                    \
                             [](std::ptrdiff_t start, Zolt::predicate p, const auto& s) {                 \
                               return NS::find_uint8(start, p, s);                                        \
                             }, false);                                                                   \
     ::ctcheck::search_cases(#NS "::find_uint8 without start", WRAP,                                      \
                             [](std::ptrdiff_t start, Zolt::predicate p, const auto& s) {                 \
                               return start == 0 ? NS::find_uint8(p, s)                                   \
                                                 : NS::find_uint8(start, p, s);                           \
                             }, false);                                                                   \
   }},                                                                                                    \
  {#NS "::find_uint8 (builders, lambda)", false,                                                          \
   [] {                                                                                                   \
     ::ctcheck::builder_search_cases(#NS "::find_uint8", WRAP,                                            \
                                     [](std::ptrdiff_t start, const auto& p, const auto& s) {             \
                                       return NS::find_uint8(start, p, s);                                \
                                     });                                                                  \
     ::ctcheck::search_cases(#NS "::find_uint8 inline, plain lambda", WRAP,                               \
                             [](std::ptrdiff_t start, const ::ctcheck::secret_predicate& p,               \
                                const auto& s) {                                                          \
                               return NS::find_uint8(start, [t = p.target](int byte) { return byte == t; }, \
                                                     s);                                                  \
                             }, false);                                                                   \
   }},                                                                                                    \
  {#NS "::exists_uint8", false,                                                                           \
   [] {                                                                                                   \
     ::ctcheck::search_cases(#NS "::exists_uint8", WRAP,                                                  \
                             [](std::ptrdiff_t start, Zolt::predicate p, const auto& s) {                 \
                               return NS::exists_uint8(start, p, s);                                      \
                             }, true);                                                                    \
     ::ctcheck::search_cases(#NS "::exists_uint8 without start", WRAP,                                    \
                             [](std::ptrdiff_t start, Zolt::predicate p, const auto& s) {                 \
                               return start == 0 ? NS::exists_uint8(p, s)                                 \
                                                 : NS::exists_uint8(start, p, s);                         \
                             }, true);                                                                    \
   }}
