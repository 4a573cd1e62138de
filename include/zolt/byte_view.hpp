// SPDX-License-Identifier: MIT
// The byte strings zolt reads, and the caller's buffers it writes into: any
// contiguous run of one-byte elements, seen in place, without a copy. Included
// by <zolt/zolt.hpp>.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <concepts>
#include <cstddef>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace Zolt {

namespace detail {

// The element types a byte string may be held in.
template <class T>
concept byte_element = std::same_as<T, char> || std::same_as<T, signed char> ||
                       std::same_as<T, unsigned char> || std::same_as<T, std::byte> ||
                       std::same_as<T, char8_t>;

// A C string: a pointer to, or an array of, char or char8_t. std::string_view
// would measure it with strlen, which stops at the first zero byte of a binary
// secret, reads past an array that holds none, and takes time that tells where
// the first zero is; an array's extent counts the terminator of a literal.
template <class T>
concept c_string = std::is_convertible_v<T, const char*> || std::is_convertible_v<T, const char8_t*>;

// A range that knows its own length and keeps its one-byte elements side by side.
template <class R>
concept byte_range = std::ranges::contiguous_range<R> && std::ranges::sized_range<R> &&
                     byte_element<std::remove_cv_t<std::ranges::range_value_t<R>>>;

// Such a range whose elements can be written, and that outlives the call: an
// lvalue, or a view such as std::span.
template <class R>
concept writable_byte_range =
    byte_range<R> && !std::is_const_v<std::remove_reference_t<std::ranges::range_reference_t<R>>> &&
    (std::is_lvalue_reference_v<R> || std::ranges::borrowed_range<R>);

template <class...>
inline constexpr bool rejected = false;

}  // namespace detail

// A read-only view of a byte string: a pointer and a length, like
// std::string_view, made implicitly from a std::string, a std::string_view, or
// any contiguous sized range of one-byte elements (char, signed or unsigned
// char, std::uint8_t, std::byte, char8_t): std::span of any extent,
// std::array, std::vector, and C arrays of the types other than char and
// char8_t. It must not outlive what it views.
//
// A C string (a char pointer, or a char array such as a literal) does not
// compile as a byte string: see detail::c_string. Pass a std::string_view with
// its length ("abc"sv) or a std::string.
class byte_view {
 public:
  constexpr byte_view() noexcept = default;
  // The view of a string, a string_view or a range of one-byte elements.
  byte_view(std::string_view s) noexcept  // NOLINT(google-explicit-constructor): implicit by design
      : data_(reinterpret_cast<const unsigned char*>(s.data())), size_(s.size()) {}
  byte_view(const std::string& s) noexcept  // NOLINT(google-explicit-constructor)
      : byte_view(std::string_view(s)) {}
  template <class R>
    requires(detail::byte_range<const R&> && !detail::c_string<const R&>)
  byte_view(const R& r) noexcept  // NOLINT(google-explicit-constructor)
      : data_(reinterpret_cast<const unsigned char*>(std::ranges::data(r))), size_(std::ranges::size(r)) {}

  // A C string: refused at compile time.
  template <class T>
    requires detail::c_string<T>
  byte_view(T&&) noexcept {  // NOLINT(google-explicit-constructor)
    static_assert(detail::rejected<T>,
                  "zolt: a byte string cannot be a C string (strlen stops at the first zero byte): "
                  "pass a std::string_view with its length (\"abc\"sv) or a std::string");
  }

  // The bytes, their number, and the same bytes seen as characters.
  [[nodiscard]] const unsigned char* data() const noexcept { return data_; }
  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  [[nodiscard]] std::string_view chars() const noexcept {
    return {reinterpret_cast<const char*>(data_), size_};
  }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

// A caller's buffer that an operation writes into: made implicitly from any
// writable contiguous sized range of one-byte elements (std::span<char>,
// std::span<std::uint8_t>, std::span<std::byte>, std::array, std::vector,
// std::string, a C array of any of them, char included: its extent is its
// size). It must not outlive the buffer.
class byte_span {
 public:
  constexpr byte_span() noexcept = default;
  // The span of a writable range of one-byte elements.
  template <class R>
    requires detail::writable_byte_range<R&&>
  byte_span(R&& r) noexcept  // NOLINT(google-explicit-constructor, bugprone-forwarding-reference-overload)
      : data_(reinterpret_cast<unsigned char*>(std::ranges::data(r))), size_(std::ranges::size(r)) {}

  // The buffer and its size.
  [[nodiscard]] unsigned char* data() const noexcept { return data_; }
  [[nodiscard]] std::size_t size() const noexcept { return size_; }

 private:
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace Zolt

#endif  // C++20
