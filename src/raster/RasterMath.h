#pragma once
// The integer arithmetic the raster routines are defined with. Band edges and band colours of the
// gradients depend on these exact roundings, so they live in one place and are tested there.

#include <cmath>
#include <cstdint>

namespace vorlandite::raster {

// a * b / c from a 64-bit product, rounded to nearest with halves away from zero;
// MulDiv(a, b, 0) = -1, as the platform routine answers. A result outside 32 bits is -1 too.
inline int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const int64_t product = int64_t(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = product < 0 ? uint64_t(-product) : uint64_t(product);
    const uint64_t divisor = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
    const uint64_t quotient = (magnitude + divisor / 2) / divisor;  // halves round up in magnitude
    if (quotient > uint64_t(INT32_MAX))
        return -1;
    return negative ? -int(quotient) : int(quotient);
}

// Round to nearest, exact halves to the even neighbour (the default rounding of the FPU).
inline int RoundHalfEven(double x) { return int(std::nearbyint(x)); }

// a / b for non-negative b > 0, rounded toward negative infinity (C++ division truncates).
inline int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// a / b for b > 0, rounded toward positive infinity.
inline int64_t CeilDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

} // namespace vorlandite::raster
