#pragma once

#include <cstdio>
#include <cstdlib>

namespace orvanel::fuzz {

// Fuzz builds define NDEBUG like any other, so a property gets a check of its own. A broken one
// aborts, and libFuzzer keeps the input as a crash.
inline void require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", property);
        std::abort();
    }
}

} // namespace orvanel::fuzz
