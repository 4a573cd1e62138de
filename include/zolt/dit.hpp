// SPDX-License-Identifier: MIT
// The CPU's data-independent timing mode, for the code of this thread.
//
// Arm's architecture promises that the time of its data-processing
// instructions (integer and vector arithmetic, logic, shifts, multiplication,
// conditional select; loads and stores as to the values they move, not their
// addresses; never division) does not depend on the values they handle only
// while PSTATE.DIT is set. On AArch64 CPUs that have it (Linux reports
// HWCAP_DIT) the guard sets it for the thread that constructs it and
// restores the previous state when it is destroyed, an exception leaving the
// scope included; guards nest. Everywhere else supported() is false and the
// guard does nothing. Included by <zolt/zolt.hpp>.
//
//   {
//     const Zolt::data_independent_timing dit;
//     ... code that handles secrets ...
//   }
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

namespace Zolt {

// Exported from libzolt, which hides every symbol it does not mark.
class [[gnu::visibility("default")]] data_independent_timing {
 public:
  // Turns the mode on for this thread (where supported). [[nodiscard]]: a
  // guard that is not kept in a variable turns it off again at once.
  [[nodiscard]] data_independent_timing() noexcept;
  // Restores the state the constructor found.
  ~data_independent_timing();
  data_independent_timing(const data_independent_timing&) = delete;
  data_independent_timing& operator=(const data_independent_timing&) = delete;

  // The CPU and the system offer the mode.
  [[nodiscard]] static bool supported() noexcept;
  // It is on for this thread now.
  [[nodiscard]] static bool enabled() noexcept;

 private:
  bool previous_;
};

}  // namespace Zolt

#endif  // C++20
