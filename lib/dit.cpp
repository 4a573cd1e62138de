// SPDX-License-Identifier: MIT
#include "dit.hpp"

#include <zolt/dit.hpp>

namespace Zolt {

data_independent_timing::data_independent_timing() noexcept : previous_(dit::enter()) {}

data_independent_timing::~data_independent_timing() { dit::leave(previous_); }

bool data_independent_timing::supported() noexcept { return dit::offered(); }

bool data_independent_timing::enabled() noexcept { return dit::offered() && dit::read(); }

}  // namespace Zolt
