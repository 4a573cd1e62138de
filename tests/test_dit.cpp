// SPDX-License-Identifier: MIT
// The CPU's data-independent timing mode: the guard, the C forms, and the
// libraries' operations when built with ZOLT_DIT_OPERATIONS.
//
// ZOLT_TEST_DIT=supported or =unsupported, set by the tests that run this
// program under qemu on a chosen CPU, says what the CPU offers, so that a
// probe that misses the mode fails instead of testing nothing.
#include <zolt/zolt.h>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace {

using Zolt::data_independent_timing;

bool enabled() { return data_independent_timing::enabled(); }
bool supported() { return data_independent_timing::supported(); }

TEST(Dit, SupportedAsTheCpuOffers) {
  EXPECT_EQ(zolt_dit_supported(), supported() ? 1 : 0);
#if !defined(__aarch64__)
  EXPECT_FALSE(supported());
#endif
  if (const char* offered = std::getenv("ZOLT_TEST_DIT")) {
    EXPECT_EQ(supported(), std::string_view(offered) == "supported") << "ZOLT_TEST_DIT=" << offered;
  }
  if (!supported()) {
    EXPECT_FALSE(enabled());
  }
}

// A scope with the mode on, opened by the C++ guard or by the C forms.
struct scope {
  virtual ~scope() = default;
};
struct guard_scope : scope {
  data_independent_timing guard;
};
struct c_scope : scope {
  const int previous = zolt_dit_enable();
  ~c_scope() override { zolt_dit_restore(previous); }
};
struct way {
  const char* name;
  std::unique_ptr<scope> (*open)();
};
const way ways[] = {
    {"guard", [] { return std::unique_ptr<scope>(new guard_scope); }},
    {"C forms", [] { return std::unique_ptr<scope>(new c_scope); }},
};

TEST(Dit, OnInsideAndPreviousStateAfter) {
  for (const way& w : ways) {
    SCOPED_TRACE(w.name);
    const bool before = enabled();
    {
      const auto s = w.open();
      EXPECT_EQ(enabled(), supported());
    }
    EXPECT_EQ(enabled(), before);
  }
}

TEST(Dit, NestedScopesKeepTheModeUntilTheOutermostEnds) {
  for (const way& outer : ways) {
    for (const way& inner : ways) {
      SCOPED_TRACE(std::string(outer.name) + " around " + inner.name);
      const bool before = enabled();
      {
        const auto o = outer.open();
        { const auto i = inner.open(); EXPECT_EQ(enabled(), supported()); }
        EXPECT_EQ(enabled(), supported()) << "the inner scope turned the mode off";
      }
      EXPECT_EQ(enabled(), before);
    }
  }
}

TEST(Dit, ExceptionLeavingTheScopeRestores) {
  const bool before = enabled();
  try {
    const data_independent_timing dit;
    EXPECT_EQ(enabled(), supported());
    throw std::runtime_error("leaves the scope");
  } catch (const std::runtime_error&) {
    EXPECT_EQ(enabled(), before);
  }
}

TEST(Dit, CRestoreTakesAnyNonzeroForOn) {
  const int before = zolt_dit_enable();
  for (const int previous : {0, 1, 7, -1}) {
    zolt_dit_restore(previous);
    EXPECT_EQ(enabled(), supported() && previous != 0) << previous;
  }
  zolt_dit_restore(before);
}

// Each thread has its own mode: a guard in one leaves the other's alone. The
// other thread starts before the guard (a new thread inherits the mode), and
// looks while the guard is open. A mutex and a condition variable, not
// std::latch: GCC 12's atomic waits can miss a wake-up under qemu-user.
TEST(Dit, ModeIsPerThread) {
  const bool before = enabled();
  std::mutex m;
  std::condition_variable cv;
  bool guarded = false, checked = false, other_saw = true;
  std::thread other([&] {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return guarded; });
    other_saw = enabled();
    checked = true;
    cv.notify_all();
  });
  {
    const data_independent_timing dit;
    std::unique_lock lock(m);
    guarded = true;
    cv.notify_all();
    cv.wait(lock, [&] { return checked; });
  }
  other.join();
  EXPECT_EQ(other_saw, before);
  EXPECT_EQ(enabled(), before);
}

// The operations see the mode on while they run when the libraries are built
// with ZOLT_DIT_OPERATIONS, and as the caller left it otherwise; after the
// call it is the caller's again. A predicate is the one code that runs inside
// an operation and can look.
#if defined(ZOLT_DIT_OPERATIONS)
constexpr bool operations_switch = true;
#else
constexpr bool operations_switch = false;
#endif

struct search {
  const char* library;
  std::ptrdiff_t (*find)(bool (*)(int), const std::string&);
};
const search searches[] = {
    {"zolt", [](bool (*p)(int), const std::string& s) { return Zolt::find_uint8(Zolt::predicate(p), s); }},
    {"zolt_bigstring",
     [](bool (*p)(int), const std::string& s) {
       return Zolt_bigstring::find_uint8(Zolt::predicate(p), std::as_bytes(std::span(s)));
     }},
};

bool seen_inside = false;
bool look(int) {
  seen_inside = enabled();
  return false;
}

TEST(Dit, OperationsSwitchTheModeWhenBuiltToDoSo) {
  const std::string text = "abc";
  for (const search& s : searches) {
    SCOPED_TRACE(s.library);
    const bool before = enabled();
    EXPECT_EQ(s.find(look, text), -1);
    EXPECT_EQ(seen_inside, before || (operations_switch && supported()));
    EXPECT_EQ(enabled(), before);
    {
      const data_independent_timing dit;
      EXPECT_EQ(s.find(look, text), -1);
      EXPECT_EQ(seen_inside, supported());
      EXPECT_EQ(enabled(), supported()) << "the operation ended the caller's mode";
    }
  }
}

}  // namespace
