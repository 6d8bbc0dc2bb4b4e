#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>

namespace quill {

// Rounds to the nearest integer with halves going to the even neighbour.
// The one rounding rule for values that become stored numbers, pixels or colour channels.
inline long double RoundHalfEven(long double value)
{
    // nearbyint honours the current rounding mode, which the program never changes
    // from round-to-nearest-even.
    return std::nearbyint(value);
}

inline int RoundToInt(double value)
{
    return static_cast<int>(RoundHalfEven(value));
}

} // namespace quill
