// SPDX-License-Identifier: MIT
#include <zolt/version.h>

namespace Zolt {

const char* version_string() noexcept { return ZOLT_VERSION_STRING; }

}  // namespace Zolt
