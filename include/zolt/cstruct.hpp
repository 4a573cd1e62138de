// SPDX-License-Identifier: MIT
// Cstruct: a read-only window (offset, length) onto a shared byte buffer. A view
// keeps its buffer alive; copying a view or taking a window copies no bytes.
// Timing: nothing here looks at the bytes' values; time, branches and addresses
// depend on lengths, offsets and bounds only (of_string copies s whatever it holds).
// Header-only.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Cstruct {

class t;

[[nodiscard]] t of_shared(std::shared_ptr<const std::byte[]> buffer, std::size_t len) noexcept;
[[nodiscard]] t sub(const t& v, std::size_t off, std::size_t len);
[[nodiscard]] std::size_t length(const t& v) noexcept;
[[nodiscard]] std::span<const std::byte> to_bigarray(const t& v) noexcept;

// A view: a window (offset, length) onto a shared, read-only byte buffer.
class t {
 public:
  t() noexcept = default;  // the empty view

 private:
  t(std::shared_ptr<const std::byte[]> buffer, std::size_t off, std::size_t len) noexcept
      : buffer_(std::move(buffer)), off_(off), len_(len) {}

  std::shared_ptr<const std::byte[]> buffer_;
  std::size_t off_ = 0;
  std::size_t len_ = 0;

  friend t of_shared(std::shared_ptr<const std::byte[]> buffer, std::size_t len) noexcept;
  friend t sub(const t& v, std::size_t off, std::size_t len);
  friend std::size_t length(const t& v) noexcept;
  friend std::span<const std::byte> to_bigarray(const t& v) noexcept;
};

// A view of the first len bytes of a buffer the caller already holds, sharing its
// ownership; the caller keeps at least len bytes there. A buffer held some other
// way (a std::shared_ptr<std::vector<...>>, say) is shared with the aliasing
// constructor of std::shared_ptr.
inline t of_shared(std::shared_ptr<const std::byte[]> buffer, std::size_t len) noexcept {
  return t(std::move(buffer), 0, len);
}

// A view of a new zero-filled buffer of len bytes.
[[nodiscard]] inline t create(std::size_t len) { return of_shared(std::make_shared<std::byte[]>(len), len); }

// A view of a new buffer holding a copy of s.
[[nodiscard]] inline t of_string(std::string_view s) {
  auto buffer = std::make_shared<std::byte[]>(s.size());
  if (!s.empty()) std::memcpy(buffer.get(), s.data(), s.size());
  return of_shared(std::move(buffer), s.size());
}

// A C string does not compile here: strlen would stop at its first zero byte.
template <class S>
  requires std::is_convertible_v<S, const char*>
void of_string(S&&) {
  static_assert(!std::is_same_v<S, S>,
                "zolt: a byte string cannot be a C string (strlen stops at the first zero byte): "
                "pass a std::string_view with its length (\"abc\"sv) or a std::string");
}

// The window of len bytes at off in v, over the same buffer; throws
// std::invalid_argument when it does not fit inside v.
inline t sub(const t& v, std::size_t off, std::size_t len) {
  // Written so that off + len cannot wrap around.
  if (off > v.len_ || len > v.len_ - off) throw std::invalid_argument("Cstruct.sub: window outside the view");
  return t(v.buffer_, v.off_ + off, len);
}

// The number of bytes in the view.
inline std::size_t length(const t& v) noexcept { return v.len_; }

// Exactly the view's bytes, in the buffer's own memory.
inline std::span<const std::byte> to_bigarray(const t& v) noexcept {
  return {v.buffer_.get() + v.off_, v.len_};
}

}  // namespace Cstruct

#endif  // C++20
